#include "formats/FormatProfiles.h"

#include <algorithm>

#include "formats/OptionCaptions.h"

namespace {

// ---- encoder lists -------------------------------------------------------
const std::string V1 = kVideoDivx5, V2 = kVideoMpeg4Spaced, V3 = kVideoXvid1, V4 = kVideoXvid2,
                  V5 = kVideoDivx, V6 = kVideoMjpeg, V7 = kVideoH264, V8 = kVideoMpeg4,
                  V9 = kVideoFlash, V10 = kVideoFlv, V11 = kVideoRm1, V12 = kVideoRm2,
                  V13 = kVideoQuickTime, V14 = kVideoMpeg, V15 = kVideoPalDvd, V16 = kVideoNtscDvd,
                  V17 = kVideoPalSvcd, V18 = kVideoNtscSvcd, V19 = kVideoPalVcd, V20 = kVideoNtscVcd,
                  V21 = kVideoWmv, V22 = kVideoAsf, V23 = kVideoH263, V24 = kVideoNone;
const std::string A1 = kAudioMp3, A2 = kAudioFlac, A3 = kAudioAac, A4 = kAudioAc3, A5 = kAudioAuto,
                  A6 = kAudioMp2, A7 = kAudioWmv, A8 = kAudioAsf1, A9 = kAudioAsf2, A10 = kAudioAmr,
                  A11 = kAudioWma, A12 = kAudioWave, A13 = kAudioOgg, A14 = kAudioRm;

// ---- video bit rates -----------------------------------------------------
const OptionItems B1{"128 kbps(超低质量)", "288 kbps(低质量)", "528 kbps(中等质量)", "816 kbps(高质量)",
                     "1200 kbps(很高质量)", "1600 kbps(极高质量)", "1800 kbps(极高质量)", "2000 kbps(极高质量)"};
const OptionItems B2{"216 kbps(超低质量)", "384 kbps(低质量)", "512 kbps(中等质量)", "768 kbps(高质量)",
                     "1500 kbps(很高质量)"};
const OptionItems B3{"216 kbps(超低质量)", "384 kbps(低质量)", "512 kbps(中等质量)", "768 kbps(高质量)",
                     "1000 kbps(很高质量)", "1200 kbps(很高质量)", "1400 kbps(很高质量)", "1500 kbps(很高质量)",
                     "1600 kbps(极高质量)", "1800 kbps(极高质量)", "2000 kbps(极高质量)", "2500 kbps(极高质量)"};
const OptionItems B4{"192 kbps (超低质量)", "384 kbps (低质量)", "600 kbps (中等质量)", "768 kbps (高质量)",
                     "1000 kbps (很高质量)", "1200 kbps (很高质量)", "1500 kbps (很高质量)", "1800 kbps(极高质量)",
                     "2000 kbps(极高质量)"};
const OptionItems B5{"192 kbps (超低质量)", "384 kbps (低质量)", "528 kbps (中等质量)", "600 kbps (中等质量)",
                     "768 kbps (高质量)", "816 kbps (高质量)", "1000 kbps (很高质量)", "1200 kbps (很高质量)",
                     "1500 kbps (很高质量)", "1800 kbps(极高质量)", "2000 kbps(极高质量)"};
const OptionItems B6{"128 kbps(超低质量)", "288 kbps(低质量)", "528 kbps(低质量)", "816 kbps(低质量)",
                     "1200 kbps(一般质量)", "1600 kbps(一般质量)", "1800 kbps(一般质量)", "2000 kbps(中等质量)",
                     "3000 kbps(高质量)", "4000 kbps(高质量)", "5000 kbps(极高质量)", "6000 kbps(极高质量)",
                     "7000 kbps(极高质量)", "8000 kbps(极高质量)", "9000 kbps(极高质量)"};
const OptionItems B7{"8 kbps", "16 kbps", "24 kbps", "32 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps",
                     "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps", "384 kbps"};
const OptionItems B8{"8 kbps", "16 kbps", "24 kbps", "32 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps",
                     "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps", "384 kbps",
                     "512 kbps", "600 kbps"};
const OptionItems B9{"128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps", "384 kbps"};
const OptionItems B10{kNothing};
const OptionItems B11{"216 kbps(超低质量)", "384 kbps(低质量)", "512 kbps(中等质量)", "768 kbps(高质量)",
                      "1200 kbps(高质量)", "1500 kbps(很高质量)", "1800 kbps(很高质量)"};

// ---- frame sizes ---------------------------------------------------------
const OptionItems S1{kKeepFrameSize, "176*144", "240*176", "320*240", "352*240", "352*288", "384*288", "480*480",
                     "480*576", "640*368", "640*480", "704*480", "704*576", "720*480", "720*576", "1280*720"};
const OptionItems S2{"320*240 (PSP所有固件版本适用)", "368*208 (PSP 2.0或更高固件版本适用)",
                     "480*272  (PSP 3.03或更高固件版本适用)", "720*480  (PSP 3.4或更高固件版本适用)"};
const OptionItems S3{"320*240 (PSP所有固件版本适用)", "368*208 (PSP 2.0或更高固件版本适用)",
                     "480*272  (PSP 3.03或更高固件版本适用)", "640*480  (PSP 3.03或更高固件版本适用)",
                     "720*480  (标清SD格式)", "1280*720  (高清晰HD格式)", "1920*1080  (高清晰HD格式)"};
const OptionItems S4{"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "640*480"};
const OptionItems S5{"112*96", "128*96", "160*112", "160*120", "176*144", "192*144", "208*176", "220*176",
                     "320*208", "320*224", "320*240"};
const OptionItems S6{"112*96", "128*96", "160*112", "160*120", "176*144", "192*144", "208*176", "220*176",
                     "320*208", "320*224", "320*240", "352*288", "480*360"};
const OptionItems S7{kNothing};
const OptionItems S8{"640*480", "720*480", "720*576", "960*540", "1280*720"};
const OptionItems S9{"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "480*320", "480*368",
                     "512*384", "640*480"};
const OptionItems S10{"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "640*480", "720*480",
                      "720*576", "1280*720"};
const OptionItems SizesH263{"128*96", "176*144", "352*288", "704*576"};

// ---- frame rates ---------------------------------------------------------
const OptionItems R1{kKeepFrameRate, "10.00", "13.00", "15.00", "18.00", "20.00", "23.00", "23.97", "24.00",
                     "25.00", "29.97", "30.00"};
const OptionItems R2{"15.00", "23.98", "29.97"};
const OptionItems R3{"20.00", "23.97", "23.98", "24.00", "25.00", "29.97", "30.00"};
const OptionItems R4{"10", "12", "15", "20", "23.98", "24", "25", "29.97", "30"};
const OptionItems R5{kKeepFrameRate, "10.00", "13.00", "15.00", "18.00", "20.00", "23.00", "23.97", "24.00",
                     "25.00", "30.00"};
const OptionItems R6{"1", "2", "3", "5", "10", "12", "15"};
const OptionItems R7{"1", "2", "3", "5", "10", "12", "15", "25"};
const OptionItems R8{"15", "24"};
const OptionItems R9{"12", "15", "24", "25"};
const OptionItems R10{kNothing};

// ---- audio bit rates (kbit/s) --------------------------------------------
const OptionItems K1{"16", "24", "32", "40", "48", "56", "64", "80", "96", "112", "128", "144", "160", "192",
                     "224", "256", "320"};
const OptionItems K2{"64", "96", "128"};
const OptionItems K3{"64", "96", "128", "144", "160", "192", "224", "256", "320"};
const OptionItems K4{kAutoAudioBitrate};
const OptionItems K5{"5", "6", "7", "8", "10", "12"};
const OptionItems K6{"48", "56", "64", "80", "96", "112", "116", "128"};
const OptionItems K7{"64", "80", "96", "112", "116", "128"};
const OptionItems K8{"32", "64", "80", "96", "112", "116", "128"};
const OptionItems K9{"4.75", "5.15", "5.9", "6.7", "7.4", "7.95", "10.2", "12.2"};
const OptionItems K10{"32", "48", "56", "64", "80", "96", "112", "116", "128"};

// ---- sample rates (Hz) ---------------------------------------------------
const OptionItems H1{"11025", "16000", "22050", "32000", "44100", "48000"};
const OptionItems H2{"24000"};
const OptionItems H3{"24000", "32000", "44100", "48000"};
const OptionItems H4{"44100", "48000"};
const OptionItems H5{"11025", "22050", "44100"};
const OptionItems H6{kAutoSampleRate};
const OptionItems H7{"11025", "22050", "44100", "48000"};
const OptionItems H8{"11025", "22050", "32000", "44100", "48000"};
const OptionItems H10{"8000"};
const OptionItems H11{"8000", "11025", "16000", "22050", "32000", "44100", "48000"};

// ---- the disc profiles' lists: what the disc takes (see DiscTargets) -----
// The picture lists show what the norm of the video encoder writes and are
// not offered for change; the audio lists offer what the disc's players decode.
const OptionItems BDvd{"6000 kbps(DVD标准)"};
const OptionItems BSvcd{"2040 kbps(SVCD标准)"};
const OptionItems BVcd{"1150 kbps(VCD标准)"};
const OptionItems KDvd{"192", "224", "256", "320", "384", "448"};
const OptionItems KSvcd{"64", "96", "128", "160", "192", "224", "256", "320", "384"};
const OptionItems KVcd{"224"};
const OptionItems HDvd{"48000"};
const OptionItems HCd{"44100"};

// ---- channels, scaling, volume -------------------------------------------
const OptionItems C1{kStereo, kMono};
const OptionItems C2{kMono};
const OptionItems CStereoOnly{kStereo};
const OptionItems P1{kAspect4x3, kAspect16x9};
const OptionItems P2{kNothing};
const OptionItems P4x3Only{kAspect4x3};
const OptionItems Vol{"无声音", "音量降低90%", "音量降低80%", "音量降低70%", "音量降低60%", "音量降低50%",
                      "音量降低40%", "音量降低30%", "音量降低20%", "音量降低10%", kVolumeUnchanged,
                      "音量增加10%", "音量增加20%", "音量增加30%", "音量增加40%", "音量增加50%",
                      "音量增加60%", "音量增加70%", "音量增加80%", "音量增加90%", "音量增加1倍",
                      "音量增加1.5倍", "音量增加2倍", "音量增加3倍", "音量增加4倍", "音量增加5倍",
                      "音量增加6倍", "音量增加7倍"};

// ---- today's formats ----------------------------------------------------
// Constant quality first, on each encoder's own scale, then bit rates.
const OptionItems QH264{"恒定质量 CRF 18 (高质量)", "恒定质量 CRF 20 (较高质量)", "恒定质量 CRF 23 (标准质量)",
                        "恒定质量 CRF 26 (较小文件)", "恒定质量 CRF 28 (小文件)", "2000 kbps", "4000 kbps",
                        "8000 kbps", "12000 kbps", "20000 kbps", "40000 kbps"};
const OptionItems QH265{"恒定质量 CRF 18 (高质量)", "恒定质量 CRF 22 (较高质量)", "恒定质量 CRF 24 (标准质量)",
                        "恒定质量 CRF 28 (较小文件)", "恒定质量 CRF 32 (小文件)", "1000 kbps", "2000 kbps",
                        "4000 kbps", "8000 kbps", "16000 kbps", "30000 kbps"};
const OptionItems QVp9{"恒定质量 CRF 24 (高质量)", "恒定质量 CRF 28 (较高质量)", "恒定质量 CRF 31 (标准质量)",
                       "恒定质量 CRF 36 (较小文件)", "恒定质量 CRF 40 (小文件)", "1000 kbps", "2000 kbps",
                       "4000 kbps", "8000 kbps", "16000 kbps"};
const OptionItems QAv1{"恒定质量 CRF 24 (高质量)", "恒定质量 CRF 30 (较高质量)", "恒定质量 CRF 35 (标准质量)",
                       "恒定质量 CRF 40 (较小文件)", "恒定质量 CRF 45 (小文件)", "1000 kbps", "2000 kbps",
                       "4000 kbps", "8000 kbps", "16000 kbps"};
const OptionItems QEncoder{kEncoderDecides};
// Sizes that keep the source's aspect (a width, the height follows), then fixed ones.
const OptionItems SModern{kKeepFrameSize, "3840*自动 (4K)", "2560*自动 (2K)", "1920*自动 (1080p)",
                          "1280*自动 (720p)", "854*自动 (480p)", "640*自动 (360p)", "3840*2160 (4K)",
                          "2560*1440 (2K)", "1920*1080 (1080p)", "1280*720 (720p)", "854*480 (480p)"};
const OptionItems SAnimation{"240*自动", "320*自动", "480*自动", "640*自动", "800*自动", kKeepFrameSize};
const OptionItems RModern{kKeepFrameRate, "23.976", "24", "25", "29.97", "30", "50", "59.94", "60"};
// A GIF frame lasts whole hundredths of a second: these rates play exactly.
const OptionItems RGif{"5", "10", "20", "25"};
const OptionItems RWebp{"5", "10", "12", "15", "20", "24", "25", "30"};
const OptionItems KAac{"96", "128", "160", "192", "256", "320"};
const OptionItems KOpus{"48", "64", "96", "128", "160", "192", "256"};
const OptionItems KMp3Vbr{"VBR V0 (约245 kbps, 最高质量)", "VBR V2 (约190 kbps, 高质量)",
                          "VBR V4 (约165 kbps)", "320", "256", "192", "128"};
const OptionItems KLossless{"无损"};
const OptionItems KNone{kNothing};
const OptionItems HModern{"44100", "48000"};
const OptionItems HOpus{"48000"};
const OptionItems HLossless{"44100", "48000", "88200", "96000"};
const OptionItems PKeep{kKeepAspect};

// An encoder list keeps its own storage; the star marks the default.
struct EncoderList {
    OptionItems items;
    std::string defaultCaption;
};

OptionChoice Pick(const OptionItems& items, const std::string& caption)
{
    return ChoiceOf(items, caption);
}

OptionChoice Only(const OptionItems& items)
{
    return OptionChoice{&items, 0};
}

// One row of the profile table. Encoder lists are stored in a deque-like
// vector that never reallocates after start-up (reserved below).
struct ProfileRow {
    int first, last;
    const char* extension;
    const char* outputExt;
    ProfileExtra extra;
    EncoderList video;
    OptionChoice videoBitrate, frameSize, frameRate;
    EncoderList audio;
    OptionChoice audioBitrate, sampleRate, channels, scaling;
};

using enum ProfileExtra;

std::vector<ProfileRow> BuildRows()
{
    const OptionChoice stereo = Pick(C1, kStereo);
    const OptionChoice mono = Only(C2);
    const OptionChoice aspect = Pick(P1, kAspect4x3);
    const OptionChoice noAspect = Only(P2);
    const OptionChoice b1 = Pick(B1, "528 kbps(中等质量)");
    const OptionChoice k1 = Pick(K1, "128");
    const OptionChoice s1 = Pick(S1, "320*240");
    const OptionChoice r1 = Pick(R1, "25.00");
    const EncoderList pcAudio{{A1, A2, A3, A4}, A1};

    // An audio-only profile: the video lists hold "该格式无视频" and "无".
    auto audioOnly = [&](int number, const char* ext, const std::string& encoder, OptionChoice bitrate,
                         OptionChoice rate, OptionChoice channels) {
        return ProfileRow{number, number, ext, ext, AudioOnly, {{V24}, V24}, Only(B10), Only(S7), Only(R10),
                          {{encoder}, encoder}, bitrate, rate, channels, noAspect};
    };
    const OptionChoice h7_48k = Pick(H7, "48000");
    const OptionChoice k9_74 = Pick(K9, "7.4");

    std::vector<ProfileRow> rows{
        {1, 3, ".avi", ".avi", None, {{V1, V2, V3, V4, V5, V6, V7}, V1}, b1, s1, r1, pcAudio, k1,
         Pick(H1, "44100"), stereo, aspect},
        {4, 4, ".mp4", ".psp.mp4", None, {{V8, V1, V3, V4, V7}, V8}, Pick(B2, "512 kbps(中等质量)"),
         Pick(S2, "320*240 (PSP所有固件版本适用)"), Pick(R2, "29.97"), {{A3}, A3}, Pick(K2, "128"), Only(H2),
         stereo, aspect},
        {5, 5, ".mp4", ".psp.mp4", None, {{V8, V3, V4, V7, V1}, V8}, Pick(B3, "768 kbps(高质量)"),
         Pick(S3, "720*480  (标清SD格式)"), Pick(R3, "29.97"), {{A3}, A3}, Pick(K2, "128"), Pick(H3, "48000"),
         stereo, aspect},
        {6, 9, ".mp4", ".ipod.mp4", None, {{V8, V3, V4, V1, V7}, V8}, Pick(B4, "600 kbps (中等质量)"),
         Pick(S4, "320*240"), Pick(R4, "25"), {{A3}, A3}, Pick(K2, "128"), Pick(H3, "48000"), stereo, aspect},
        {10, 10, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V7}, V8}, Pick(B5, "600 kbps (中等质量)"),
         Pick(S4, "320*240"), Pick(R4, "25"), pcAudio, k1, Pick(H1, "44100"), stereo, aspect},
        {11, 11, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V7}, V7}, Pick(B4, "600 kbps (中等质量)"),
         Pick(S4, "320*240"), Pick(R4, "25"), pcAudio, Pick(K3, "128"), Pick(H4, "48000"), stereo, aspect},
        {12, 12, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V7}, V8}, Pick(B5, "600 kbps (中等质量)"),
         Pick(S4, "320*240"), Pick(R4, "25"), pcAudio, k1, Pick(H1, "44100"), stereo, aspect},
        {13, 13, ".swf", ".swf", None, {{V9}, V9}, b1, s1, r1, pcAudio, k1, Pick(H5, "22050"), stereo, aspect},
        {14, 14, ".flv", ".flv", None, {{V10}, V10}, b1, s1, r1, pcAudio, k1, Pick(H5, "22050"), stereo, aspect},
        {15, 15, ".rm", ".rm", None, {{V11, V12}, V11}, b1, Pick(S1, kKeepFrameSize), Pick(R1, kKeepFrameRate),
         {{A5}, A5}, Only(K4), Only(H6), stereo, aspect},
        {16, 16, ".mkv", ".mkv", None, {{V8, V3, V4, V1, V7}, V8}, b1, s1, r1, pcAudio, k1, Pick(H5, "22050"),
         stereo, aspect},
        {17, 17, ".mov", ".mov", MovContainer, {{V13}, V13}, b1, s1, r1, {{A3, A1, A2, A4}, A3}, k1,
         Pick(H7, "22050"), stereo, aspect},
        {18, 18, ".mpg", ".mpg", None, {{V14}, V14}, b1, s1, Pick(R5, "25.00"), {{A6, A1, A2, A3, A4}, A6}, k1,
         Pick(H8, "44100"), stereo, aspect},
        {19, 19, ".mpg", ".mpg", DiscDvd, {{V15, V16}, V15}, Only(BDvd), Pick(S1, "720*576"), r1, {{A4}, A4},
         Pick(KDvd, "448"), Only(HDvd), stereo, aspect},
        {20, 20, ".mpg", ".mpg", DiscSvcd, {{V17, V18}, V17}, Only(BSvcd), Pick(S1, "480*576"), r1, {{A6}, A6},
         Pick(KSvcd, "224"), Only(HCd), stereo, aspect},
        {21, 21, ".mpg", ".mpg", DiscVcd, {{V19, V20}, V19}, Only(BVcd), Pick(S1, "352*288"), r1, {{A6}, A6},
         Only(KVcd), Only(HCd), Only(CStereoOnly), Only(P4x3Only)},
        {22, 22, ".wmv", ".wmv", None, {{V21}, V21}, b1, s1, r1, {{A7}, A7}, k1, h7_48k, stereo, aspect},
        {23, 23, ".asf", ".asf", None, {{V22}, V22}, b1, s1, r1, {{A8, A9}, A8}, k1, h7_48k, stereo, aspect},
        {24, 24, ".avi", ".avi", None, {{V6}, V6}, Pick(B6, "3000 kbps(高质量)"), s1, Pick(R1, kKeepFrameRate),
         {{A1}, A1}, k1, Pick(H1, "44100"), stereo, aspect},

        {100, 100, ".3gp", ".3gp", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B7, "128 kbps"), Pick(S5, "176*144"),
         Pick(R6, "12"), {{A3, A10}, A3}, Pick(K5, "12"), Only(H10), mono, aspect},
        {101, 101, ".3g2", ".3g2", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B7, "128 kbps"), Pick(S5, "176*144"),
         Pick(R6, "12"), {{A3, A10}, A3}, Pick(K6, "48"), Pick(H11, "32000"), stereo, aspect},
        {102, 102, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B8, "160 kbps"), Pick(S5, "176*144"),
         Pick(R7, "15"), {{A3, A10}, A3}, Pick(K7, "64"), Pick(H11, "44100"), stereo, aspect},
        {103, 103, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B8, "128 kbps"), Pick(S5, "176*144"),
         Pick(R7, "12"), {{A3, A10}, A3}, Pick(K8, "32"), Pick(H11, "32000"), stereo, aspect},
        {104, 104, ".3gp", ".3gp", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B7, "128 kbps"), Pick(S5, "176*144"),
         Pick(R6, "12"), {{A10}, A10}, Pick(K9, "10.2"), Only(H10), mono, aspect},
        {105, 105, ".3gp", ".3gp", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B7, "128 kbps"), Pick(S5, "320*240"),
         Pick(R6, "15"), {{A3}, A3}, Pick(K10, "32"), Pick(H11, "16000"), stereo, aspect},
        {106, 106, ".avi", ".avi", None, {{V3, V4, V23}, V23}, Pick(B9, "256 kbps"), Pick(S6, "352*288"),
         Pick(R8, "15"), {{A1}, A1}, k1, Pick(H1, "44100"), stereo, aspect},
        {107, 107, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B8, "128 kbps"), Pick(S6, "352*288"),
         Pick(R9, "15"), {{A3}, A3}, Pick(K8, "128"), Pick(H11, "44100"), stereo, aspect},
        audioOnly(108, ".amr", A10, k9_74, Only(H10), mono),
        {109, 109, ".avi", ".avi", None, {{V1, V2, V3, V4, V5, V7}, V1}, b1, s1, r1, pcAudio, k1,
         Pick(H1, "44100"), stereo, aspect},
        {110, 110, ".wmv", ".wmv", None, {{V21}, V21}, b1, s1, r1, {{A7}, A7}, k1, h7_48k, stereo, aspect},
        {111, 111, ".asf", ".asf", None, {{V22}, V22}, b1, s1, r1, {{A8, A9}, A8}, k1, h7_48k, stereo, aspect},
        {112, 112, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B8, "160 kbps"), Pick(S5, "176*144"),
         Pick(R7, "15"), {{A3, A10}, A3}, Pick(K7, "64"), Pick(H11, "44100"), stereo, aspect},
        {113, 113, ".mov", ".mov", MovContainer, {{V13}, V13}, b1, s1, r1, {{A3, A1, A2, A4}, A3}, k1,
         Pick(H7, "22050"), stereo, aspect},
        {114, 114, ".mpg", ".mpg", None, {{V14}, V14}, b1, s1, Pick(R5, "25.00"), {{A6, A1, A2, A3, A4}, A6}, k1,
         Pick(H8, "44100"), stereo, aspect},
        audioOnly(115, ".m4a", A3, k1, h7_48k, stereo),
        audioOnly(116, ".mp3", A1, k1, h7_48k, stereo),
        audioOnly(117, ".wma", A11, k1, h7_48k, stereo),
        audioOnly(118, ".wav", A12, k1, h7_48k, stereo),
        audioOnly(119, ".amr", A10, k9_74, Only(H10), mono),
        {120, 120, ".3gp", ".3gp", None, {{V23, V8, V3, V4, V1}, V23}, Pick(B7, "128 kbps"), Pick(S5, "320*240"),
         Pick(R6, "15"), {{A3}, A3}, Pick(K10, "32"), Pick(H11, "16000"), stereo, aspect},
        {121, 121, ".mp4", ".mp4", None, {{V8, V3, V4, V1, V23}, V8}, Pick(B8, "128 kbps"), Pick(S6, "352*288"),
         Pick(R9, "15"), {{A3}, A3}, Pick(K8, "128"), Pick(H11, "44100"), stereo, aspect},
        {122, 122, ".mp4", ".psp.mp4", None, {{V8, V1, V3, V4, V7}, V8}, Pick(B11, "1200 kbps(高质量)"),
         Pick(S8, "720*576"), Pick(R2, "29.97"), {{A3}, A3}, Pick(K2, "128"), Only(H2), stereo, aspect},
        {123, 123, ".mp4", ".ipod.mp4", None, {{V8, V3, V4, V1, V7}, V8}, Pick(B4, "768 kbps (高质量)"),
         Pick(S9, "480*320"), Pick(R4, "29.97"), {{A3}, A3}, Pick(K2, "128"), Pick(H3, "48000"), stereo, aspect},
        {124, 124, ".mp4", ".ipod.mp4", None, {{V8, V3, V4, V1, V7}, V8}, Pick(B4, "600 kbps (中等质量)"),
         Pick(S4, "320*240"), Pick(R4, "29.97"), {{A3}, A3}, Pick(K2, "128"), Pick(H3, "48000"), stereo, aspect},
        {125, 125, ".mp4", ".psp.mp4", None, {{V8, V1, V3, V4, V7}, V8}, Pick(B2, "512 kbps(中等质量)"),
         Pick(S2, "320*240 (PSP所有固件版本适用)"), Pick(R2, "29.97"), {{A3}, A3}, Pick(K2, "128"), Only(H2),
         stereo, aspect},
        {126, 126, ".mp4", ".mp4", None, {{V7, V1, V8, V3, V4}, V7}, Pick(B5, "816 kbps (高质量)"),
         Pick(S10, "320*240"), Pick(R4, "29.97"), {{A3, A1}, A3}, k1, Pick(H1, "44100"), stereo, aspect},
        {127, 127, ".mp4", ".mp4", None, {{V1, V8, V3, V4, V7}, V1}, Pick(B5, "768 kbps (高质量)"),
         Pick(S10, "320*240"), Pick(R4, "25"), pcAudio, k1, Pick(H1, "44100"), stereo, aspect},

        audioOnly(200, ".mp3", A1, k1, h7_48k, stereo),
        audioOnly(201, ".wma", A11, k1, h7_48k, stereo),
        audioOnly(202, ".wav", A12, k1, h7_48k, stereo),
        audioOnly(203, ".m4a", A3, k1, h7_48k, stereo),
        audioOnly(204, ".ac3", A4, k1, h7_48k, stereo),
        audioOnly(205, ".ogg", A13, k1, h7_48k, stereo),
        audioOnly(206, ".mp2", A6, k1, Pick(H8, "44100"), stereo),
        audioOnly(207, ".flac", A2, k1, h7_48k, stereo),
        audioOnly(208, ".rm", A14, k1, h7_48k, stereo),
        audioOnly(209, ".amr", A10, k9_74, Only(H10), mono),
    };
    return rows;
}

