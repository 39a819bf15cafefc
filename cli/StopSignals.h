#pragma once
// SIGINT, SIGTERM and SIGHUP for a conversion: the first one asks the run to
// stop as the user's stop does (running files are finished and kept, nothing
// else is written); a second one ends the process at once, leaving only the
// hidden part files of the running conversions.
//
// Install() blocks the three signals in the calling thread, so that every
// thread started after it inherits the mask, and waits for them on a thread
// of its own (sigwait), which only records the first one. Call it before the
// first task is set up and before any other thread exists.
#include <atomic>

namespace StopSignals {

void Install();
// The first signal received, 0 while none came.
int Received();
// The exit status for a run ended by `signal`: 128 + its number.
int ExitStatus(int signal);

}  // namespace StopSignals
