#include "cli/StopSignals.h"

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<int> firstSignal{0};

sigset_t StopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

namespace StopSignals {

void Install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0)
                continue;
            int none = 0;
            if (!firstSignal.compare_exchange_strong(none, signal))
                _exit(ExitStatus(signal));  // the second one: at once, nothing more is written
        }
    }).detach();
}

int Received() { return firstSignal.load(); }

int ExitStatus(int signal) { return 128 + signal; }

}  // namespace StopSignals
