#pragma once
// The settings of the file being added: written by the option window, reset by
// the main window before each add and copied by it into the converter's
// output options. Strings unless stated; an empty string means "not set".
#include <cstdint>
#include <string>

// Marks an unset bit rate written by the option window; the add reset writes -1,
// which the converter ignores as well.
inline constexpr int32_t kBitrateNotSet = -1000;

struct OutputSettings {
    std::string SourceFile;  // set by the main window
    std::string OutputFile;  // output folder + "/" + source name + profile extension
    std::string OutputExt;  // ".avi", ".psp.mp4", ".ipod.mp4", ...
    std::string AudioChannels;  // "2", "1"
    std::string AudioSampleRate;  // hertz, or "AUTO"
    std::string FrameSize;  // width "*" height, maybe followed by a description
    std::string FrameRate;  // "25.00", "29.97", "12"
    std::string VideoNorm;  // "PAL", "NTSC"
    std::string VideoFilters;  // comma list of "hflip", "vflip", "negate"
    std::string Volume = "256";  // "0".."2048"; "256" is unchanged loudness
    std::string AspectRatio;  // "4:3", "16:9"
    std::string VideoCodec;  // "mpeg4", "libx264", ...
    std::string AudioCodec;  // "libmp3lame", ..., or "AUTO"
    std::string OutputFormat;  // forced container, such as "mov"
    std::string TargetType;  // "vcd", "svcd", "dvd"
    std::string VideoTag;  // "DX50", "XVID" or "hvc1"
    std::string EncoderOptions;  // name=value lines for the encoders and muxer ("crf=23", "pix_fmt=...")
    int32_t VideoBitrate = -1;  // bits per second; kBitrateNotSet or -1: not set
    int32_t AudioBitrate = -1;  // bits per second; kBitrateNotSet or -1: not set
    bool AudioOnly = false;  // the output has no video
    int64_t CutStart = -1;  // milliseconds
    int64_t CutLength = -1;  // milliseconds
    std::string CutMode = "NoSelect";  // "Select" when a clip is set
    // What confirmation changed from the lists' selection so that the encoders
    // and the container take it ("音频编码 FLAC → AAC；分辨率 320*240 → 352*288"),
    // empty when the file is written as selected.
    std::string Adjustments;

    // ResetOutputSettings: every field back to its value before an add.
    // SourceFile is kept; the main window writes it right after the reset.
    void Reset();
};
