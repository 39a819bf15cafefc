// The run of one task as the component sees it: finished and stopped runs,
// the pause gate, failures before any data, the progress values and the
// limits that end a run early.
#include "OptionTestLog.h"
#include "TranscodeRunSupport.h"
#include "engine/SegmentedOutput.h"

#include "media/MainThreadCalls.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using runtest::Options;
using runtest::RunClips;

// Runs `task` to its end with a progress report at every chance; `reports` in order.
void RunReportingAlways(TCustomFFmpeg& task, std::vector<TProgressInfo>& reports)
{
    task.SetProgressIntervalUs(0);
    RunHooks hooks;
    hooks.onProgress = [&](const TProgressInfo& info) { reports.push_back(info); };
    ASSERT_FALSE(runtest::RunTask(task, hooks).error);
}

TEST(TranscodeRun, AFinishedRunIsFinishedAndAStoppedOneIsNotButItsFileIsClosed)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const Options avi{{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}};

    auto whole = runtest::PrepareTask(clips.Mp4(), {}, out.file("whole.avi"), avi);
    const runtest::RunResult finished = runtest::RunTask(*whole);
    EXPECT_FALSE(finished.error) << finished.message;
    EXPECT_TRUE(finished.finished);

    // stop after the tenth frame, as the component's stop request would
    auto stopped = runtest::PrepareTask(clips.Mp4(), {}, out.file("stopped.avi"), avi);
    stopped->SetProgressIntervalUs(0);
    RunHooks hooks;
    TCustomFFmpeg* task = stopped.get();
    hooks.onProgress = [task](const TProgressInfo& info) {
        if (info.FrameNumber >= 10)
            static_cast<runtest::TestTask*>(task)->RequestStop();
    };
    const runtest::RunResult result = runtest::RunTask(*stopped, hooks);
    EXPECT_FALSE(result.error) << result.message;
    EXPECT_FALSE(result.finished);
    // a valid file with its trailer: the index lets ffprobe see the frames written
    const int frames = runtest::VideoFrames(out.file("stopped.avi"));
    EXPECT_GE(frames, 10);
    EXPECT_LT(frames, 40);
    EXPECT_EQ(qtest::ProbeStream(out.file("stopped.avi"), "v:0").at("codec_name"), "mpeg4");
}

// The old content of an existing output goes when the run writes the file:
// the result holds nothing of it.
TEST(TranscodeRun, AnExistingOutputIsReplacedWhenTheRunWritesIt)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string path = out.file("existing.avi");
    const std::string old(200000, 'x');  // longer than the new file
    std::ofstream(path) << old;
    auto task = runtest::PrepareTask(clips.Mp4(), {}, path, {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}});
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    ASSERT_TRUE(result.finished);
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_LT(written.size(), old.size());
    EXPECT_EQ(written.find(std::string(64, 'x')), std::string::npos) << "the old content is still in the file";
    EXPECT_EQ(qtest::ProbeStream(path, "v:0").at("codec_name"), "mpeg4");
}

