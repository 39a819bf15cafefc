#include "ListWindowFixture.h"
#include "app/NewNameRule.h"
#include "app/OutputOptionsCopy.h"
#include "app/RunEstimates.h"
#include "formats/FormatsTexts.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <utility>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

class ConversionListTest : public ListWindowTest {};

// Records what the list asks of its sampler; the test hands in the results.
class RecordingSampler : public ISizeSampler {
public:
    struct Asked {
        uint64_t key;
        TInputOptions input;
        TOutputOptions output;
    };
    std::vector<Asked> requests;
    std::vector<uint64_t> cancels;
    std::vector<SampledSize> results;

    void Request(uint64_t key, const TInputOptions& input, const TOutputOptions& output) override
    {
        requests.push_back({key, input, output});
    }
    void Cancel(uint64_t key) override { cancels.push_back(key); }
    std::vector<SampledSize> TakeResults() override
    {
        std::vector<SampledSize> taken;
        taken.swap(results);
        return taken;
    }
};

TEST_F(ConversionListTest, DatSourcesAreReadAsMpegWhateverTheCaseOfTheirExtension)
{
    const std::string mpeg = dir.file("program.mpg");
    ASSERT_TRUE(qtest::MakeMedia(mpeg, "-f lavfi -i testsrc=s=160x120:d=1 -f mpeg"));
    struct Case {
        const char* name;
        const char* forcedFormat;
        const char* label;
    };
    const Case cases[] = {{"movie.DAT", "mpeg", "DAT"}, {"movie.dat", "mpeg", "DAT"}, {"movie.mpg", "", "MPG"}};
    int row = 0;
    for (const Case& c : cases) {
        const std::string source = dir.file(c.name);
        fs::copy_file(mpeg, source, fs::copy_options::overwrite_existing);
        AddOne(source);
        ASSERT_EQ(List().RowCount(), row + 1) << c.name;
        EXPECT_EQ(List().Slot(row).Input.FileFormat, c.forcedFormat) << c.name;
        EXPECT_EQ(List().Slot(row).Input.FileName, source);
        EXPECT_EQ(List().Rows()[static_cast<size_t>(row)].SourceExt, c.label);
        EXPECT_EQ(List().Rows()[static_cast<size_t>(row)].Status, "准备");
        ++row;
    }
    EXPECT_EQ(window.PreviewFile(), dir.file("movie.mpg"));
}

TEST_F(ConversionListTest, AnExistingOutputGetsANewNumberOrIsOverwrittenByTheUsersChoice)
{
    const std::string source = qtest::MakeMp4Clip(dir.path(), 1.0);
    const std::string sourceName = fs::path(source).stem().string();
    chooser.formatNumber = 12;  // MP4 for computers
    qtest::MakeMedia(Output(sourceName + ".mp4"), "-f lavfi -i testsrc=d=0.2");

    struct Case {
        int existingFileIndex;
        std::string output;
    };
    const Case cases[] = {{0, sourceName + "(New_1).mp4"}, {1, sourceName + ".mp4"}};
    int row = 0;
    for (const Case& c : cases) {
        window.suiComboBox4Change(c.existingFileIndex);
        AddOne(source);
        ASSERT_EQ(List().RowCount(), row + 1);
        EXPECT_EQ(List().Slot(row).Output.FileName, Output(c.output));
        EXPECT_EQ(List().Rows()[static_cast<size_t>(row)].TargetExt, "MP4");
        ++row;
    }
}

TEST_F(ConversionListTest, FilesAfterAMissingOneAreAddedFromTheLastInTheDialogsOrder)
{
    const std::vector<std::string> clips = Clips(5);
    fs::remove(clips[2]);

    AddMany(clips);

    EXPECT_EQ(Sources(), (std::vector<std::string>{clips[4], clips[3]}));
    EXPECT_EQ(List().Rows()[0].Caption, "1");
    EXPECT_EQ(List().Rows()[1].Caption, "2");
    EXPECT_EQ(List().Slot(0).SlotState, "Full");
    EXPECT_EQ(List().Slot(1).SlotState, "Full");
    EXPECT_EQ(List().Slot(2).SlotState, "kong");
    EXPECT_EQ(List().Selected(), 1);
    EXPECT_EQ(chooser.shown, 1);
    // the menu entry and the add itself both keep the clip off for several files
    EXPECT_EQ(chooser.clipEnabled, (std::vector<bool>{false, false}));
}

