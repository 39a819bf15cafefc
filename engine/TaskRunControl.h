#pragma once
// What the caller of a transcode run hands to it: the pause gate the loop
// passes, the progress callback and the custom hook; and the thread
// priorities of the workers that run it.
#include "engine/CustomFrameHook.h"
#include "engine/PauseGate.h"
#include "engine/TProgressInfo.h"

#include <functional>

// Thread priorities of a worker (the component's ThreadPriority).
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using ProgressHandler = std::function<void(const TProgressInfo& info)>;

struct RunHooks {
    PauseGate* pauseGate = nullptr;  // passed before every packet and between written frames
    ProgressHandler onProgress;  // status reports, on the run's thread
    CustomHookHandler customHook;  // decoded pictures, on the run's thread
};