// Until it is finished the output is a hidden part file beside its name; a
// part file a killed run left there is taken over; a name that is taken is
// either replaced or kept, the output then taking the next "(New_n)" name.
TEST(TranscodeRun, TheOutputIsAPartFileUntilItIsFinishedThenClaimsItsName)
{
    RunClips& clips = RunClips::Get();
    const Options avi{{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}};
    struct Case {
        const char* name;
        bool existing;  // a finished file holds the name already
        bool replace;
        const char* placedAs;
    };
    const Case cases[] = {
        {"free name", false, false, "clip.avi"},
        {"taken, kept", true, false, "clip(New_1).avi"},
        {"taken, replaced", true, true, "clip.avi"},
    };
    for (const Case& c : cases) {
        qtest::ScratchDir out;
        const std::string wanted = out.file("clip.avi");
        const std::string part = out.file(".clip.avi.part");
        if (c.existing)
            std::ofstream(wanted) << "finished before";
        std::ofstream(part) << std::string(300000, 'k');  // what a killed run left
        auto task = std::make_unique<runtest::TestTask>();
        task->Reset();
        task->SetVerbosity(-1);
        ASSERT_NO_THROW(task->OpenInputFile(clips.Mp4()));
        for (const auto& [name, value] : avi)
            task->SetOption(name, value);
        task->SetReplaceExisting(c.replace);
        ASSERT_EQ(task->AddOutputFile(wanted), 1) << task->LastError();
        // set-up created nothing; the part file still holds the killed run's bytes
        EXPECT_EQ(qtest::FileBytes(wanted), c.existing ? 15 : -1) << c.name;
        EXPECT_EQ(qtest::FileBytes(part), 300000) << c.name;
        task->SetProgressIntervalUs(0);
        std::atomic<bool> sawPart{false}, sawNoNewFile{true};
        RunHooks hooks;
        hooks.onProgress = [&](const TProgressInfo&) {
            sawPart = sawPart || (qtest::FileBytes(part) >= 0 && qtest::FileBytes(part) < 300000);
            if (qtest::FileBytes(out.file(c.placedAs)) >= 0 && !(c.existing && std::string(c.placedAs) == "clip.avi"))
                sawNoNewFile = false;
        };
        const runtest::RunResult result = runtest::RunTask(*task, hooks);
        ASSERT_FALSE(result.error) << c.name << ": " << result.message;
        EXPECT_TRUE(sawPart) << c.name << ": the run did not write into the part file";
        EXPECT_TRUE(sawNoNewFile) << c.name << ": the output appeared before it was finished";
        EXPECT_EQ(qtest::FileBytes(part), -1) << c.name << ": the part file stayed";
        const TRunResult run = task->RunResult();
        EXPECT_EQ(run.outcome, TTaskOutcome::Whole) << c.name << ": " << run.message;
        ASSERT_EQ(run.outputNames.size(), 1u) << c.name;
        EXPECT_EQ(run.outputNames[0], out.file(c.placedAs)) << c.name;
        EXPECT_EQ(qtest::ProbeStream(out.file(c.placedAs), "v:0").at("codec_name"), "mpeg4") << c.name;
        if (c.existing && !c.replace) {
            std::ifstream kept(wanted);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "finished before") << c.name;
        }
    }
}

TEST(TranscodeRun, APausedRunReadsAndWritesNothingAndContinuesWhereItWas)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string output = out.file("paused.avi");
    // a high rate, so the muxer's buffer reaches the disk within the first pictures
    auto task = runtest::PrepareTask(clips.Mp4(), {}, output,
                                     {{"vcodec", "mpeg4"}, {"b", "3000000"}, {"acodec", "libmp3lame"}});
    task->SetProgressIntervalUs(0);
    // what the run has written so far, in whatever files it writes beside the output
    const auto written = [&out] {
        long long bytes = 0;
        std::error_code error;  // a file the run renames meanwhile is passed over
        for (std::filesystem::recursive_directory_iterator it(out.path(), error), end; !error && it != end;
             it.increment(error)) {
            const auto size = it->file_size(error);
            if (!error)
                bytes += static_cast<long long>(size);
            error.clear();
        }
        return bytes;
    };
    PauseGate gate;
    std::atomic<bool> paused{false};
    RunHooks hooks;
    hooks.pauseGate = &gate;
    hooks.onProgress = [&](const TProgressInfo& info) {
        if (info.FrameNumber >= 12 && written() > 0 && !paused.exchange(true))
            gate.Close();
    };
    runtest::RunResult result;
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        result = runtest::RunTask(*task, hooks);
        ended = true;
    });
    const bool held = WaitWhileProcessing([&] { return gate.Holding() || ended; }, 30000);
    EXPECT_TRUE(held && !ended) << "the run never waited at its gate";
    const long long bytesWhilePaused = written();
    EXPECT_GT(bytesWhilePaused, 0);
    // held: nothing is written, however long it lasts (a span to watch, not a wait for a state)
    EXPECT_FALSE(WaitWhileProcessing([&] { return written() != bytesWhilePaused || ended; }, 300));
    EXPECT_TRUE(gate.Holding());
    gate.Open();
    worker.join();
    EXPECT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);
    // resumed where it was: every frame of the source is there once
    EXPECT_EQ(runtest::VideoFrames(output), runtest::VideoFrames(clips.Mp4()));
}

