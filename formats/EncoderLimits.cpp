#include "formats/EncoderLimits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <span>

#include "formats/OutputNaming.h"

namespace {

std::optional<int> NumberOf(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int Nearest(int value, std::span<const int> allowed)
{
    return *std::min_element(allowed.begin(), allowed.end(),
                             [value](int a, int b) { return std::abs(a - value) < std::abs(b - value); });
}

// The muxer the output will get: the forced format, else the file's extension.
std::string ContainerOf(const OutputSettings& settings)
{
    if (!settings.OutputFormat.empty())
        return settings.OutputFormat;
    const std::string name = FileNamePart(settings.OutputFile);
    const auto dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mpg" || extension == "mpeg")
        return "mpeg";
    return extension;
}

// The audio encoder the converter will open: the named one, or the container's.
std::string EffectiveAudioCodec(const OutputSettings& settings, const std::string& container)
{
    if (!settings.AudioCodec.empty() && settings.AudioCodec != "AUTO")
        return settings.AudioCodec;
    if (container == "mpeg" || container == "mp2")
        return "mp2";
    if (container == "rm" || container == "ac3")
        return "ac3";
    if (container == "flv" || container == "swf")
        return "libmp3lame";
    return {};
}

// ---- video ---------------------------------------------------------------

// Whether the "name=value" lines of `lines` set `name`.
bool HasOptionLine(const std::string& lines, const std::string& name)
{
    const std::string wanted = name + "=";
    for (size_t start = 0; start < lines.size();) {
        const size_t end = lines.find('\n', start);
        if (lines.compare(start, wanted.size(), wanted) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

// H.263 (not H.263+) codes only these picture sizes.
constexpr std::array<std::pair<int, int>, 5> kH263Sizes = {
    {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}}};

std::optional<std::pair<int, int>> SizeOf(const std::string& frameSize)
{
    const auto star = frameSize.find_first_of("*x");
    if (star == std::string::npos)
        return std::nullopt;
    auto end = frameSize.find_first_not_of("0123456789", star + 1);
    const auto width = NumberOf(frameSize.substr(0, star));
    const auto height = NumberOf(frameSize.substr(star + 1, end == std::string::npos ? end : end - star - 1));
    if (!width || !height)
        return std::nullopt;
    return std::pair{*width, *height};
}

void FitH263(OutputSettings& settings, const std::string& container)
{
    // The mp4 muxer has no tag for H.263; its 3GP sibling writes the same
    // family of file and takes it.
    if (container == "mp4" && settings.OutputFormat.empty())
        settings.OutputFormat = "3gp";
    const auto size = SizeOf(settings.FrameSize);
    if (!size)
        return;
    const auto best = std::min_element(kH263Sizes.begin(), kH263Sizes.end(), [&size](auto a, auto b) {
        return std::abs(a.first - size->first) + std::abs(a.second - size->second) <
               std::abs(b.first - size->first) + std::abs(b.second - size->second);
    });
    if (*best != *size)
        settings.FrameSize = std::to_string(best->first) + "*" + std::to_string(best->second);
}

// MPEG-1 video codes only the standard picture rates.
struct StandardRate {
    double value;
    const char* text;
};
constexpr std::array<StandardRate, 8> kMpeg1Rates = {{{24000.0 / 1001, "24000/1001"},
                                                      {24.0, "24"},
                                                      {25.0, "25"},
                                                      {30000.0 / 1001, "30000/1001"},
                                                      {30.0, "30"},
                                                      {50.0, "50"},
                                                      {60000.0 / 1001, "60000/1001"},
                                                      {60.0, "60"}}};

// A rate written as a decimal ("25.00") or a ratio ("30000/1001"); 0 when unreadable.
double RateOf(const std::string& text)
{
    char* end = nullptr;
    const double rate = std::strtod(text.c_str(), &end);
    if (end == text.c_str())
        return 0;
    if (*end != '/')
        return rate;
    const char* denominatorText = end + 1;
    const double denominator = std::strtod(denominatorText, &end);
    return end == denominatorText || denominator <= 0 ? 0 : rate / denominator;
}

void FitMpeg1Rate(OutputSettings& settings)
{
    if (settings.FrameRate.empty())
        return;
    const double rate = RateOf(settings.FrameRate);
    if (rate <= 0)
        return;
    const auto best = std::min_element(kMpeg1Rates.begin(), kMpeg1Rates.end(), [rate](auto a, auto b) {
        return std::abs(a.value - rate) < std::abs(b.value - rate);
    });
    settings.FrameRate = best->text;
}

// ---- audio ---------------------------------------------------------------

// Replaces an audio encoder the container cannot carry.
void FitAudioToContainer(OutputSettings& settings, const std::string& container, const std::string& codec)
{
    if (container == "flv" && codec != "libmp3lame" && codec != "libfaac") {
        settings.AudioCodec = "libmp3lame";
    } else if (container == "swf" && codec != "libmp3lame") {
        settings.AudioCodec = "libmp3lame";
    } else if (container == "mpeg" && codec != "mp2" && codec != "libmp3lame" && codec != "ac3") {
        settings.AudioCodec.clear();  // the program stream's (or disc's) own audio
    } else if ((container == "mp4" || container == "mov") && codec == "flac") {
        settings.AudioCodec = "libfaac";  // flac in MP4 is experimental; mov has none
    } else if (container == "mp4" && codec == "libopencore_amrnb" && settings.OutputFormat.empty()) {
        settings.OutputFormat = "3gp";  // AMR travels in 3GP, not in MP4
    }
}

void SnapSampleRate(OutputSettings& settings, std::span<const int> allowed)
{
    if (const auto rate = NumberOf(settings.AudioSampleRate))
        settings.AudioSampleRate = std::to_string(Nearest(*rate, allowed));
}

constexpr int kMp2Rates[] = {16000, 22050, 24000, 32000, 44100, 48000};
constexpr int kMp2BitratesMpeg1[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr int kMp2BitratesLowRate[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kAc3Rates[] = {32000, 44100, 48000};
constexpr int kFlashMp3Rates[] = {11025, 22050, 44100};
constexpr int kMp4Mp3Rates[] = {16000, 22050, 24000, 32000, 44100, 48000};

void FitMp2(OutputSettings& settings)
{
    SnapSampleRate(settings, kMp2Rates);
    if (settings.AudioBitrate <= 0)
        return;
    const auto rate = NumberOf(settings.AudioSampleRate);
    const bool lowRate = rate && *rate < 32000;
    const int kbps = Nearest(settings.AudioBitrate / 1000, lowRate ? std::span<const int>(kMp2BitratesLowRate)
                                                                   : std::span<const int>(kMp2BitratesMpeg1));
    settings.AudioBitrate = kbps * 1000;
}

// The bit rates libvorbis can set up, by channels and sample rate (kbit/s).
struct VorbisRange {
    int sampleRate;
    int stereoMin, stereoMax, monoMin, monoMax;
};
constexpr VorbisRange kVorbisRanges[] = {
    {8000, 16, 80, 16, 40},    {11025, 16, 96, 16, 48},   {16000, 24, 192, 16, 96},  {22050, 32, 160, 16, 80},
    {32000, 40, 320, 32, 160}, {44100, 48, 320, 32, 224}, {48000, 48, 320, 32, 224},
};

void FitVorbis(OutputSettings& settings)
{
    const auto rate = NumberOf(settings.AudioSampleRate);
    if (!rate || settings.AudioBitrate <= 0)
        return;
    const VorbisRange* range = &kVorbisRanges[0];
    for (const VorbisRange& candidate : kVorbisRanges) {
        if (std::abs(candidate.sampleRate - *rate) < std::abs(range->sampleRate - *rate))
            range = &candidate;
    }
    const bool mono = settings.AudioChannels == "1";
    const int kbps = std::clamp(settings.AudioBitrate / 1000, mono ? range->monoMin : range->stereoMin,
                                mono ? range->monoMax : range->stereoMax);
    settings.AudioBitrate = kbps * 1000;
}

}  // namespace

void ApplyEncoderLimits(OutputSettings& settings)
{
    const std::string container = settings.TargetType.empty() ? ContainerOf(settings) : "mpeg";

    // Players and devices decode 8-bit 4:2:0; a 10-bit or 4:4:4 source would
    // otherwise keep its format (H.264 High 10 or High 4:4:4). A profile that
    // asks for a format of its own has named it already.
    if (!settings.AudioOnly && !HasOptionLine(settings.EncoderOptions, "pix_fmt"))
        settings.EncoderOptions += "pix_fmt=yuv420p\n";

    if (!settings.AudioOnly && settings.TargetType.empty()) {
        if (settings.VideoCodec == "h263")
            FitH263(settings, container);
        else if (settings.VideoCodec == "mpeg1video")
            FitMpeg1Rate(settings);
    }

    FitAudioToContainer(settings, container, EffectiveAudioCodec(settings, container));
    // A disc target chooses its own audio encoder when none is named.
    if (!settings.TargetType.empty() && settings.AudioCodec.empty())
        return;

    const std::string codec = EffectiveAudioCodec(settings, container);
    if (codec == "libopencore_amrnb") {
        settings.AudioSampleRate = "8000";
        settings.AudioChannels = "1";
    } else if (codec == "mp2") {
        FitMp2(settings);
    } else if (codec == "ac3") {
        SnapSampleRate(settings, kAc3Rates);
    } else if (codec == "wmav1" || codec == "wmav2") {
        if (settings.AudioBitrate > 0 && settings.AudioBitrate < 24000)
            settings.AudioBitrate = 24000;  // the WMA encoders refuse less
    } else if (codec == "libvorbis") {
        FitVorbis(settings);
    } else if (codec == "libmp3lame" && (container == "flv" || container == "swf")) {
        SnapSampleRate(settings, kFlashMp3Rates);
    } else if (codec == "libmp3lame" && container == "mp4") {
        SnapSampleRate(settings, kMp4Mp3Rates);  // the mp4 muxer refuses MPEG-2.5 rates
    }
}
