#include "media/MainThreadCalls.h"

void RunInMainThread(const std::function<void()>& work)
{
    MainThread().runAndWait(work);
}

void ProcessPendingMessages()
{
    MainThread().processPending();
}
