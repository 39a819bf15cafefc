#include "ListWindowFixture.h"

#include "engine/OutputPlacement.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

class RunControlTest : public ListWindowTest {
protected:
    RunControlTest()
    {
        window.Converter().SetProgressInterval(100);
        window.suiComboBox1Change(0);  // nothing after the run unless a test asks
    }

    // Every progress report passes `observe` after the window has handled it.
    void ObserveProgress(std::function<void(const TProgressInfo&)> observe)
    {
        observe_ = std::move(observe);
        window.Converter().SetOnProgress([this](TCustomMediaConverter*, PProgressInfo info) {
            Run().MediaConverter1Progress(info);
            if (observe_)
                observe_(*info);
        });
    }
    // A clip that takes a while to convert: 2 s of 720p at 50 frames a second.
    std::vector<std::string> SlowClips(int count)
    {
        const std::string clip = dir.file("slow.mp4");
        if (!fs::exists(clip))
            qtest::MakeMedia(clip, "-f lavfi -i testsrc2=s=1280x720:r=50:d=2 -f lavfi -i sine=d=2 -c:v libx264 "
                                   "-preset ultrafast -c:a aac -shortest");
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            const std::string copy = dir.file("slow" + std::to_string(i) + ".mp4");
            fs::copy_file(clip, copy, fs::copy_options::overwrite_existing);
            files.push_back(copy);
        }
        return files;
    }
    std::string OutputOf(int row)
    {
        return Output(fs::path(List().Rows()[static_cast<size_t>(row)].SourceFile).stem().string() + ".avi");
    }
    void ExpectConvertedAvi(const std::string& path, double seconds)
    {
        const auto video = qtest::ProbeStream(path, "v:0");
        EXPECT_EQ(video.count("codec_name") ? video.at("codec_name") : "", "mpeg4") << path;
        EXPECT_EQ(video.count("width") ? video.at("width") : "", "320") << path;
        const auto format = qtest::ProbeFormat(path);
        ASSERT_TRUE(format.count("duration")) << path;
        EXPECT_NEAR(std::stod(format.at("duration")), seconds, 0.3) << path;
        EXPECT_EQ(qtest::CountStreams(path, 'a'), 1) << path;
    }

    std::function<void(const TProgressInfo&)> observe_;
};

TEST_F(RunControlTest, OneFileAtATimeConvertsTheRowsOneAfterAnother)
{
    AddMany(Clips(10));
    ASSERT_EQ(List().RowCount(), 10);
    window.suiComboBox3Change(1);  // one file at a time (the default is automatic)
    window.suiComboBox1Change(2);  // open the output folder afterwards

    // Every output is opened empty when the tasks are made. While a task waits
    // in its last report it has not ended, so no later task may have written yet.
    std::vector<int> lastReports;
    std::vector<std::string> writtenTooEarly;
    ObserveProgress([&](const TProgressInfo& info) {
        if (info.FileIndex != -1)
            return;
        lastReports.push_back(info.TaskIndex);
        for (int later = info.TaskIndex + 1; later < 10; ++later)
            if (qtest::FileBytes(OutputOf(Run().RowOfTask(later))) > 0)
                writtenTooEarly.push_back(OutputOf(later));
    });

    Run().btnStartClick();
    const MainWindowControls& c = window.Controls();
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Start));
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Add));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Pause));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Stop));
    EXPECT_FALSE(c.browseEnabled);
    ASSERT_TRUE(PumpUntilRunEnded());

    EXPECT_TRUE(writtenTooEarly.empty()) << writtenTooEarly.front();
    EXPECT_EQ(lastReports, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Statuses(), std::vector<std::string>(10, "完成"));
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(Progress(row), 100);
        ExpectConvertedAvi(OutputOf(row), 1.0);
    }
    EXPECT_EQ(shell.opened, std::vector<std::string>{OutputFolder()});
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Add));
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Pause));
    EXPECT_TRUE(dialogs.BoxesCaptioned("Quorvex").empty());
}

