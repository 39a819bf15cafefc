#include "engine/PauseGate.h"

void PauseGate::Close()
{
    std::lock_guard guard(lock_);
    closed_ = true;
}

void PauseGate::Open()
{
    {
        std::lock_guard guard(lock_);
        closed_ = false;
    }
    opened_.notify_all();
}

bool PauseGate::IsClosed() const
{
    std::lock_guard guard(lock_);
    return closed_;
}

void PauseGate::Pass()
{
    std::unique_lock guard(lock_);
    ++waiting_;
    opened_.wait(guard, [this] { return !closed_; });
    --waiting_;
}

bool PauseGate::Holding() const
{
    std::lock_guard guard(lock_);
    return closed_ && waiting_ > 0;
}
