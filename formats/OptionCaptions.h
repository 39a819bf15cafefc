#pragma once
// Captions of the option window's lists that code compares against: the
// encoders and the entries that mean "keep" or "not set".

// video encoders
inline constexpr const char* kVideoDivx5 = "Divx 5 视频压缩器";
inline constexpr const char* kVideoMpeg4Spaced = "MPEG4 视频压缩器";
inline constexpr const char* kVideoXvid1 = "XviD 视频压缩器1";
inline constexpr const char* kVideoXvid2 = "XviD 视频压缩器2";
inline constexpr const char* kVideoDivx = "Divx 视频压缩器";
inline constexpr const char* kVideoMjpeg = "Mjpeg 视频压缩器";
inline constexpr const char* kVideoH264 = "H264/AVC高清视频压缩器";
inline constexpr const char* kVideoMpeg4 = "MPEG4视频压缩器";
inline constexpr const char* kVideoFlash = "FLASH格式视频压缩器";
inline constexpr const char* kVideoFlv = "FLV格式视频压缩器";
inline constexpr const char* kVideoRm1 = "RM视频压缩器1";
inline constexpr const char* kVideoRm2 = "RM视频压缩器2";
inline constexpr const char* kVideoQuickTime = "QuickTime视频压缩器";
inline constexpr const char* kVideoMpeg = "MPEG视频压缩器";
inline constexpr const char* kVideoPalDvd = "PAL_DVD视频压缩器";
inline constexpr const char* kVideoNtscDvd = "NTSC_DVD视频压缩器";
inline constexpr const char* kVideoPalSvcd = "PAL_SVCD视频压缩器";
inline constexpr const char* kVideoNtscSvcd = "NTSC_SVCD视频压缩器";
inline constexpr const char* kVideoPalVcd = "PAL_VCD视频压缩器";
inline constexpr const char* kVideoNtscVcd = "NTSC_VCD视频压缩器";
inline constexpr const char* kVideoWmv = "WMV视频压缩器";
inline constexpr const char* kVideoAsf = "ASF视频压缩器";
inline constexpr const char* kVideoH263 = "H263高清视频压缩器";
inline constexpr const char* kVideoNone = "该格式无视频";
// today's video encoders
inline constexpr const char* kVideoH264High = "H.264 High 高清视频编码器";
inline constexpr const char* kVideoH265 = "H.265/HEVC 视频编码器(8位)";
inline constexpr const char* kVideoH265Main10 = "H.265/HEVC 视频编码器(10位)";
inline constexpr const char* kVideoVp9 = "VP9 视频编码器";
inline constexpr const char* kVideoAv1 = "AV1 视频编码器(SVT-AV1)";
inline constexpr const char* kVideoProRes = "ProRes 422 视频编码器";
inline constexpr const char* kVideoProResHq = "ProRes 422 HQ 视频编码器";
inline constexpr const char* kVideoDnxhrHq = "DNxHR HQ 视频编码器";
inline constexpr const char* kVideoGif = "GIF 动画编码器(调色板取自影片)";
inline constexpr const char* kVideoWebp = "WebP 动画编码器";

// audio encoders
inline constexpr const char* kAudioMp3 = "MP3音频编码器";
inline constexpr const char* kAudioFlac = "Flac音频编码器";
inline constexpr const char* kAudioAac = "AAC音频编码器";
inline constexpr const char* kAudioAc3 = "AC3音频编码器";
inline constexpr const char* kAudioAuto = "自动音频编码器";
inline constexpr const char* kAudioMp2 = "MP2音频编码器";
inline constexpr const char* kAudioWmv = "WMV音频编码器";
inline constexpr const char* kAudioAsf1 = "ASF音频编码器1";
inline constexpr const char* kAudioAsf2 = "ASF音频编码器2";
inline constexpr const char* kAudioAmr = "AMR音频编码器";
inline constexpr const char* kAudioWma = "WMA音频编码器";
inline constexpr const char* kAudioWave = "WAVE音频编码器";
inline constexpr const char* kAudioOgg = "OGG音频编码器";
inline constexpr const char* kAudioRm = "RM音频编码器";
// today's audio encoders
inline constexpr const char* kAudioOpus = "Opus音频编码器";
inline constexpr const char* kAudioAlac = "ALAC无损音频编码器";
inline constexpr const char* kAudioFlac16 = "FLAC无损音频编码器(16位)";
inline constexpr const char* kAudioFlac24 = "FLAC无损音频编码器(24位)";
inline constexpr const char* kAudioMp3Vbr = "MP3 VBR音频编码器";
inline constexpr const char* kAudioPcm16 = "PCM 16位音频编码器";
inline constexpr const char* kAudioPcm24 = "PCM 24位音频编码器";
inline constexpr const char* kAudioNone = "该格式无音频";

// entries that keep the source's value or mean "not set"
inline constexpr const char* kNothing = "无";
inline constexpr const char* kKeepFrameSize = "保持原分辨率";
inline constexpr const char* kKeepFrameRate = "保持原帧速率";
inline constexpr const char* kAutoAudioBitrate = "自动音频比特率";
inline constexpr const char* kAutoSampleRate = "自动音频采样率";
inline constexpr const char* kStereo = "立体声";
inline constexpr const char* kMono = "单声道";
inline constexpr const char* kAspect4x3 = "普通视频4:3模式";
inline constexpr const char* kAspect16x9 = "宽屏视频16:9模式";
inline constexpr const char* kVolumeUnchanged = "音量保持不变";
inline constexpr const char* kKeepAspect = "保持原宽高比";
inline constexpr const char* kEncoderDecides = "由编码器决定";
// a frame size "1280*自动": this width, the height that keeps the aspect
inline constexpr const char* kAutoHeight = "自动";
// a bit-rate entry "恒定质量 CRF 23 (标准质量)": constant quality at that value
inline constexpr const char* kConstantQualityPrefix = "恒定质量 CRF ";
// an MP3 entry "VBR V2 (...)": LAME's variable bit rate at that quality
inline constexpr const char* kVbrPrefix = "VBR V";

// media kinds of the option window ("Vedio" is the stored word)
inline constexpr const char* kMediaKindVideo = "Vedio";
inline constexpr const char* kMediaKindMusic = "Music";