TEST_F(RunControlTest, ThreeAtATimeWithTwoRowsConvertsBothAtOnce)
{
    AddMany(Clips(2));
    window.suiComboBox3Change(3);  // 3 files at a time
    window.Converter().SetProgressInterval(60000);  // only the last report of each task

    // The first task to finish waits in its last report and cannot end
    // meanwhile; the other one must be converting at the same time and
    // write its output.
    bool otherWroteWhileFirstWaited = false;
    bool first = true;
    ObserveProgress([&](const TProgressInfo& info) {
        if (info.FileIndex != -1 || !first)
            return;
        first = false;
        const std::string other = OutputOf(Run().RowOfTask(1 - info.TaskIndex));
        // it writes into its part file until it is finished
        otherWroteWhileFirstWaited = queue.pumpUntil(
            [&] { return qtest::FileBytes(PartFileName(other)) > 0 || qtest::FileBytes(other) > 0; }, 20000);
    });
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());

    EXPECT_TRUE(otherWroteWhileFirstWaited);
    EXPECT_EQ(Statuses(), std::vector<std::string>(2, "完成"));
    for (int row = 0; row < 2; ++row)
        ExpectConvertedAvi(OutputOf(row), 1.0);
}

TEST_F(RunControlTest, PauseHoldsTheRunAndStartResumesItWithConvertingStatusesAgain)
{
    AddMany(SlowClips(1));
    bool pauseWanted = true;
    int reports = 0;
    std::vector<std::string> statusAfterResume;
    ObserveProgress([&](const TProgressInfo& info) {
        ++reports;
        if (!window.PausedFlag() && !pauseWanted)
            statusAfterResume.push_back(Status(0));
        if (pauseWanted && info.FileIndex != -1) {
            pauseWanted = false;
            Run().btnPauseClick();
        }
    });
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntil([&] { return window.PausedFlag(); }, 30000)) << "no report while converting";

    EXPECT_EQ(Status(0), "暂停");
    const MainWindowControls& c = window.Controls();
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Start));
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Pause));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Stop));
    // held: at most a report already on its way, and the task does not end
    const int reportsAtPause = reports;
    PumpUntil([] { return false; }, 400);
    EXPECT_LE(reports - reportsAtPause, 1);
    EXPECT_EQ(Status(0), "暂停");
    EXPECT_TRUE(window.Converter().Working());

    Run().btnStartClick();
    EXPECT_FALSE(window.PausedFlag());
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Pause));
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Start));
    ASSERT_TRUE(PumpUntilRunEnded());

    ASSERT_FALSE(statusAfterResume.empty());
    EXPECT_EQ(statusAfterResume.front(), "转换中...");
    EXPECT_EQ(Status(0), "完成");
    ExpectConvertedAvi(OutputOf(0), 2.0);
}

TEST_F(RunControlTest, AConfirmedStopEndsEveryRunningAndPausedRowStoppedAndStillShutsDown)
{
    const std::string quick = qtest::MakeMp4Clip(dir.path(), 0.4);
    std::vector<std::string> files = SlowClips(8);
    files.insert(files.begin(), quick);
    AddMany(files);  // rows in reverse: the quick clip is the last row
    ASSERT_EQ(List().RowCount(), 9);
    // bring the quick clip to the top
    for (int row = 8; row > 0; --row) {
        List().AdvListView1SelectItem(row);
        List().Button10Click();
    }
    ASSERT_EQ(List().Rows()[0].SourceFile, quick);
    window.suiComboBox3Change(3);  // 3 at a time
    window.suiComboBox1Change(1);  // shut down afterwards

    Run().btnStartClick();
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (Status(0) != "完成")
                return false;
            for (int row = 1; row < 9; ++row)
                if (Status(row) == "转换中...")
                    return true;
            return false;
        },
        30000));
    Run().btnPauseClick();
    std::vector<int> heldRows;
    for (int row = 1; row < 9; ++row)
        if (Status(row) == "暂停")
            heldRows.push_back(row);
    ASSERT_FALSE(heldRows.empty());

    dialogs.confirmAnswer = MessageResult::Cancel;
    Run().btnStopClick();
    EXPECT_FALSE(window.StopRequested());
    EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Stop));
    EXPECT_TRUE(window.Converter().Working());

    dialogs.confirmAnswer = MessageResult::Ok;
    Run().btnStopClick();
    ASSERT_TRUE(PumpUntilRunEnded());

    const std::vector<ShownBox> asked = dialogs.BoxesCaptioned("提示信息");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "您确实要终止目前的转换工作吗？");
    EXPECT_EQ(asked[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(Status(0), "完成");
    for (int row : heldRows)
        EXPECT_EQ(Status(row), "停止") << row;
    for (int row = 1; row < 9; ++row) {
        EXPECT_NE(Status(row), "完成") << row;
        EXPECT_NE(Status(row), "转换中...") << row;
        EXPECT_NE(Status(row), "暂停") << row;
    }
    const std::vector<std::string> statuses = Statuses();
    EXPECT_GE(std::count(statuses.begin(), statuses.end(), std::string("准备")), 5)
        << "the five waiting rows never ran";
    EXPECT_EQ(shutdown.calls, 1);
    EXPECT_FALSE(window.PausedFlag());
    EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Start));
    EXPECT_FALSE(window.Controls().ToolEnabled(ToolButton::Stop));
    EXPECT_TRUE(dialogs.BoxesCaptioned("Quorvex").empty());
}

