// quorvex-cli run as a program on generated media; outputs read back with ffprobe.
#include "CliProgramRun.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <regex>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qtest;
using clitest::Program;
using clitest::RunCli;

double Seconds(const std::string& text) { return text.empty() ? -1.0 : std::stod(text); }

// quorvex-cli as a child process whose stdout and stderr this test reads.
class RunningCli {
public:
    explicit RunningCli(const std::vector<std::string>& args)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            dup2(fds[1], STDERR_FILENO);
            close(fds[0]);
            std::vector<std::string> all{Program()};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& a : all)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~RunningCli()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }
    // Reads the output until `seen` holds for what was printed, or `timeoutMs` passes.
    bool ReadUntil(const std::function<bool(const std::string&)>& seen, int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!seen(printed_)) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0)
                return seen(printed_);
            printed_.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }
    void Signal(int signal) { kill(pid_, signal); }
    // The exit status, or 128 + the signal that ended it.
    int Wait()
    {
        ReadUntil([](const std::string&) { return false; }, 120000);  // to the end of its output
        int status = 0;
        waitpid(pid_, &status, 0);
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    const std::string& Printed() const { return printed_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string printed_;
};

bool HasProgressLine(const std::string& printed) { return std::regex_search(printed, std::regex(R"(\d+%  \d\d:)")); }

// Every file in `folder` (hidden ones too): name and size.
std::vector<std::pair<std::string, long long>> FilesIn(const std::string& folder)
{
    std::vector<std::pair<std::string, long long>> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        files.emplace_back(entry.path().filename().string(), FileBytes(entry.path().string()));
    return files;
}

// ffmpeg decodes the whole file without a word of error.
std::string DecodeErrors(const std::string& path)
{
    std::string log;
    const int status = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -f null - 2>&1", &log);
    return status == 0 ? log : "exit " + std::to_string(status) + ": " + log;
}

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
    const int status =
        RunCli("convert -f 1 -j 2 -o " + ShellQuote(out) + " " + ShellQuote(mp4) + " " + ShellQuote(avi), output);
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
        std::string pin;  // taskset CPU list, empty: not pinned
        std::string jobs;  // -j option
        std::string want;
    };
    std::vector<Case> cases = {
        {std::to_string(cpus[0]), "", "files at once: 1 (automatic)"},  // one core: one file at a time
        {std::to_string(cpus[0]), "-j 2 ", "files at once: 2\n"},  // asked for: as asked
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
    ASSERT_EQ(
        RunCli("transcode --output " +
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
        {"caption not in list",
         "convert -f 1 --set frame-size=999*999 -o " + ShellQuote(dir.file("o3")) + " " + ShellQuote(mp4), 1,
         "is not an entry of the list frame-size"},
        {"clip past the end", "convert -f 1 --clip 0 50 -o " + ShellQuote(dir.file("o4")) + " " + ShellQuote(mp4), 1,
         "clip_h264_aac.mp4: "},
        {"missing probe input", "info " + ShellQuote(missing), 1, "missing.mp4: "},
        {"unknown encoder",
         "transcode --output vcodec=nosuchcodec " + ShellQuote(mp4) + " " + ShellQuote(dir.file("t.mp4")), 1,
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
    EXPECT_EQ(
        RunCli("convert -f 200 -o " + ShellQuote(dir.file("o5")) + " " + ShellQuote(missing) + " " + ShellQuote(mp4),
               output),
        1)
        << output;
    EXPECT_EQ(ProbeStream(dir.file("o5") + "/clip_h264_aac.mp3", "a:0").at("codec_name"), "mp3") << output;
}

// SIGINT, SIGTERM and SIGHUP stop the run as a user's stop does: the file
// being converted is finished (trailer written) and kept under its name, and
// the status tells which signal it was; a second signal ends at once.
TEST_F(CliProgram, StopSignalsFinishTheRunningFileAndEndWithTheirStatus)
{
    const std::string source = dir.file("long.mp4");
    // large enough pictures that the conversion outlasts the first progress line by seconds
    ASSERT_TRUE(MakeMedia(source, "-f lavfi -i testsrc=size=1280x720:rate=25:duration=20 -f lavfi -i "
                                  "sine=duration=20 -c:v libx264 -preset ultrafast -c:a aac -shortest"));
    const struct {
        int signal;
        int status;
    } cases[] = {{SIGTERM, 143}, {SIGINT, 130}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        const std::string out = dir.file("stopped" + std::to_string(c.signal));
        RunningCli cli({"convert", "-f", "1", "-o", out, source});
        ASSERT_TRUE(cli.ReadUntil(HasProgressLine, 60000)) << cli.Printed();
        cli.Signal(c.signal);
        EXPECT_EQ(cli.Wait(), c.status) << cli.Printed();
        const std::string result = out + "/long.avi";
        // beside the finished file only the hidden parts the next run goes on from
        for (const auto& [name, bytes] : FilesIn(out))
            EXPECT_TRUE(name == "long.avi" || name == ".long.avi.segments") << name << ": no part file";
        EXPECT_GT(FileBytes(result), 0);
        const double seconds = Seconds(ProbeFormat(result)["duration"]);
        EXPECT_GT(seconds, 0.0) << cli.Printed();
        EXPECT_LT(seconds, 19.0) << "the stop did not land in the middle";
        EXPECT_EQ(DecodeErrors(result), "") << result;
    }

    // a second signal: the process ends at once; what it wrote is only a part file
    const std::string out = dir.file("twice");
    RunningCli cli({"convert", "-f", "1", "-o", out, source});
    ASSERT_TRUE(cli.ReadUntil(HasProgressLine, 60000)) << cli.Printed();
    cli.Signal(SIGTERM);
    cli.Signal(SIGTERM);
    cli.Wait();
    EXPECT_EQ(FileBytes(out + "/long.avi") > 0 && FileBytes(out + "/.long.avi.part") > 0, false)
        << "both a finished file and its part file";
    for (const auto& [name, bytes] : FilesIn(out))
        EXPECT_TRUE(name == ".long.avi.part" || name == ".long.avi.segments" ||
                    (name == "long.avi" && DecodeErrors(out + "/" + name).empty()))
            << name;
}

// A killed conversion leaves nothing under the output's name, only its hidden
// parts (the finished segments, or the part file when it was being joined),
// which the next run of that file takes up and removes.
TEST_F(CliProgram, AKilledRunLeavesOnlyItsPartFileWhichTheNextRunTakesOver)
{
    const std::string source = dir.file("long.mp4");
    ASSERT_TRUE(MakeMedia(source, "-f lavfi -i testsrc=size=320x240:rate=25:duration=20 -f lavfi -i "
                                  "sine=duration=20 -c:v libx264 -preset ultrafast -c:a aac -shortest"));
    const std::string out = dir.file("killed");
    {
        RunningCli cli({"convert", "-f", "1", "-o", out, source});
        ASSERT_TRUE(cli.ReadUntil(HasProgressLine, 60000)) << cli.Printed();
        cli.Signal(SIGKILL);
        EXPECT_EQ(cli.Wait(), 128 + SIGKILL);
    }
    EXPECT_EQ(FileBytes(out + "/long.avi"), -1) << "a killed run left a file under the output's name";
    EXPECT_TRUE(std::filesystem::is_directory(out + "/.long.avi.segments") || FileBytes(out + "/.long.avi.part") >= 0)
        << "what the killed run wrote is gone";

    std::string output;
    ASSERT_EQ(RunCli("convert -f 1 -o " + ShellQuote(out) + " " + ShellQuote(source), output), 0) << output;
    EXPECT_EQ(FileBytes(out + "/.long.avi.part"), -1) << "the next run left the old part file";
    EXPECT_FALSE(std::filesystem::exists(out + "/.long.avi.segments")) << "the next run left the old segments";
    EXPECT_NEAR(Seconds(ProbeFormat(out + "/long.avi")["duration"]), 20.0, 0.3);
}

// Ctrl-C while a batch of 200 files is being set up: no file is left at all
// (setting up creates none), and the status is 130.
TEST_F(CliProgram, AnInterruptDuringTheSetUpOfALongBatchLeavesNoEmptyFile)
{
    const std::string one = dir.file("tiny.mp4");
    ASSERT_TRUE(MakeMedia(one, "-f lavfi -i testsrc=size=64x48:rate=10:duration=0.3 -c:v mpeg4"));
    std::vector<std::string> args{"convert", "-f", "1", "-j", "2", "-o", dir.file("batch")};
    for (int i = 0; i < 200; ++i) {
        const std::string copy = dir.file("tiny" + std::to_string(i) + ".mp4");
        std::filesystem::create_hard_link(one, copy);
        args.push_back(copy);
    }
    RunningCli cli(args);
    // the first file set up: the batch is under way
    ASSERT_TRUE(cli.ReadUntil([](const std::string& p) { return p.find(" -> ") != std::string::npos; }, 60000))
        << cli.Printed();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 130) << cli.Printed();
    for (const auto& [name, bytes] : FilesIn(dir.file("batch"))) {
        EXPECT_GT(bytes, 0) << name << " is empty";
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        EXPECT_EQ(DecodeErrors(dir.file("batch") + "/" + name), "") << name;
    }
}

// Two programs started together on different sources of the same name into
// one folder: each claims its own name when its file is finished.
TEST_F(CliProgram, TwoProgramsIntoOneFolderEndWithTwoWholeFiles)
{
    std::filesystem::create_directories(dir.file("a"));
    std::filesystem::create_directories(dir.file("b"));
    const std::string first = dir.file("a/clip.mp4");
    const std::string second = dir.file("b/clip.mp4");
    ASSERT_TRUE(MakeMedia(first, "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 -c:v libx264"));
    ASSERT_TRUE(MakeMedia(second, "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -c:v libx264"));
    const std::string out = dir.file("out");
    RunningCli one({"convert", "-f", "1", "-o", out, first});
    RunningCli two({"convert", "-f", "1", "-o", out, second});
    EXPECT_EQ(one.Wait(), 0) << one.Printed();
    EXPECT_EQ(two.Wait(), 0) << two.Printed();
    const std::vector<double> lengths{Seconds(ProbeFormat(out + "/clip.avi")["duration"]),
                                      Seconds(ProbeFormat(out + "/clip(New_1).avi")["duration"])};
    EXPECT_NEAR(std::min(lengths[0], lengths[1]), 2.0, 0.1);
    EXPECT_NEAR(std::max(lengths[0], lengths[1]), 3.0, 0.1);
    EXPECT_EQ(FilesIn(out).size(), 2u);
    for (const char* name : {"/clip.avi", "/clip(New_1).avi"})
        EXPECT_EQ(DecodeErrors(out + name), "") << name;
}

// A system error reaches the user by its name, after the path, once.
TEST_F(CliProgram, SystemErrorsAreNamedAfterThePathOnce)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    std::string output;
    // a folder given as the output file of a transcode
    std::filesystem::create_directories(dir.file("folder.mp4"));
    EXPECT_EQ(
        RunCli("transcode --output vcodec=mpeg4 " + ShellQuote(mp4) + " " + ShellQuote(dir.file("folder.mp4")), output),
        1);
    EXPECT_NE(output.find(dir.file("folder.mp4") + ": Is a directory"), std::string::npos) << output;
    // a name longer than the file system takes
    const std::string longName = dir.file(std::string(300, 'n') + ".mp4");
    EXPECT_EQ(RunCli("transcode --output vcodec=mpeg4 " + ShellQuote(mp4) + " " + ShellQuote(longName), output), 1);
    EXPECT_NE(output.find("File name too long"), std::string::npos) << output;
    // a source that is not media: the name once
    const std::string text = dir.file("plain.mp4");
    std::ofstream(text) << "not media";
    EXPECT_EQ(RunCli("convert -f 1 -o " + ShellQuote(dir.file("o")) + " " + ShellQuote(text), output), 1);
    EXPECT_NE(output.find(text + ": Invalid data"), std::string::npos) << output;
    EXPECT_EQ(output.find(text + ": " + text), std::string::npos) << output;
    EXPECT_EQ(output.find("Error number"), std::string::npos) << output;
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