// The rows of today's formats. Their encoders are offered only when the
// libraries have them (see FormatProfile::encodersChecked).
std::vector<ProfileRow> BuildModernRows()
{
    const OptionChoice stereo = Pick(C1, kStereo);
    const OptionChoice keepAspect = Only(PKeep);
    const OptionChoice keepRate = Pick(RModern, kKeepFrameRate);
    const OptionChoice keepSize = Pick(SModern, kKeepFrameSize);
    const OptionChoice aac = Pick(KAac, "160");
    const OptionChoice opus = Pick(KOpus, "128");
    const OptionChoice rate48k = Pick(HModern, "48000");
    const OptionChoice losslessRate = Pick(HLossless, "48000");
    const std::string AAC = kAudioAac, OPUS = kAudioOpus, FLAC16 = kAudioFlac16, PCM16 = kAudioPcm16,
                      PCM24 = kAudioPcm24, NOAUDIO = kAudioNone;
    auto audioOnly = [&](int number, const char* ext, const std::vector<std::string>& encoders,
                         const std::string& encoder, OptionChoice bitrate, OptionChoice rate) {
        return ProfileRow{number, number, ext, ext, AudioOnly, {{V24}, V24}, Only(B10), Only(S7), Only(R10),
                          {encoders, encoder}, bitrate, rate, stereo, Only(P2)};
    };
    const OptionChoice noAudio = Only(KNone);
    return {
        {300, 300, ".mp4", ".mp4", None, {{kVideoH264High}, kVideoH264High}, Pick(QH264, "恒定质量 CRF 20 (较高质量)"),
         Pick(SModern, "1920*自动 (1080p)"), keepRate, {{AAC}, AAC}, aac, rate48k, stereo, keepAspect},
        {301, 301, ".mp4", ".mp4", None, {{kVideoH265, kVideoH265Main10}, kVideoH265},
         Pick(QH265, "恒定质量 CRF 24 (标准质量)"), keepSize, keepRate, {{AAC}, AAC}, aac, rate48k, stereo, keepAspect},
        {302, 302, ".mkv", ".mkv", None, {{kVideoH265, kVideoH265Main10}, kVideoH265},
         Pick(QH265, "恒定质量 CRF 24 (标准质量)"), keepSize, keepRate, {{AAC, OPUS, FLAC16}, AAC}, aac, rate48k,
         stereo, keepAspect},
        {303, 303, ".webm", ".webm", None, {{kVideoVp9}, kVideoVp9}, Pick(QVp9, "恒定质量 CRF 31 (标准质量)"),
         keepSize, keepRate, {{OPUS}, OPUS}, opus, Only(HOpus), stereo, keepAspect},
        {304, 304, ".webm", ".webm", None, {{kVideoAv1}, kVideoAv1}, Pick(QAv1, "恒定质量 CRF 35 (标准质量)"),
         keepSize, keepRate, {{OPUS}, OPUS}, opus, Only(HOpus), stereo, keepAspect},
        {305, 305, ".mp4", ".mp4", None, {{kVideoAv1}, kVideoAv1}, Pick(QAv1, "恒定质量 CRF 35 (标准质量)"),
         keepSize, keepRate, {{AAC, OPUS}, AAC}, aac, rate48k, stereo, keepAspect},
        {306, 306, ".mov", ".mov", MovContainer, {{kVideoProRes, kVideoProResHq}, kVideoProRes}, Only(QEncoder),
         keepSize, keepRate, {{PCM16, PCM24}, PCM16}, Only(KLossless), rate48k, stereo, keepAspect},
        {307, 307, ".mov", ".mov", MovContainer, {{kVideoDnxhrHq}, kVideoDnxhrHq}, Only(QEncoder), keepSize,
         keepRate, {{PCM16, PCM24}, PCM16}, Only(KLossless), rate48k, stereo, keepAspect},
        {308, 308, ".gif", ".gif", None, {{kVideoGif}, kVideoGif}, Only(QEncoder), Pick(SAnimation, "480*自动"),
         Pick(RGif, "10"), {{NOAUDIO}, NOAUDIO}, noAudio, noAudio, noAudio, keepAspect},
        {309, 309, ".webp", ".webp", None, {{kVideoWebp}, kVideoWebp}, Only(QEncoder), Pick(SAnimation, "480*自动"),
         Pick(RWebp, "15"), {{NOAUDIO}, NOAUDIO}, noAudio, noAudio, noAudio, keepAspect},
        audioOnly(310, ".opus", {OPUS}, OPUS, opus, Only(HOpus)),
        audioOnly(311, ".m4a", {kAudioAlac}, kAudioAlac, Only(KLossless), losslessRate),
        audioOnly(312, ".flac", {FLAC16, kAudioFlac24}, FLAC16, Only(KLossless), losslessRate),
        audioOnly(313, ".mp3", {kAudioMp3Vbr}, kAudioMp3Vbr, Pick(KMp3Vbr, "VBR V2 (约190 kbps, 高质量)"),
                  Pick(HModern, "44100")),
        audioOnly(314, ".wav", {PCM24}, PCM24, Only(KLossless), losslessRate),
    };
}

