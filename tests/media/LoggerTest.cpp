#include "media/EAssertionFailed.h"
#include "media/MainThreadCalls.h"
#include "media/TFFLogger.h"
#include "media/TFFmpegLoader.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Something the library can log for: an object whose first member is its class.
const AVClass kTestClass = {"probe-test", av_default_item_name, nullptr, LIBAVUTIL_VERSION_INT};
struct LoggingObject {
    const AVClass* cls = &kTestClass;
};

std::string PrefixOf(const void* object)
{
    char text[128];
    snprintf(text, sizeof text, "[probe-test @ %p]", object);
    return text;
}

struct Delivery {
    const void* sender;
    uint32_t threadId;
    TLogLevel level;
    std::string msg;
    bool onMainThread;
};

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
        logger().SetTriggerEventInMainThread(true);
        logger().SetLogLevel(llInfo);
        logger().SetOnLog([this](const void* sender, uint32_t threadId, TLogLevel level, const std::string& msg) {
            std::lock_guard guard(lock_);
            deliveries_.push_back({sender, threadId, level, msg, MainThread().isMainThread()});
        });
    }
    void TearDown() override
    {
        logger().SetOnLog(nullptr);
        logger().InstallCallback(LibraryLogEntryPoints());
        logger().SetLogLevel(llInfo);
    }
    static TFFLogger& logger() { return GetFFLogger(); }
    std::vector<Delivery> deliveries()
    {
        std::lock_guard guard(lock_);
        return deliveries_;
    }
    std::vector<std::string> messages()
    {
        std::vector<std::string> texts;
        for (const Delivery& d : deliveries())
            texts.push_back(d.msg);
        return texts;
    }

    std::mutex lock_;  // guards deliveries_
    std::vector<Delivery> deliveries_;
};

TEST_F(LoggerTest, ThreePartialCallsMakeOneLineWithThePrefixOfTheFirst)
{
    LoggingObject first, second;
    av_log(&first, AV_LOG_INFO, "abc");
    av_log(&second, AV_LOG_INFO, "def");
    EXPECT_TRUE(deliveries().empty());
    av_log(&second, AV_LOG_WARNING, "ghi\n");

    const auto got = deliveries();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, PrefixOf(&first) + "abcdefghi");
    // The line carries the level of the call that completed it; the logger is the sender.
    EXPECT_EQ(got[0].level, llWarning);
    EXPECT_EQ(got[0].sender, &logger());
    EXPECT_EQ(got[0].threadId, CurrentThreadId());
}

TEST_F(LoggerTest, TwoLineFeedsGiveTwoDeliveriesAndTheRestWaits)
{
    av_log(nullptr, AV_LOG_INFO, "one\ntwo\nthree");
    EXPECT_EQ(messages(), (std::vector<std::string>{"one", "two"}));
    av_log(nullptr, AV_LOG_INFO, " and more\n");
    EXPECT_EQ(messages(), (std::vector<std::string>{"one", "two", "three and more"}));
}

TEST_F(LoggerTest, ColourBitsOfTheLevelAreIgnored)
{
    av_log(nullptr, AV_LOG_INFO | (3 << 8), "coloured\n");
    ASSERT_EQ(deliveries().size(), 1u);
    EXPECT_EQ(deliveries()[0].level, llInfo);
}

TEST_F(LoggerTest, LongMessagesAreCutAt2047Characters)
{
    const std::string longText(3000, 'x');
    av_log(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
    av_log(nullptr, AV_LOG_INFO, "next\n");
    // The cut removed the line feed of the first call, so the next call ends that line.
    const auto got = messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], std::string(2047, 'x') + "next");
}

TEST_F(LoggerTest, InterleavedThreadsEachGetTheirOwnLinesOnTheMainThread)
{
    LoggingObject a, b;
    std::atomic<int> step{0};
    std::atomic<int> finished{0};
    uint32_t idA = 0, idB = 0;
    auto waitFor = [&](int value) {
        while (step.load() < value)
            std::this_thread::yield();
    };
    std::thread first([&] {
        idA = CurrentThreadId();
        av_log(&a, AV_LOG_INFO, "a1 ");
        step = 1;
        waitFor(2);
        av_log(&a, AV_LOG_INFO, "a2\n");
        step = 3;
        ++finished;
    });
    std::thread second([&] {
        idB = CurrentThreadId();
        waitFor(1);
        av_log(&b, AV_LOG_INFO, "b1 ");
        step = 2;
        waitFor(3);
        av_log(&b, AV_LOG_INFO, "b2\n");
        ++finished;
    });
    EXPECT_TRUE(WaitWhileProcessing([&] { return finished.load() == 2; }, 10000));
    first.join();
    second.join();

    const auto got = deliveries();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].msg, PrefixOf(&a) + "a1 a2");
    EXPECT_EQ(got[0].threadId, idA);
    EXPECT_EQ(got[1].msg, PrefixOf(&b) + "b1 b2");
    EXPECT_EQ(got[1].threadId, idB);
    EXPECT_TRUE(got[0].onMainThread);
    EXPECT_TRUE(got[1].onMainThread);
}

