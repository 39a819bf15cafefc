#pragma once
// Thread priorities of the converter's worker threads on Linux: idle runs
// under SCHED_IDLE, lowest and lower at nice +10 and +5, the rest at nice 0
// (raising a thread above normal needs privileges a desktop user lacks).
#include "engine/TaskRunControl.h"  // TThreadPriority

// Applies `priority` to the calling thread; false when the system refused.
bool ApplyThreadPriority(TThreadPriority priority);
