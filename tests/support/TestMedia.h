#pragma once
// Test helpers shared by every test folder: scratch folders, media generated
// at test time with the ffmpeg tool, and an independent reader (ffprobe).
#include <map>
#include <string>

namespace qtest {

// A fresh folder under the system temp folder, removed with everything in it
// when the object goes away.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs a shell command; returns its exit status and fills `output` with stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

// Quotes a string for the shell.
std::string ShellQuote(const std::string& text);

// Writes `outPath` with the ffmpeg tool: `ffmpeg -y -v error <args> outPath`.
// Fails the current test (and returns false) when the tool fails.
bool MakeMedia(const std::string& outPath, const std::string& ffmpegArgs);

// Common test clips. Each is built once per path and reused when it exists.
// A few seconds of colour bars with a tone, H.264 + AAC in MP4, 320x240, 25 fps.
std::string MakeMp4Clip(const std::string& dir, double seconds = 2.0);
// MPEG-4 + MP3 in AVI, 320x240, 29.97 fps.
std::string MakeAviClip(const std::string& dir, double seconds = 2.0);
// 16-bit stereo PCM WAV at 44.1 kHz.
std::string MakeWavClip(const std::string& dir, double seconds = 2.0);
// Four seconds of solid colours, one a second (red, green, blue, white), in
// H.264 at 320x240 and 25 fps with a single key frame, and a tone in AAC: a
// picture tells which second it is from, and a seek has to decode from the
// start to show it.
std::string MakeOneKeyFrameClip(const std::string& dir);

// ffprobe -show_entries for one stream ("v:0", "a:0") or the format
// (streamSpec empty): key=value pairs such as codec_name, width, r_frame_rate,
// duration. Empty when the stream does not exist or the file cannot be read.
std::map<std::string, std::string> ProbeStream(const std::string& path, const std::string& streamSpec);
std::map<std::string, std::string> ProbeFormat(const std::string& path);
// Number of streams of one kind ('v', 'a', 's') that ffprobe sees.
int CountStreams(const std::string& path, char kind);

// Size in bytes of a file, -1 when missing.
long long FileBytes(const std::string& path);
// A hex digest of a file's bytes (for "source unchanged" checks).
std::string FileDigest(const std::string& path);

}  // namespace qtest