TEST_F(LoggerTest, WithoutMainThreadDeliveryTheCallingThreadRunsTheEvent)
{
    logger().SetTriggerEventInMainThread(false);
    std::thread worker([] { GetFFLogger().Log(nullptr, llError, "from worker"); });
    worker.join();  // no pumping: the worker must not wait for the main thread
    const auto got = deliveries();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_FALSE(got[0].onMainThread);
}

TEST_F(LoggerTest, AThreadLoggingWhileTheMainThreadWaitsForItFinishes)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            GetFFLogger().LogFmt(nullptr, llInfo, "line %d", i);
            av_log(nullptr, AV_LOG_ERROR, "library %d\n", i);
        }
        done = true;
    });
    // The main thread waits for the worker the way components do: serving hand-overs.
    const bool finished = WaitWhileProcessing([&] { return done.load(); }, 10000);
    worker.join();
    ASSERT_TRUE(finished);
    const auto got = messages();
    ASSERT_EQ(got.size(), 40u);
    EXPECT_EQ(got[0], "line 0");
    EXPECT_EQ(got[1], "library 0");
    EXPECT_EQ(got[39], "library 19");
}

TEST_F(LoggerTest, AQuietThreadsLinesReachNoHandlerButItsFailureTailWhileOtherThreadsGoOn)
{
    std::string tail;
    std::thread quiet([&] {
        const QuietLogThread guard;
        const LibraryLineTail lines;
        // the main thread never pumps here: a quiet thread must not wait for it
        GetFFLogger().Log(nullptr, llError, "component from the quiet thread");
        av_log(nullptr, AV_LOG_ERROR, "library from the quiet thread\n");
        tail = lines.Text();
    });
    quiet.join();
    EXPECT_TRUE(deliveries().empty());
    EXPECT_EQ(tail, "library from the quiet thread\n");
    {
        const QuietLogThread outer;
        {
            const QuietLogThread inner;
        }
        GetFFLogger().Log(nullptr, llError, "still quiet");  // guards nest
    }
    GetFFLogger().Log(nullptr, llError, "heard again");
    EXPECT_EQ(messages(), std::vector<std::string>{"heard again"});
}

TEST_F(LoggerTest, ComponentMessagesCarryTheirSenderAndFormattedText)
{
    int sender = 0;
    logger().LogFmt(&sender, llError, "stream #%d is %s.", 3, "odd");
    const auto got = deliveries();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].sender, &sender);
    EXPECT_EQ(got[0].level, llError);
    EXPECT_EQ(got[0].msg, "stream #3 is odd.");
}

TEST_F(LoggerTest, LevelFilterForLibraryAndComponentMessages)
{
    struct Case {
        TLogLevel loggerLevel;
        bool libraryInfo, libraryWarning, componentVerbose, componentInfo, componentDebug;
    };
    const Case cases[] = {
        {llWarning, false, true, true, false, false},
        {llInfo, true, true, true, true, false},
        {llDebug, true, true, true, true, true},
        {llQuiet, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loggerLevel);
        deliveries_.clear();
        logger().SetLogLevel(c.loggerLevel);
        av_log(nullptr, AV_LOG_INFO, "library info\n");
        av_log(nullptr, AV_LOG_WARNING, "library warning\n");
        logger().Log(nullptr, llVerbose, "component verbose");
        logger().Log(nullptr, llInfo, "component info");
        logger().Log(nullptr, llDebug, "component debug");
        std::vector<std::string> expected;
        if (c.libraryInfo)
            expected.push_back("library info");
        if (c.libraryWarning)
            expected.push_back("library warning");
        if (c.componentVerbose)
            expected.push_back("component verbose");
        if (c.componentInfo)
            expected.push_back("component info");
        if (c.componentDebug)
            expected.push_back("component debug");
        EXPECT_EQ(messages(), expected);
    }
}

