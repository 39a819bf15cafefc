#pragma once
// Permission faults (an unreadable file, a read-only folder) do not stop
// root, and the test suite may run as root. Such checks run here in a child
// process that has dropped to an unprivileged user first.
#include <functional>
#include <string>

namespace robust {

struct ChildOutcome {
    bool ran = false;  // false: the check could not be run unprivileged
    std::string whyNot;  // reason when !ran
    int exitCode = -1;  // the check's result (0 = passed) when ran
    bool timedOut = false;  // killed after the time limit
};

// Runs `check` without root privileges: in this process when it is not
// root, else in a child that switches to the user "nobody". The check
// returns 0 when it passes and prints its reason to stderr otherwise.
ChildOutcome RunUnprivileged(const std::function<int()>& check, int timeoutSeconds = 60);

}  // namespace robust
