// quorvex-cli run as a program on generated media; outputs read back with ffprobe.
#include "CliProgramRun.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <vector>

namespace {

using namespace qtest;
using clitest::Program;
using clitest::RunCli;

double Seconds(const std::string& text) { return text.empty() ? -1.0 : std::stod(text); }

class CliProgram : public ::testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(CliProgram, ConvertsTwoFilesTwoAtATimeToFormatOne)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 4.0);
    const std::string avi = MakeAviClip(dir.path(), 4.0);
    const std::string out = dir.file("out");
    std::string output;
    const int status = RunCli("convert -f 1 -j 2 -o " + ShellQuote(out) + " " + ShellQuote(mp4) + " " + ShellQuote(avi), output);
    ASSERT_EQ(status, 0) << output;

    // progress lines of both files while they ran: percentage, output time, speed
    for (const std::string& source : {mp4, avi}) {
        const std::regex progress(std::regex_replace(source, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                                  R"(  +\d+%  \d\d:\d\d:\d\d\.\d\d  \d+\.\d\dx)");
        EXPECT_TRUE(std::regex_search(output, progress)) << source << "\n" << output;
        EXPECT_NE(output.find(source + ": done"), std::string::npos) << output;
    }
    for (const std::string& result : {out + "/clip_h264_aac.avi", out + "/clip_mpeg4_mp3.avi"}) {
        const auto video = ProbeStream(result, "v:0");
        const auto audio = ProbeStream(result, "a:0");
        EXPECT_EQ(video.at("codec_name"), "mpeg4") << result;
        EXPECT_EQ(video.at("codec_tag_string"), "DX50") << result;
        EXPECT_EQ(video.at("width"), "320") << result;
        EXPECT_EQ(video.at("height"), "240") << result;
        EXPECT_EQ(video.at("r_frame_rate"), "25/1") << result;
        EXPECT_EQ(audio.at("codec_name"), "mp3") << result;
        EXPECT_EQ(audio.at("sample_rate"), "44100") << result;
        EXPECT_EQ(audio.at("bit_rate"), "128000") << result;
        EXPECT_NEAR(Seconds(ProbeFormat(result).at("duration")), 4.0, 0.2) << result;
    }
}

TEST_F(CliProgram, ExistingOutputsGetNewNamesUnlessOverwritten)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    const std::string out = dir.file("out");
    std::string output;
    // the same source twice in one run must not write one file twice
    ASSERT_EQ(RunCli("convert -f 200 -o " + ShellQuote(out) + " " + ShellQuote(mp4) + " " + ShellQuote(mp4), output), 0)
        << output;
    const std::string first = out + "/clip_h264_aac.mp3";
    const std::string second = out + "/clip_h264_aac(New_1).mp3";
    ASSERT_GT(FileBytes(first), 0) << output;
    ASSERT_GT(FileBytes(second), 0) << output;
    const std::string firstDigest = FileDigest(first);

    ASSERT_EQ(RunCli("convert -f 200 -o " + ShellQuote(out) + " " + ShellQuote(mp4), output), 0) << output;
    EXPECT_GT(FileBytes(out + "/clip_h264_aac(New_2).mp3"), 0) << output;
    EXPECT_EQ(FileDigest(first), firstDigest);

    // --overwrite writes over the existing name and adds no numbered file
    std::ofstream(first, std::ios::trunc) << "stale";
    ASSERT_EQ(RunCli("convert -f 200 --overwrite -o " + ShellQuote(out) + " " + ShellQuote(mp4), output), 0) << output;
    EXPECT_EQ(ProbeStream(first, "a:0").at("codec_name"), "mp3");
    EXPECT_EQ(CountStreams(first, 'v'), 0);
    EXPECT_LE(FileBytes(out + "/clip_h264_aac(New_3).mp3"), 0);
}

