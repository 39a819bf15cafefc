// An interrupted conversion goes on where it stopped: a child running the
// command line's convert is killed at a progress line past half of a 20 s
// source, the same command runs again, takes up the finished ten-second
// segments and encodes only the rest. A changed source and a two-pass
// target start again from the beginning.
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace qtest;

namespace {

std::string ChildProgram() { return (fs::read_symlink("/proc/self/exe").parent_path() / "cli_resume_child").string(); }

struct ChildRun {
    int status = -1;  // as from waitpid
    bool killed = false;  // stopped itself at the progress asked for, then killed
    double cpuSeconds = 0;  // user + system time of the child
    std::string printed;  // stdout and stderr
};

// Runs the child on `args`; with `stopAtPercent` > 0 waits for it to stop
// itself at that progress and kills it there (SIGKILL).
ChildRun RunChild(int stopAtPercent, const std::vector<std::string>& args, const std::string& printedFile)
{
    std::vector<std::string> all = {ChildProgram(), std::to_string(stopAtPercent)};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    ChildRun run;
    const int fd = open(printedFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fd, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fd);
    if (spawned != 0)
        return run;
    struct rusage usage {};
    int status = 0;
    wait4(pid, &status, WUNTRACED, &usage);
    if (WIFSTOPPED(status)) {
        kill(pid, SIGKILL);
        wait4(pid, &status, 0, &usage);
        run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    run.status = status;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    RunCommand("cat " + ShellQuote(printedFile), &run.printed);
    return run;
}

bool ExitedWith(const ChildRun& run, int code) { return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code; }

// The one visible file of a folder.
std::string OutputIn(const std::string& folder)
{
    std::string found;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        if (entry.path().filename().string()[0] != '.')
            found = entry.path().string();
    return found;
}

double Number(const std::string& text)
{
    try {
        return std::stod(text);
    } catch (...) {
        return -1;
    }
}

// Decodes every frame of one stream; the count, and in `errors` what the decoder said.
int DecodedFrames(const std::string& file, const std::string& stream, std::string& errors)
{
    std::string printed;
    const std::string errorFile = file + ".decode-errors";
    RunCommand("ffprobe -v error -count_frames -select_streams " + stream +
                   " -show_entries stream=nb_read_frames -of csv=p=0 " + ShellQuote(file) + " 2>" +
                   ShellQuote(errorFile),
               &printed);
    RunCommand("cat " + ShellQuote(errorFile), &errors);
    fs::remove(errorFile);
    return static_cast<int>(Number(printed));
}

struct AudioPacket {
    double pts = 0, duration = 0;
};

std::vector<AudioPacket> AudioPackets(const std::string& file)
{
    std::string printed;
    RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time -of csv=p=0 " +
                   ShellQuote(file),
               &printed);
    std::vector<AudioPacket> packets;
    std::istringstream lines(printed);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos)
            continue;
        packets.push_back({Number(line.substr(0, comma)), Number(line.substr(comma + 1))});
    }
    return packets;
}

// The largest gap or overlap between neighbouring audio packets that start
// within `aroundSeconds` ± 0.5 s, and the length of one packet there.
void JoinOfAudio(const std::vector<AudioPacket>& packets, double aroundSeconds, double& worstSeconds,
                 double& frameSeconds)
{
    worstSeconds = 0;
    frameSeconds = 0;
    for (size_t k = 0; k + 1 < packets.size(); ++k) {
        if (std::fabs(packets[k].pts - aroundSeconds) > 0.5)
            continue;
        frameSeconds = std::max(frameSeconds, packets[k].duration);
        worstSeconds = std::max(worstSeconds, std::fabs(packets[k + 1].pts - packets[k].pts - packets[k].duration));
    }
}

const std::string& VideoSource()
{
    static ScratchDir dir;
    static const std::string path = [] {
        // busy pictures (noise), so that encoding, not starting, is the work;
        // a key picture every second, as cameras write them; 5.1 sound
        const std::string clip = dir.file("film.mp4");
        MakeMedia(clip, "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i "
                        "\"sine=frequency=440:sample_rate=48000,pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" "
                        "-vf noise=alls=30:allf=t -t 20 -c:v libx264 -preset veryfast -crf 17 -g 25 "
                        "-c:a aac -b:a 192k");
        return clip;
    }();
    return path;
}

