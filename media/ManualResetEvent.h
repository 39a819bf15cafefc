#pragma once
// A manual-reset event: once set it stays set, releasing every waiter, until
// it is reset.
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet) : set_(initiallySet) {}

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits up to `timeoutMs` for the event; returns whether it is set.
    bool WaitFor(int timeoutMs) const;

private:
    mutable std::mutex lock_;  // guards set_
    mutable std::condition_variable changed_;
    bool set_;
};
