// How the converter schedules its tasks on worker threads and on the caller's
// thread, and how pause, stop and the termination events behave, observed
// with tasks that run a scripted body.
#include "ConverterTestKit.h"

#include "media/QueueMainThread.h"

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <stdexcept>

namespace {

using convtest::AddWavTask;
using convtest::EventLog;
using convtest::PumpUntil;
using convtest::ScriptedConverter;

// Task terminations in delivery order, without the all-ended one.
std::vector<int> TaskIndexes(const std::vector<TTerminateInfo>& terminations)
{
    std::vector<int> indexes;
    for (const TTerminateInfo& info : terminations)
        if (info.TaskIndex >= 0)
            indexes.push_back(info.TaskIndex);
    return indexes;
}

TEST(ConverterThreading, ThreadModeRunsAtMostCountAtOnceAndEachEndStartsTheNext)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    // the first three differ in length, so the order of their ends is known
    const int steps[] = {30, 10, 20, 5, 5};
    for (int i = 0; i < 5; ++i) {
        converter.QueueScript({steps[i], 5});
        AddWavTask(converter, dir, i);
    }
    converter.StartTask(3);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));

    auto& board = converter.Board();
    std::lock_guard guard(board.lock);
    ASSERT_EQ(board.startOrder.size(), 5u);
    // the first three threads may begin their bodies in any order
    std::vector<int> firstThree(board.startOrder.begin(), board.startOrder.begin() + 3);
    std::sort(firstThree.begin(), firstThree.end());
    EXPECT_EQ(firstThree, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(board.startOrder[3], 3);
    EXPECT_EQ(board.startOrder[4], 4);
    EXPECT_EQ(board.mostRunning, 3);
    // task 3 waited for one end, task 4 for a second one
    EXPECT_GE(board.endedWhenStarted[3], 1);
    EXPECT_GE(board.endedWhenStarted[4], 2);

    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 6u);
    EXPECT_EQ(terminations.back().TaskIndex, -1);
    EXPECT_TRUE(terminations.back().Finished);
    EXPECT_FALSE(terminations.back().Exception);
    std::vector<int> ended = TaskIndexes(terminations);
    std::sort(ended.begin(), ended.end());
    EXPECT_EQ(ended, (std::vector<int>{0, 1, 2, 3, 4}));
    for (const TTerminateInfo& info : terminations) {
        EXPECT_TRUE(info.Finished) << info.TaskIndex;
        EXPECT_FALSE(info.Exception) << info.TaskIndex << " " << info.ExceptionMsg;
    }
}

TEST(ConverterThreading, CallerThreadModeReturnsAfterEveryTaskAndTheAllEndedDelivery)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    std::vector<int> delivered;
    bool offCallerThread = false;
    const auto caller = std::this_thread::get_id();
    converter.SetOnTerminate([&](TCustomMediaConverter*, const TTerminateInfo& info) {
        delivered.push_back(info.TaskIndex);
        offCallerThread = offCallerThread || std::this_thread::get_id() != caller;
    });
    for (int i = 0; i < 4; ++i)
        AddWavTask(converter, dir, i);
    converter.StartTask(0);
    EXPECT_EQ(delivered, (std::vector<int>{0, 1, 2, 3, -1}));
    EXPECT_FALSE(offCallerThread);
    EXPECT_TRUE(converter.Working());  // until ClearTasks
    converter.ClearTasks();
    EXPECT_FALSE(converter.Working());
    EXPECT_EQ(converter.TaskCount(), 0);
}