TEST_F(RunControlTest, ASecondStartConvertsEveryRowAgainFromZero)
{
    AddMany(Clips(2));
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());
    ASSERT_EQ(Statuses(), std::vector<std::string>(2, "完成"));
    for (int row = 0; row < 2; ++row)
        fs::remove(OutputOf(row));

    std::vector<int> progressAtFirstReport(2, -1);
    ObserveProgress([&](const TProgressInfo&) {});
    Run().btnStartClick();
    EXPECT_EQ(Statuses(), std::vector<std::string>(2, "准备"));
    EXPECT_EQ(Progress(0), 0);
    EXPECT_EQ(Progress(1), 0);
    ASSERT_TRUE(PumpUntilRunEnded());
    EXPECT_EQ(Statuses(), std::vector<std::string>(2, "完成"));
    for (int row = 0; row < 2; ++row)
        ExpectConvertedAvi(OutputOf(row), 1.0);
    EXPECT_EQ(shutdown.calls, 0);
}

TEST_F(RunControlTest, ANewNumberIsDroppedOrTakenAgainWhenTheRunStarts)
{
    const std::string source = dir.file("clip.mp4");
    fs::copy_file(qtest::MakeMp4Clip(dir.path(), 1.0), source);
    struct Case {
        bool keepPlainName;  // clip.avi still exists at the start
        const char* written;
    };
    const Case cases[] = {{false, "clip.avi"}, {true, "clip(New_1).avi"}};
    for (const Case& c : cases) {
        List().btnClearClick();
        WriteText(Output("clip.avi"), "an older file");
        AddOne(source);
        ASSERT_EQ(List().Slot(0).Output.FileName, Output("clip(New_1).avi"));
        if (!c.keepPlainName)
            fs::remove(Output("clip.avi"));
        const std::string digestBefore = c.keepPlainName ? qtest::FileDigest(Output("clip.avi")) : "";

        Run().btnStartClick();
        ASSERT_TRUE(PumpUntilRunEnded());

        EXPECT_EQ(Status(0), "完成");
        ExpectConvertedAvi(Output(c.written), 1.0);
        if (c.keepPlainName)
            EXPECT_EQ(qtest::FileDigest(Output("clip.avi")), digestBefore);
        else
            EXPECT_LE(qtest::FileBytes(Output("clip(New_1).avi")), 0) << "nothing converted into the numbered name";
        fs::remove(Output("clip.avi"));
        fs::remove(Output("clip(New_1).avi"));
    }
}

// Adding, removing and clearing rows creates no file; with 自动生成相应的新文件名
// a second run keeps the first run's file and takes the next "(New_n)" name,
// with 直接覆盖该文件 it replaces it.
TEST_F(RunControlTest, AddingCreatesNoFileAndASecondRunOverwritesOnlyWhenAsked)
{
    const std::string source = dir.file("clip.mp4");
    fs::copy_file(qtest::MakeMp4Clip(dir.path(), 1.0), source);
    AddOne(source);
    AddMany(Clips(2));
    const auto filesInOutput = [&] {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(OutputFolder(), ignored))
            names.push_back(entry.path().filename().string());
        return names;
    };
    EXPECT_EQ(filesInOutput(), std::vector<std::string>{}) << "adding rows created files";
    List().AdvListView1SelectItem(1);
    List().btnRemoveClick();
    List().btnClearClick();
    EXPECT_EQ(filesInOutput(), std::vector<std::string>{}) << "removing or clearing rows left files";

    struct Case {
        int existingFileIndex;
        const char* secondRunWrites;
    };
    const Case cases[] = {{0, "clip(New_1).avi"}, {1, "clip.avi"}};
    for (const Case& c : cases) {
        List().btnClearClick();
        for (const std::string& name : filesInOutput())
            fs::remove(Output(name));
        window.suiComboBox4Change(c.existingFileIndex);
        AddOne(source);
        Run().btnStartClick();
        ASSERT_TRUE(PumpUntilRunEnded());
        ASSERT_EQ(Status(0), "完成");
        ExpectConvertedAvi(Output("clip.avi"), 1.0);
        WriteText(Output("clip.avi"), "the first run's file");  // to tell it from a new one
        Run().btnStartClick();
        ASSERT_TRUE(PumpUntilRunEnded());
        EXPECT_EQ(Status(0), "完成");
        ExpectConvertedAvi(Output(c.secondRunWrites), 1.0);
        EXPECT_EQ(qtest::FileBytes(Output("clip.avi")) == 20, c.existingFileIndex == 0)
            << "the first run's file was overwritten, or kept when it should not be";
        EXPECT_EQ(filesInOutput().size(), c.existingFileIndex == 0 ? 2u : 1u);
    }
}

