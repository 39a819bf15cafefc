#pragma once
// The main-thread hand-over every component receives. The program implements
// it on Qt's event loop; tests and the command-line companion use
// QueueMainThread, a plain queue pumped by the process's main thread.
#include <functional>

class IMainThread {
public:
    virtual ~IMainThread() = default;
    virtual bool isMainThread() const = 0;
    // Runs `work` on the main thread and returns when it has run. On the main
    // thread itself it runs at once.
    virtual void runAndWait(const std::function<void()>& work) = 0;  // RunInMainThread
    // Runs every hand-over waiting for the main thread; called by the main
    // thread while it waits for a worker, so the two never wait for each other.
    virtual void processPending() = 0;  // ProcessPendingMessages
};

// The process-wide hand-over. Until one is installed, a QueueMainThread whose
// main thread is the process's initial thread serves.
IMainThread& MainThread();
// Installs `mainThread` (not owned; nullptr restores the built-in queue).
void SetMainThread(IMainThread* mainThread);