const std::string& SoundSource()
{
    static ScratchDir dir;
    static const std::string path = [] {
        // 7.1 at 384 kHz: reading and mixing it down is most of the work of an MP3
        const std::string clip = dir.file("sound.flac");
        MakeMedia(clip, "-f lavfi -i \"sine=frequency=440:sample_rate=384000,"
                        "pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0\" -t 20 -c:a flac");
        return clip;
    }();
    return path;
}

struct ResumeCase {
    int format;
    bool video;
    // the resumed run's CPU time against an uninterrupted run's: an MP3 of
    // 20 s is encoded in a few tenths of a second, so the program's start
    // and the decoding from the source's seek point before the kept part
    // weigh more there. A video run resumed at 10 s of 20 s does half the
    // work plus the program start, the probe, the seek before the kept part
    // and the check: 0.54 to 0.61 of an uninterrupted run measured on a
    // loaded machine, where one run's CPU time varies by a tenth
    double cpuShare;
};

class CliResume : public ::testing::TestWithParam<ResumeCase> {
protected:
    ScratchDir dir;
};

TEST_P(CliResume, AKilledConversionGoesOnWhereItStoppedAndJoinsCleanly)
{
    const ResumeCase& c = GetParam();
    const std::string& source = c.video ? VideoSource() : SoundSource();
    const double sourceSeconds = Number(ProbeFormat(source)["duration"]);
    ASSERT_GT(sourceSeconds, 19.0);
    const std::string format = std::to_string(c.format);

    const std::string whole = dir.file("whole");
    const ChildRun uninterrupted = RunChild(0, {"convert", "-f", format, "-o", whole, source}, dir.file("whole.txt"));
    ASSERT_TRUE(ExitedWith(uninterrupted, 0)) << uninterrupted.printed;

    const std::string resumed = dir.file("resumed");
    const std::vector<std::string> command = {"convert", "-f", format, "-o", resumed, source};
    const ChildRun first = RunChild(55, command, dir.file("first.txt"));
    ASSERT_TRUE(first.killed) << "the conversion was not stopped past half of its source\n" << first.printed;
    EXPECT_EQ(OutputIn(resumed), "") << "a killed run left a file under the output's name";
    const ChildRun second = RunChild(0, command, dir.file("second.txt"));
    ASSERT_TRUE(ExitedWith(second, 0)) << second.printed;
    EXPECT_NE(second.printed.find("resuming at 00:00:10"), std::string::npos) << second.printed;
    EXPECT_LE(second.cpuSeconds, c.cpuShare * uninterrupted.cpuSeconds)
        << "CPU seconds: resumed " << second.cpuSeconds << ", uninterrupted " << uninterrupted.cpuSeconds;

    const std::string output = OutputIn(resumed);
    const std::string reference = OutputIn(whole);
    ASSERT_FALSE(output.empty()) << second.printed;
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(resumed))
        if (entry.path().string() != output)
            hidden.push_back(entry.path().filename().string());
    EXPECT_TRUE(hidden.empty()) << "left behind: " << hidden.front();
    EXPECT_NEAR(Number(ProbeFormat(output)["duration"]), sourceSeconds, 0.1);

    std::string errors;
    if (c.video) {
        const int pictures = DecodedFrames(output, "v:0", errors);
        EXPECT_EQ(errors, "") << output;
        std::string referenceErrors;
        const int uninterruptedPictures = DecodedFrames(reference, "v:0", referenceErrors);
        EXPECT_GT(uninterruptedPictures, 400);
        EXPECT_NEAR(pictures, uninterruptedPictures, 1);
    }
    const int audioFrames = DecodedFrames(output, "a:0", errors);
    EXPECT_EQ(errors, "") << output;
    EXPECT_GT(audioFrames, 0);

    double worst = 0, frame = 0;
    JoinOfAudio(AudioPackets(output), 10.0, worst, frame);
    ASSERT_GT(frame, 0) << "no audio packets at the join";
    EXPECT_LE(worst, frame + 1e-3) << "gap or overlap at the join, seconds: " << worst;
    const std::vector<AudioPacket> all = AudioPackets(output);
    const std::vector<AudioPacket> reference_ = AudioPackets(reference);
    ASSERT_FALSE(all.empty());
    ASSERT_FALSE(reference_.empty());
    EXPECT_NEAR(all.back().pts + all.back().duration, reference_.back().pts + reference_.back().duration, frame)
        << "the sound is longer or shorter than an uninterrupted conversion's";
}

