#pragma once
// The main-thread hand-over on Qt's event loop.
#include "media/IMainThread.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class QtMainThread final : public QObject, public IMainThread {
    Q_OBJECT
public:
    QtMainThread();
    bool isMainThread() const override;
    // Queues `work` and wakes the event loop; the caller waits until it has run.
    void runAndWait(const std::function<void()>& work) override;
    // Runs the queued hand-overs, then the pending window messages.
    void processPending() override;

private:
    struct Job {
        std::function<void()> work;
        bool finished = false;
    };
    void RunQueued();

    std::mutex lock_;  // guards queue_ and every Job::finished
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> queue_;
};
