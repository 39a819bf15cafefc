#include "app/OutputOptionsCopy.h"

#include <charconv>

namespace {

// Plain decimal parsing; text that is not a number leaves the field unset.
void SetInteger(const std::string& text, int& field)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc() && last == end)
        field = value;
}

int TargetTypeNumber(const std::string& type)
{
    if (type == "vcd")
        return 1;
    if (type == "svcd")
        return 2;
    if (type == "dvd")
        return 3;
    return 0;
}

int NormNumber(const std::string& norm)
{
    if (norm == "PAL")
        return 1;
    if (norm == "NTSC")
        return 2;
    return 0;
}

}  // namespace

void CopyOutputSettings(const OutputSettings& s, TOutputOptions& o)
{
    if (!s.AudioChannels.empty())
        SetInteger(s.AudioChannels, o.AudioChannels);
    if (!s.AudioSampleRate.empty() && s.AudioSampleRate != "AUTO")
        SetInteger(s.AudioSampleRate, o.AudioSampleRate);
    if (!s.FrameSize.empty())
        o.FrameSize = s.FrameSize;
    if (!s.FrameRate.empty())
        o.FrameRate = s.FrameRate;
    if (!s.TargetType.empty())
        o.TargetType = TargetTypeNumber(s.TargetType);
    o.TargetNorm = NormNumber(s.VideoNorm);
    if (s.Volume != "256")
        SetInteger(s.Volume, o.AudioVolume);
    o.DisableVideo = s.AudioOnly;
    if (!s.AspectRatio.empty())
        o.FrameAspectRatio = s.AspectRatio;
    if (s.VideoBitrate != kBitrateNotSet)
        o.VideoBitrate = s.VideoBitrate;
    if (s.AudioBitrate != kBitrateNotSet && s.AudioBitrate != 2 * kBitrateNotSet)
        o.AudioBitrate = s.AudioBitrate;
    if (!s.OutputFormat.empty())
        o.FileFormat = s.OutputFormat;
    if (!s.VideoFilters.empty())
        o.VideoFilters = s.VideoFilters;
    if (!s.VideoTag.empty())
        o.VideoTag = s.VideoTag;
    if (!s.VideoCodec.empty()) {
        o.VideoCodec = s.VideoCodec;
        if (s.VideoCodec == "libx264")
            o.VideoPreset = "libx264-default";
    }
    if (!s.AudioCodec.empty() && s.AudioCodec != "AUTO")
        o.AudioCodec = s.AudioCodec;
    if (!s.EncoderOptions.empty()) {
        if (!o.ExtOptions.empty() && o.ExtOptions.back() != '\n')
            o.ExtOptions += '\n';
        o.ExtOptions += s.EncoderOptions;
    }

    // only AVI files carry the DivX and XviD tags of the mpeg4 encoder
    if (s.VideoCodec == "mpeg4") {
        if (s.OutputExt == ".avi" && (s.VideoTag == "DX50" || s.VideoTag == "XVID"))
            o.VideoTag = s.VideoTag;
        else
            o.VideoTag.clear();
    }
}