TEST_F(CliProgram, WithoutJobsTheFilesAtOnceSuitTheCoresItMayRunOn)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    std::vector<int> cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE && cpus.size() < 2; ++cpu)
        if (CPU_ISSET(cpu, &allowed))
            cpus.push_back(cpu);
    struct Case {
        std::string pin;   // taskset CPU list, empty: not pinned
        std::string jobs;  // -j option
        std::string want;
    };
    std::vector<Case> cases = {
        {std::to_string(cpus[0]), "", "files at once: 1 (automatic)"},  // one core: one file at a time
        {std::to_string(cpus[0]), "-j 2 ", "files at once: 2\n"},      // asked for: as asked
    };
    if (cpus.size() == 2)
        cases.push_back({std::to_string(cpus[0]) + "," + std::to_string(cpus[1]), "", "files at once: 2 (automatic)"});
    int round = 0;
    for (const Case& c : cases) {
        const std::string out = dir.file("out" + std::to_string(round++));
        std::string output;
        const std::string command = "taskset -c " + c.pin + " " + ShellQuote(Program()) + " convert -f 200 " + c.jobs +
                                    "-o " + ShellQuote(out) + " " + ShellQuote(mp4) + " " + ShellQuote(mp4) +
                                    " 2>&1 </dev/null";
        ASSERT_EQ(RunCommand(command, &output), 0) << output;
        EXPECT_NE(output.find(c.want), std::string::npos) << c.pin << " " << c.jobs << "\n" << output;
        EXPECT_EQ(ProbeStream(out + "/clip_h264_aac.mp3", "a:0").at("codec_name"), "mp3") << output;
        EXPECT_EQ(ProbeStream(out + "/clip_h264_aac(New_1).mp3", "a:0").at("codec_name"), "mp3") << output;
    }
}

TEST_F(CliProgram, ClipAndSelectionsReachTheOutput)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 4.0);
    const std::string out = dir.file("out");
    std::string output;
    ASSERT_EQ(RunCli("convert -f 126 --set frame-size=176*144 --set frame-rate=25 --clip 1 3 -o " + ShellQuote(out) +
                         " " + ShellQuote(mp4),
                     output),
              0)
        << output;
    const std::string result = out + "/clip_h264_aac.mp4";
    const auto video = ProbeStream(result, "v:0");
    EXPECT_EQ(video.at("codec_name"), "h264");
    EXPECT_EQ(video.at("width"), "176");
    EXPECT_EQ(video.at("height"), "144");
    EXPECT_EQ(video.at("r_frame_rate"), "25/1");
    EXPECT_EQ(ProbeStream(result, "a:0").at("codec_name"), "aac");
    EXPECT_NEAR(Seconds(ProbeFormat(result).at("duration")), 2.0, 0.15);
}

TEST_F(CliProgram, TranscodeMatchesTheFfmpegToolOnFormat126Options)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 3.0);
    const std::string ours = dir.file("ours.mp4");
    const std::string theirs = dir.file("theirs.mp4");
    std::string output;
    ASSERT_EQ(RunCli("transcode --output " +
                         ShellQuote("vcodec=libx264;b=816k;s=320x240;r=29.97;aspect=4:3;acodec=aac;ab=128k;ar=44100;ac=2") +
                         " " + ShellQuote(mp4) + " " + ShellQuote(ours),
                     output),
              0)
        << output;
    ASSERT_TRUE(MakeMedia(theirs, "-threads 1 -i " + ShellQuote(mp4) +
                                      " -threads 1 -c:v libx264 -b:v 816k -s 320x240 -r 29.97 -aspect 4:3"
                                      " -c:a aac -b:a 128k -ar 44100 -ac 2"));
    for (const char* stream : {"v:0", "a:0"}) {
        auto a = ProbeStream(ours, stream);
        auto b = ProbeStream(theirs, stream);
        for (const char* key : {"codec_name", "profile", "width", "height", "pix_fmt", "r_frame_rate",
                                "display_aspect_ratio", "sample_rate", "channels", "channel_layout"})
            EXPECT_EQ(a[key], b[key]) << stream << " " << key;
        // the tool repeats the last picture to fill the audio's length; one frame either way
        EXPECT_NEAR(Seconds(a["duration"]), Seconds(b["duration"]), 0.04) << stream;
    }
    EXPECT_EQ(ProbeStream(ours, "v:0").at("codec_name"), "h264");
    EXPECT_EQ(ProbeStream(ours, "a:0").at("codec_name"), "aac");
}

struct FailureCase {
    const char* name;
    std::string args;
    int status;
    const char* message;
};

