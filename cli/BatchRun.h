#pragma once
// Runs the converter's tasks, `simultaneous` at a time on worker threads,
// while the calling (main) thread delivers the events and draws the progress.
#include "engine/TaskOutcome.h"

#include <ostream>
#include <string>
#include <vector>

class TCustomMediaConverter;

struct TaskOutcome {
    TTaskOutcome outcome = TTaskOutcome::Unfinished;
    bool whole() const { return outcome == TTaskOutcome::Whole; }
    std::string error;  // why it is not whole: the engine's error, the check's finding or the stop
    std::vector<std::string> outputFiles;  // the names the kept outputs took
};

// `names[i]` labels task i. Returns one outcome per task. A stop signal
// (StopSignals) stops the run as the user's stop does.
std::vector<TaskOutcome> RunBatch(TCustomMediaConverter& converter, const std::vector<std::string>& names,
                                  int simultaneous, std::ostream& out, bool terminal);
