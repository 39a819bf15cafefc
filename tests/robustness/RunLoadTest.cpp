// Long runs of the main window's conversion list with the real converter:
// twenty short files, ten at a time, paused, resumed and stopped at random
// moments for several rounds and then run to the end; sources that vanish
// between the add and the start; a stop before the first packet; and the
// window closed while termination records are on their way. Every wait is
// bounded, so a hang ends the program with the round and the seed behind it.
#include "ConverterRun.h"
#include "../app/ListWindowFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

constexpr int kAviFormat = 1;  // AVI: MPEG-4 video at the source's 320x240 with audio
constexpr int kMp3Format = 200;  // MP3 audio
constexpr int kTenAtATime = 10;  // index of "10" in the simultaneous-files list
constexpr int kRoundSeconds = 180;  // bound of one round; sanitizer builds run about 3x slower

struct SourceFile {
    std::string path;
    std::string digest;
    double seconds = 0;
    bool audioOnly = false;
};

// "#<thread>.<level>: text" with a level of llError or more severe.
bool IsErrorLine(const std::string& line)
{
    if (line.find("***") != std::string::npos)
        return true;
    if (line.empty() || line[0] != '#')
        return false;
    const size_t dot = line.find('.');
    const size_t colon = line.find(": ");
    if (dot == std::string::npos || colon != dot + 2)
        return false;
    const char level = line[dot + 1];
    return level >= '0' && level <= '3';
}

// What ffprobe reads from a file in one call: its streams and its duration.
struct ProbedFile {
    bool readable = false;
    std::vector<std::map<std::string, std::string>> streams;  // codec_name, codec_type, width, height
    double durationSeconds = 0;

    int Count(const std::string& type) const
    {
        int count = 0;
        for (const auto& stream : streams)
            if (Value(stream, "codec_type") == type)
                ++count;
        return count;
    }
    std::map<std::string, std::string> First(const std::string& type) const
    {
        for (const auto& stream : streams)
            if (Value(stream, "codec_type") == type)
                return stream;
        return {};
    }
    static std::string Value(const std::map<std::string, std::string>& fields, const char* key)
    {
        const auto found = fields.find(key);
        return found == fields.end() ? "" : found->second;
    }
};

ProbedFile ProbeFile(const std::string& path)
{
    std::string text;
    ProbedFile probed;
    if (qtest::RunCommand("ffprobe -v error -show_entries stream=codec_type,codec_name,width,height:format=duration "
                          "-of compact=p=0 " +
                              qtest::ShellQuote(path) + " 2>/dev/null",
                          &text) != 0)
        return probed;
    probed.readable = true;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::map<std::string, std::string> fields;
        std::istringstream pairs(line);
        std::string pair;
        while (std::getline(pairs, pair, '|')) {
            const size_t equals = pair.find('=');
            if (equals != std::string::npos)
                fields[pair.substr(0, equals)] = pair.substr(equals + 1);
        }
        if (fields.count("codec_type"))
            probed.streams.push_back(fields);
        else if (fields.count("duration"))
            probed.durationSeconds = std::strtod(fields["duration"].c_str(), nullptr);
    }
    return probed;
}

// An output a run left without finishing it: never a 0-byte file; when
// present, a media file ffprobe reads with at least one stream.
std::string UnfinishedOutputProblem(const std::string& path)
{
    const long long bytes = qtest::FileBytes(path);
    if (bytes == 0)
        return "a 0-byte output was left behind";
    if (bytes < 0)
        return "";
    const ProbedFile probed = ProbeFile(path);
    if (!probed.readable || probed.streams.empty())
        return "the output left behind (" + std::to_string(bytes) + " bytes) is not a readable media file";
    return "";
}

class RunLoadTest : public ListWindowTest {
protected:
    RunLoadTest()
    {
        window.suiComboBox1Change(0);  // nothing after the run
        window.suiComboBox3Change(kTenAtATime);
        window.Converter().SetProgressInterval(100);  // many reports to meet pauses and stops
        window.Log().SetOnAppend([this](const std::string& line) { logLines.push_back(line); });
    }