// A source cut short converts what it holds: the row shows 不完整, never 完成,
// and the reason is shown.
TEST_F(RunControlTest, ACutSourceEndsIncompleteWithItsReason)
{
    const std::string whole = dir.file("whole.mp4");
    ASSERT_TRUE(qtest::MakeMedia(whole,
                                 "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 -f lavfi -i sine=duration=4 "
                                 "-c:v libx264 -c:a aac -shortest -movflags +faststart"));
    std::ifstream in(whole, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = dir.file("cut.mp4");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    AddOne(cut);
    dialogs.boxes.clear();
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());
    EXPECT_EQ(Status(0), "不完整");
    bool told = false;
    for (const ShownBox& box : dialogs.boxes)
        told = told || box.text.find("源文件不完整：只转换了") != std::string::npos;
    EXPECT_TRUE(told) << "no message gave the reason";
    EXPECT_GT(qtest::FileBytes(Output("cut.avi")), 0) << "what the source held is kept";
}

TEST_F(RunControlTest, WithoutAKnownDurationTheBarStaysAtZeroWhileTheTimeCounts)
{
    const std::string stream = dir.file("stream.mkv");
    // written through a pipe and without a bit rate to estimate from, the file has no known duration
    ASSERT_EQ(qtest::RunCommand("ffmpeg -y -v error -f lavfi -i testsrc=s=320x240:r=25:d=2 -c:v mpeg4 "
                                "-f matroska pipe:1 > " +
                                qtest::ShellQuote(stream)),
              0);
    AddOne(stream);
    ASSERT_EQ(List().RowCount(), 1);

    std::vector<std::string> times;
    std::vector<int> bars;
    int64_t lastTotal = 0;
    int64_t lastCurrent = 0;
    ObserveProgress([&](const TProgressInfo& info) {
        lastCurrent = info.CurrentDuration;
        times.push_back(List().Rows()[0].TimeText);
        bars.push_back(Progress(0));
        lastTotal = info.TotalDuration;
        EXPECT_EQ(List().Rows()[0].TimeText, std::to_string(info.CurrentDuration / 1000000) + "   (秒)");
    });
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());

    ASSERT_FALSE(times.empty());
    EXPECT_EQ(lastTotal, -1);
    EXPECT_EQ(bars, std::vector<int>(bars.size(), 0));
    EXPECT_GE(lastCurrent, 1500000) << "the time cell counted up to the end of the clip";
    EXPECT_EQ(times.back(), std::to_string(lastCurrent / 1000000) + "   (秒)");
    EXPECT_EQ(Status(0), "完成");
}

TEST_F(RunControlTest, ASourceGoneBeforeTheStartFailsOnItsOwnRowAndTheOthersKeepTheirRows)
{
    std::vector<std::string> clips = Clips(3);
    for (const std::string& clip : clips)
        AddOne(clip);
    fs::remove(clips[1]);
    List().AdvListView1SelectItem(1);
    std::vector<std::string> ended;
    Run().SetRunEnded([&](const std::string& title, const std::string& text) { ended.push_back(title + "|" + text); });

    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());
    // the desktop is told how the list ended
    EXPECT_EQ(ended, std::vector<std::string>{"转换列表已完成|成功 2 个，失败 1 个。"});
    EXPECT_EQ(window.Controls().listProgressText, "转换列表已完成：成功 2 个，失败 1 个");

    EXPECT_EQ(Statuses(), (std::vector<std::string>{"完成", "失败", "完成"}));
    EXPECT_EQ(Progress(2), 100);
    EXPECT_NE(List().Rows()[2].TimeText, "0");
    EXPECT_EQ(List().Rows()[1].TimeText, "0");
    const std::vector<ShownBox> errors = dialogs.BoxesCaptioned("Quorvex");
    ASSERT_EQ(errors.size(), 1u);
    // the engine's English reason follows a Chinese sentence naming the file
    EXPECT_EQ(errors[0].text.rfind("无法打开源文件：" + fs::path(clips[1]).filename().string() + "\n", 0), 0u)
        << errors[0].text;
    EXPECT_GT(errors[0].text.size(), errors[0].text.find("转换引擎的报告（英文）：\n") + 40);
    EXPECT_EQ(errors[0].icon, MessageIcon::Warning);
    ExpectConvertedAvi(OutputOf(0), 1.0);
    ExpectConvertedAvi(OutputOf(2), 1.0);
}