// In caller-thread mode a handler may wait for another thread that calls
// into the converter: for a task's record and for the all-ended one.
TEST(ConverterThreading, CallerThreadModeHandlerMayWaitForAnotherThreadsCall)
{
    for (const int waitingAt : {0, -1}) {
        SCOPED_TRACE("handler waits at the record of " + std::to_string(waitingAt));
        qtest::ScratchDir dir;
        ScriptedConverter converter;
        std::thread caller;
        std::promise<void> returned;
        std::future_status status = std::future_status::deferred;
        converter.SetOnTerminate([&](TCustomMediaConverter* sender, const TTerminateInfo& info) {
            if (info.TaskIndex != waitingAt || caller.joinable())
                return;
            caller = std::thread([sender, &returned] {
                sender->StopTasks(false);
                returned.set_value();
            });
            status = returned.get_future().wait_for(std::chrono::seconds(10));
        });
        AddWavTask(converter, dir, 0);
        converter.StartTask(0);
        EXPECT_EQ(status, std::future_status::ready) << "StopTasks from another thread did not return while "
                                                        "the handler waited for it";
        ASSERT_TRUE(caller.joinable());
        caller.join();
        converter.ClearTasks();
    }
}

// In caller-thread mode, as on the delivery threads, a handler that throws
// does not keep the records after it from the handler, nor the batch from ending.
TEST(ConverterThreading, CallerThreadModeHandlerThatThrowsStillGetsTheRecordsAfterIt)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    std::vector<int> delivered;
    converter.SetOnTerminate([&](TCustomMediaConverter*, const TTerminateInfo& info) {
        delivered.push_back(info.TaskIndex);
        if (info.TaskIndex == 0)
            throw std::runtime_error("handler failed");
    });
    for (int i = 0; i < 2; ++i)
        AddWavTask(converter, dir, i);
    converter.StartTask(0);
    EXPECT_EQ(delivered, (std::vector<int>{0, 1, -1}));
    EXPECT_NO_THROW(converter.ClearTasks());
    EXPECT_EQ(converter.TaskCount(), 0);
}

TEST(ConverterThreading, StopWithWaitingEndsRunningAndWaitingTasksUnfinished)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    for (int i = 0; i < 5; ++i) {
        converter.QueueScript({-1, 5});  // runs until stopped
        AddWavTask(converter, dir, i);
    }
    converter.StartTask(2);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 4; }));
    converter.StopTasks(true);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));

    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 6u);
    EXPECT_EQ(terminations.back().TaskIndex, -1);
    const std::map<int, int> counts = events.TerminationCounts();
    for (int i = -1; i < 5; ++i)
        EXPECT_EQ(counts.count(i) ? counts.at(i) : 0, 1) << "task " << i;
    for (const TTerminateInfo& info : terminations) {
        if (info.TaskIndex < 0)
            continue;
        EXPECT_FALSE(info.Finished) << info.TaskIndex;
        EXPECT_FALSE(info.Exception) << info.TaskIndex << " " << info.ExceptionMsg;
    }
    std::lock_guard guard(converter.Board().lock);
    // the two threads may begin their bodies in either order; the others never ran
    std::vector<int> started = converter.Board().startOrder;
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<int>{0, 1}));
    EXPECT_EQ(converter.Board().running, 0);
}

TEST(ConverterThreading, PausedTasksReportNothingUntilResumed)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    for (int i = 0; i < 2; ++i) {
        converter.QueueScript({40, 5});
        AddWavTask(converter, dir, i);
    }
    converter.StartTask(2);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 2; }));
    converter.PauseTasks();
    PumpUntil([] { return false; }, 50);  // a report already under way may still arrive
    const size_t atPause = events.ProgressCount();
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(events.ProgressCount(), atPause);
    EXPECT_FALSE(events.AllEnded());
    converter.ResumeTasks();
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    EXPECT_EQ(events.ProgressCount(), 80u);
    for (const TTerminateInfo& info : events.Terminations())
        EXPECT_TRUE(info.Finished) << info.TaskIndex;
}

TEST(ConverterThreading, TaskStartedWhilePausedWaitsForResume)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    converter.QueueScript({10, 5, false});  // ends while the batch is paused
    AddWavTask(converter, dir, 0);
    converter.QueueScript({5, 5});
    AddWavTask(converter, dir, 1);
    converter.StartTask(1);
    converter.PauseTasks();
    ASSERT_TRUE(PumpUntil([&] { return !events.Terminations().empty(); }));
    ASSERT_TRUE(PumpUntil([&] { return converter.TaskHeld(1); })) << "the second task never reached its gate";
    for (const TProgressInfo& p : events.Progress())
        EXPECT_EQ(p.TaskIndex, 0);  // the second task has not run a step
    converter.ResumeTasks();
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    EXPECT_EQ(events.ProgressCount(), 15u);
}

