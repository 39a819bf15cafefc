#include "formats/OptionTranslation.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "formats/DiscTargets.h"
#include "formats/EncoderLimits.h"
#include "formats/FormatProfiles.h"
#include "formats/FormatsTexts.h"
#include "formats/OptionCaptions.h"
#include "formats/OutputNaming.h"

namespace {

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

// Today's encoders ask for their pixel format themselves: 10-bit stays 10-bit,
// ProRes and DNxHR get the 4:2:2 they need, and GIF its palette.
const std::array<std::pair<const char*, VideoEncoderRule>, 10> kModernVideoEncoders = {{
    {kVideoH264High, {"libx264", "", "", "", "", "pix_fmt=yuv420p\n", 2, true}},
    {kVideoH265, {"libx265", "", "", "", "", "pix_fmt=yuv420p\n", 2, true}},
    {kVideoH265Main10, {"libx265", "", "", "", "", "pix_fmt=yuv420p10le\n", 2, true}},
    {kVideoVp9, {"libvpx-vp9", "", "", "", "", "pix_fmt=yuv420p\ndeadline=good\ncpu-used=4\nrow-mt=1\n"}},
    {kVideoAv1, {"libsvtav1", "", "", "", "", "pix_fmt=yuv420p\n", 2, true}},
    // prores_ks profiles: 2 standard, 3 HQ; dnxhd profile 3 is DNxHR HQ
    {kVideoProRes, {"prores_ks", "", "", "", "", "pix_fmt=yuv422p10le\nprofile=2\n"}},
    {kVideoProResHq, {"prores_ks", "", "", "", "", "pix_fmt=yuv422p10le\nprofile=3\n"}},
    {kVideoDnxhrHq, {"dnxhd", "", "", "", "", "pix_fmt=yuv422p\nprofile=3\n"}},
    {kVideoGif, {"gif", "", "", "", "", "pix_fmt=pal8\nloop_output=0\n", 1}},
    {kVideoWebp, {"libwebp_anim", "", "", "", "", "pix_fmt=yuv420p\nloop_output=0\n"}},
}};

const std::array<std::pair<const char*, AudioEncoderRule>, 7> kModernAudioEncoders = {{
    {kAudioOpus, {"libopus", ""}},
    {kAudioAlac, {"alac", ""}},
    {kAudioFlac16, {"flac", "sample_fmt=s16\n"}},
    {kAudioFlac24, {"flac", "sample_fmt=s32\n"}},  // the encoder writes 24 bits from 32-bit samples
    {kAudioMp3Vbr, {"libmp3lame", ""}},
    {kAudioPcm16, {"pcm_s16le", ""}},
    {kAudioPcm24, {"pcm_s24le", ""}},
}};

std::optional<VideoEncoderRule> ModernVideoRuleOf(const std::string& caption)
{
    for (const auto& [text, rule] : kModernVideoEncoders) {
        if (caption == text)
            return rule;
    }
    return std::nullopt;
}

// The number after `prefix` at the start of `caption`.
std::optional<int> NumberAfter(const std::string& caption, const std::string& prefix)
{
    if (caption.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int value = 0;
    std::size_t i = prefix.size();
    const std::size_t first = i;
    while (i < caption.size() && caption[i] >= '0' && caption[i] <= '9' && value < 100000)
        value = value * 10 + (caption[i++] - '0');
    if (i == first)
        return std::nullopt;
    return value;
}

// The file's extension, lower case, with its dot.
std::string LowerExtension(const std::string& file)
{
    const std::string name = FileNamePart(file);
    const auto dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}

std::string JoinFilters(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        if (!text.empty())
            text += ",";
        text += part;
    }
    return text;
}

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
    {"无声音", "0"},         {"音量降低90%", "26"},    {"音量降低80%", "51"},     {"音量降低70%", "77"},
    {"音量降低60%", "102"},  {"音量降低50%", "128"},   {"音量降低40%", "154"},    {"音量降低30%", "179"},
    {"音量降低20%", "205"},  {"音量降低10%", "230"},   {kVolumeUnchanged, "256"}, {"音量增加10%", "282"},
    {"音量增加20%", "307"},  {"音量增加30%", "333"},   {"音量增加40%", "358"},    {"音量增加50%", "384"},
    {"音量增加60%", "410"},  {"音量增加70%", "435"},   {"音量增加80%", "461"},    {"音量增加90%", "486"},
    {"音量增加1倍", "512"},  {"音量增加1.5倍", "640"}, {"音量增加2倍", "768"},    {"音量增加3倍", "1024"},
    {"音量增加4倍", "1280"}, {"音量增加5倍", "1536"},  {"音量增加6倍", "1792"},   {"音量增加7倍", "2048"},
}};

