#pragma once
// The values of one status report of a run, handed to the progress callback
// (OnProgress through the component, which fills TaskIndex).
#include <cstdint>

struct TProgressInfo {
    int TaskIndex = 0;
    int FileIndex = 0;  // input of the last packet read; -1 in the last report
    int FrameNumber = -1;  // first video stream; -1 without video
    int FPS = -1;  // -1 without video
    float Quality = -1.0f;  // -1.0 without video
    float BitRate = 0;  // kbit/s
    int64_t TotalSize = 0;  // bytes written
    int64_t CurrentDuration = 0;  // µs of output written
    int64_t TotalDuration = -1;  // µs; -1 when unknown
};
using PProgressInfo = TProgressInfo*;