INSTANTIATE_TEST_SUITE_P(Formats, CliResume,
                         ::testing::Values(ResumeCase{1, true, 0.65}, ResumeCase{126, true, 0.65},
                                           ResumeCase{16, true, 0.65}, ResumeCase{19, true, 0.65},
                                           ResumeCase{200, false, 0.75}),
                         [](const ::testing::TestParamInfo<ResumeCase>& info) {
                             return "Format" + std::to_string(info.param.format);
                         });

TEST(CliResumeRestarts, AChangedSourceStartsAgainFromTheBeginning)
{
    ScratchDir dir;
    const std::string source = dir.file("song.flac");
    fs::copy_file(SoundSource(), source);
    const std::string out = dir.file("out");
    const std::vector<std::string> command = {"-v", "convert", "-f", "200", "-o", out, source};
    const ChildRun first = RunChild(55, command, dir.file("first.txt"));
    ASSERT_TRUE(first.killed) << first.printed;
    // the same size, another modification time
    struct utimbuf times {};
    times.actime = times.modtime = time(nullptr) - 3600;
    ASSERT_EQ(utime(source.c_str(), &times), 0);
    const ChildRun second = RunChild(0, command, dir.file("second.txt"));
    ASSERT_TRUE(ExitedWith(second, 0)) << second.printed;
    EXPECT_EQ(second.printed.find("resuming at"), std::string::npos) << second.printed;
    EXPECT_NE(second.printed.find("the source changed since the interrupted conversion: converting from the start"),
              std::string::npos)
        << second.printed;
    EXPECT_NEAR(Number(ProbeFormat(OutputIn(out))["duration"]), 20.0, 0.1);
}

TEST(CliResumeRestarts, AnOutputWrittenDirectlyKeepsNothingToResumeFrom)
{
    ScratchDir dir;
    const std::string out = dir.file("out");
    const ChildRun first =
        RunChild(55, {"convert", "-f", "200", "--no-resume", "-o", out, SoundSource()}, dir.file("first.txt"));
    ASSERT_TRUE(first.killed) << first.printed;
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_EQ(entry.path().extension(), ".part") << "kept beside a direct output: " << entry.path();
    const ChildRun second = RunChild(0, {"convert", "-f", "200", "-o", out, SoundSource()}, dir.file("second.txt"));
    ASSERT_TRUE(ExitedWith(second, 0)) << second.printed;
    EXPECT_EQ(second.printed.find("resuming at"), std::string::npos) << second.printed;
    EXPECT_NEAR(Number(ProbeFormat(OutputIn(out))["duration"]), 20.0, 0.1);
}

TEST(CliResumeRestarts, ATwoPassTargetStartsAgainWithALogLine)
{
    ScratchDir dir;
    const std::string source = VideoSource();
    const std::string log = dir.file("pass");
    const std::string firstPass = dir.file("pass1.avi");
    const std::string target = dir.file("pass2.avi");
    const auto pass = [&](int n, const std::string& out) {
        return std::vector<std::string>{"-v",       "transcode",
                                        "--output", "vcodec=mpeg4",
                                        "--output", "b=400k",
                                        "--output", "ac=2",
                                        "--output", "pass=" + std::to_string(n),
                                        "--output", "passlogfile=" + log,
                                        source,     out};
    };
    const ChildRun one = RunChild(0, pass(1, firstPass), dir.file("one.txt"));
    ASSERT_TRUE(ExitedWith(one, 0)) << one.printed;
    const ChildRun killed = RunChild(55, pass(2, target), dir.file("killed.txt"));
    ASSERT_TRUE(killed.killed) << killed.printed;
    const ChildRun again = RunChild(0, pass(2, target), dir.file("again.txt"));
    ASSERT_TRUE(ExitedWith(again, 0)) << again.printed;
    EXPECT_NE(again.printed.find("cannot resume (two-pass encoding): converting from the start"), std::string::npos)
        << again.printed;
    EXPECT_EQ(again.printed.find("resuming at"), std::string::npos) << again.printed;
    EXPECT_NEAR(Number(ProbeFormat(target)["duration"]), 20.0, 0.1);
}

}  // namespace
