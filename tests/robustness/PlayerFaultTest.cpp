// The player component on the inputs users feed it by mistake, on a file
// that changes under it while it plays, and opened and closed over and over:
// a refusal carries a message, whatever opens plays and closes cleanly,
// nothing crashes or hangs, the source is never changed and nothing is left
// running afterwards.
#include "BadMediaFiles.h"
#include "Unprivileged.h"
#include "Watchdog.h"

#include "media/QueueMainThread.h"
#include "player/TFFPlayer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {

using robust::BadInput;
using robust::BadMediaFiles;
using robust::Expect;

// Ends the program with a message when a step overruns its bound: a hung
// Close or seek would otherwise only show as the suite's timeout.
using robust::Watchdog;

// What the process holds: its threads and open file descriptors.
struct Usage {
    int threads = 0;
    int descriptors = 0;
};

int CountEntries(const char* folder)
{
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(folder, error); !error && it != std::filesystem::end(it);
         it.increment(error))
        ++count;
    return count;
}

Usage UsageNow() { return {CountEntries("/proc/self/task"), CountEntries("/proc/self/fd")}; }

// The resident memory of the process in KiB; -1 when unknown.
long ResidentKiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld", &kib) == 1)
            break;
    std::fclose(status);
    return kib;
}

// Sanitizers keep freed memory aside and grow shadow memory as they go, so
// resident memory says nothing there (LeakSanitizer checks leaks instead).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kResidentMemoryIsMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kResidentMemoryIsMeaningful = false;
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif

std::string DigestOfFile(const std::string& path)
{
    return std::filesystem::is_regular_file(path) ? qtest::FileDigest(path) : std::string();
}

// Counts the states the player delivers on the main thread.
struct StateCounter {
    std::mutex lock;  // guards counts
    int counts[psEnd + 1] = {};

    void Attach(TCustomPlayer& player)
    {
        player.OnState = [this](TCustomPlayer*, TPlayState state) {
            std::lock_guard guard(lock);
            ++counts[state];
        };
    }
    int Count(TPlayState state)
    {
        std::lock_guard guard(lock);
        return counts[state];
    }
    int Total()
    {
        std::lock_guard guard(lock);
        int total = 0;
        for (int count : counts)
            total += count;
        return total;
    }
};

class PlayerFault : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // what the test environment sets; kept when run by hand
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }

    void SetUp() override
    {
        SetMainThread(&mainThread);
        TFFPlayer loader;
        ASSERT_TRUE(loader.LoadAVLib("LibAV"));
        // the first open of the process loads what stays loaded; the counts
        // compared afterwards start from there
        static bool warmedUp = false;
        if (!warmedUp) {
            warmedUp = true;
            Watchdog watchdog(60, "the first open and close");
            TFFPlayer player;
            ASSERT_TRUE(player.Open(BadMediaFiles::Get().GoodMp4(), 0, false)) << player.LastErrMsg();
            PumpFor(100);
            player.Close(true);
        }
    }

    void TearDown() override { SetMainThread(nullptr); }

    bool PumpUntil(const std::function<bool()>& done, int timeoutMs) { return mainThread.pumpUntil(done, timeoutMs); }
    void PumpFor(int ms)
    {
        mainThread.pumpUntil([] { return false; }, ms);
    }

    // Empty when the thread and descriptor counts are back to `before`
    // (threads end just after they are joined, so give them a moment).
    std::string LeftRunning(const Usage& before)
    {
        Usage now = UsageNow();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while ((now.threads != before.threads || now.descriptors != before.descriptors) &&
               std::chrono::steady_clock::now() < deadline) {
            PumpFor(20);
            now = UsageNow();
        }
        if (now.threads == before.threads && now.descriptors == before.descriptors)
            return {};
        std::ostringstream text;
        text << "threads " << before.threads << " -> " << now.threads << ", descriptors " << before.descriptors
             << " -> " << now.descriptors;
        return text.str();
    }

    QueueMainThread mainThread;
};

// --- every bad input through open, play, seek and close ----------------------

