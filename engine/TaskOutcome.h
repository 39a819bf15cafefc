#pragma once
// What a conversion run left behind, as its termination record tells it.
#include <string>
#include <vector>

enum class TTaskOutcome {
    Unfinished,  // stopped (the file written so far is kept) or never started
    Whole,  // ran to its end and the output checks out against what was asked
    Incomplete,  // ran to its end, but the source ended early or had errors
    Failed,  // no usable media written: the engine's error; the output is removed
};

// The result of a run as the task records it.
struct TRunResult {
    TTaskOutcome outcome = TTaskOutcome::Unfinished;
    std::string message;  // why it is incomplete (shown to the user)
    std::vector<std::string> outputNames;  // the names the finished files took
};
