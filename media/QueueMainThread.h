#pragma once
#include "media/IMainThread.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// A hand-over queue for programs without a toolkit event loop. The main thread
// is the process's initial thread; other threads queue work and wait until the
// main thread runs it from processPending().
class QueueMainThread final : public IMainThread {
public:
    bool isMainThread() const override;
    void runAndWait(const std::function<void()>& work) override;
    void processPending() override;
    // Main thread only: pumps the queue until `done` returns true or the
    // timeout passes; returns the last value of `done`.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

private:
    struct Job {
        std::function<void()> work;
        bool finished = false;
    };
    std::mutex lock_;  // guards queue_ and every Job::finished
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> queue_;
};