// The encoder lists live here so the profiles can point at them.
struct ProfileTable {
    std::vector<ProfileRow> rows = AllRows();
    std::size_t firstModernRow = BuildRows().size();
    std::vector<FormatProfile> profiles;

    static std::vector<ProfileRow> AllRows()
    {
        std::vector<ProfileRow> all = BuildRows();
        for (ProfileRow& row : BuildModernRows())
            all.push_back(std::move(row));
        return all;
    }

    ProfileTable()
    {
        profiles.reserve(rows.size());
        for (const ProfileRow& row : rows) {
            const bool checked = profiles.size() >= firstModernRow;
            FormatProfile profile{row.first, row.last, row.extension, row.outputExt, row.extra, {}, checked};
            auto& lists = profile.lists;
            lists[Index(OptionList::VideoEncoder)] = ChoiceOf(row.video.items, row.video.defaultCaption);
            lists[Index(OptionList::VideoBitrate)] = row.videoBitrate;
            lists[Index(OptionList::FrameSize)] = row.frameSize;
            lists[Index(OptionList::FrameRate)] = row.frameRate;
            lists[Index(OptionList::AudioEncoder)] = ChoiceOf(row.audio.items, row.audio.defaultCaption);
            lists[Index(OptionList::AudioBitrate)] = row.audioBitrate;
            lists[Index(OptionList::SampleRate)] = row.sampleRate;
            lists[Index(OptionList::Channels)] = row.channels;
            lists[Index(OptionList::ScalingMode)] = row.scaling;
            lists[Index(OptionList::Volume)] = ChoiceOf(Vol, kVolumeUnchanged);
            profiles.push_back(std::move(profile));
        }
    }
};

