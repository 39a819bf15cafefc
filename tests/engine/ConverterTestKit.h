#pragma once
// Shared pieces of the converter component tests: generated inputs, a
// recorder of every event with the thread it arrived on, and a converter
// whose tasks run a scripted body instead of a conversion, so thread
// scheduling, pausing and stopping can be observed step by step.
#include "engine/TMediaConverter.h"
#include "media/MainThreadCalls.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace convtest {

class Clips {
public:
    static Clips& Get()
    {
        static Clips clips;
        return clips;
    }
    const qtest::ScratchDir& dir() const { return dir_; }
    std::string Wav() { return qtest::MakeWavClip(dir_.path(), 1.0); }
    std::string Mp4() { return qtest::MakeMp4Clip(dir_.path()); }  // 2 s

private:
    qtest::ScratchDir dir_;
};

inline bool IsMainThread() { return MainThread().isMainThread(); }

// Waits on the main thread, serving hand-overs, until `done` or the timeout.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    return WaitWhileProcessing(done, timeoutMs);
}

// Every event the component raised, in arrival order.
class EventLog {
public:
    void Attach(TCustomMediaConverter& converter)
    {
        converter.SetOnTerminate([this](TCustomMediaConverter*, const TTerminateInfo& info) {
            // notified under the lock: a waiter that sees the end may destroy the log at once
            std::lock_guard guard(lock_);
            terminations_.push_back(info);
            if (info.TaskIndex < 0)
                allEnded_ = true;
            ended_.notify_all();
        });
        converter.SetOnProgress([this](TCustomMediaConverter*, PProgressInfo info) {
            std::lock_guard guard(lock_);
            progress_.push_back(*info);
            if (!IsMainThread())
                progressOffMainThread_ = true;
        });
    }
    std::vector<TTerminateInfo> Terminations() const
    {
        std::lock_guard guard(lock_);
        return terminations_;
    }
    std::vector<TProgressInfo> Progress() const
    {
        std::lock_guard guard(lock_);
        return progress_;
    }
    size_t ProgressCount() const
    {
        std::lock_guard guard(lock_);
        return progress_.size();
    }
    bool AllEnded() const
    {
        std::lock_guard guard(lock_);
        return allEnded_;
    }
    // Waits for the all-ended event without serving the main thread; false
    // when it has not come within `timeout`.
    bool WaitAllEnded(std::chrono::milliseconds timeout) const
    {
        std::unique_lock guard(lock_);
        return ended_.wait_for(guard, timeout, [this] { return allEnded_; });
    }
    bool ProgressOffMainThread() const
    {
        std::lock_guard guard(lock_);
        return progressOffMainThread_;
    }
    // How many times each task index (and -1) was reported terminated.
    std::map<int, int> TerminationCounts() const
    {
        std::map<int, int> counts;
        for (const TTerminateInfo& info : Terminations())
            ++counts[info.TaskIndex];
        return counts;
    }
    void Clear()
    {
        std::lock_guard guard(lock_);
        terminations_.clear();
        progress_.clear();
        allEnded_ = false;
    }

private:
    mutable std::mutex lock_;  // guards everything below
    mutable std::condition_variable ended_;  // a termination arrived
    std::vector<TTerminateInfo> terminations_;
    std::vector<TProgressInfo> progress_;
    bool allEnded_ = false;
    bool progressOffMainThread_ = false;
};

// What the scripted tasks did, shared by all of them.
struct ScriptBoard {
    std::mutex lock;  // guards the fields below
    std::vector<int> startOrder;  // task serial numbers as their bodies began
    int running = 0;
    int mostRunning = 0;
    int ended = 0;
    std::vector<int> endedWhenStarted;  // `ended` at each start, by start order
    std::vector<int> policies;  // scheduling policy of each body's thread
    std::vector<int> nices;  // nice value of each body's thread
};

// A task whose run body takes `steps` steps (-1: until stopped) of `stepMs`
// each, passing the pause gate (when `gated`) and reporting progress at
// every step.
class ScriptedTask : public TFFmpeg {
public:
    ScriptedTask(int capacity, ScriptBoard& board, int serial, int steps, int stepMs, bool gated)
        : TFFmpeg(capacity), board_(board), serial_(serial), steps_(steps), stepMs_(stepMs), gated_(gated)
    {}
    // The body waits at the closed pause gate.
    bool Held() { return Gate().Holding(); }

protected:
    void RunBody() override
    {
        {
            std::lock_guard guard(board_.lock);
            board_.startOrder.push_back(serial_);
            board_.endedWhenStarted.push_back(board_.ended);
            board_.policies.push_back(sched_getscheduler(0));
            board_.nices.push_back(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))));
            board_.mostRunning = std::max(board_.mostRunning, ++board_.running);
        }
        finished_ = false;
        for (int step = 0; steps_ < 0 || step < steps_; ++step) {
            if (gated_)
                Gate().Pass();
            if (StopRequested())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(stepMs_));
            TProgressInfo info;
            info.FrameNumber = step;
            info.CurrentDuration = step * 1000;
            ReportProgress(info);
        }
        finished_ = !StopRequested();
        std::lock_guard guard(board_.lock);
        --board_.running;
        ++board_.ended;
    }

private:
    ScriptBoard& board_;
    const int serial_;
    const int steps_;
    const int stepMs_;
    const bool gated_;
};

// A converter whose next tasks follow the scripts queued with Script().
class ScriptedConverter : public TMediaConverter {
public:
    struct Script {
        int steps;
        int stepMs;
        bool gated = true;
    };
    void QueueScript(Script script) { scripts_.push_back(script); }
    ScriptBoard& Board() { return board_; }
    // Whether the task made `serial`-th waits at its pause gate.
    bool TaskHeld(size_t serial) { return serial < made_.size() && made_[serial]->Held(); }

protected:
    std::unique_ptr<TFFmpeg> CreateTask(int capacity) override
    {
        const Script script = next_ < scripts_.size() ? scripts_[next_] : Script{3, 5, true};
        const int serial = static_cast<int>(next_++);
        auto task = std::make_unique<ScriptedTask>(capacity, board_, serial, script.steps, script.stepMs, script.gated);
        made_.push_back(task.get());
        return task;
    }

private:
    ScriptBoard board_;
    std::vector<ScriptedTask*> made_;  // owned by the converter, by serial
    std::vector<Script> scripts_;
    size_t next_ = 0;
};

// Adds a task reading the WAV clip with an output in `dir`; its index.
inline int AddWavTask(TCustomMediaConverter& converter, const qtest::ScratchDir& dir, int n)
{
    if (!converter.AVLibLoaded()) {
        EXPECT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
    }
    const int index = converter.AddTask(Clips::Get().Wav());
    EXPECT_GE(index, 0) << converter.LastErrMsg();
    EXPECT_TRUE(converter.SetOutputFile(index, dir.file("out" + std::to_string(n) + ".wav"))) << converter.LastErrMsg();
    return index;
}

}  // namespace convtest