std::string UpperText(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The extension of a file name, without its dot ("" when it has none).
std::string ExtensionOf(const std::string& path)
{
    const std::string name = FileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

// How an encoder name reads in a note: "libfaac" and "aac" both are AAC.
std::string EncoderLabel(const std::string& codec)
{
    static const std::array<std::pair<const char*, const char*>, 7> labels = {{
        {"libfaac", "AAC"},
        {"libmp3lame", "MP3"},
        {"libopencore_amrnb", "AMR"},
        {"libvorbis", "Vorbis"},
        {"libx264", "H.264"},
        {"", "默认"},
        {"AUTO", "默认"},
    }};
    for (const auto& [name, label] : labels)
        if (codec == name)
            return label;
    return UpperText(codec);
}

std::string KbpsText(int32_t bitsPerSecond)
{
    if (bitsPerSecond <= 0)
        return "默认";
    const int32_t whole = bitsPerSecond / 1000, rest = bitsPerSecond % 1000;
    std::string text = std::to_string(whole);
    if (rest != 0) {
        std::string fraction = std::to_string(1000 + rest).substr(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text + " kbps";
}

// One note per setting the limits changed, "；" between them.
std::string AdjustmentsText(const OutputSettings& selected, const OutputSettings& written)
{
    std::string text;
    const auto note = [&text](const char* what, const std::string& before, const std::string& after) {
        if (before == after)
            return;
        if (!text.empty())
            text += "；";
        text += std::string(what) + " " + before + " → " + after;
    };
    if (EncoderLabel(selected.AudioCodec) != EncoderLabel(written.AudioCodec))
        note("音频编码", EncoderLabel(selected.AudioCodec), EncoderLabel(written.AudioCodec));
    if (selected.OutputFormat != written.OutputFormat)
        note("容器",
             UpperText(selected.OutputFormat.empty() ? ExtensionOf(selected.OutputFile) : selected.OutputFormat),
             UpperText(written.OutputFormat));
    note("分辨率", selected.FrameSize, written.FrameSize);
    note("帧速率", selected.FrameRate, written.FrameRate);
    note("采样率", selected.AudioSampleRate, written.AudioSampleRate);
    note("音频比特率", KbpsText(selected.AudioBitrate), KbpsText(written.AudioBitrate));
    note("声道", selected.AudioChannels, written.AudioChannels);
    return text;
}

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
    if (caption == kNothing)
        return {};
    return caption == kAutoSampleRate ? std::string("AUTO") : caption;
}

int32_t AudioBitrateFromCaption(const std::string& caption) { return AudioBitrateOf(caption).value_or(kBitrateNotSet); }

std::string FrameSizeFromCaption(const std::string& caption)
{
    return caption == kKeepFrameSize || caption == kNothing ? std::string() : caption;
}

std::string FrameRateFromCaption(const std::string& caption) { return FrameRateOf(caption).value_or(std::string()); }

std::string AspectFromCaption(const std::string& caption)
{
    if (caption == kAspect4x3)
        return "4:3";
    if (caption == kAspect16x9)
        return "16:9";
    return {};
}

int32_t VideoBitrateFromCaption(const std::string& caption) { return VideoBitrateOf(caption).value_or(kBitrateNotSet); }

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
    for (const auto& [text, rule] : kModernVideoEncoders) {
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
    if (const auto rule = ModernAudioRuleOf(caption))
        return rule->codec;
    return std::nullopt;
}

std::optional<AudioEncoderRule> ModernAudioRuleOf(const std::string& caption)
{
    for (const auto& [text, rule] : kModernAudioEncoders) {
        if (caption == text)
            return rule;
    }
    return std::nullopt;
}

std::optional<int> ConstantQualityOf(const std::string& caption)
{
    return NumberAfter(caption, kConstantQualityPrefix);
}

std::optional<int> VbrQualityOf(const std::string& caption) { return NumberAfter(caption, kVbrPrefix); }

std::optional<int> AspectWidthOf(const std::string& caption)
{
    const auto star = caption.find('*');
    if (star == std::string::npos || caption.compare(star + 1, std::string(kAutoHeight).size(), kAutoHeight) != 0)
        return std::nullopt;
    const auto width = NumberAfter(caption.substr(0, star), "");
    if (!width || *width <= 0 || std::to_string(*width) != caption.substr(0, star))
        return std::nullopt;
    return width;
}

std::string GifPaletteFilters()
{
    // One graph: the pictures are split, one branch makes the palette from
    // the whole clip (palettegen gives it at the end of the input), the
    // other waits in paletteuse and is mapped onto it. The graph is flushed
    // at the end of the input, so no second decoding pass is needed.
    return "split[a][b];[a]palettegen[p];[b][p]paletteuse";
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

std::string RefusedCombination(const ConfirmInput& input)
{
    constexpr const char* kOpusRates[] = {"48000", "24000", "16000", "12000", "8000"};
    const auto audio = AudioCodecOf(input.Caption(OptionList::AudioEncoder));
    const std::string& rate = input.Caption(OptionList::SampleRate);
    if (audio && *audio == "libopus" &&
        std::none_of(std::begin(kOpusRates), std::end(kOpusRates), [&rate](const char* r) { return rate == r; }))
        return kOpusSampleRateMessage;
    return {};
}

void TranslateModernChoices(const ConfirmInput& input, OutputSettings& settings)
{
    settings.EncoderOptions.clear();
    const bool video = input.mediaKind != kMediaKindMusic;
    const auto rule = ModernVideoRuleOf(input.Caption(OptionList::VideoEncoder));
    if (video && rule) {
        settings.EncoderOptions += rule->options;
        if (const auto crf = ConstantQualityOf(input.Caption(OptionList::VideoBitrate))) {
            settings.EncoderOptions += "crf=" + std::to_string(*crf) + "\n";
            // VP9 codes at constant quality only without a bit-rate target
            if (rule->codec == "libvpx-vp9")
                settings.EncoderOptions += "b=0\n";
        }
        // Apple devices play H.265 from MP4 and MOV only under this tag
        const std::string extension = LowerExtension(settings.OutputFile);
        const bool quickTime = extension == ".mp4" || extension == ".mov";
        if (rule->codec == "libx265" && quickTime)
            settings.VideoTag = "hvc1";
        // MP4 and MOV name no subtitle format of their own: text subtitles
        // become timed text there (Matroska and WebM have their defaults)
        if (quickTime)
            settings.EncoderOptions += "scodec=mov_text\n";
        std::string scale;
        if (const auto width = AspectWidthOf(input.Caption(OptionList::FrameSize))) {
            settings.FrameSize.clear();
            scale = "scale=" + std::to_string(*width) + ":-" + std::to_string(rule->sizeMultiple);
        } else if (rule->evenSizesOnly && input.Caption(OptionList::FrameSize) == kKeepFrameSize) {
            // an odd-sized source loses its last column or row rather than fail at the encoder
            scale = "crop=trunc(iw/2)*2:trunc(ih/2)*2:0:0";
        }
        std::string palette;
        if (rule->codec == "gif") {
            // the frames wait in the graph until the palette is made: only those shown wait
            const std::string rate = FrameRateFromCaption(input.Caption(OptionList::FrameRate));
            palette = (rate.empty() ? std::string() : "fps=" + rate + ",") + GifPaletteFilters();
        }
        settings.VideoFilters = JoinFilters({scale, settings.VideoFilters, palette});
    }
    if (const auto audio = ModernAudioRuleOf(input.Caption(OptionList::AudioEncoder)))
        settings.EncoderOptions += audio->options;
    if (const auto vbr = VbrQualityOf(input.Caption(OptionList::AudioBitrate)))
        settings.EncoderOptions += "aq=" + std::to_string(*vbr) + "\n";
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
            // the norm decides the picture; the audio and aspect lists offer what the disc takes
            settings.AudioChannels = ChannelsFromCaption(input.Caption(OptionList::Channels));
            settings.AudioSampleRate = SampleRateFromCaption(input.Caption(OptionList::SampleRate));
            settings.AudioBitrate = AudioBitrateFromCaption(input.Caption(OptionList::AudioBitrate));
            settings.AspectRatio = AspectFromCaption(input.Caption(OptionList::ScalingMode));
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
    TranslateModernChoices(input, settings);
    settings.TargetType = input.discTarget;
    settings.AudioOnly = input.mediaKind == kMediaKindMusic;
    settings.Volume = VolumeFromCaption(input.Caption(OptionList::Volume));

    const OutputSettings selected = settings;
    FitDiscAudio(settings);
    ApplyEncoderLimits(settings);
    settings.Adjustments = AdjustmentsText(selected, settings);
}