TEST_F(RunControlTest, AFileThatFailsWhileConvertingShowsItsErrorAndFails)
{
    AddMany(Clips(1));
    const std::string blocker = dir.file("plain-file");
    WriteText(blocker, "not a folder");
    dialogs.folderAnswers.push_back(blocker + "/out");  // an output folder that cannot exist
    window.suiButton3Click();

    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());

    EXPECT_EQ(Status(0), "失败");
    const std::vector<ShownBox> errors = dialogs.BoxesCaptioned("Quorvex");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_FALSE(errors[0].text.empty());
    EXPECT_GE(static_cast<unsigned char>(errors[0].text.front()), 0x80u)
        << "a Chinese sentence first: " << errors[0].text;
    EXPECT_EQ(errors[0].icon, MessageIcon::Warning);
}

TEST_F(RunControlTest, ClosingOrClearingDuringARunAsksFirst)
{
    const std::string clip = dir.file("long.mp4");
    ASSERT_TRUE(qtest::MakeMedia(clip, "-f lavfi -i testsrc2=s=1280x720:r=30:d=30 -c:v libx264 -preset ultrafast"));
    AddOne(clip);
    Run().btnStartClick();
    ASSERT_TRUE(window.Converter().Working());
    dialogs.confirmAnswer = MessageResult::Cancel;
    EXPECT_FALSE(window.CloseAllowed());
    List().btnClearClick();
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_TRUE(window.Converter().Working());
    ASSERT_EQ(dialogs.BoxesCaptioned("提示").size(), 2u);
    EXPECT_NE(dialogs.boxes[0].text.find("已转换完成的文件会保留"), std::string::npos);

    dialogs.confirmAnswer = MessageResult::Ok;
    EXPECT_TRUE(window.CloseAllowed());
    List().btnClearClick();
    EXPECT_EQ(List().RowCount(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !window.Converter().Working(); }));
    // with no run, closing and clearing ask nothing
    dialogs.boxes.clear();
    EXPECT_TRUE(window.CloseAllowed());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RunControlTest, LogMessagesOfAnyThreadBecomeNumberedLines)
{
    uint32_t workerId = 0;
    std::thread worker([&] {
        workerId = CurrentThreadId();
        GetFFLogger().Log(nullptr, llInfo, "worker line");
    });
    ASSERT_TRUE(queue.pumpUntil([&] { return !window.Log().Lines().empty(); }, 5000));
    worker.join();
    EXPECT_EQ(window.Log().Lines().back(), "#" + std::to_string(workerId) + ".5: worker line");
}

}  // namespace

namespace {

TEST_F(RunControlTest, ClosingDuringARunStopsItWithoutTouchingTheRowsAgain)
{
    AddMany(SlowClips(3));
    window.suiComboBox3Change(2);  // 2 at a time
    Run().btnStartClick();
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "转换中..." || Status(1) == "转换中..."; }, 30000));

    window.FormCloseQuery();  // returns once every conversion has ended

    const std::vector<std::string> atClose = Statuses();
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(Statuses(), atClose) << "no late report or termination reaches the rows";
    EXPECT_EQ(Run().PendingTerminations(), 0u);
    EXPECT_EQ(std::count(atClose.begin(), atClose.end(), std::string("完成")), 0);
    EXPECT_TRUE(dialogs.boxes.empty()) << "closing asks nothing";
    EXPECT_EQ(shell.opened.size(), 0u);
}

}  // namespace

namespace {

TEST_F(RunControlTest, ARunWhoseOnlySourceIsGoneEndsAtOnce)
{
    const std::string clip = Clips(1)[0];
    AddOne(clip);
    fs::remove(clip);

    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded(5000)) << "the run must not wait for tasks that do not exist";

    EXPECT_EQ(Status(0), "失败");
    EXPECT_EQ(dialogs.BoxesCaptioned("Quorvex").size(), 1u);
    EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Add));
}

}  // namespace
