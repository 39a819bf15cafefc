#include "AppFakes.h"
#include "app/ListKeeper.h"
#include "app/ListStore.h"
#include "support/TestMedia.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

// A row whose every kept field differs from its default.
KeptRow FullRow()
{
    KeptRow row;
    row.Row.SourceFile = "/视频/源 文件.mp4";
    row.Row.SourceExt = "MP4";
    row.Row.TargetExt = "AVI";
    row.Row.Status = kStatusFinished;
    row.Row.Progress = 100;
    row.Record.FormatNumber = 126;
    row.Record.RunOutputFile = "/out/源 文件(New_1).avi";

    TInputOptions& in = row.Record.Input;
    in.FileName = "/视频/\xff\xfe broken name.mp4";  // not UTF-8: kept byte for byte
    in.FileFormat = "mpeg";
    in.StartTime = 1500000;
    in.ProgramID = 3;
    in.ExtOptions = "-probesize 5000000";

    TOutputOptions& out = row.Record.Output;
    out.FileName = "/out/源 文件.avi";
    out.FileFormat = "avi";
    out.PacketSize = 2324;
    out.MuxRate = 10080000;
    out.MuxDelay = 0.7f;
    out.MuxPreload = 0.5f;
    out.AudioCodec = "libmp3lame";
    out.AudioPreset = "apre";
    out.DisableAudio = true;
    out.AudioVolume = 512;
    out.AudioChannels = 6;
    out.AudioSampleRate = 48000;
    out.AudioBitrate = 192000;
    out.AudioBitrateTolerance = 4000;
    out.AudioLanguage = "chi";
    out.AudioSync = 2;
    out.AudioTag = "mp3a";
    out.VideoCodec = "mpeg4";
    out.VideoPreset = "vpre";
    out.DisableVideo = true;
    out.FrameRate = "30000/1001";
    out.FrameSize = "320x240";
    out.FrameAspectRatio = "4:3";
    out.CropTop = 2;
    out.CropBottom = 4;
    out.CropLeft = 6;
    out.CropRight = 8;
    out.GOPSize = 250;
    out.VideoBitrate = 768000;
    out.VideoMaxRate = 1000000;
    out.VideoMinRate = 100000;
    out.VideoBitrateTolerance = 5000;
    out.VideoBufSize = 224 * 1024;
    out.VideoSync = 1;
    out.VideoTag = "XVID";
    out.VideoFilters = "hflip,negate";
    out.VideoLanguage = "eng";
    out.SubtitleCodec = "mov_text";
    out.SubtitlePreset = "spre";
    out.DisableSubtitle = true;
    out.SubtitleLanguage = "jpn";
    out.InputSync = true;
    out.CopyTimestamps = true;
    out.StartTime = 0;
    out.Duration = 2500000;
    out.Info.TimeStamp = 46000.25;
    out.Info.Year = 2026;
    out.Info.Track = 7;
    out.Info.Title = "标题";
    out.Info.Author = "作者";
    out.Info.Copyright = "(c)";
    out.Info.Comment = "注释\n第二行\t\"引号\"";
    out.Info.Album = "专辑";
    out.Info.Genre = "Pop";
    out.TargetType = 3;
    out.TargetNorm = 2;
    out.TargetDefaultNorm = 2;
    out.CustomHook = true;
    out.Join = true;
    out.ExtOptions = "-g 12";
    return row;
}

void ExpectSameRow(const KeptRow& actual, const KeptRow& expected, int index)
{
    EXPECT_EQ(actual.Row.SourceFile, expected.Row.SourceFile) << index;
    EXPECT_EQ(actual.Row.SourceExt, expected.Row.SourceExt) << index;
    EXPECT_EQ(actual.Row.TargetExt, expected.Row.TargetExt) << index;
    EXPECT_EQ(actual.Row.Status, expected.Row.Status) << index;
    EXPECT_EQ(actual.Row.Progress, expected.Row.Progress) << index;
    EXPECT_EQ(actual.Record.FormatNumber, expected.Record.FormatNumber) << index;
    EXPECT_EQ(actual.Record.RunOutputFile, expected.Record.RunOutputFile) << index;
    EXPECT_TRUE(actual.Record.Input == expected.Record.Input) << index;
    EXPECT_TRUE(actual.Record.Output.Info == expected.Record.Output.Info) << index;
    EXPECT_TRUE(actual.Record.Output == expected.Record.Output) << index;
    EXPECT_EQ(actual.Record.SlotState, kSlotFull) << index;
}