    // Copies of one generated clip under distinct names in dir/sources.
    void AddSources(const std::string& clip, const std::string& stem, int count, double seconds, bool audioOnly)
    {
        const std::string folder = dir.file("sources");
        fs::create_directories(folder);
        for (int i = 0; i < count; ++i) {
            SourceFile source;
            source.path = folder + "/" + stem + std::to_string(i) + fs::path(clip).extension().string();
            fs::copy_file(clip, source.path, fs::copy_options::overwrite_existing);
            source.digest = qtest::FileDigest(source.path);
            source.seconds = seconds;
            source.audioOnly = audioOnly;
            sources[source.path] = source;
        }
    }
    std::vector<std::string> SourcesWhere(bool audioOnly) const
    {
        std::vector<std::string> paths;
        for (const auto& [path, source] : sources)
            if (source.audioOnly == audioOnly)
                paths.push_back(path);
        return paths;
    }
    // Twenty files: MP4 and AVI to AVI, WAV to MP3.
    void AddTwentyFiles()
    {
        AddSources(qtest::MakeMp4Clip(Generated("mp4"), 1.0), "movie", 8, 1.0, false);
        AddSources(qtest::MakeAviClip(Generated("avi"), 1.5), "capture", 6, 1.5, false);
        AddSources(qtest::MakeWavClip(Generated("wav"), 2.0), "tone", 6, 2.0, true);
        chooser.formatNumber = kAviFormat;
        AddMany(SourcesWhere(false));
        chooser.formatNumber = kMp3Format;
        AddMany(SourcesWhere(true));
    }
    std::string Generated(const std::string& kind)
    {
        const std::string folder = dir.file("generated-" + kind);
        fs::create_directories(folder);
        return folder;
    }
    // the name the row's last run wrote (a new "(New_n)" name when a stopped run kept the first)
    std::string OutputOf(int row)
    {
        const auto& slot = List().Slot(row);
        return slot.RunOutputFile.empty() ? slot.Output.FileName : slot.RunOutputFile;
    }
    const SourceFile& SourceOf(int row) { return sources.at(List().Rows().at(static_cast<size_t>(row)).SourceFile); }

    // What is wrong with the output of a row that shows 完成; empty when all is well.
    std::string FinishedOutputProblem(int row)
    {
        const std::string path = OutputOf(row);
        const SourceFile& source = SourceOf(row);
        const ProbedFile probed = ProbeFile(path);
        if (!probed.readable)
            return path + ": missing or unreadable";
        std::string problem;
        if (probed.Count("audio") != 1)
            problem += " audio streams " + std::to_string(probed.Count("audio")) + ";";
        if (source.audioOnly) {
            if (probed.Count("video") != 0)
                problem += " video streams " + std::to_string(probed.Count("video")) + ";";
            const std::string codec = ProbedFile::Value(probed.First("audio"), "codec_name");
            if (codec != "mp3")
                problem += " audio codec '" + codec + "';";
        } else {
            const auto video = probed.First("video");
            const std::string codec = ProbedFile::Value(video, "codec_name");
            const std::string size = ProbedFile::Value(video, "width") + "x" + ProbedFile::Value(video, "height");
            if (probed.Count("video") != 1)
                problem += " video streams " + std::to_string(probed.Count("video")) + ";";
            if (codec != "mpeg4")
                problem += " video codec '" + codec + "';";
            if (size != "320x240")
                problem += " size " + size + ";";
        }
        if (std::abs(probed.durationSeconds - source.seconds) > 0.35)
            problem += " duration " + std::to_string(probed.durationSeconds) + " s of a " +
                       std::to_string(source.seconds) + " s source;";
        return problem.empty() ? "" : path + ":" + problem;
    }
    void ExpectSourcesUnchanged()
    {
        for (const auto& [path, source] : sources)
            EXPECT_EQ(qtest::FileDigest(path), source.digest) << path;
    }

