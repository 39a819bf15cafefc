#include "media/QueueMainThread.h"

#include <chrono>
#include <exception>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
QueueMainThread& BuiltinQueue()
{
    static QueueMainThread queue;
    return queue;
}
IMainThread* g_installed = nullptr;
}  // namespace

IMainThread& MainThread() { return g_installed ? *g_installed : BuiltinQueue(); }

void SetMainThread(IMainThread* mainThread) { g_installed = mainThread; }

bool QueueMainThread::isMainThread() const { return static_cast<pid_t>(syscall(SYS_gettid)) == getpid(); }

void QueueMainThread::runAndWait(const std::function<void()>& work)
{
    if (isMainThread()) {
        work();
        return;
    }
    auto job = std::make_shared<Job>();
    job->work = work;
    std::unique_lock guard(lock_);
    queue_.push_back(job);
    changed_.notify_all();
    changed_.wait(guard, [&] { return job->finished; });
}

void QueueMainThread::processPending()
{
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard guard(lock_);
            if (queue_.empty())
                return;
            job = queue_.front();
            queue_.pop_front();
        }
        // The waiting thread must be released even when the work throws.
        try {
            job->work();
        } catch (...) {}
        std::lock_guard guard(lock_);
        job->finished = true;
        changed_.notify_all();
    }
}

bool QueueMainThread::pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        processPending();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, std::chrono::milliseconds(5), [&] { return !queue_.empty(); });
    }
}
