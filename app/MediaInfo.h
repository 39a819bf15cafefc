#pragma once
// The facts the media information window shows about one file: the strings
// the main window gathers with the converter's probe, and the texts of the
// window's value labels made from them.
#include <optional>
#include <string>

class TCustomAVProbe;

struct MediaInfoStrings {
    std::string InfoText;
    std::string InfoFileName;
    std::string InfoFormatName;
    std::string InfoFormatLongName;
    std::string InfoVideo;
    std::string InfoAudio;
    std::string InfoFileSize;
    std::string InfoDuration;
    std::string InfoBitRate;
    std::string InfoSampleRate;
    std::string InfoChannels;
    std::string InfoAudioKbps;
    std::string InfoVideoKbps;
    std::string InfoWidth;
    std::string InfoHeight;
    std::string InfoFrameRate;
    std::string InfoOrientation;  // how the pictures are turned for display, empty when upright
};

// Loads `path` into `probe` and fills every string. A file the probe cannot
// open is not an error here: the strings then hold what a probe without a
// file answers.
MediaInfoStrings GatherMediaInfo(TCustomAVProbe& probe, const std::string& path);

// Cuts out of the probe's description text.
namespace MediaInfoCuts {
// From the first `marker` ("Video:" or "Audio:") up to the first
// ", StartTime:" after it; without the marker, from the beginning.
std::string StreamText(const std::string& infoText, const std::string& marker);
std::string FileSize(const std::string& infoText);
std::string Duration(const std::string& infoText);
std::string BitRate(const std::string& infoText);
}  // namespace MediaInfoCuts

// num / den with two decimals; "0.00" when the quotient is undefined.
std::string FrameRateText(int num, int den);

// The value labels of the window. `channels` is empty when the label keeps
// the text it had before.
struct MediaInfoLabels {
    std::string fileName, formatName, duration, fileSize, bitRate, formatLongName, extension;
    std::string resolution, frameRate, videoKbps, videoStream;
    std::string sampleRate, audioKbps, audioStream;
    std::optional<std::string> channels;

    static MediaInfoLabels From(const MediaInfoStrings& info);
};
