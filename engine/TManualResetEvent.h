#pragma once
// A manual-reset event: once set it stays set, releasing every waiter, until
// it is reset.
#include <chrono>
#include <condition_variable>
#include <mutex>

class TManualResetEvent {
public:
    explicit TManualResetEvent(bool signalled) : signalled_(signalled) {}

    void Set()
    {
        {
            std::lock_guard guard(lock_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    void Reset()
    {
        std::lock_guard guard(lock_);
        signalled_ = false;
    }
    bool IsSet() const
    {
        std::lock_guard guard(lock_);
        return signalled_;
    }
    void Wait()
    {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return signalled_; });
    }
    // True when the event was set within `timeoutMs`.
    bool WaitFor(int timeoutMs)
    {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
    }

private:
    mutable std::mutex lock_;  // guards signalled_
    std::condition_variable changed_;
    bool signalled_;
};