TEST(ConverterThreading, StoppingPausedTasksEndsThem)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    converter.QueueScript({-1, 5});
    AddWavTask(converter, dir, 0);
    converter.StartTask(1);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 1; }));
    converter.PauseTasks();
    converter.StopTasks(true);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    EXPECT_EQ(TaskIndexes(events.Terminations()), std::vector<int>{0});
}

// The built-in hand-over queue, counting the threads that wait in it.
class CountingMainThread : public IMainThread {
public:
    CountingMainThread() { SetMainThread(this); }
    ~CountingMainThread() override { SetMainThread(nullptr); }
    bool isMainThread() const override { return queue_.isMainThread(); }
    void runAndWait(const std::function<void()>& work) override
    {
        if (isMainThread()) {
            work();
            return;
        }
        {
            std::lock_guard guard(lock_);
            ++waiting_;
        }
        changed_.notify_all();
        queue_.runAndWait(work);
        std::lock_guard guard(lock_);
        --waiting_;
    }
    void processPending() override { queue_.processPending(); }
    // Without serving anyone: whether a thread waits in a hand-over within `timeout`.
    bool WaitForAWaitingThread(std::chrono::milliseconds timeout)
    {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, timeout, [this] { return waiting_ > 0; });
    }

private:
    QueueMainThread queue_;
    std::mutex lock_;  // guards waiting_
    std::condition_variable changed_;
    int waiting_ = 0;
};

TEST(ConverterThreading, ProgressOnTheMainThreadWhileItWaitsInStop)
{
    CountingMainThread mainThread;  // installed before the converter, removed after it
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    for (int i = 0; i < 3; ++i) {
        converter.QueueScript({-1, 1});  // reports as often as it can
        AddWavTask(converter, dir, i);
    }
    converter.StartTask(3);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 10; }));
    // from here on no one pumps but StopTasks itself
    const size_t beforeStop = events.ProgressCount();
    ASSERT_TRUE(mainThread.WaitForAWaitingThread(std::chrono::seconds(10))) << "no report waits for the main thread";
    converter.StopTasks(true);
    EXPECT_GT(events.ProgressCount(), beforeStop);  // StopTasks served the waiting reports
    EXPECT_FALSE(events.ProgressOffMainThread());
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
}

TEST(ConverterThreading, WithoutMainThreadDeliveryProgressArrivesOnTheWorker)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    converter.SetTriggerEventInMainThread(false);
    EventLog events;
    events.Attach(converter);
    converter.QueueScript({5, 1});
    AddWavTask(converter, dir, 0);
    converter.StartTask(1);
    // not pumping: the reports must not need the main thread
    ASSERT_TRUE(events.WaitAllEnded(std::chrono::seconds(10)));
    EXPECT_EQ(events.ProgressCount(), 5u);
    EXPECT_TRUE(events.ProgressOffMainThread());
}

TEST(ConverterThreading, WorkersRunAtTheThreadPriority)
{
    const struct {
        TThreadPriority priority;
        int policy;
        int nice;
    } cases[] = {
        {tpNormal, SCHED_OTHER, 0}, {tpLower, SCHED_OTHER, 5}, {tpLowest, SCHED_OTHER, 10}, {tpIdle, SCHED_IDLE, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.priority);
        qtest::ScratchDir dir;
        ScriptedConverter converter;
        EventLog events;
        events.Attach(converter);
        converter.SetThreadPriority(c.priority);
        AddWavTask(converter, dir, 0);
        converter.StartTask(1);
        ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
        std::lock_guard guard(converter.Board().lock);
        ASSERT_EQ(converter.Board().policies.size(), 1u);
        EXPECT_EQ(converter.Board().policies[0], c.policy);
        if (c.policy == SCHED_OTHER) {
            EXPECT_EQ(converter.Board().nices[0], c.nice);
        }
    }
}