TEST_F(ConversionListTest, ATransportStreamAddedWithTheAviFormatBecomesAnAviOfTheSameName)
{
    const std::string ts = dir.file("clip.ts");
    ASSERT_TRUE(qtest::MakeMedia(ts, "-f lavfi -i testsrc=s=160x120:d=1 -c:v mpeg2video -f mpegts"));
    chooser.formatNumber = 1;

    AddMany({ts});

    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().Slot(0).Output.FileName, Output("clip.avi"));
    EXPECT_EQ(List().Rows()[0].SourceExt, "TS");
    EXPECT_EQ(List().Rows()[0].TargetExt, "AVI");
}

// A format whose selection the encoder cannot write as chosen (H.263 codes
// 352x288, not the list's 320x240) says in the log and in the row's target
// cell what is written; the file then has that size.
TEST_F(ConversionListTest, AnAdjustedSelectionIsNamedInTheLogAndTheTargetCell)
{
    chooser.formatNumber = 120;
    AddOne(qtest::MakeMp4Clip(dir.path(), 1.0));
    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().Rows()[0].TargetExt, "3GP (分辨率 320*240 → 352*288)");
    const auto& lines = window.Log().Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "按编码器和格式的要求写入: 分辨率 320*240 → 352*288"), lines.end());

    chooser.formatNumber = 12;  // written as selected
    AddOne(qtest::MakeMp4Clip(dir.path(), 1.0));
    EXPECT_EQ(List().Rows()[1].TargetExt, "MP4");
}

TEST_F(ConversionListTest, RemovingTheSecondOfThreeShiftsTheLaterRecordsAndParksItInTheLastSlot)
{
    const std::vector<std::string> clips = Clips(3);
    for (const std::string& clip : clips)
        AddOne(clip);
    ASSERT_EQ(List().RowCount(), 3);

    List().AdvListView1SelectItem(1);
    List().btnRemoveClick();

    EXPECT_EQ(Sources(), (std::vector<std::string>{clips[0], clips[2]}));
    EXPECT_EQ(List().Rows()[0].Caption, "1");
    EXPECT_EQ(List().Rows()[1].Caption, "2");
    EXPECT_EQ(List().Slot(1).Input.FileName, clips[2]);
    EXPECT_EQ(List().Slot(1).SlotState, "Full");
    EXPECT_EQ(List().Slot(2).SlotState, "kong");
    EXPECT_EQ(List().Slot(500).SlotState, "DELETED");
    EXPECT_EQ(List().Slot(500).Input.FileName, clips[1]);
    const MainWindowControls& c = window.Controls();
    EXPECT_FALSE(c.ToolEnabled(ToolButton::Remove));
    EXPECT_FALSE(c.ListActive(ListButton::Remove));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Clear));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Start));
    EXPECT_TRUE(c.ListActive(ListButton::Up));
}

TEST_F(ConversionListTest, RemoveWithoutASelectionOnlyAsksForOne)
{
    List().btnRemoveClick();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "请先选择您需要删除的项目！");
    EXPECT_EQ(dialogs.boxes[0].caption, "提示");
}

TEST_F(ConversionListTest, AfterThreeRemovesAddsStopAtSlot497AndTheFullListIsRefusedWithAMessage)
{
    const std::vector<std::string> clips = Clips(3);
    for (const std::string& clip : clips)
        AddOne(clip);
    for (int i = 0; i < 3; ++i) {
        List().AdvListView1SelectItem(0);
        List().btnRemoveClick();
    }
    ASSERT_EQ(List().RowCount(), 0);

    AddMany(std::vector<std::string>(501, clips[0]));

    EXPECT_EQ(List().RowCount(), 498);
    EXPECT_EQ(List().Slot(497).SlotState, "Full");
    for (int slot : {498, 499, 500})
        EXPECT_EQ(List().Slot(slot).SlotState, "DELETED") << slot;
    const std::vector<ShownBox> refusals = dialogs.BoxesCaptioned("提示");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].text.find("转换列表已满"), std::string::npos);

    dialogs.boxes.clear();
    const int shownBefore = chooser.shown;
    AddOne(clips[1]);
    EXPECT_EQ(List().RowCount(), 498);
    EXPECT_EQ(dialogs.BoxesCaptioned("提示").size(), 1u);
    EXPECT_EQ(chooser.shown, shownBefore) << "a full list is refused before the format is chosen";

    List().btnClearClick();
    AddOne(clips[1]);
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().Slot(500).SlotState, "kong");
}