struct FailureCase {
    const char* name;
    Options options;  // before the output
    int previewFlags;
    bool customHook;  // the application draws on the decoded pictures
    const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class RunFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RunFailure, EndsTheRunWithItsTextAndLeavesNoFile)
{
    const FailureCase& c = GetParam();
    qtest::ScratchDir out;
    const std::string output = out.file("failed.avi");
    auto task = runtest::PrepareTask(RunClips::Get().Mp4(), {}, output, c.options);
    task->SetPreviewFlags(c.previewFlags);
    RunHooks hooks;
    if (c.customHook)
        hooks.customHook = [](Bitmap24&, bool&, bool&, int64_t, int) {};
    const runtest::RunResult result = runtest::RunTask(*task, hooks);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.message, c.message);
    EXPECT_FALSE(result.finished);
    EXPECT_EQ(qtest::FileBytes(output), -1) << "the empty output stays behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunFailure,
    ::testing::Values(
        FailureCase{"MappedStreamOfTheWrongType",
                    {{"map", "0:1"}, {"map", "0:0"}},
                    0,
                    false,
                    "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)"},
        FailureCase{
            "MapOfAMissingStream", {{"map", "0:0"}, {"map", "0:5"}}, 0, false, "Could not find input stream #0.5"},
        FailureCase{"MapOfAMissingSyncStream",
                    {{"map", "0:0:0:7"}, {"map", "0:1"}},
                    0,
                    false,
                    "Could not find sync stream #0.7"},
        FailureCase{"FewerMapsThanStreams",
                    {{"map", "0:0"}},
                    0,
                    false,
                    "Number of stream maps must match number of output streams"},
        FailureCase{"VideoCopyWithPreview",
                    {{"vcodec", "copy"}},
                    kPreviewBitmapFlag,
                    false,
                    "-vcodec copy and PostHooks are incompatible (frames are not decoded)"},
        FailureCase{"AudioCopyWithVolume",
                    {{"vcodec", "mpeg4"}, {"acodec", "copy"}, {"vol", "512"}},
                    0,
                    false,
                    "-acodec copy and -vol are incompatible (frames are not decoded)"},
        FailureCase{"VideoCopyWithCustomHook",
                    {{"vcodec", "copy"}},
                    0,
                    true,
                    "-vcodec copy and CustomHook are incompatible (frames are not decoded)"},
        FailureCase{"UnknownFilter",
                    {{"vcodec", "mpeg4"}, {"vf", "nosuchfilter"}},
                    0,
                    false,
                    "Error opening filters: Invalid argument"},
        FailureCase{"EncoderThatCannotOpen",
                    {{"vcodec", "h263"}},
                    0,
                    false,
                    "Error while opening encoder for output stream #0.0 (Video) - maybe incorrect parameters such as "
                    "bit_rate, rate, width or height. Please check error log message to find out more detail "
                    "information."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(TranscodeRun, EveryWrittenFrameIsOfferedToThePreviewAndTheHookSeesEveryDecodedPicture)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string output = out.file("previewed.avi");
    auto task = runtest::PrepareTask(clips.Mp4(), {}, output, {{"vcodec", "mpeg4"}, {"an", ""}});
    std::vector<int> previewed;
    task->Preview().SetIntervalUs(0);
    task->Preview().SetBitmapHandler([&](const Bitmap24& bitmap, int frameNumber, int64_t) {
        EXPECT_EQ(bitmap.Width(), 320);
        previewed.push_back(frameNumber);
    });
    task->SetPreviewFlags(kPreviewBitmapFlag);
    int hooked = 0;
    RunHooks hooks;
    hooks.customHook = [&](Bitmap24&, bool& update, bool&, int64_t, int) {
        update = false;
        ++hooked;
    };
    const runtest::RunResult result = runtest::RunTask(*task, hooks);
    ASSERT_FALSE(result.error) << result.message;
    const int frames = runtest::VideoFrames(output);
    EXPECT_EQ(hooked, frames);
    ASSERT_EQ(static_cast<int>(previewed.size()), frames);
    EXPECT_EQ(previewed.front(), 1);
    EXPECT_EQ(previewed.back(), frames);
}

TEST(TranscodeRun, ProgressReportsCarryTheRunValuesAtTheProgressInterval)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    // rate emulation makes the 2 s clip take 2 s, so reports come by the interval
    auto task = runtest::PrepareTask(clips.Mp4(), {{"re", ""}}, out.file("progress.avi"),
                                     {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}});
    task->SetProgressIntervalUs(200000);
    std::vector<TProgressInfo> reports;
    std::vector<std::chrono::steady_clock::time_point> times;
    RunHooks hooks;
    hooks.onProgress = [&](const TProgressInfo& info) {
        reports.push_back(info);
        times.push_back(std::chrono::steady_clock::now());
    };
    const runtest::RunResult result = runtest::RunTask(*task, hooks);
    ASSERT_FALSE(result.error) << result.message;
    ASSERT_GE(reports.size(), 5u);
    for (size_t i = 0; i + 1 < reports.size(); ++i) {
        const TProgressInfo& r = reports[i];
        EXPECT_EQ(r.FileIndex, 0);
        EXPECT_NEAR(static_cast<double>(r.TotalDuration), 2e6, 1e5);
        EXPECT_GT(r.FrameNumber, 0);
        EXPECT_GT(r.TotalSize, 0);
        EXPECT_GT(r.BitRate, 0);
        EXPECT_GE(r.Quality, 0);
        if (i > 0) {
            EXPECT_GE(r.CurrentDuration, reports[i - 1].CurrentDuration);
            EXPECT_GE(r.FrameNumber, reports[i - 1].FrameNumber);
            // never sooner than the interval after the previous report; the
            // run decides on its own clock before it makes the report, so the
            // times the handler sees differ from its decisions by how long
            // each report took to make (well under a millisecond)
            EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(times[i] - times[i - 1]).count(),
                      200000 - 1000);
        }
    }
    const TProgressInfo& last = reports.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, runtest::VideoFrames(out.file("progress.avi")));
    EXPECT_NEAR(static_cast<double>(last.CurrentDuration), 2e6, 1e5);
    EXPECT_EQ(last.TotalSize, qtest::FileBytes(out.file("progress.avi")));
}

