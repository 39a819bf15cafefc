#include "engine/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int NiceOf(TThreadPriority priority)
{
    switch (priority) {
    case tpLowest:
        return 10;
    case tpLower:
        return 5;
    default:
        return 0;
    }
}

}  // namespace

bool ApplyThreadPriority(TThreadPriority priority)
{
    sched_param param{};
    param.sched_priority = 0;
    const int policy = priority == tpIdle ? SCHED_IDLE : SCHED_OTHER;
    bool applied = pthread_setschedparam(pthread_self(), policy, &param) == 0;
    if (priority != tpIdle) {
        // nice is per thread on Linux when addressed by thread id
        const auto tid = static_cast<id_t>(syscall(SYS_gettid));
        applied = setpriority(PRIO_PROCESS, tid, NiceOf(priority)) == 0 && applied;
    }
    return applied;
}