TEST_F(ConversionListTest, MovesSwapRowsAndSlotsButNotPastEitherEnd)
{
    const std::vector<std::string> clips = Clips(3);
    for (const std::string& clip : clips)
        AddOne(clip);
    struct Case {
        int selected;
        bool up;
        std::vector<int> order;  // the clips in row order afterwards
        int selectedAfter;
    };
    const Case cases[] = {
        {0, true, {0, 1, 2}, 0},  // first up: nothing
        {2, false, {0, 1, 2}, 2},  // last down: nothing
        {2, true, {0, 2, 1}, 1},
        {0, false, {2, 0, 1}, 1},
    };
    for (const Case& c : cases) {
        List().AdvListView1SelectItem(c.selected);
        if (c.up)
            List().Button10Click();
        else
            List().Button11Click();
        std::vector<std::string> expected;
        for (int index : c.order)
            expected.push_back(clips[static_cast<size_t>(index)]);
        EXPECT_EQ(Sources(), expected);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(List().Slot(row).Input.FileName, expected[static_cast<size_t>(row)]);
            EXPECT_EQ(List().Rows()[static_cast<size_t>(row)].Caption, std::to_string(row + 1));
        }
        EXPECT_EQ(List().Selected(), c.selectedAfter);
        EXPECT_FALSE(window.ListBusy());
    }
}

TEST_F(ConversionListTest, AnUnreadableFileIsReportedAndTheOthersOfAManyFilesAddGoOn)
{
    const std::vector<std::string> clips = Clips(2);
    const std::string bad = dir.file("notes.mp4");
    WriteText(bad, "this is no media file");

    AddMany({clips[0], bad, clips[1]});

    EXPECT_EQ(Sources(), (std::vector<std::string>{clips[1], clips[0]}));
    const std::vector<ShownBox> boxes = dialogs.BoxesCaptioned("提示");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "无法识别的音频或视频文件！" + bad);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Information);
    const auto& lines = window.Log().Lines();
    const bool logged = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("***文件打开失败 ", 0) == 0 && line.size() > std::string("***文件打开失败 ").size();
    });
    EXPECT_TRUE(logged);
}

TEST_F(ConversionListTest, CancelledDialogOrChooserAddsNothing)
{
    const std::string clip = Clips(1)[0];
    List().MenuItem15Click();  // the open dialog is cancelled
    chooser.cancel = true;
    AddOne(clip);
    AddMany({clip});
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(chooser.shown, 2);
    EXPECT_FALSE(window.Controls().ToolEnabled(ToolButton::Start));
}

TEST_F(ConversionListTest, ClearEmptiesRowsTasksAndSlots)
{
    for (const std::string& clip : Clips(2))
        AddOne(clip);
    ASSERT_EQ(window.Converter().TaskCount(), 2);
    List().btnClearClick();
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(window.Converter().TaskCount(), 0);
    EXPECT_EQ(List().Slot(0).SlotState, "kong");
    const MainWindowControls& c = window.Controls();
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Add));
    for (ToolButton off : {ToolButton::Remove, ToolButton::Clear, ToolButton::Start})
        EXPECT_FALSE(c.ToolEnabled(off));
    for (ListButton off : {ListButton::Up, ListButton::Down, ListButton::Remove, ListButton::Clear})
        EXPECT_FALSE(c.ListActive(off));
}

TEST(NewNameRule, TakesTheFirstFreeNumber)
{
    qtest::ScratchDir dir;
    WriteText(dir.file("clip.mp4"), "x");
    EXPECT_EQ(NewNameRule(dir.file("clip.mp4")), dir.file("clip(New_1).mp4"));
    WriteText(dir.file("clip(New_1).mp4"), "x");
    EXPECT_EQ(NewNameRule(dir.file("clip.mp4")), dir.file("clip(New_2).mp4"));
    EXPECT_EQ(NewNameRule(dir.file("noext")), dir.file("noext(New_1)"));
    EXPECT_EQ(NewNameRule(dir.path() + "/a.b/noext"), dir.path() + "/a.b/noext(New_1)");
    EXPECT_EQ(WithoutNewNumber(dir.file("clip(New_2).mp4")), dir.file("clip.mp4"));
}

