#pragma once
// Hand-over to the main thread through the installed IMainThread.
#include "media/IMainThread.h"

#include <functional>

// On the main thread runs `work` at once; on any other thread queues it for
// the main thread and waits until it has run.
void RunInMainThread(const std::function<void()>& work);

// Runs every hand-over waiting for the main thread. Call it from the main
// thread while waiting for a worker, so a worker's RunInMainThread completes.
void ProcessPendingMessages();

// Waits until `done` returns true or `timeoutMs` passes (negative: no limit);
// on the main thread it keeps running hand-overs meanwhile, so the threads it
// waits for can finish their RunInMainThread calls. Returns the last `done`.
bool WaitWhileProcessing(const std::function<bool()>& done, int timeoutMs = -1);