const ProfileTable& Table()
{
    static const ProfileTable table;
    return table;
}

}  // namespace

OptionChoice ChoiceOf(const OptionItems& items, const std::string& caption)
{
    const auto found = std::find(items.begin(), items.end(), caption);
    return OptionChoice{&items, found == items.end() ? -1 : static_cast<int>(found - items.begin())};
}

const std::vector<FormatProfile>& FormatProfiles()
{
    return Table().profiles;
}

const FormatProfile* FindProfile(int number)
{
    for (const FormatProfile& profile : FormatProfiles()) {
        if (number >= profile.firstNumber && number <= profile.lastNumber)
            return &profile;
    }
    return nullptr;
}

namespace ProfileLists {
const OptionItems& VideoBitratesWide() { return B1; }
const OptionItems& VideoBitratesMjpeg() { return B6; }
const OptionItems& FrameSizesH263() { return SizesH263; }
const OptionItems& FrameSizesPhone() { return S5; }
const OptionItems& AudioBitratesAac8k() { return K5; }
const OptionItems& AudioBitratesAac3g2() { return K6; }
const OptionItems& AudioBitratesSymbian() { return K7; }
const OptionItems& AudioBitratesPhone() { return K8; }
const OptionItems& AudioBitratesAmr() { return K9; }
const OptionItems& SampleRateAmr() { return H10; }
const OptionItems& SampleRatesPhone() { return H11; }
const OptionItems& ChannelsStereo() { return C1; }
const OptionItems& ChannelsMono() { return C2; }
const OptionItems& Volumes() { return Vol; }
}  // namespace ProfileLists