TEST(TranscodeRun, WithoutVideoTheReportsCarryMinusOneForFramesFpsAndQuality)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    auto task = runtest::PrepareTask(clips.Mp4(), {}, out.file("audio.mp3"), {});
    std::vector<TProgressInfo> reports;
    ASSERT_NO_FATAL_FAILURE(RunReportingAlways(*task, reports));
    ASSERT_GE(reports.size(), 2u);
    for (const TProgressInfo& r : reports) {
        EXPECT_EQ(r.FrameNumber, -1);
        EXPECT_EQ(r.FPS, -1);
        EXPECT_EQ(r.Quality, -1.0f);
    }
}

TEST(TranscodeRun, NoReportIsMadeBeforeTheFirstVideoFrame)
{
    RunClips& clips = RunClips::Get();
    // the picture starts one second after the sound
    const std::string late =
        clips.Once("late_video.mkv", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                                     "-itsoffset 1 -f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                                     "-map 0:a -map 1:v -c:a pcm_s16le -c:v mpeg4");
    qtest::ScratchDir out;
    auto task = runtest::PrepareTask(late, {}, out.file("late.mkv"), {{"vcodec", "mpeg4"}, {"acodec", "ac3"}});
    std::vector<TProgressInfo> reports;
    ASSERT_NO_FATAL_FAILURE(RunReportingAlways(*task, reports));
    ASSERT_FALSE(reports.empty());
    for (const TProgressInfo& r : reports)
        EXPECT_GE(r.FrameNumber, 1);
    // the first report came only once the picture had begun
    EXPECT_GE(reports.front().CurrentDuration, 900000);
}

TEST(TranscodeRun, AReportBeforeTheFirstWrittenPacketShowsTheStartNotTheEnd)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    // libx264 holds its first pictures back for its look-ahead: the first
    // reports come before it has written any packet
    auto task = runtest::PrepareTask(clips.Mp4(), {}, out.file("held.mp4"), {{"vcodec", "libx264"}, {"an", ""}});
    std::vector<TProgressInfo> reports;
    ASSERT_NO_FATAL_FAILURE(RunReportingAlways(*task, reports));
    ASSERT_GE(reports.size(), 2u);
    EXPECT_LT(reports.front().CurrentDuration, 100000);
    for (const TProgressInfo& r : reports)
        EXPECT_LE(r.CurrentDuration, r.TotalDuration + 100000) << "at frame " << r.FrameNumber;
}