TEST(ConverterThreading, RepeatedStopsAndRestartsTerminateEveryTaskOncePerRun)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    std::mt19937 random(20261210);
    for (int round = 0; round < 12; ++round) {
        events.Clear();
        converter.ClearTasks();
        for (int i = 0; i < 10; ++i) {
            converter.QueueScript({static_cast<int>(random() % 8) + 1, 2});
            AddWavTask(converter, dir, i);
        }
        converter.StartTask(4);
        PumpUntil([] { return false; }, static_cast<int>(random() % 25));
        converter.StopTasks(round % 2 == 0);
        ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); })) << "round " << round;
        const std::map<int, int> counts = events.TerminationCounts();
        for (int i = -1; i < 10; ++i)
            EXPECT_EQ(counts.count(i) ? counts.at(i) : 0, 1) << "round " << round << " task " << i;
        EXPECT_EQ(events.Terminations().back().TaskIndex, -1) << "round " << round;
    }
    std::lock_guard guard(converter.Board().lock);
    EXPECT_LE(converter.Board().mostRunning, 4);
}

TEST(ConverterThreading, TasksStartedTogetherShareTheCoresAndALoneTaskGetsThemAll)
{
    struct Case {
        const char* label;
        int cores;
        int tasks;
        int simultaneous;
        std::vector<int> want;  // threads each task was given
    };
    const Case cases[] = {
        {"two together on 4 cores", 4, 2, 2, {2, 2}},
        {"three together on 8 cores", 8, 3, 3, {2, 2, 2}},
        {"more tasks than cores", 2, 3, 3, {1, 1, 1}},
        {"one task, two allowed", 4, 1, 2, {4}},
        {"one after another on workers", 4, 2, 1, {4, 4}},
        {"one after another on the caller's thread", 4, 2, 0, {4, 4}},
    };
    for (const Case& c : cases) {
        qtest::ScratchDir dir;
        ScriptedConverter converter;
        EventLog events;
        events.Attach(converter);
        converter.SetCoreCount(c.cores);
        for (int i = 0; i < c.tasks; ++i) {
            converter.QueueScript({3, 5});
            AddWavTask(converter, dir, i);
        }
        for (int i = 0; i < c.tasks; ++i)
            EXPECT_EQ(converter.TaskCodecThreads(i), 0) << c.label << ": nothing given before the start";
        converter.StartTask(c.simultaneous);
        ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); })) << c.label;
        std::vector<int> given;
        for (int i = 0; i < c.tasks; ++i)
            given.push_back(converter.TaskCodecThreads(i));
        EXPECT_EQ(given, c.want) << c.label;
    }
}

TEST(ConverterThreading, ATaskStartedLaterSharesWithTheTasksStillRunning)
{
    qtest::ScratchDir dir;
    ScriptedConverter converter;
    EventLog events;
    events.Attach(converter);
    converter.SetCoreCount(8);
    converter.QueueScript({-1, 5});  // runs until stopped
    converter.QueueScript({2, 5});
    converter.QueueScript({-1, 5});
    for (int i = 0; i < 3; ++i)
        AddWavTask(converter, dir, i);
    converter.StartTask(2);
    // the third starts when the second ends, beside the first
    ASSERT_TRUE(PumpUntil([&] { return converter.TaskCodecThreads(2) != 0; }));
    EXPECT_EQ(converter.TaskCodecThreads(0), 4);
    EXPECT_EQ(converter.TaskCodecThreads(1), 4);
    EXPECT_EQ(converter.TaskCodecThreads(2), 4);
    converter.StopTasks(true);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));

    // a second run shares afresh: alone, a task has every core
    converter.ClearTasks();
    events.Clear();
    converter.QueueScript({2, 5});
    AddWavTask(converter, dir, 3);
    converter.StartTask(2);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    EXPECT_EQ(converter.TaskCodecThreads(0), 8);
}

}  // namespace
