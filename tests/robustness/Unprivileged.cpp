#include "Unprivileged.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace robust {

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDrop = 77;

}  // namespace

ChildOutcome RunUnprivileged(const std::function<int()>& check, int timeoutSeconds)
{
    ChildOutcome outcome;
    if (geteuid() != 0) {
        outcome.ran = true;
        outcome.exitCode = check();
        return outcome;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        outcome.whyNot = "fork failed";
        return outcome;
    }
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0 || geteuid() == 0)
            _exit(kCannotDrop);
        const int result = check();
        std::fflush(nullptr);
        _exit(result == kCannotDrop ? 1 : result);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            outcome.ran = true;
            outcome.timedOut = true;
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDrop) {
        outcome.whyNot = "running as root and unable to switch to an unprivileged user";
        return outcome;
    }
    outcome.ran = true;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

}  // namespace robust
