#include "app/MediaInfo.h"

#include "media/PictureOrientation.h"
#include "media/TAVProbe.h"

#include <cstdio>
#include <string_view>

namespace {

// The 1-based position of the first `needle` in `text`, 0 when absent.
long Pos(std::string_view needle, std::string_view text)
{
    const size_t at = text.find(needle);
    return at == std::string_view::npos ? 0 : static_cast<long>(at) + 1;
}

// `count` characters from the 1-based `index`, clipped to the text; empty for
// a count below one.
std::string Copy(const std::string& text, long index, long count)
{
    if (index < 1)
        index = 1;
    if (count < 1 || index > static_cast<long>(text.size()))
        return {};
    return text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

bool StartsWithFileName(const std::string& text) { return text.compare(0, 9, "File Name") == 0; }

std::string AfterLastSeparator(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Extension(const std::string& path)
{
    const std::string name = AfterLastSeparator(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

namespace MediaInfoCuts {

std::string StreamText(const std::string& infoText, const std::string& marker)
{
    const std::string rest = Copy(infoText, Pos(marker, infoText), static_cast<long>(infoText.size()));
    return Copy(rest, 1, Pos(", StartTime:", rest) - 1);
}

std::string FileSize(const std::string& infoText)
{
    const long start = Pos("File Size:", infoText) + 10;
    return Copy(infoText, start, Pos("Duration:", infoText) - start);
}

std::string Duration(const std::string& infoText)
{
    const long duration = Pos("Duration:", infoText);
    return Copy(infoText, duration + 9, Pos("StartTime:", infoText) - duration - 15);
}

std::string BitRate(const std::string& infoText)
{
    const long start = Pos("Bit Rate:", infoText) + 9;
    const std::string rate = Copy(infoText, start, Pos("Stream #0", infoText) - start);
    return rate.substr(0, 10);
}

}  // namespace MediaInfoCuts

std::string FrameRateText(int num, int den)
{
    if (den == 0)
        return "0.00";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(num) / den);
    return text;
}

MediaInfoStrings GatherMediaInfo(TCustomAVProbe& probe, const std::string& path)
{
    probe.LoadFile(path);
    MediaInfoStrings info;
    info.InfoFileName = probe.FileName();
    info.InfoFormatName = probe.FormatName();
    info.InfoText = probe.GetInfoText();
    info.InfoFormatLongName = probe.FormatLongName();
    info.InfoVideo = MediaInfoCuts::StreamText(info.InfoText, "Video:");
    info.InfoAudio = MediaInfoCuts::StreamText(info.InfoText, "Audio:");
    info.InfoFileSize = MediaInfoCuts::FileSize(info.InfoText);
    info.InfoDuration = MediaInfoCuts::Duration(info.InfoText);
    info.InfoBitRate = MediaInfoCuts::BitRate(info.InfoText);

    TAudioStreamInfo audio;
    probe.GetAudioStreamInfo(probe.FirstAudioStream(), audio);
    info.InfoSampleRate = std::to_string(audio.SampleRate);
    info.InfoChannels = std::to_string(audio.Channels);
    info.InfoAudioKbps = std::to_string(audio.BitRate / 1000);

    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(probe.FirstVideoStream(), video);
    info.InfoVideoKbps = std::to_string(video.BitRate / 1000);
    info.InfoHeight = std::to_string(video.Height);
    info.InfoWidth = std::to_string(video.Width);
    info.InfoFrameRate = FrameRateText(video.FrameRateNum, video.FrameRateDen);
    info.InfoOrientation = OrientationText(PictureOrientation{video.Mirrored, video.RotationClockwise});
    return info;
}

MediaInfoLabels MediaInfoLabels::From(const MediaInfoStrings& info)
{
    MediaInfoLabels labels;
    labels.fileName = AfterLastSeparator(info.InfoFileName);
    labels.formatName = info.InfoFormatName;
    labels.duration = info.InfoDuration;
    labels.fileSize = info.InfoFileSize;
    labels.bitRate = info.InfoBitRate;
    labels.formatLongName = info.InfoFormatLongName;
    labels.extension = Extension(info.InfoFileName);
    // a file without a picture (or without sound) leaves that group's facts empty
    const bool hasVideo = !StartsWithFileName(info.InfoVideo);
    const bool hasAudio = !StartsWithFileName(info.InfoAudio);
    if (hasVideo) {
        labels.resolution = info.InfoWidth + "*" + info.InfoHeight;
        if (!info.InfoOrientation.empty())
            labels.resolution += "（" + info.InfoOrientation + "）";
        labels.frameRate = info.InfoFrameRate;
        labels.videoKbps = info.InfoVideoKbps + "  kbps";
    }
    labels.videoStream = hasVideo ? info.InfoVideo : std::string("无");
    if (hasAudio)
        labels.sampleRate = info.InfoSampleRate;
    if (info.InfoChannels == "1")
        labels.channels = "单声道";
    else if (info.InfoChannels == "2")
        labels.channels = "立体声";
    if (hasAudio)
        labels.audioKbps = info.InfoAudioKbps + "  kbps";
    labels.audioStream = hasAudio ? info.InfoAudio : std::string("无");
    return labels;
}