TEST_F(CliProgram, FailuresGiveAMessageAndNonZeroStatus)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    const std::string plainFile = dir.file("plain.txt");
    std::ofstream(plainFile) << "not a folder";
    // tests run as root, which writes anywhere: a folder below a regular file can never be made
    const std::string unwritable = plainFile + "/out";
    const std::string missing = dir.file("missing.mp4");
    const FailureCase cases[] = {
        {"no arguments", "", 2, "usage: quorvex-cli"},
        {"unknown command", "rip " + ShellQuote(mp4), 2, "unknown command rip"},
        {"bad -j", "convert -f 1 -j 0 " + ShellQuote(mp4), 2, "1 to 10"},
        {"unknown format", "convert -f 999 " + ShellQuote(mp4), 2, "unknown format number 999"},
        {"unknown format in options", "options 57", 2, "unknown format number 57"},
        {"missing input", "convert -f 1 -o " + ShellQuote(dir.file("o1")) + " " + ShellQuote(missing), 1,
         "missing.mp4: no such file"},
        {"unwritable output folder", "convert -f 1 -o " + ShellQuote(unwritable) + " " + ShellQuote(mp4), 1,
         "cannot make output folder"},
        {"not a media file", "convert -f 1 -o " + ShellQuote(dir.file("o2")) + " " + ShellQuote(plainFile), 1,
         "plain.txt: "},
        {"caption not in list", "convert -f 1 --set frame-size=999*999 -o " + ShellQuote(dir.file("o3")) + " " + ShellQuote(mp4), 1,
         "is not an entry of the list frame-size"},
        {"clip past the end", "convert -f 1 --clip 0 50 -o " + ShellQuote(dir.file("o4")) + " " + ShellQuote(mp4), 1,
         "clip_h264_aac.mp4: "},
        {"missing probe input", "info " + ShellQuote(missing), 1, "missing.mp4: "},
        {"unknown encoder", "transcode --output vcodec=nosuchcodec " + ShellQuote(mp4) + " " + ShellQuote(dir.file("t.mp4")), 1,
         "Unknown encoder 'nosuchcodec'"},
        {"bad option value", "transcode --output ar=abc " + ShellQuote(mp4) + " " + ShellQuote(dir.file("t.mp4")), 1,
         "'abc' is not a valid integer value"},
    };
    for (const FailureCase& c : cases) {
        std::string output;
        EXPECT_EQ(RunCli(c.args, output), c.status) << c.name << "\n" << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.name << "\n" << output;
    }
    // one good and one missing file: the good one is converted, the run still fails
    std::string output;
    EXPECT_EQ(RunCli("convert -f 200 -o " + ShellQuote(dir.file("o5")) + " " + ShellQuote(missing) + " " + ShellQuote(mp4), output), 1)
        << output;
    EXPECT_EQ(ProbeStream(dir.file("o5") + "/clip_h264_aac.mp3", "a:0").at("codec_name"), "mp3") << output;
}

TEST_F(CliProgram, ListingsAndProbeText)
{
    std::string output;
    ASSERT_EQ(RunCli("formats", output), 0);
    // the 62 formats of the first three pages, then today's (every encoder of
    // them is in this platform's libraries)
    int older = 0;
    int todays = 0;
    for (size_t start = 0; start < output.size();) {
        const size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end == std::string::npos ? end : end - start);
        (std::atoi(line.c_str()) >= 300 ? todays : older) += 1;
        if (line.find("\t新一代高清视频音频格式\t") != std::string::npos) {
            EXPECT_GE(std::atoi(line.c_str()), 300) << line;
        }
        start = end == std::string::npos ? output.size() : end + 1;
    }
    EXPECT_EQ(older, 62);
    EXPECT_EQ(todays, 15);
    EXPECT_NE(output.find("\n126\t"), std::string::npos);
    EXPECT_NE(output.find("\n200\t"), std::string::npos);

    ASSERT_EQ(RunCli("options 1", output), 0);
    EXPECT_NE(output.find("frame-size:\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  * 320*240\n"), std::string::npos) << output;
    ASSERT_EQ(RunCli("options 301", output), 0);
    EXPECT_NE(output.find("video-bitrate:\n    恒定质量 CRF 18 (高质量)\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  * 恒定质量 CRF 24 (标准质量)\n"), std::string::npos) << output;
    EXPECT_NE(output.find("    1280*自动 (720p)\n"), std::string::npos) << output;

    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    ASSERT_EQ(RunCli("info " + ShellQuote(mp4), output), 0) << output;
    EXPECT_NE(output.find("Video: h264"), std::string::npos) << output;
    EXPECT_NE(output.find("320x240"), std::string::npos) << output;
    EXPECT_NE(output.find("Audio: aac"), std::string::npos) << output;
    EXPECT_EQ(output.find('\r'), std::string::npos);
}

}  // namespace