TEST(TranscodeRun, ShortestEndsTheRunWhenTheFirstInputEnds)
{
    RunClips& clips = RunClips::Get();
    const std::string video =
        clips.Once("video_1s.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg4");
    const std::string audio = clips.Once("audio_3s.wav", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3");
    for (const bool shortest : {false, true}) {
        qtest::ScratchDir out;
        const std::string output = out.file("joined.mkv");
        runtest::TestTask task;
        task.Reset();
        task.SetVerbosity(-1);
        ASSERT_NO_THROW(task.OpenInputFile(video));
        ASSERT_NO_THROW(task.OpenInputFile(audio));
        task.SetOption("map", "0:0");
        task.SetOption("map", "1:0");
        if (shortest)
            task.SetOption("shortest", "1");
        task.SetOption("vcodec", "mpeg4");
        task.SetOption("acodec", "ac3");
        ASSERT_EQ(task.AddOutputFile(output), 1) << task.LastError();
        const runtest::RunResult result = runtest::RunTask(task);
        ASSERT_FALSE(result.error) << result.message;
        const double seconds = runtest::AudioSeconds(output);
        if (shortest)
            EXPECT_LT(seconds, 1.5) << "the sound went on after the picture ended";
        else
            EXPECT_NEAR(seconds, 3.0, 0.1);
    }
}

struct ClipCase {
    const char* name;
    Options inputOptions;
    Options outputOptions;
    double seconds;  // of picture and sound in the output
};

void PrintTo(const ClipCase& c, std::ostream* os) { *os << c.name; }

class ClipTimes : public ::testing::TestWithParam<ClipCase> {};

// Start and recording time cut the output: the run drops what comes before
// the start and ends each stream at start + recording time.
TEST_P(ClipTimes, CutPictureAndSoundAlike)
{
    const ClipCase& c = GetParam();
    qtest::ScratchDir out;
    const std::string output = out.file("cut.avi");
    Options options = c.outputOptions;
    options.emplace_back("vcodec", "mpeg4");
    options.emplace_back("acodec", "pcm_s16le");
    auto task = runtest::PrepareTask(RunClips::Get().Mp4(), c.inputOptions, output, options);
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);
    EXPECT_NEAR(runtest::VideoSeconds(output), c.seconds, 0.04 + 1e-6);
    EXPECT_NEAR(runtest::AudioSeconds(output), c.seconds, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipTimes,
                         ::testing::Values(ClipCase{"RecordingTime", {}, {{"t", "1"}}, 1.0},
                                           ClipCase{"StartTimeOfTheOutput", {}, {{"ss", "1.2"}}, 0.8},
                                           ClipCase{"StartAndRecordingTime", {}, {{"ss", "0.4"}, {"t", "1"}}, 1.0},
                                           ClipCase{"StartTimeOfTheInput", {{"ss", "1.2"}}, {}, 0.8}),
                         [](const ::testing::TestParamInfo<ClipCase>& info) { return std::string(info.param.name); });

// The source's tags come along by default, as the ffmpeg tool brings them;
// an explicit map gives the same.
TEST(TranscodeRun, ChaptersAndMetaDataAreCopiedWithOrWithoutAMap)
{
    RunClips& clips = RunClips::Get();
    const std::string chapters = clips.dir().file("chapters.txt");
    {
        std::ofstream f(chapters);
        f << ";FFMETADATA1\ntitle=Two parts\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=One\n"
             "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Two\n";
    }
    const std::string source = clips.Once("chapters.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -i " +
                                                              qtest::ShellQuote(chapters) +
                                                              " -map 0 -map_metadata 1 -map_chapters 1 -c:v mpeg4");
    for (const bool mapped : {false, true}) {
        qtest::ScratchDir out;
        const std::string output = out.file("chapters.mkv");
        Options options{{"vcodec", "mpeg4"}};
        if (mapped)
            options.emplace_back("map_meta_data", "0:0");
        auto task = runtest::PrepareTask(source, {}, output, options);
        const runtest::RunResult result = runtest::RunTask(*task);
        ASSERT_FALSE(result.error) << result.message;
        std::string text;
        qtest::RunCommand("ffprobe -v error -show_entries chapter=start_time,end_time:format_tags=title -of csv=p=0 " +
                              qtest::ShellQuote(output),
                          &text);
        EXPECT_NE(text.find("0.000000,1.000000"), std::string::npos) << text;
        EXPECT_NE(text.find("1.000000,2.000000"), std::string::npos) << text;
        EXPECT_NE(text.find("Two parts"), std::string::npos) << mapped << "\n" << text;
    }
}

TEST(TranscodeRun, TheFileSizeLimitEndsTheRunJustPastTheLimit)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string output = out.file("limited.avi");
    auto task = runtest::PrepareTask(clips.Mp4(), {}, output,
                                     {{"vcodec", "mpeg4"}, {"b", "1000k"}, {"acodec", "libmp3lame"}, {"fs", "60000"}});
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);
    const long long bytes = qtest::FileBytes(output);
    EXPECT_GT(bytes, 60000);
    // the whole clip makes about 280 kB at this rate; the muxer's queue may add the last packets
    EXPECT_LT(bytes, 60000 + 60000) << "more than the last packets past the limit";
    const int frames = runtest::VideoFrames(output);
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, runtest::VideoFrames(clips.Mp4()));
}

// The run's own log lines are as long as what they tell: here the output's
// name and its part folder, which another run holds, over 2400 bytes.
TEST(TranscodeRun, ARunsLogLineIsWholeHoweverLongTheOutputsNameIs)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    std::string folder = out.path();
    for (char letter = 'a'; letter < 'g'; ++letter)
        folder += "/" + std::string(200, letter);
    std::filesystem::create_directories(folder);
    const std::string output = folder + "/long.avi";
    SegmentFolderLock otherRun;
    ASSERT_TRUE(otherRun.Take(SegmentFolderName(output)));
    const std::string line = output + ": written without resumable parts (the folder " + SegmentFolderName(output) +
                             " is in use or cannot be made)";
    ASSERT_GT(line.size(), 2400u);

    OptionTestLog log(llVerbose);
    auto task = runtest::PrepareTask(clips.Mp4(), {}, output, {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}});
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(log.Has(llVerbose, line));
    EXPECT_EQ(qtest::ProbeStream(output, "v:0").at("codec_name"), "mpeg4");
}

}  // namespace