TEST(OutputOptionsCopy, SetFieldsAreCopiedAndTheMpeg4TagOnlyStaysInAvi)
{
    struct Case {
        const char* codec;
        const char* tag;
        const char* ext;
        const char* expectedTag;
        const char* expectedPreset;
    };
    const Case cases[] = {
        {"mpeg4", "DX50", ".avi", "DX50", ""},
        {"mpeg4", "XVID", ".avi", "XVID", ""},
        {"mpeg4", "DX50", ".mp4", "", ""},
        {"mpeg4", "", ".avi", "", ""},
        {"libx264", "", ".mp4", "", "libx264-default"},
        {"msmpeg4", "DIV3", ".avi", "DIV3", ""},
    };
    for (const Case& c : cases) {
        OutputSettings s;
        s.VideoCodec = c.codec;
        s.VideoTag = c.tag;
        s.OutputExt = c.ext;
        TOutputOptions o;
        CopyOutputSettings(s, o);
        EXPECT_EQ(o.VideoCodec, c.codec);
        EXPECT_EQ(o.VideoTag, c.expectedTag) << c.codec << " " << c.tag << " " << c.ext;
        EXPECT_EQ(o.VideoPreset, c.expectedPreset);
    }

    OutputSettings s;  // after the add reset: nothing set
    TOutputOptions o;
    CopyOutputSettings(s, o);
    EXPECT_EQ(o.AudioVolume, -1);
    EXPECT_EQ(o.VideoBitrate, -1);
    EXPECT_EQ(o.TargetNorm, 0);
    s.AudioChannels = "1";
    s.AudioSampleRate = "AUTO";
    s.Volume = "512";
    s.VideoBitrate = kBitrateNotSet;
    s.AudioBitrate = 2 * kBitrateNotSet;
    s.TargetType = "svcd";
    s.VideoNorm = "NTSC";
    s.AudioOnly = true;
    s.AudioCodec = "AUTO";
    CopyOutputSettings(s, o);
    EXPECT_EQ(o.AudioChannels, 1);
    EXPECT_EQ(o.AudioSampleRate, -1);
    EXPECT_EQ(o.AudioVolume, 512);
    EXPECT_EQ(o.VideoBitrate, -1);
    EXPECT_EQ(o.AudioBitrate, -1);
    EXPECT_EQ(o.TargetType, 2);
    EXPECT_EQ(o.TargetNorm, 2);
    EXPECT_TRUE(o.DisableVideo);
    EXPECT_EQ(o.AudioCodec, "");
}

}  // namespace

namespace {

TEST_F(ConversionListTest, AFolderAddTakesTheMediaFilesOfEverySubfolderAndSkipsTheRest)
{
    const std::string clip = qtest::MakeMp4Clip(dir.path(), 0.5);
    const std::string tone = qtest::MakeWavClip(dir.path(), 0.5);
    const std::string root = dir.file("holiday");
    fs::create_directories(root + "/day 2/evening");
    fs::create_directories(root + "/empty");
    const std::vector<std::pair<std::string, std::string>> files = {{clip, root + "/beach.mp4"},
                                                                    {tone, root + "/day 2/voice.WAV"},
                                                                    {clip, root + "/day 2/evening/fire.mkv"},
                                                                    {clip, root + "/notes.txt"},
                                                                    {tone, root + "/day 2/cover.png"}};
    for (const auto& [from, to] : files)
        fs::copy_file(from, to);
    dialogs.folderAnswers.push_back(root);
    List().AddFolder();
    EXPECT_EQ(Sources(), (std::vector<std::string>{root + "/beach.mp4", root + "/day 2/evening/fire.mkv",
                                                   root + "/day 2/voice.WAV"}));
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_TRUE(dialogs.boxes.empty());

    // a folder with nothing to convert says so and shows no chooser
    dialogs.folderAnswers.push_back(root + "/empty");
    List().AddFolder();
    EXPECT_EQ(List().RowCount(), 3);
    EXPECT_EQ(chooser.shown, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("没有可以转换的音频或视频文件"), std::string::npos);
}

TEST_F(ConversionListTest, ARowsChangedFormatIsWhatTheNextRunWrites)
{
    const std::string source = qtest::MakeMp4Clip(dir.path(), 1.0);
    const std::string stem = fs::path(source).stem().string();
    chooser.formatNumber = 1;  // AVI
    AddOne(source);
    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().Rows()[0].TargetExt, "AVI");
    const int64_t aviEstimate = List().Rows()[0].ExpectedBytes;