    // The window after a run: idle controls, nothing pending, every row in a
    // state that fits how the run ended and every output in a state that fits
    // its row. `stopped`: the run ended through a confirmed stop.
    void ExpectConsistentAfterRun(bool stopped)
    {
        const MainWindowControls& c = window.Controls();
        EXPECT_FALSE(window.Converter().Working());
        EXPECT_EQ(window.Converter().TaskCount(), 0) << "the tasks are cleared when the run ends";
        EXPECT_EQ(Run().PendingTerminations(), 0u);
        EXPECT_FALSE(window.PausedFlag());
        EXPECT_EQ(window.StopRequested(), stopped);
        EXPECT_TRUE(c.ToolEnabled(ToolButton::Start));
        EXPECT_TRUE(c.ToolEnabled(ToolButton::Add));
        EXPECT_TRUE(c.ToolEnabled(ToolButton::Clear));
        EXPECT_FALSE(c.ToolEnabled(ToolButton::Pause));
        EXPECT_FALSE(c.ToolEnabled(ToolButton::Stop));
        EXPECT_TRUE(c.browseEnabled);
        EXPECT_TRUE(c.existingFileEnabled);
        EXPECT_TRUE(c.ListActive(ListButton::Up));

        for (int row = 0; row < List().RowCount(); ++row) {
            const std::string status = Status(row);
            const std::string output = OutputOf(row);
            SCOPED_TRACE("row " + std::to_string(row) + " (" + status + ") " + output);
            if (status == kStatusFinished) {
                EXPECT_EQ(Progress(row), 100);
                EXPECT_EQ(FinishedOutputProblem(row), "");
                continue;
            }
            EXPECT_TRUE(stopped) << "a run that was not stopped left a row unfinished";
            EXPECT_TRUE(status == kStatusStopped || status == kStatusReady) << "a stopped run leaves a row " << status;
            EXPECT_EQ(UnfinishedOutputProblem(output), "");
        }
        EXPECT_TRUE(dialogs.BoxesCaptioned("Quorvex").empty()) << dialogs.BoxesCaptioned("Quorvex").front().text;
        EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
        for (const std::string& line : logLines)
            EXPECT_FALSE(IsErrorLine(line)) << line;
    }

    std::map<std::string, SourceFile> sources;
    std::vector<std::string> logLines;
};

// The seed of a run: QUORVEX_RUNLOAD_SEED replays one, otherwise a fresh one.
unsigned RunSeed()
{
    if (const char* given = std::getenv("QUORVEX_RUNLOAD_SEED"))
        return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

TEST_F(RunLoadTest, TwentyFilesTenAtATimeSurviveRandomPausesResumesAndStops)
{
    const unsigned seed = RunSeed();
    const std::string replay =
        "seed " + std::to_string(seed) + " (replay with QUORVEX_RUNLOAD_SEED=" + std::to_string(seed) + ")";
    SCOPED_TRACE(replay);
    std::mt19937 random(seed);
    AddTwentyFiles();
    ASSERT_EQ(List().RowCount(), 20);
    ASSERT_TRUE(window.Controls().ToolEnabled(ToolButton::Start));

    constexpr int kInterruptedRounds = 3;
    for (int round = 0; round <= kInterruptedRounds; ++round) {
        const bool interrupted = round < kInterruptedRounds;
        const std::string what = "round " + std::to_string(round) + ", " + replay;
        SCOPED_TRACE(what);
        robust::Watchdog watchdog(kRoundSeconds, what);
        logLines.clear();
        dialogs.boxes.clear();

        Run().btnStartClick();
        ASSERT_TRUE(window.Converter().Working());
        bool stopped = false;
        int confirmations = 0;
        if (interrupted) {
            // a few pauses and resumes at random moments, then a stop
            std::uniform_int_distribution<int> wait(20, 250);
            std::uniform_int_distribution<int> toggles(1, 5);
            const int count = toggles(random);
            for (int step = 0; step < count && !RunEnded(); ++step) {
                PumpUntil([&] { return RunEnded(); }, wait(random));
                if (RunEnded())
                    break;
                Run().btnPauseClick();
                EXPECT_TRUE(window.PausedFlag());
                EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Start)) << "转换 resumes a paused run";
                // a task at its very end may still finish while paused
                PumpUntil([&] { return RunEnded(); }, wait(random));
                if (RunEnded() || random() % 4 == 0)
                    break;  // or stopped while paused
                Run().btnStartClick();
                EXPECT_FALSE(window.PausedFlag());
            }
            PumpUntil([&] { return RunEnded(); }, wait(random));
            if (!RunEnded()) {
                dialogs.confirmAnswer = MessageResult::Ok;
                Run().btnStopClick();
                ++confirmations;
                stopped = true;
                EXPECT_FALSE(window.Controls().ToolEnabled(ToolButton::Stop));
            }
        }
        ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the run did not end";
        // nothing comes in after the end of the run
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(dialogs.BoxesCaptioned("提示信息").size(), static_cast<size_t>(confirmations));
        ExpectConsistentAfterRun(stopped);
        if (!interrupted) {
            EXPECT_EQ(Statuses(), std::vector<std::string>(20, kStatusFinished));
        }
        if (HasFailure())
            break;  // later rounds would only repeat the failure
    }
    ExpectSourcesUnchanged();
}