class ListStoreTest : public testing::Test {
protected:
    std::string Folder() const { return dir.path() + "/data/quorvex/"; }
    std::string File() const { return Folder() + kListFileName; }
    std::vector<std::string> FolderNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    qtest::ScratchDir dir;
    ListStore store{Folder()};
};

TEST_F(ListStoreTest, EveryFieldComesBackAsWritten)
{
    KeptRow defaults;  // a row with nothing set keeps its "not set" markers
    defaults.Row.SourceFile = "/a.wav";
    const std::vector<KeptRow> rows{FullRow(), defaults};

    ASSERT_EQ(store.Write(rows), "");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{kListFileName});
    EXPECT_NE(ReadText(File()).find("\"version\": 1"), std::string::npos);
    const ListReadResult read = store.Read();
    ASSERT_EQ(read.Outcome, ListReadOutcome::Read) << read.Problem;
    ASSERT_EQ(read.Rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ExpectSameRow(read.Rows[i], rows[i], static_cast<int>(i));
    EXPECT_EQ(read.Rows[1].Record.Output.StartTime, kNoTimeUs);
    EXPECT_EQ(read.Rows[1].Record.Output.Info.TimeStamp, -1.0);
    EXPECT_EQ(fs::status(File()).permissions() & fs::perms::others_read, fs::perms::none);
}

TEST_F(ListStoreTest, NoFileIsAnEmptyListAndAnEmptyListIsKept)
{
    EXPECT_EQ(store.Read().Outcome, ListReadOutcome::NoFile);
    ASSERT_EQ(store.Write({FullRow()}), "");
    ASSERT_EQ(store.Write({}), "");
    const ListReadResult read = store.Read();
    EXPECT_EQ(read.Outcome, ListReadOutcome::Read);
    EXPECT_TRUE(read.Rows.empty());
}

TEST_F(ListStoreTest, MissingFieldsTakeTheirDefaultsAndUnknownOnesAreIgnored)
{
    fs::create_directories(Folder());
    WriteText(File(),
              R"({"version": 1, "written by": "a later program", "rows": [
                   {"SourceFile": "/b.mp4", "Resume": {"Segments": [1, 2]},
                    "Output": {"VideoCodec": "mpeg4", "Segmented": true}}]})");
    const ListReadResult read = store.Read();
    ASSERT_EQ(read.Outcome, ListReadOutcome::Read) << read.Problem;
    ASSERT_EQ(read.Rows.size(), 1u);
    EXPECT_EQ(read.Rows[0].Row.SourceFile, "/b.mp4");
    EXPECT_EQ(read.Rows[0].Row.Status, kStatusReady);
    EXPECT_EQ(read.Rows[0].Record.Output.VideoCodec, "mpeg4");
    TOutputOptions expected;
    expected.VideoCodec = "mpeg4";
    EXPECT_TRUE(read.Rows[0].Record.Output == expected);
    EXPECT_TRUE(read.Rows[0].Record.Input == TInputOptions{});
}

struct UnreadableCase {
    const char* what;
    std::string text;
    bool newer;
};

TEST_F(ListStoreTest, AFileThatCannotBeReadIsSetAsideWhole)
{
    const std::string whole = ListToJson({FullRow()});
    const std::vector<UnreadableCase> cases{
        {"cut short", whole.substr(0, whole.size() / 2), false},
        {"empty", "", false},
        {"not JSON", "\x01\x02 garbage", false},
        {"no version", R"({"rows": []})", false},
        {"rows not a list", R"({"version": 1, "rows": {}})", false},
        {"a field of the wrong type",
         R"({"version": 1, "rows": [{"SourceFile": "/a", "Input": {"StartTime": "soon"}}]})", false},
        {"a number too big for its field", R"({"version": 1, "rows": [{"Progress": 99999999999}]})", false},
        {"a number too big for any field", R"({"version": 1, "rows": [{"Output": {"MuxDelay": 12.1E1111}}]})", false},
        {"a number too big for a float", R"({"version": 1, "rows": [{"Output": {"MuxDelay": 1e300}}]})", false},
        {"a newer version", R"({"version": 2, "rows": [{"SourceFile": "/a", "Parts": []}]})", true},
    };
    for (const UnreadableCase& c : cases) {
        fs::remove_all(Folder());
        fs::create_directories(Folder());
        WriteText(File(), c.text);

        const ListReadResult read = store.Read();
        EXPECT_EQ(read.Outcome, ListReadOutcome::SetAside) << c.what;
        EXPECT_EQ(read.Newer, c.newer) << c.what;
        EXPECT_TRUE(read.Rows.empty()) << c.what;
        EXPECT_FALSE(read.Problem.empty()) << c.what;
        EXPECT_FALSE(fs::exists(File())) << c.what;
        const std::string prefix = File() + (c.newer ? ".newer-" : ".damaged-");
        EXPECT_EQ(read.SetAsidePath.compare(0, prefix.size(), prefix), 0) << c.what << ": " << read.SetAsidePath;
        EXPECT_EQ(ReadText(read.SetAsidePath), c.text) << c.what;
    }
}

