#include "media/MainThreadCalls.h"

#include <chrono>
#include <thread>

void RunInMainThread(const std::function<void()>& work) { MainThread().runAndWait(work); }

void ProcessPendingMessages() { MainThread().processPending(); }

bool WaitWhileProcessing(const std::function<bool()>& done, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    IMainThread& mainThread = MainThread();
    const bool onMainThread = mainThread.isMainThread();
    for (;;) {
        if (onMainThread)
            mainThread.processPending();
        if (done())
            return true;
        if (timeoutMs >= 0 && Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
