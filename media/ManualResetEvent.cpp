#include "media/ManualResetEvent.h"

#include <chrono>

void ManualResetEvent::Set()
{
    {
        std::lock_guard guard(lock_);
        set_ = true;
    }
    changed_.notify_all();
}

void ManualResetEvent::Reset()
{
    std::lock_guard guard(lock_);
    set_ = false;
}

bool ManualResetEvent::IsSet() const
{
    std::lock_guard guard(lock_);
    return set_;
}

bool ManualResetEvent::WaitFor(int timeoutMs) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
}