    chooser.formatNumber = 12;  // MP4 for computers
    List().ChangeRowFormat(0);
    EXPECT_EQ(chooser.shown, 2);
    EXPECT_EQ(List().Rows()[0].TargetExt, "MP4");
    EXPECT_EQ(List().Slot(0).Output.FileName, Output(stem + ".mp4"));
    EXPECT_NE(List().Rows()[0].ExpectedBytes, aviEstimate);

    Run().btnStartClick();
    ASSERT_TRUE(PumpUntilRunEnded());
    EXPECT_EQ(Status(0), "完成");
    EXPECT_FALSE(fs::exists(Output(stem + ".avi")));
    EXPECT_NE(qtest::ProbeFormat(Output(stem + ".mp4"))["format_name"].find("mp4"), std::string::npos);
    EXPECT_EQ(List().Rows()[0].OutputBytes, qtest::FileBytes(Output(stem + ".mp4")));

    // cancelling the chooser leaves the row as it was
    chooser.cancel = true;
    List().ChangeRowFormat(0);
    EXPECT_EQ(List().Slot(0).Output.FileName, Output(stem + ".mp4"));
}

}  // namespace

namespace {

TEST_F(ConversionListTest, EveryRowIsSampledAndARemovedOrChangedRowsSampleIsCancelled)
{
    RecordingSampler sampler;
    const std::vector<std::string> files = Clips(3);
    chooser.formatNumber = 300;  // constant quality: no bit rate to estimate from
    AddOne(files[0]);
    List().SetSizeSampler(&sampler);  // a row already there is sampled at once
    ASSERT_EQ(sampler.requests.size(), 1u);
    EXPECT_EQ(sampler.requests[0].input, List().Slot(0).Input);
    EXPECT_EQ(sampler.requests[0].output, List().Slot(0).Output);
    EXPECT_EQ(List().Rows()[0].SizeText(), "估算中...");
    chooser.formatNumber = 1;
    AddOne(files[1]);
    AddOne(files[2]);
    ASSERT_EQ(sampler.requests.size(), 3u);
    const uint64_t first = sampler.requests[0].key, second = sampler.requests[1].key, third = sampler.requests[2].key;
    EXPECT_EQ((std::set<uint64_t>{first, second, third}).size(), 3u);
    EXPECT_EQ(sampler.requests[2].input.FileName, files[2]);
    const int64_t firstGuess = List().Rows()[2].ExpectedBytes;  // from the bit rates
    ASSERT_GT(firstGuess, 0);
    EXPECT_EQ(List().Rows()[2].SizeText(), "约 " + ByteCountText(firstGuess));

    // the second row goes: its sample is cancelled and its late result changes nothing
    List().AdvListView1SelectItem(1);
    List().btnRemoveClick();
    ASSERT_EQ(List().RowCount(), 2);
    EXPECT_EQ(sampler.cancels, std::vector<uint64_t>{second});
    sampler.results = {{second, 1}, {first, 123456, 2.5}, {third, -1}};
    List().ApplySampledSizes();
    EXPECT_EQ(List().Rows()[0].ExpectedBytes, 123456);
    EXPECT_EQ(List().Rows()[0].SampleSpeed, 2.5);  // the run expects the row at its sample's speed
    EXPECT_EQ(List().Rows()[0].SizeText(), "约 " + ByteCountText(123456));
    EXPECT_EQ(List().Rows()[1].ExpectedBytes, firstGuess);  // a sample that could not tell keeps the first guess
    EXPECT_FALSE(List().Rows()[1].Sampling);

    // a changed row is sampled again with what was chosen
    chooser.formatNumber = 12;
    List().ChangeRowFormat(1);
    ASSERT_EQ(sampler.requests.size(), 4u);
    EXPECT_EQ(sampler.requests[3].output, List().Slot(1).Output);
    EXPECT_EQ(List().Slot(1).Output.FileName.substr(List().Slot(1).Output.FileName.size() - 4), ".mp4");
    chooser.formatNumber = 300;
    List().ChangeRowFormat(1);  // changed again before its sample came: the first one is cancelled
    ASSERT_EQ(sampler.requests.size(), 5u);
    EXPECT_EQ(sampler.cancels, (std::vector<uint64_t>{second, sampler.requests[3].key}));

    // clearing cancels what is under way, and nothing else is asked for
    List().btnClearClick();
    EXPECT_EQ(sampler.cancels, (std::vector<uint64_t>{second, sampler.requests[3].key, sampler.requests[4].key}));
    EXPECT_EQ(sampler.requests.size(), 5u);
    List().SetSizeSampler(nullptr);
}

TEST_F(ConversionListTest, AClipIsHeldToTheSourcesLengthWhenAddedAndWhenTheRowsFormatChanges)
{
    const std::string source = qtest::MakeMp4Clip(dir.path(), 3.0);
    struct Case {
        const char* name;
        std::optional<std::pair<int64_t, int64_t>> clipMs;  // start and length
        int64_t startUs;  // of the input
        int64_t durationUs;  // of the output, within 0.1 s
    };
    const Case cases[] = {
        {"no clip", std::nullopt, kNoTimeUs, kNoTimeUs},
        {"inside the source", std::make_pair(int64_t{500}, int64_t{1000}), 500'000, 1'000'000},
        {"stopping past the end", std::make_pair(int64_t{1000}, int64_t{60'000}), 1'000'000, 2'000'000},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto expectClip = [&](const char* when) {
            const RowRecord& slot = List().Slot(row);
            EXPECT_EQ(slot.Input.StartTime, c.startUs) << when;
            if (c.durationUs == kNoTimeUs) {
                EXPECT_EQ(slot.Output.Duration, kNoTimeUs) << when;
                EXPECT_EQ(slot.Output.StartTime, 0) << when;
            } else {
                EXPECT_NEAR(static_cast<double>(slot.Output.Duration), static_cast<double>(c.durationUs), 1e5) << when;
            }
        };
        chooser.clipMs = c.clipMs;
        chooser.formatNumber = 1;  // AVI
        AddOne(source);
        ASSERT_EQ(List().RowCount(), row + 1);
        expectClip("added");
        chooser.formatNumber = 12;  // MP4 for computers
        List().ChangeRowFormat(row);
        EXPECT_EQ(List().Rows()[static_cast<size_t>(row)].TargetExt, "MP4");
        expectClip("format changed");
        ++row;
    }
}

TEST_F(ConversionListTest, AClipStartingPastTheSourcesEndAddsNoRowAndLeavesAChangedRowAsItWas)
{
    const std::string source = qtest::MakeMp4Clip(dir.path(), 3.0);
    const std::string refusal = std::string("***不能进行正常转换: ") + kStopBeyondLengthMessage;
    const auto pastTheEnd = std::make_pair(int64_t{5000}, int64_t{1000});
    chooser.clipMs = pastTheEnd;
    AddOne(source);
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(window.Converter().TaskCount(), 0);

    chooser.clipMs.reset();
    chooser.formatNumber = 1;  // AVI
    AddOne(source);
    ASSERT_EQ(List().RowCount(), 1);
    const std::string aviName = List().Slot(0).Output.FileName;
    chooser.clipMs = pastTheEnd;
    chooser.formatNumber = 12;  // MP4 for computers
    List().ChangeRowFormat(0);
    EXPECT_EQ(List().Rows()[0].TargetExt, "AVI");
    EXPECT_EQ(List().Slot(0).Output.FileName, aviName);
    EXPECT_EQ(List().Slot(0).Output.Duration, kNoTimeUs);
    const auto& lines = window.Log().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), refusal), 2);
}

// A source lying in the output folder under its output's name, with existing
// files overwritten, would be written over itself: the converter refuses that
// output, and the add goes on with the next file.
TEST_F(ConversionListTest, AManyFilesAddKeepsNoRowForAnOutputTheConverterRefusesAndGoesOn)
{
    const std::vector<std::string> clips = Clips(1);
    fs::create_directories(OutputFolder());
    const std::string inPlace = Output("inplace.mp4");
    fs::copy_file(clips[0], inPlace);
    chooser.formatNumber = 12;  // MP4 for computers
    window.suiComboBox4Change(1);  // an existing output is overwritten

    AddMany({clips[0], inPlace});

    EXPECT_EQ(Sources(), std::vector<std::string>{clips[0]});
    EXPECT_EQ(window.Converter().TaskCount(), 1);
    EXPECT_EQ(List().Slot(0).Output.FileName, Output("source0.mp4"));
    EXPECT_EQ(List().Slot(1).SlotState, "kong");
    const auto& lines = window.Log().Lines();
    const auto refused = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("***不能进行正常转换: ", 0) == 0 && line.find("inplace.mp4") != std::string::npos;
    });
    EXPECT_EQ(refused, 1);
}

}  // namespace
