#pragma once
// Records the converter hands to the application's frame events.
#include <cstddef>  // size_t, used by Bitmap24.h

#include "media/Bitmap24.h"

#include <cstdint>

// One decoded picture offered to OnCustomHook. The handler may draw on
// Bitmap; with Update left true the drawing is written back into the picture,
// and StopHook set true ends the hook calls for this task.
struct THookInfo {
    int TaskIndex = 0;
    Bitmap24* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;  // µs
    bool Update = true;
    bool StopHook = false;
};
using PHookInfo = THookInfo*;

// One picture on its way to the encoder, offered to OnPreviewBitmap.
struct TPreviewInfo {
    int TaskIndex = 0;
    const Bitmap24* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;  // µs
};