TEST_F(RunLoadTest, SourcesThatVanishAfterTheAddFailOnTheirOwnRowsAndTheOthersConvert)
{
    AddSources(qtest::MakeMp4Clip(Generated("mp4"), 1.0), "movie", 5, 1.0, false);
    chooser.formatNumber = kAviFormat;
    AddMany(SourcesWhere(false));
    ASSERT_EQ(List().RowCount(), 5);

    // row -> what happened to its source before the start
    const std::map<int, std::string> vanished = {{1, "deleted"}, {2, "a folder now"}, {3, "emptied"}};
    for (const auto& [row, change] : vanished) {
        const std::string path = List().Rows()[static_cast<size_t>(row)].SourceFile;
        sources.erase(path);
        fs::remove(path);
        if (change == "a folder now")
            fs::create_directory(path);
        if (change == "emptied")
            WriteText(path, "");
    }

    robust::Watchdog watchdog(kRoundSeconds, "a run with vanished sources");
    logLines.clear();
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the run did not end";

    for (int row = 0; row < 5; ++row) {
        const std::string status = Status(row);
        SCOPED_TRACE("row " + std::to_string(row) + " (" + status + ")");
        if (vanished.count(row)) {
            EXPECT_EQ(status, kStatusFailed) << vanished.at(row);
            EXPECT_LE(qtest::FileBytes(OutputOf(row)), 0) << "no output from a source that is gone";
        } else {
            EXPECT_EQ(status, kStatusFinished);
            EXPECT_EQ(FinishedOutputProblem(row), "");
        }
    }
    // one warning box per vanished row, naming its file and why it failed
    const std::vector<ShownBox> errors = dialogs.BoxesCaptioned("Quorvex");
    EXPECT_EQ(errors.size(), vanished.size());
    for (const auto& [row, change] : vanished) {
        // the box leads with a Chinese sentence, then the engine's message naming the file
        const std::string prefix = List().Rows()[static_cast<size_t>(row)].SourceFile + ": ";
        const auto box = std::find_if(errors.begin(), errors.end(), [&](const ShownBox& shown) {
            const size_t at = shown.text.find(prefix);
            return at != std::string::npos && shown.text.size() > at + prefix.size();
        });
        ASSERT_NE(box, errors.end()) << "no box names the source that is " << change << ": " << prefix;
        EXPECT_EQ(box->icon, MessageIcon::Warning);
    }
    const MainWindowControls& c = window.Controls();
    EXPECT_FALSE(window.Converter().Working());
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Start));
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Stop));
    ExpectSourcesUnchanged();

    // a source that is back is converted at the next start
    const std::string restored = List().Rows()[3].SourceFile;
    fs::remove(restored);
    fs::copy_file(List().Rows()[0].SourceFile, restored);
    sources[restored] = SourceFile{restored, qtest::FileDigest(restored), 1.0, false};
    dialogs.boxes.clear();
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the second run did not end";
    EXPECT_EQ(Status(3), kStatusFinished);
    EXPECT_EQ(FinishedOutputProblem(3), "");
    EXPECT_EQ(dialogs.BoxesCaptioned("Quorvex").size(), 2u);
}

TEST_F(RunLoadTest, AStopBeforeTheFirstPacketLeavesNoFileThatCannotBeOpened)
{
    // Paused at once, the tasks wait at their gate before reading a packet;
    // an MP3 holding only its header is a file no player opens.
    AddSources(qtest::MakeWavClip(Generated("wav"), 2.0), "tone", 3, 2.0, true);
    chooser.formatNumber = kMp3Format;
    AddMany(SourcesWhere(true));
    ASSERT_EQ(List().RowCount(), 3);

    robust::Watchdog watchdog(kRoundSeconds, "a stop of a run paused at its start");
    Run().btnStartClick();
    Run().btnPauseClick();
    PumpUntil([] { return false; }, 200);
    Run().btnStopClick();
    ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the run did not end";

    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(Status(row) == kStatusStopped || Status(row) == kStatusReady) << Status(row);
        EXPECT_EQ(UnfinishedOutputProblem(OutputOf(row)), "") << OutputOf(row);
    }
    EXPECT_TRUE(dialogs.BoxesCaptioned("Quorvex").empty());
    ExpectSourcesUnchanged();
}