TEST_F(LoggerTest, QuietLevelAlsoSilencesPanicLibraryMessages)
{
    logger().SetLogLevel(llQuiet);
    EXPECT_EQ(LibraryLogLevel(), -8);
    av_log(nullptr, AV_LOG_PANIC, "panic\n");
    EXPECT_TRUE(deliveries().empty());
}

TEST_F(LoggerTest, WithoutAHandlerNothingIsDeliveredAndNothingStaysPendingForLater)
{
    logger().SetOnLog(nullptr);
    av_log(nullptr, AV_LOG_INFO, "dropped\n");
    logger().Log(nullptr, llError, "dropped too");
    SetUp();
    av_log(nullptr, AV_LOG_INFO, "kept\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"kept"});
}

TEST(LogLevelMapping, BothDirections)
{
    const std::pair<TLogLevel, int> levels[] = {{llQuiet, -8},   {llPanic, 0}, {llFatal, 8},    {llError, 16},
                                                {llWarning, 24}, {llInfo, 32}, {llVerbose, 40}, {llDebug, 48}};
    for (const auto& [level, avLevel] : levels) {
        EXPECT_EQ(ToAVLogLevel(level), avLevel);
        EXPECT_EQ(ToLogLevel(avLevel), level);
    }
    const std::pair<int, TLogLevel> inBetween[] = {{-100, llQuiet}, {-9, llQuiet}, {-7, llPanic}, {-1, llPanic},
                                                   {7, llPanic},    {15, llFatal}, {20, llError}, {56, llDebug}};
    for (const auto& [avLevel, level] : inBetween)
        EXPECT_EQ(ToLogLevel(avLevel), level) << avLevel;
}

TEST_F(LoggerTest, SetLogLevelStrTakesNamesAndNumbers)
{
    const std::pair<const char*, TLogLevel> cases[] = {
        {"Warning", llWarning}, {"20", llError}, {"-1", llPanic},        {"QUIET", llQuiet},
        {"debug", llDebug},     {"56", llDebug}, {"verbose", llVerbose}, {"32", llInfo},
    };
    for (const auto& [text, level] : cases) {
        logger().SetLogLevelStr(text);
        EXPECT_EQ(logger().LogLevel(), level) << text;
    }
    EXPECT_THROW(logger().SetLogLevelStr("loud"), std::invalid_argument);
    EXPECT_THROW(logger().SetLogLevelStr("12abc"), std::invalid_argument);
    EXPECT_THROW(logger().SetLogLevelStr(""), std::invalid_argument);
}

std::vector<int> g_levelsHandedToLibrary;
void RecordLevel(int level) { g_levelsHandedToLibrary.push_back(level); }

TEST_F(LoggerTest, SettingTheSameLevelTwiceCallsTheLibraryOnce)
{
    logger().InstallCallback({&av_log_set_callback, &RecordLevel});
    g_levelsHandedToLibrary.clear();
    logger().SetLogLevel(llDebug);
    logger().SetLogLevel(llDebug);
    logger().SetLogLevelStr("debug");
    EXPECT_EQ(g_levelsHandedToLibrary, std::vector<int>{48});
    EXPECT_EQ(LibraryLogLevel(), 48);
    logger().SetLogLevel(llError);
    EXPECT_EQ(g_levelsHandedToLibrary, (std::vector<int>{48, 16}));
}

TEST_F(LoggerTest, InstallingTheCallbackAppliesTheCurrentLevel)
{
    logger().SetLogLevel(llWarning);
    g_levelsHandedToLibrary.clear();
    logger().InstallCallback({&av_log_set_callback, &RecordLevel});
    EXPECT_EQ(g_levelsHandedToLibrary, std::vector<int>{24});
    EXPECT_THROW(logger().InstallCallback({&av_log_set_callback, nullptr}), EAssertionFailed);
}

TEST_F(LoggerTest, OnlyOneLoggerMayExist)
{
    try {
        TFFLogger second;
        FAIL() << "a second logger was created";
    } catch (const EAssertionFailed& failure) {
        EXPECT_EQ(failure.Module(), "FFmpegLogger");
        EXPECT_EQ(failure.Message(), "Allow creating only one instance of TFFLogger.");
    }
    EXPECT_EQ(&GetFFLogger(), &logger());
}

}  // namespace