// Empty when a refused input fails to open with a message and leaves the
// player stopped; what went wrong otherwise. Runs in a child process for the
// unreadable file, so it reports instead of asserting.
std::string CheckRefused(const BadInput& input)
{
    StateCounter states;
    TFFPlayer player;
    states.Attach(player);
    const bool opened = player.Open(input.path, 0, false);
    std::string problem;
    if (opened)
        problem = "opened";
    else if (player.LastErrMsg().find(input.path) == std::string::npos)
        problem = "refused without a message naming the file: \"" + player.LastErrMsg() + "\"";
    else if (player.State() != psStop)
        problem = "a refused file left the player in state " + std::to_string(player.State());
    else if (!player.GetCurrentFrame()->Empty())
        problem = "a refused file left a picture";
    player.Close(true);
    if (problem.empty() && states.Total() != 0)
        problem = "a refused file started playing";
    return problem;
}

class PlayerBadInput : public PlayerFault, public ::testing::WithParamInterface<std::string> {};

TEST_P(PlayerBadInput, IsRefusedWithAMessageOrPlaysSeeksAndClosesCleanly)
{
    const BadInput& input = BadMediaFiles::Get().Input(GetParam());
    const std::string before = DigestOfFile(input.path);
    const Usage usage = UsageNow();

    if (input.needsUnprivileged) {
        const robust::ChildOutcome outcome = robust::RunUnprivileged([&] {
            const std::string problem = CheckRefused(input);
            if (!problem.empty())
                std::fprintf(stderr, "%s: %s\n", input.name, problem.c_str());
            return problem.empty() ? 0 : 1;
        });
        if (!outcome.ran)
            GTEST_SKIP() << outcome.whyNot;
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 0);
    } else if (input.expect == Expect::Refused) {
        Watchdog watchdog(60, std::string("the refused open of ") + input.name);
        EXPECT_EQ(CheckRefused(input), "");
    } else {
        Watchdog watchdog(60, std::string("playing ") + input.name);
        StateCounter states;  // outlives the player, whose last events it receives
        TFFPlayer player;
        states.Attach(player);
        ASSERT_TRUE(player.Open(input.path, 0, false)) << player.LastErrMsg();
        EXPECT_TRUE(player.LastErrMsg().empty()) << player.LastErrMsg();
        ASSERT_TRUE(PumpUntil([&] { return states.Count(psPlay) > 0; }, 5000)) << "never started playing";
        PumpUntil([&] { return player.CurrentPosition() > 0 || states.Count(psEnd) > 0; }, 1000);
        player.Seek(0, true, 1500000);
        EXPECT_TRUE(PumpUntil([&] { return states.Count(psEnd) > 0; }, 5000))
            << "no end after seeking near it; stuck at " << player.CurrentPosition();
        player.Seek(4, false, 0);  // back to the start, as after the end
        PumpFor(100);
        player.Close(true);
        EXPECT_EQ(player.State(), psStop);
        EXPECT_EQ(states.Count(psStop), 1) << "the stop reached the host once";
        EXPECT_TRUE(player.GetCurrentFrame()->Empty()) << "a picture outlived the close";
    }
    EXPECT_EQ(LeftRunning(usage), "");
    EXPECT_EQ(DigestOfFile(input.path), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Inputs, PlayerBadInput,
                         ::testing::Values("ZeroByteFile", "RandomBytesWithVideoName", "Mp4WithItsIndexCutOff",
                                           "Mp4WithItsMediaDataCutOff", "Mp4WithGarbageInTheMiddle", "WavRenamedToAvi",
                                           "Folder", "MissingFile", "UnreadableFile"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// The preview opens every file paused on its start; whatever opens reports
// the pause, with or without pictures, and stays where it is.
TEST_F(PlayerFault, AnOpenableInputOpenedPausedReportsThePauseAndStays)
{
    for (const char* name : {"Mp4WithItsMediaDataCutOff", "Mp4WithGarbageInTheMiddle", "WavRenamedToAvi"}) {
        SCOPED_TRACE(name);
        Watchdog watchdog(60, std::string("opening paused ") + name);
        StateCounter states;
        TFFPlayer player;
        states.Attach(player);
        ASSERT_TRUE(player.Open(BadMediaFiles::Get().Input(name).path, 0, true)) << player.LastErrMsg();
        EXPECT_TRUE(PumpUntil([&] { return states.Count(psPause) > 0; }, 3000)) << "the pause was never reported";
        PumpFor(300);
        EXPECT_EQ(player.State(), psPause);
        EXPECT_LT(player.CurrentPosition(), 100000) << "a paused file moved on";
        player.Resume();
        EXPECT_EQ(player.State(), psResume);
        EXPECT_TRUE(PumpUntil([&] { return player.CurrentPosition() >= 300000; }, 3000)) << "resuming did not play";
        player.Close(true);
        EXPECT_EQ(states.Count(psStop), 1);
    }
}

// A damaged stretch costs its own pictures and sound: playback goes on past
// it and reaches the end of the clip.
TEST_F(PlayerFault, PlaysPastADamagedStretchToTheEnd)
{
    const BadInput& input = BadMediaFiles::Get().Input("Mp4WithGarbageInTheMiddle");
    Watchdog watchdog(60, "playing through the damaged stretch");
    StateCounter states;
    TFFPlayer player;
    states.Attach(player);
    std::atomic<int64_t> lastPosition{-1};
    player.OnPosition = [&](TCustomPlayer*, int64_t position) { lastPosition = position; };
    ASSERT_TRUE(player.Open(input.path, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return states.Count(psEnd) > 0; }, 10000)) << "stalled at " << lastPosition;
    EXPECT_TRUE(PumpUntil([&] { return lastPosition >= (input.fullSeconds - 0.2) * 1e6; }, 1000))
        << "ended at " << lastPosition;
    player.Close(true);
    EXPECT_EQ(states.Count(psStop), 1);
}

// --- the file changes while it plays ------------------------------------------

struct MidPlayFault {
    const char* name;
    std::function<void(const std::string& path)> apply;
};

// Another program writes over the file in place: the index the player read
// at open now points at noise.
void OverwriteTheSecondHalfWithNoise(const std::string& path)
{
    const long long size = qtest::FileBytes(path);
    std::FILE* noise = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(noise, nullptr);
    std::fseek(noise, static_cast<long>(size / 2), SEEK_SET);
    unsigned value = 12345;
    for (long long i = size / 2; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        std::fputc(static_cast<int>(value >> 16) & 0xFF, noise);
    }
    std::fclose(noise);
}

class PlayerMidPlayFault : public PlayerFault, public ::testing::WithParamInterface<MidPlayFault> {};

TEST_P(PlayerMidPlayFault, PlaybackEndsAndClosesCleanly)
{
    const MidPlayFault& fault = GetParam();
    qtest::ScratchDir scratch;
    const std::string source = BadMediaFiles::Get().GoodMp4();
    const std::string before = qtest::FileDigest(source);
    const std::string copy = scratch.file("playing.mp4");
    robust::CopyPrefix(source, copy, qtest::FileBytes(source));
    const Usage usage = UsageNow();
    {
        Watchdog watchdog(60, std::string("playing a file that is ") + fault.name);
        StateCounter states;
        TFFPlayer player;
        states.Attach(player);
        ASSERT_TRUE(player.Open(copy, 0, false)) << player.LastErrMsg();
        ASSERT_TRUE(PumpUntil([&] { return player.CurrentPosition() > 200000; }, 5000)) << "never got going";
        fault.apply(copy);
        // the player notices the end of what it can read instead of stalling
        EXPECT_TRUE(PumpUntil([&] { return states.Count(psEnd) > 0; }, 10000))
            << "stuck at " << player.CurrentPosition();
        player.Seek(0, true, 500000);
        PumpFor(200);
        player.Close(true);
        EXPECT_EQ(player.State(), psStop);
        EXPECT_EQ(states.Count(psStop), 1);
    }
    EXPECT_EQ(LeftRunning(usage), "");
    EXPECT_EQ(qtest::FileDigest(source), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PlayerMidPlayFault,
    ::testing::Values(MidPlayFault{"Deleted", [](const std::string& path) { std::filesystem::remove(path); }},
                      MidPlayFault{"CutShort",
                                   [](const std::string& path) {
                                       std::filesystem::resize_file(path, std::filesystem::file_size(path) / 3);
                                   }},
                      MidPlayFault{"OverwrittenWithNoise", OverwriteTheSecondHalfWithNoise}),
    [](const ::testing::TestParamInfo<MidPlayFault>& info) { return std::string(info.param.name); });

// --- an input that stops delivering ------------------------------------------

// A named pipe whose writer sends `bytes` and then holds the pipe open
// without writing, until Release (or the end of the test).
class StalledPipe {
public:
    StalledPipe(const std::string& path, std::string bytes)
    {
        thread_ = std::thread([this, path, bytes = std::move(bytes)] {
            const int fd = open(path.c_str(), O_WRONLY);  // waits for the reader
            if (fd < 0)
                return;
            for (size_t done = 0; done < bytes.size();) {
                const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
                if (written <= 0)
                    break;
                done += static_cast<size_t>(written);
            }
            std::unique_lock guard(lock_);
            released_.wait(guard, [this] { return release_; });
            close(fd);
        });
    }
    ~StalledPipe()
    {
        Release();
        thread_.join();
    }
    StalledPipe(const StalledPipe&) = delete;
    StalledPipe& operator=(const StalledPipe&) = delete;
    void Release()
    {
        {
            std::lock_guard guard(lock_);
            release_ = true;
        }
        released_.notify_all();
    }

private:
    std::mutex lock_;  // guards release_
    std::condition_variable released_;
    bool release_ = false;
    std::thread thread_;
};

// The good clip as an MPEG-TS stream, the form a pipe usually carries.
std::string GoodClipAsStream(const qtest::ScratchDir& scratch)
{
    const std::string stream = scratch.file("clip.ts");
    if (!qtest::MakeMedia(stream, "-i " + qtest::ShellQuote(BadMediaFiles::Get().GoodMp4()) + " -c copy -f mpegts"))
        return {};
    std::ifstream in(stream, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A named pipe whose writer sends the whole stream and closes it plays to
// its end, and closing leaves no thread or descriptor behind.
TEST_F(PlayerFault, PlaysANamedPipeToItsEnd)
{
    qtest::ScratchDir scratch;
    const std::string bytes = GoodClipAsStream(scratch);
    ASSERT_FALSE(bytes.empty());
    const std::string pipePath = scratch.file("whole.ts");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    const Usage usage = UsageNow();
    {
        StalledPipe pipe(pipePath, bytes);
        pipe.Release();  // closes the pipe once everything is written
        Watchdog watchdog(60, "playing a named pipe");
        StateCounter states;
        TFFPlayer player;
        states.Attach(player);
        ASSERT_TRUE(player.Open(pipePath, 0, false)) << player.LastErrMsg();
        EXPECT_TRUE(PumpUntil([&] { return states.Count(psEnd) > 0; }, 10000))
            << "stuck at " << player.CurrentPosition();
        player.Close(true);
        EXPECT_EQ(states.Count(psStop), 1);
    }
    EXPECT_EQ(LeftRunning(usage), "");
}

// The library's file reader waits inside read(2) and asks the interrupt
// callback only between reads, so with it Close, which at last shuts the
// engine down itself and joins the read thread, would wait until the writer
// writes again or closes the pipe, and the window that closes the preview
// would freeze. The writer gives up after 10 s, so a regression shows as a
// slow Close rather than a hung program.
TEST_F(PlayerFault, ClosingWhileAStalledPipeKeepsTheReadWaitingReturnsPromptly)
{
    qtest::ScratchDir scratch;
    std::string bytes = GoodClipAsStream(scratch);
    ASSERT_FALSE(bytes.empty());
    bytes.resize(bytes.size() * 2 / 3);
    const std::string pipePath = scratch.file("stalled.ts");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    StalledPipe pipe(pipePath, bytes);
    std::promise<void> closed;
    std::thread giveUp([&pipe, done = closed.get_future()] {
        done.wait_for(std::chrono::seconds(10));
        pipe.Release();
    });
    StateCounter states;
    TFFPlayer player;
    states.Attach(player);
    const bool opened = player.Open(pipePath, 0, false);
    if (opened) {
        PumpFor(1500);  // plays what came and waits for more
        const auto start = std::chrono::steady_clock::now();
        player.Close(true);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_LT(took.count(), 5000) << "Close waited for the stalled input";
        EXPECT_EQ(states.Count(psStop), 1);
    }
    closed.set_value();
    giveUp.join();
    ASSERT_TRUE(opened) << player.LastErrMsg();
}

// --- open, seek and close over and over ---------------------------------------

struct RepeatCase {
    const char* name;
    std::string path;
    bool opens;
    int rounds;
};

// Opens, seeks and closes `c.path` `c.rounds` times on one player; failures
// are test failures.
void OpenSeekCloseRepeatedly(const RepeatCase& c)
{
    StateCounter states;
    TFFPlayer player;
    states.Attach(player);
    constexpr int kSettledRounds = 20;  // buffers and caches have their size by then
    long settledKiB = -1;
    for (int round = 0; round < c.rounds; ++round) {
        SCOPED_TRACE(round);
        if (round == kSettledRounds)
            settledKiB = ResidentKiB();
        const bool paused = round % 2 == 1;
        const bool opened = player.Open(c.path, 0, paused);
        ASSERT_EQ(opened, c.opens) << player.LastErrMsg();
        if (!opened) {
            ASSERT_FALSE(player.LastErrMsg().empty());
            continue;
        }
        // now and then a waiting seek (playing and paused), the rest as the
        // main window seeks
        player.Seek(round % 3 == 0 ? 4 : 0, round % 5 == 0, (round % 4) * 400000);
        if (round % 7 == 0)
            player.TogglePause();
        player.Close(true);
        ASSERT_EQ(player.State(), psStop);
    }
    // (a play state followed at once by the stop collapses into the stop)
    EXPECT_EQ(states.Count(psStop), c.opens ? c.rounds : 0) << "every open ended with one stop";
    if (kResidentMemoryIsMeaningful && settledKiB > 0) {
        // a few hundred KiB come and go with the allocator; a leak of one
        // picture or packet queue per round would add megabytes
        EXPECT_LT(ResidentKiB() - settledKiB, 8 * 1024) << "memory grows with every open";
    }
}

TEST_F(PlayerFault, OpenSeekAndCloseInATightLoopLeaveNothingBehind)
{
    const BadMediaFiles& files = BadMediaFiles::Get();
    const RepeatCase cases[] = {
        {"a good clip", files.GoodMp4(), true, 200},
        {"a damaged clip", files.Input("Mp4WithGarbageInTheMiddle").path, true, 10},
        {"a clip cut short", files.Input("Mp4WithItsMediaDataCutOff").path, true, 10},
        {"noise", files.Input("RandomBytesWithVideoName").path, false, 10},
    };
    for (const RepeatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Usage usage = UsageNow();
        {
            Watchdog watchdog(240, std::string("opening and closing ") + c.name + " repeatedly");
            OpenSeekCloseRepeatedly(c);
        }
        EXPECT_EQ(LeftRunning(usage), "");
    }
}

// A player destroyed while it plays, without a Close of its own.
TEST_F(PlayerFault, DestroyingAPlayingPlayerEndsItsThreads)
{
    const Usage usage = UsageNow();
    {
        Watchdog watchdog(60, "destroying playing players");
        for (int round = 0; round < 10; ++round) {
            TFFPlayer player;
            ASSERT_TRUE(player.Open(BadMediaFiles::Get().GoodMp4(), 0, round % 2 == 1)) << player.LastErrMsg();
            PumpFor(20 * (round % 3));
        }
    }
    EXPECT_EQ(LeftRunning(usage), "");
}

}  // namespace
