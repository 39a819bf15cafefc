#pragma once
// Turns the captions selected in the option window into OutputSettings values.
#include <cstdint>
#include <optional>
#include <string>

#include "formats/OptionList.h"
#include "formats/OutputSettings.h"

// "立体声" -> "2", "单声道" -> "1"; anything else leaves the field empty.
std::string ChannelsFromCaption(const std::string& caption);
// "自动音频采样率" -> "AUTO"; anything else is the caption itself.
std::string SampleRateFromCaption(const std::string& caption);
// The value beside the caption in the profiles' lists (FormatProfiles):
// kilobits per second as text ("128", "12.2") -> bits per second;
// "自动音频比特率" and a caption no list holds -> kBitrateNotSet.
int32_t AudioBitrateFromCaption(const std::string& caption);
// "保持原分辨率" and "无" -> empty; anything else is the whole caption.
std::string FrameSizeFromCaption(const std::string& caption);
// The value beside the caption in the profiles' lists: "保持原帧速率" and
// "无" -> empty; the NTSC rates "23.97"/"23.976"/"23.98", "29.97" and "59.94"
// -> "24000/1001", "30000/1001", "60000/1001"; the others as shown ("25.00");
// a caption no list holds -> empty.
std::string FrameRateFromCaption(const std::string& caption);
// "普通视频4:3模式" -> "4:3", "宽屏视频16:9模式" -> "16:9", otherwise empty.
std::string AspectFromCaption(const std::string& caption);
// The value beside the caption in the profiles' lists: "528 kbps(中等质量)"
// -> 528000; "无", constant quality and a caption no list holds -> kBitrateNotSet.
int32_t VideoBitrateFromCaption(const std::string& caption);
// The volume list's caption -> "0".."2048"; "256" for anything unknown.
std::string VolumeFromCaption(const std::string& caption);
// The checked filter boxes as "hflip,vflip,negate" (in that order).
std::string FiltersText(bool horizontalFlip, bool verticalFlip, bool negative);

// What a video encoder caption does on confirmation.
struct VideoEncoderRule {
    std::string codec;  // VideoCodec ("" = the container's default)
    std::string tag;  // VideoTag to set, or "" to leave it as it is
    std::string outputFormat;  // OutputFormat to set, or ""
    std::string discTarget;  // "dvd", "svcd", "vcd" for the disc encoders
    std::string discNorm;  // "PAL", "NTSC" for the disc encoders
    std::string options;  // name=value lines for the encoder: pixel format, profile, speed
    int sizeMultiple = 2;  // a height computed from the aspect is rounded to this
    bool evenSizesOnly = false;  // the encoder refuses odd widths and heights (4:2:0 in x264, x265, SVT-AV1)
};
// The rule of a caption; nullopt for a caption that changes nothing.
std::optional<VideoEncoderRule> VideoEncoderRuleOf(const std::string& caption);
// The AudioCodec of an audio encoder caption ("" = the container's default);
// nullopt for a caption that changes nothing.
std::optional<std::string> AudioCodecOf(const std::string& caption);

// Today's audio encoders: the codec and the lines it needs ("sample_fmt=s32");
// nullopt for any other caption.
struct AudioEncoderRule {
    std::string codec;
    std::string options;
};
std::optional<AudioEncoderRule> ModernAudioRuleOf(const std::string& caption);

// "恒定质量 CRF 23 (标准质量)" -> 23; nullopt for a bit rate or anything else.
std::optional<int> ConstantQualityOf(const std::string& caption);
// "VBR V2 (约190 kbps, 高质量)" -> 2; nullopt for anything else.
std::optional<int> VbrQualityOf(const std::string& caption);
// "1280*自动 (720p)" -> 1280: a width whose height follows the source's
// aspect; nullopt for a fixed size or "保持原分辨率".
std::optional<int> AspectWidthOf(const std::string& caption);
// The filters that give a GIF its own palette, made from the clip itself.
std::string GifPaletteFilters();

// The disc encoders' reset: the target and norm, the cleared fields, and the
// output renamed to <name>_PAL.mpg or <name>_NTSC.mpg in `outputFolder`.
void ApplyDiscReset(const VideoEncoderRule& rule, const std::string& outputFolder, OutputSettings& settings);

// The option window's state that confirmation reads.
struct ConfirmInput {
    std::string captions[kOptionListCount];  // selected caption per list, "" for none
    bool horizontalFlip = false;
    bool verticalFlip = false;
    bool negative = false;
    std::string mediaKind;  // "Vedio" or "Music"
    std::string discTarget;  // "dvd", "svcd", "vcd" or ""
    std::string outputFolder;

    const std::string& Caption(OptionList list) const { return captions[Index(list)]; }
};

// Why the chosen captions cannot be converted together, as the option window
// says it; "" when they can.
std::string RefusedCombination(const ConfirmInput& input);

// Today's encoders: their own options, constant quality, the hvc1 tag, sizes
// that keep the aspect and the GIF palette, into EncoderOptions and VideoFilters.
void TranslateModernChoices(const ConfirmInput& input, OutputSettings& settings);

// Confirmation's steps before the clip: every list into OutputSettings, then
// the adjustments the encoders need (EncoderLimits).
void TranslateSelection(const ConfirmInput& input, OutputSettings& settings);