// Every start re-creates the tasks and sets their outputs up again; a run
// stopped before a row's turn must leave that row the file the last run made.
TEST_F(RunLoadTest, ARestartStoppedBeforeARowsTurnKeepsThatRowsLastOutput)
{
    AddSources(qtest::MakeWavClip(Generated("wav"), 2.0), "tone", 3, 2.0, true);
    chooser.formatNumber = kMp3Format;
    AddMany(SourcesWhere(true));
    ASSERT_EQ(List().RowCount(), 3);
    window.suiComboBox3Change(1);  // one file at a time
    robust::Watchdog watchdog(kRoundSeconds, "a restart stopped at once");
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the first run did not end";
    ASSERT_EQ(Statuses(), std::vector<std::string>(3, kStatusFinished));
    std::vector<std::string> digests;
    for (int row = 0; row < 3; ++row)
        digests.push_back(qtest::FileDigest(OutputOf(row)));

    Run().btnStartClick();
    Run().btnPauseClick();  // the first row is held; the others never start
    Run().btnStopClick();
    ASSERT_TRUE(PumpUntilRunEnded(kRoundSeconds * 1000)) << "the second run did not end";
    for (int row = 1; row < 3; ++row) {
        ASSERT_EQ(Status(row), kStatusReady);
        EXPECT_EQ(qtest::FileDigest(OutputOf(row)), digests[static_cast<size_t>(row)])
            << "the output of a row that never ran again is lost: " << OutputOf(row);
    }
}

// The window closed while termination records are still on their way from
// the converter's delivery threads to the run control: the records must not
// reach a run control that is already gone (AddressSanitizer sees it when
// they do), and closing must neither hang nor leave broken outputs.
class WindowClosedMidRunTest : public testing::Test {
protected:
    WindowClosedMidRunTest() : paths(PathsUnder(dir.path())), settings(paths), install(queue)
    {
        fs::create_directories(paths.programFolder);
        fs::create_directories(fs::path(paths.defaultOutputFolder).parent_path());
        window = std::make_unique<MainWindowController>(settings, dialogs, shell, skin);
        window->FormCreate();
        chooser = std::make_unique<DefaultsChooser>(window->Session());
        window->SetFormatChooser(chooser.get());
    }

    qtest::ScratchDir dir;
    ProgramPaths paths;
    SettingsFile settings;
    ScriptedDialogs dialogs;
    FakeShell shell;
    FakeSkinTarget skin;
    QueueMainThread queue;
    MainThreadInstall install;
    std::unique_ptr<MainWindowController> window;
    std::unique_ptr<DefaultsChooser> chooser;
};

TEST_F(WindowClosedMidRunTest, RecordsStillOnTheirWayWhenTheWindowGoesReachALiveRunControl)
{
    const std::string clip = qtest::MakeMp4Clip(dir.path(), 1.0);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(dir.file("clip" + std::to_string(i) + ".mp4"));
        fs::copy_file(clip, files.back());
    }
    dialogs.openFilesAnswers.push_back(files);
    window->List().N2Click();
    ASSERT_EQ(window->List().RowCount(), 10);
    window->suiComboBox1Change(0);
    window->suiComboBox3Change(kTenAtATime);
    const std::string outputFolder = window->OutputFolder();

    // The first hand-over is slow, so the records of the tasks that end
    // meanwhile queue up behind it on their delivery threads. It lasts well
    // past the close below, even in sanitizer builds, which end tasks slowly.
    std::atomic<int> posts{0};
    window->Run().SetPostToMainThread([&posts] {
        if (posts++ == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    });
    std::atomic<int> lastReports{0};
    RunControl& run = window->Run();
    window->Converter().SetOnProgress([&run, &lastReports](TCustomMediaConverter*, PProgressInfo info) {
        run.MediaConverter1Progress(info);
        if (info->FileIndex == -1)
            ++lastReports;
    });

    robust::Watchdog watchdog(kRoundSeconds, "closing the window during a run");
    window->Run().btnStartClick();
    ASSERT_TRUE(queue.pumpUntil([&] { return posts > 0 && lastReports >= 3; }, kRoundSeconds * 1000))
        << "no task ended";
    queue.pumpUntil([] { return false; }, 1500);  // the ended tasks reach their delivery threads
    window.reset();  // closing steps, then the window's parts go

    // the tasks that had ended were handed over, behind the slow first one
    EXPECT_GE(posts.load(), 3);

    for (const std::string& file : files) {
        const std::string output = outputFolder + "/" + fs::path(file).stem().string() + ".avi";
        EXPECT_EQ(UnfinishedOutputProblem(output), "") << output;
    }
}

}  // namespace
