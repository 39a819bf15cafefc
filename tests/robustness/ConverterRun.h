#pragma once
// Running the converter component on one file the way the main window does
// (worker thread, events served on this thread), with a time bound so a hang
// fails the test with a message instead of stalling the suite.
#include "Watchdog.h"
#include "engine/TMediaConverter.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace robust {

// The events of one run.
class RunEvents {
public:
    void Attach(TCustomMediaConverter& converter);
    std::vector<TTerminateInfo> Terminations() const;
    bool AllEnded() const;
    int ProgressCount() const { return progressCount_; }

private:
    mutable std::mutex lock_;  // guards terminations_
    std::vector<TTerminateInfo> terminations_;
    std::atomic<int> progressCount_{0};
};

// Serves hand-overs on this (the main) thread until `done` or `timeoutMs`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

// The termination record of task 0 after every task ended; checks that the
// run ended exactly once with the final record last.
TTerminateInfo TaskTermination(const RunEvents& events);

// An output left by a run that ended: never a 0-byte file; when present, a
// file ffprobe can read with at least one stream. Empty when all is well,
// else what is wrong.
std::string OutputProblem(const std::string& output);

}  // namespace robust
