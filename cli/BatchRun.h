#pragma once
// Runs the converter's tasks, `simultaneous` at a time on worker threads,
// while the calling (main) thread delivers the events and draws the progress.
#include <ostream>
#include <string>
#include <vector>

class TCustomMediaConverter;

struct TaskOutcome {
    bool finished = false;
    std::string error;  // the engine's text when the task failed
};

// `names[i]` labels task i. Returns one outcome per task. SIGINT stops the run.
std::vector<TaskOutcome> RunBatch(TCustomMediaConverter& converter, const std::vector<std::string>& names,
                                  int simultaneous, std::ostream& out, bool terminal);
