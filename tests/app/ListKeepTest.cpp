#include "StartedWindow.h"
#include "app/ListStore.h"
#include "engine/SegmentedOutput.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace apptest;

namespace {

// Sets environment variables for its lifetime.
class EnvironmentOverride {
public:
    void Set(const char* name, const std::optional<std::string>& value)
    {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~EnvironmentOverride()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? setenv(it->first, it->second->c_str(), 1) : unsetenv(it->first);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// A child process with its stdout and stdin on pipes.
struct Child {
    pid_t pid = -1;
    int out = -1;  // the child's stdout
    int in = -1;  // the child's stdin, held open so it blocks on it

    // Reads the child's output until `line` arrives, the child ends or the time passes.
    std::string ReadUntil(const std::string& line, int timeoutMs)
    {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (text.find(line + "\n") == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd wait{out, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buffer[512];
            const ssize_t n = read(out, buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
};

Child Spawn(const std::vector<std::string>& args)
{
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    child.in = toChild[1];
    child.out = fromChild[0];
    return child;
}

std::string ProgramNextToThisOne(const std::string& name)
{
    return (fs::read_symlink("/proc/self/exe").parent_path() / name).string();
}

TEST(ListKeep, TheListSurvivesAKillOfTheProgram)
{
    qtest::ScratchDir dir;
    fs::create_directories(dir.path() + "/program");
    EnvironmentOverride environment;
    environment.Set("HOME", dir.path() + "/home");
    environment.Set("XDG_DATA_HOME", dir.path() + "/data");
    environment.Set("XDG_CONFIG_HOME", std::nullopt);
    const std::string film = dir.file("film.mp4");
    const std::string clipped = dir.file("clipped.mp4");
    const std::string song = dir.file("song.wav");
    fs::copy_file(qtest::MakeMp4Clip(dir.path(), 1.0), film);
    ASSERT_TRUE(qtest::MakeMedia(clipped, "-f lavfi -i testsrc=s=320x240:r=25:d=3 -f lavfi -i sine=d=3 "
                                          "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
    fs::copy_file(qtest::MakeWavClip(dir.path(), 1.0), song);

    Child child = Spawn({ProgramNextToThisOne("app_list_keep_child"), dir.path(), film, clipped, song});
    ASSERT_GT(child.pid, 0);
    const std::string said = child.ReadUntil("ready", 120000);
    kill(child.pid, SIGKILL);
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.in);
    close(child.out);
    ASSERT_NE(said.find("ready\n"), std::string::npos) << said;
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const std::string kept = dir.path() + "/data/quorvex/" + kListFileName;
    ASSERT_TRUE(fs::exists(kept));

    // the program starts again
    StartedWindow started(dir.path() + "/program");
    MainWindowController& window = started.window;
    const ConversionList& list = window.List();
    EXPECT_TRUE(started.dialogs.boxes.empty());

    const std::vector<KeptRow> added = ListFromJson(ReadText(dir.file("added.json")));
    ASSERT_EQ(added.size(), 3u);
    ASSERT_EQ(list.RowCount(), 3);
    const std::vector<std::string> sources{film, clipped, song};
    const std::vector<std::string> targets{"AVI", "MP4", "MP3"};
    const std::vector<int> formats{1, 12, 200};
    // converted before the kill / converting when killed / not begun
    const std::vector<std::string> statuses{kStatusFinished, kStatusReady, kStatusReady};
    for (int i = 0; i < 3; ++i) {
        const ListRow& row = list.Rows()[static_cast<size_t>(i)];
        const RowRecord& slot = list.Slot(i);
        EXPECT_EQ(row.Caption, std::to_string(i + 1));
        EXPECT_EQ(row.SourceFile, sources[static_cast<size_t>(i)]);
        EXPECT_EQ(row.TargetExt, targets[static_cast<size_t>(i)]);
        EXPECT_EQ(row.Status, statuses[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(slot.SlotState, kSlotFull);
        EXPECT_EQ(slot.FormatNumber, formats[static_cast<size_t>(i)]);
        EXPECT_TRUE(slot.Input == added[static_cast<size_t>(i)].Record.Input) << i;
        EXPECT_TRUE(slot.Output == added[static_cast<size_t>(i)].Record.Output) << i;
    }
    EXPECT_EQ(list.Rows()[0].Progress, 100);
    EXPECT_EQ(list.Slot(1).Input.StartTime, 1000000);
    EXPECT_EQ(list.Slot(1).Output.Duration, 1000000);
    EXPECT_EQ(list.Slot(0).Output.VideoCodec, "mpeg4");
    EXPECT_EQ(list.Slot(2).Output.AudioCodec, "libmp3lame");
    EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Start));
    EXPECT_TRUE(window.Controls().ToolEnabled(ToolButton::Clear));

    // and the rows convert with the settings they came back with
    started.window.Run().btnStartClick();
    ASSERT_TRUE(started.PumpUntilRunEnded(120000));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.Rows()[static_cast<size_t>(i)].Status, kStatusFinished) << i;
    const std::string clipOutput = list.Slot(1).RunOutputFile;
    EXPECT_NEAR(std::stod(qtest::ProbeFormat(clipOutput)["duration"]), 1.0, 0.15) << clipOutput;
    EXPECT_NE(qtest::ProbeFormat(clipOutput)["format_name"].find("mp4"), std::string::npos);
    EXPECT_EQ(qtest::ProbeStream(clipOutput, "v:0")["codec_name"], "mpeg4");
    EXPECT_EQ(qtest::ProbeStream(list.Slot(2).RunOutputFile, "a:0")["codec_name"], "mp3");
    EXPECT_EQ(qtest::ProbeStream(list.Slot(0).RunOutputFile, "v:0")["codec_name"], "mpeg4");
}

// Events of the list file being replaced in the data folder.
class ReplacementWatch {
public:
    explicit ReplacementWatch(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        fs::create_directories(folder);
        inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
    }
    ~ReplacementWatch() { close(fd_); }
    // Replacements of the list file since the last call.
    int Count()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return count;
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && std::string(event->name) == kListFileName)
                    ++count;
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    int fd_;
};

class ListKeepWindowTest : public ListWindowTest {
protected:
    std::string KeptFile() const { return paths.dataFolder + kListFileName; }
    // What the file holds and what the list shows: source and status per row.
    std::vector<std::string> Kept()
    {
        const ListReadResult read = ListStore(paths.dataFolder).Read();
        std::vector<std::string> rows;
        for (const KeptRow& row : read.Rows)
            rows.push_back(row.Row.SourceFile + " " + row.Row.Status);
        return rows;
    }
    std::vector<std::string> Shown()
    {
        std::vector<std::string> rows;
        for (const ListRow& row : List().Rows())
            rows.push_back(row.SourceFile + " " + row.Status);
        return rows;
    }
};

TEST_F(ListKeepWindowTest, EveryChangeOfTheListIsKeptAtOnceAndProgressIsNot)
{
    const std::vector<std::string> files = Clips(3);
    ReplacementWatch watch(paths.dataFolder);
    const std::vector<std::pair<const char*, std::function<void()>>> steps{
        {"add", [&] { AddMany(files); }},
        {"move down",
         [&] {
             List().AdvListView1SelectItem(0);
             List().Button11Click();
         }},
        {"move up",
         [&] {
             List().AdvListView1SelectItem(2);
             List().Button10Click();
         }},
        {"remove",
         [&] {
             List().AdvListView1SelectItem(1);
             List().btnRemoveClick();
         }},
        {"add again", [&] { AddMany({files[1]}); }},
    };
    for (const auto& [name, step] : steps) {
        step();
        EXPECT_EQ(watch.Count(), 1) << name;
        EXPECT_EQ(Kept(), Shown()) << name;
    }
    ASSERT_EQ(List().RowCount(), 3);

    // a run: statuses are kept, progress reports write nothing
    Run().btnStartClick();
    EXPECT_EQ(watch.Count(), 1) << "start";
    TProgressInfo report;
    report.TaskIndex = 0;
    report.TotalDuration = 1000000;
    for (int tick = 0; tick <= 50; ++tick) {
        report.CurrentDuration = tick * 20000;
        Run().MediaConverter1Progress(&report);
    }
    EXPECT_EQ(Status(0), kStatusConverting);
    EXPECT_EQ(watch.Count(), 1) << "the first report turned the row to converting; the other 50 wrote nothing";
    EXPECT_EQ(Kept(), Shown());
    Run().btnPauseClick();
    EXPECT_EQ(watch.Count(), 1) << "pause";
    EXPECT_EQ(Kept(), Shown());
    Run().btnStopClick();
    ASSERT_TRUE(PumpUntilRunEnded());
    EXPECT_EQ(Kept(), Shown()) << "stop";
    watch.Count();

    List().btnClearClick();
    EXPECT_EQ(watch.Count(), 1) << "clear";
    EXPECT_TRUE(Kept().empty());
    EXPECT_TRUE(fs::exists(KeptFile()));
}

struct SetAsideCase {
    const char* what;
    std::string text;
    const char* suffix;
    const char* message;
};

TEST_F(ListKeepWindowTest, AListFileThatCannotBeReadIsSetAsideWithAMessage)
{
    AddMany(Clips(1));
    const std::string whole = ReadText(KeptFile());
    const std::vector<SetAsideCase> cases{
        {"damaged", whole.substr(0, whole.size() - 9), ".damaged-", "转换列表文件已损坏，无法读取"},
        {"newer", R"({"version": 7, "rows": [{"SourceFile": "/x.mp4"}]})", ".newer-",
         "转换列表文件由较新版本的程序保存，本程序无法读取"},
    };
    for (const SetAsideCase& c : cases) {
        WriteText(KeptFile(), c.text);
        ScriptedDialogs seen;
        MainWindowController again(settings, seen, shell, skin);
        again.FormCreate();

        EXPECT_EQ(again.List().RowCount(), 0) << c.what;
        ASSERT_EQ(seen.boxes.size(), 1u) << c.what;
        const ShownBox& box = seen.boxes[0];
        EXPECT_EQ(box.text.rfind(c.message, 0), 0u) << box.text;
        EXPECT_EQ(box.icon, MessageIcon::Warning);
        const size_t at = box.text.find(KeptFile() + c.suffix);
        ASSERT_NE(at, std::string::npos) << box.text;
        const std::string setAside = box.text.substr(at, box.text.find("，", at) - at);
        EXPECT_EQ(ReadText(setAside), c.text) << c.what;

        // the next change starts a new file and leaves the set-aside one alone
        DefaultsChooser chooser2(again.Session());
        again.SetFormatChooser(&chooser2);
        seen.openFilesAnswers.push_back(Clips(1));
        again.List().N2Click();
        EXPECT_EQ(ListStore(paths.dataFolder).Read().Rows.size(), 1u) << c.what;
        EXPECT_EQ(ReadText(setAside), c.text) << c.what;
        fs::remove(setAside);
    }
}

}  // namespace

namespace {

size_t BoxesStartingWith(const ScriptedDialogs& dialogs, const std::string& start)
{
    size_t count = 0;
    for (const ShownBox& box : dialogs.boxes)
        count += box.text.rfind(start, 0) == 0 ? 1 : 0;
    return count;
}

TEST_F(ListKeepWindowTest, AFailedWriteIsToldOnceUntilAWriteSucceedsAgain)
{
    const std::string failed = "转换列表无法保存到 " + KeptFile();
    const std::string dataHome = fs::path(paths.dataFolder).parent_path().parent_path().string();
    WriteText(dataHome, "a file where the data folder should be");
    AddMany(Clips(1));
    AddMany(Clips(1));
    EXPECT_EQ(List().RowCount(), 2);
    EXPECT_EQ(BoxesStartingWith(dialogs, failed), 1u);

    fs::remove(dataHome);
    List().AdvListView1SelectItem(0);
    List().btnRemoveClick();
    EXPECT_EQ(Kept(), Shown());
    fs::remove_all(dataHome);
    WriteText(dataHome, "blocked again");
    List().btnClearClick();
    EXPECT_EQ(BoxesStartingWith(dialogs, failed), 2u);
}

TEST_F(ListKeepWindowTest, AListThatCanNeitherBeReadNorSetAsideIsNeverWrittenOver)
{
    // a folder in the list file's place: opened, but not read
    fs::create_directories(KeptFile());
    WriteText(KeptFile() + "/inside", "kept");
    ScriptedDialogs seen;
    MainWindowController again(settings, seen, shell, skin);
    again.FormCreate();
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0].text.rfind("转换列表文件 " + KeptFile() + " 无法读取", 0), 0u) << seen.boxes[0].text;

    DefaultsChooser chooser2(again.Session());
    again.SetFormatChooser(&chooser2);
    seen.openFilesAnswers.push_back(Clips(1));
    again.List().N2Click();
    EXPECT_EQ(again.List().RowCount(), 1);
    EXPECT_EQ(seen.boxes.size(), 1u);  // nothing tried to write
    EXPECT_EQ(ReadText(KeptFile() + "/inside"), "kept");
}

}  // namespace

// A row that comes back ready while the segments of its interrupted run are
// still beside its output says how much is done; a changed source, or none,
// leaves the plain status.
TEST(ListKeepResume, AReadyRowWithFinishedSegmentsSaysHowMuchIsDone)
{
    qtest::ScratchDir dir;
    const std::string source = dir.file("film.mp4");
    fs::copy_file(qtest::MakeMp4Clip(dir.path(), 1.0), source);
    const std::string output = dir.file("film.avi");
    SegmentRecord record;
    record.sourcePath = fs::weakly_canonical(source).string();
    record.source = SourceStampOf(source);
    record.lengthUs = 20'000'000;
    record.types = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO};
    record.timeBases = {AVRational{1, 25}, AVRational{1, 44100}};
    record.segments.push_back({"00000.nut", false, {315, 556'605}});  // 12.6 s of video
    const std::string folder = SegmentFolderName(output);
    fs::create_directories(folder);
    std::string error;
    ASSERT_TRUE(WriteSegmentRecord(folder, record, error)) << error;

    KeptRow kept;
    kept.Row.Status = kStatusConverting;
    kept.Record.Input.FileName = source;
    kept.Record.RunOutputFile = output;
    const KeptRow back = RowAtStart(kept);
    EXPECT_EQ(back.Row.Status, kStatusReady);
    EXPECT_EQ(back.Row.StatusShown(), "已完成 63%，将继续转换");

    // the same size, another modification time: nothing to go on from
    const auto now = fs::last_write_time(source);
    fs::last_write_time(source, now - std::chrono::hours(1));
    EXPECT_EQ(RowAtStart(kept).Row.StatusShown(), kStatusReady);
}
