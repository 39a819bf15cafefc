#include "formats/OptionTranslation.h"

#include <array>
#include <utility>

#include "formats/EncoderLimits.h"
#include "formats/OptionCaptions.h"
#include "formats/OutputNaming.h"

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Decimal text ("128", "12.2", "4.75") times 1000, computed on the digits so
// that 5.15 gives 5150 exactly; nullopt for text that is not a number.
std::optional<int64_t> ThousandsOf(const std::string& text)
{
    int64_t whole = 0;
    int64_t fraction = 0;
    int fractionDigits = 0;
    bool seenDot = false;
    bool seenDigit = false;
    for (char c : text) {
        if (c == '.' && !seenDot) {
            seenDot = true;
        } else if (c >= '0' && c <= '9') {
            seenDigit = true;
            if (!seenDot) {
                whole = whole * 10 + (c - '0');
                if (whole > 2'000'000)
                    return std::nullopt;
            } else if (fractionDigits < 3) {
                fraction = fraction * 10 + (c - '0');
                ++fractionDigits;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    while (fractionDigits < 3) {
        fraction *= 10;
        ++fractionDigits;
    }
    return whole * 1000 + fraction;
}

const std::array<std::pair<const char*, VideoEncoderRule>, 20> kVideoEncoders = {{
    {kVideoDivx5, {"mpeg4", "DX50", "", "", ""}},
    {kVideoMpeg4Spaced, {"mpeg4", "", "", "", ""}},
    {kVideoXvid1, {"mpeg4", "XVID", "", "", ""}},
    {kVideoXvid2, {"libxvid", "", "", "", ""}},
    {kVideoDivx, {"msmpeg4", "", "", "", ""}},
    {kVideoMjpeg, {"mjpeg", "", "", "", ""}},
    {kVideoH264, {"libx264", "", "", "", ""}},
    {kVideoH263, {"h263", "", "", "", ""}},
    {kVideoRm1, {"rv10", "", "", "", ""}},
    {kVideoRm2, {"rv20", "", "", "", ""}},
    {kVideoWmv, {"wmv2", "", "", "", ""}},
    {kVideoMpeg, {"mpeg1video", "", "", "", ""}},
    {kVideoAsf, {"msmpeg4", "", "asf", "", ""}},
    // The user picked MPEG-4 by name; leaving it unset would let the
    // container choose another encoder behind the user's back.
    {kVideoMpeg4, {"mpeg4", "", "", "", ""}},
    {kVideoPalDvd, {"", "", "", "dvd", "PAL"}},
    {kVideoNtscDvd, {"", "", "", "dvd", "NTSC"}},
    {kVideoPalSvcd, {"", "", "", "svcd", "PAL"}},
    {kVideoNtscSvcd, {"", "", "", "svcd", "NTSC"}},
    {kVideoPalVcd, {"", "", "", "vcd", "PAL"}},
    {kVideoNtscVcd, {"", "", "", "vcd", "NTSC"}},
}};

// Encoders that leave the choice to the container.
constexpr const char* kContainerDefaultVideo[] = {kVideoFlash, kVideoFlv, kVideoQuickTime, kVideoNone};

const std::array<std::pair<const char*, const char*>, 14> kAudioEncoders = {{
    {kAudioMp3, "libmp3lame"},
    {kAudioFlac, "flac"},
    {kAudioAac, "libfaac"},
    {kAudioAc3, "ac3"},
    {kAudioAuto, "AUTO"},
    {kAudioWmv, "wmav2"},
    {kAudioWma, "wmav2"},
    {kAudioAsf1, "wmav2"},
    {kAudioAsf2, "wmav1"},
    {kAudioOgg, "libvorbis"},
    {kAudioAmr, "libopencore_amrnb"},
    {kAudioWave, ""},
    {kAudioRm, ""},
    {kAudioMp2, ""},
}};

// 256 x (1 + change), rounded; "增加N倍" is N times more.
const std::array<std::pair<const char*, const char*>, 28> kVolumes = {{
    {"无声音", "0"},          {"音量降低90%", "26"},    {"音量降低80%", "51"},    {"音量降低70%", "77"},
    {"音量降低60%", "102"},   {"音量降低50%", "128"},   {"音量降低40%", "154"},   {"音量降低30%", "179"},
    {"音量降低20%", "205"},   {"音量降低10%", "230"},   {kVolumeUnchanged, "256"}, {"音量增加10%", "282"},
    {"音量增加20%", "307"},   {"音量增加30%", "333"},   {"音量增加40%", "358"},   {"音量增加50%", "384"},
    {"音量增加60%", "410"},   {"音量增加70%", "435"},   {"音量增加80%", "461"},   {"音量增加90%", "486"},
    {"音量增加1倍", "512"},   {"音量增加1.5倍", "640"}, {"音量增加2倍", "768"},   {"音量增加3倍", "1024"},
    {"音量增加4倍", "1280"},  {"音量增加5倍", "1536"},  {"音量增加6倍", "1792"},  {"音量增加7倍", "2048"},
}};

}  // namespace

std::string ChannelsFromCaption(const std::string& caption)
{
    if (caption == kStereo)
        return "2";
    if (caption == kMono)
        return "1";
    return {};
}

std::string SampleRateFromCaption(const std::string& caption)
{
    return caption == kAutoSampleRate ? std::string("AUTO") : caption;
}

int32_t AudioBitrateFromCaption(const std::string& caption)
{
    const auto value = ThousandsOf(Trim(caption));
    return value ? static_cast<int32_t>(*value) : kBitrateNotSet;
}

std::string FrameSizeFromCaption(const std::string& caption)
{
    return caption == kKeepFrameSize || caption == kNothing ? std::string() : caption;
}

std::string FrameRateFromCaption(const std::string& caption)
{
    return caption == kKeepFrameRate || caption == kNothing ? std::string() : caption;
}

std::string AspectFromCaption(const std::string& caption)
{
    if (caption == kAspect4x3)
        return "4:3";
    if (caption == kAspect16x9)
        return "16:9";
    return {};
}

int32_t VideoBitrateFromCaption(const std::string& caption)
{
    const auto kbps = caption.find("kbps");
    if (kbps == std::string::npos)
        return kBitrateNotSet;
    const auto value = ThousandsOf(Trim(caption.substr(0, kbps)));
    return value ? static_cast<int32_t>(*value) : kBitrateNotSet;
}

std::string VolumeFromCaption(const std::string& caption)
{
    for (const auto& [text, volume] : kVolumes) {
        if (caption == text)
            return volume;
    }
    return "256";
}

std::string FiltersText(bool horizontalFlip, bool verticalFlip, bool negative)
{
    std::string text;
    auto add = [&text](bool on, const char* name) {
        if (!on)
            return;
        if (!text.empty())
            text += ",";
        text += name;
    };
    add(horizontalFlip, "hflip");
    add(verticalFlip, "vflip");
    add(negative, "negate");
    return text;
}

std::optional<VideoEncoderRule> VideoEncoderRuleOf(const std::string& caption)
{
    for (const auto& [text, rule] : kVideoEncoders) {
        if (caption == text)
            return rule;
    }
    for (const char* text : kContainerDefaultVideo) {
        if (caption == text)
            return VideoEncoderRule{};
    }
    return std::nullopt;
}

std::optional<std::string> AudioCodecOf(const std::string& caption)
{
    for (const auto& [text, codec] : kAudioEncoders) {
        if (caption == text)
            return std::string(codec);
    }
    return std::nullopt;
}

void ApplyDiscReset(const VideoEncoderRule& rule, const std::string& outputFolder, OutputSettings& settings)
{
    settings.TargetType = rule.discTarget;
    settings.VideoNorm = rule.discNorm;
    settings.AudioChannels.clear();
    settings.AudioSampleRate.clear();
    settings.FrameSize.clear();
    settings.FrameRate.clear();
    settings.Volume = "256";
    settings.AspectRatio.clear();
    settings.VideoBitrate = kBitrateNotSet;
    settings.AudioBitrate = kBitrateNotSet;
    settings.OutputFormat.clear();
    settings.VideoTag.clear();
    settings.VideoCodec.clear();
    settings.AudioCodec.clear();
    const std::string suffix = "_" + rule.discNorm + ".mpg";
    settings.OutputFile = JoinFolder(outputFolder, ReplaceExtension(FileNamePart(settings.OutputFile), suffix));
}

void TranslateSelection(const ConfirmInput& input, OutputSettings& settings)
{
    settings.AudioChannels = ChannelsFromCaption(input.Caption(OptionList::Channels));
    settings.AudioSampleRate = SampleRateFromCaption(input.Caption(OptionList::SampleRate));
    settings.AudioBitrate = AudioBitrateFromCaption(input.Caption(OptionList::AudioBitrate));
    settings.FrameSize = FrameSizeFromCaption(input.Caption(OptionList::FrameSize));
    settings.FrameRate = FrameRateFromCaption(input.Caption(OptionList::FrameRate));
    settings.AspectRatio = AspectFromCaption(input.Caption(OptionList::ScalingMode));
    settings.VideoBitrate = VideoBitrateFromCaption(input.Caption(OptionList::VideoBitrate));

    if (const auto rule = VideoEncoderRuleOf(input.Caption(OptionList::VideoEncoder))) {
        if (!rule->discTarget.empty()) {
            ApplyDiscReset(*rule, input.outputFolder, settings);
        } else {
            settings.VideoCodec = rule->codec;
            if (!rule->tag.empty())
                settings.VideoTag = rule->tag;
            if (!rule->outputFormat.empty())
                settings.OutputFormat = rule->outputFormat;
        }
    }

    settings.VideoFilters = FiltersText(input.horizontalFlip, input.verticalFlip, input.negative);
    if (const auto codec = AudioCodecOf(input.Caption(OptionList::AudioEncoder)))
        settings.AudioCodec = *codec;
    settings.TargetType = input.discTarget;
    settings.AudioOnly = input.mediaKind == kMediaKindMusic;
    settings.Volume = VolumeFromCaption(input.Caption(OptionList::Volume));

    ApplyEncoderLimits(settings);
}