TEST_F(ListStoreTest, ASecondSetAsideInTheSameSecondTakesANewName)
{
    fs::create_directories(Folder());
    WriteText(File(), "first");
    const ListReadResult first = store.Read();
    WriteText(File(), "second");
    const ListReadResult second = store.Read();
    ASSERT_EQ(first.Outcome, ListReadOutcome::SetAside);
    ASSERT_EQ(second.Outcome, ListReadOutcome::SetAside);
    EXPECT_NE(first.SetAsidePath, second.SetAsidePath);
    EXPECT_EQ(ReadText(first.SetAsidePath), "first");
    EXPECT_EQ(ReadText(second.SetAsidePath), "second");
}

// Files larger than `bytes` cannot be written while it lives; a write beyond
// fails with EFBIG in place of the signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(ListStoreTest, AFailedWriteLeavesTheOldFileWhole)
{
    KeptRow old = FullRow();
    old.Row.SourceFile = "/old.mp4";
    ASSERT_EQ(store.Write({old}), "");
    const std::string before = ReadText(File());

    std::string error;
    {
        FileSizeLimit limit(before.size() / 2);  // the longer list cannot be written whole
        error = store.Write({FullRow(), FullRow(), FullRow()});
    }
    EXPECT_NE(error, "");
    EXPECT_EQ(ReadText(File()), before);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{kListFileName});  // no temporary file left
    const ListReadResult read = store.Read();
    ASSERT_EQ(read.Outcome, ListReadOutcome::Read);
    ASSERT_EQ(read.Rows.size(), 1u);
    EXPECT_EQ(read.Rows[0].Row.SourceFile, "/old.mp4");

    // a data folder that cannot be made is an error, not an exception
    WriteText(dir.file("plain file"), "x");
    EXPECT_NE(ListStore(dir.file("plain file") + "/quorvex/").Write({old}), "");
}

TEST_F(ListStoreTest, WhatAKilledWriteLeftBehindIsRemovedAtTheNextRead)
{
    ASSERT_EQ(store.Write({FullRow()}), "");
    WriteText(Folder() + "." + kListFileName + ".a1B2c3", "half a li");
    WriteText(Folder() + "notes.txt", "not ours");
    EXPECT_EQ(store.Read().Outcome, ListReadOutcome::Read);
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{kListFileName, "notes.txt"}));
}

struct StartCase {
    const char* status;
    bool outputThere;
    const char* shown;
    int progress;
};

TEST(RowAtStart, UnfinishedRowsAreReadyAgainAndFinishedOnesNeedTheirOutput)
{
    qtest::ScratchDir dir;
    const std::string output = dir.file("out.avi");
    const std::vector<StartCase> cases{
        {kStatusConverting, true, kStatusReady, -1},   {kStatusPaused, true, kStatusReady, -1},
        {kStatusFinished, true, kStatusFinished, 100}, {kStatusFinished, false, kStatusReady, -1},
        {kStatusReady, false, kStatusReady, 40},       {kStatusStopped, true, kStatusStopped, 40},
        {kStatusFailed, false, kStatusFailed, 40},
    };
    for (const StartCase& c : cases) {
        fs::remove(output);
        if (c.outputThere)
            WriteText(output, "RIFF");
        KeptRow row;
        row.Row.Status = c.status;
        row.Row.Progress = std::string(c.status) == kStatusFinished ? 100 : 40;
        row.Row.TimeText = "12   (秒)";
        row.Record.Output.FileName = dir.file("named at the add.avi");
        row.Record.RunOutputFile = output;
        const KeptRow shown = RowAtStart(row);
        EXPECT_EQ(shown.Row.Status, c.shown) << c.status << " " << c.outputThere;
        EXPECT_EQ(shown.Row.Progress, c.progress) << c.status << " " << c.outputThere;
        EXPECT_EQ(shown.Row.TimeText, "0") << c.status;
    }
    // before any run the name of the add is the output
    KeptRow added;
    added.Row.Status = kStatusFinished;
    added.Record.Output.FileName = output;
    WriteText(output, "RIFF");
    EXPECT_EQ(RowAtStart(added).Row.Status, kStatusFinished);
}

}  // namespace
