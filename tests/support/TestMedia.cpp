#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace qtest {

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    // A test may leave read-only folders behind (unwritable-output cases).
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

int RunCommand(const std::string& command, std::string* output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), n);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakeMedia(const std::string& outPath, const std::string& ffmpegArgs)
{
    std::string log;
    const std::string command =
        "ffmpeg -nostdin -hide_banner -y -v error " + ffmpegArgs + " " + ShellQuote(outPath) + " 2>&1";
    const int rc = RunCommand(command, &log);
    EXPECT_EQ(rc, 0) << command << "\n" << log;
    return rc == 0;
}

static std::string ClipOnce(const std::string& path, const std::string& args)
{
    if (FileBytes(path) <= 0)
        MakeMedia(path, args);
    return path;
}

std::string MakeMp4Clip(const std::string& dir, double seconds)
{
    const std::string d = std::to_string(seconds);
    return ClipOnce(dir + "/clip_h264_aac.mp4",
                    "-f lavfi -i testsrc=size=320x240:rate=25:duration=" + d +
                        " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                        " -ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest");
}

std::string MakeAviClip(const std::string& dir, double seconds)
{
    const std::string d = std::to_string(seconds);
    return ClipOnce(dir + "/clip_mpeg4_mp3.avi", "-f lavfi -i testsrc=size=320x240:rate=30000/1001:duration=" + d +
                                                     " -f lavfi -i sine=frequency=660:sample_rate=44100:duration=" + d +
                                                     " -ac 2 -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -shortest");
}

std::string MakeOneKeyFrameClip(const std::string& dir)
{
    std::string colours;
    for (const char* colour : {"red", "lime", "blue", "white"})
        colours += std::string("color=c=") + colour + ":size=320x240:rate=25:duration=1[" + colour + "];";
    return ClipOnce(
        dir + "/one_key_frame.mp4",
        "-filter_complex \"" + colours +
            "[red][lime][blue][white]concat=n=4\""
            " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=4"
            " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -x264-params keyint=1000:min-keyint=1000:scenecut=0"
            " -c:a aac -b:a 64k -shortest");
}

std::string MakeWavClip(const std::string& dir, double seconds)
{
    const std::string d = std::to_string(seconds);
    return ClipOnce(dir + "/tone.wav",
                    "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d + " -ac 2 -c:a pcm_s16le");
}

static std::map<std::string, std::string> ParseKeyValues(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        if (!values.count(key))  // first stream wins
            values[key] = line.substr(eq + 1);
    }
    return values;
}

std::map<std::string, std::string> ProbeStream(const std::string& path, const std::string& streamSpec)
{
    std::string out;
    const std::string command = "ffprobe -v error -select_streams " + streamSpec +
                                " -show_streams -of default=noprint_wrappers=1 " + ShellQuote(path) + " 2>/dev/null";
    if (RunCommand(command, &out) != 0)
        return {};
    return ParseKeyValues(out);
}

std::map<std::string, std::string> ProbeFormat(const std::string& path)
{
    std::string out;
    const std::string command =
        "ffprobe -v error -show_format -of default=noprint_wrappers=1 " + ShellQuote(path) + " 2>/dev/null";
    if (RunCommand(command, &out) != 0)
        return {};
    return ParseKeyValues(out);
}

int CountStreams(const std::string& path, char kind)
{
    std::string out;
    const std::string command = std::string("ffprobe -v error -select_streams ") + kind +
                                " -show_entries stream=index -of csv=p=0 " + ShellQuote(path) + " 2>/dev/null";
    if (RunCommand(command, &out) != 0)
        return -1;
    int count = 0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty())
            ++count;
    return count;
}

long long FileBytes(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return -1;
    return static_cast<long long>(fs::file_size(path, ec));
}

std::string FileDigest(const std::string& path)
{
    std::string out;
    if (RunCommand("sha256sum " + ShellQuote(path) + " 2>/dev/null", &out) != 0)
        return {};
    return out.substr(0, out.find(' '));
}

}  // namespace qtest
