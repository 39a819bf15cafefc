#pragma once
// The custom hook of one task: each decoded picture is offered to the
// application as a BGR24 bitmap (OnCustomHook through the component's
// DoCustomHook) and, unless the handler clears the update flag, the bitmap is
// written back into the picture.
#include "media/Bitmap24.h"
#include "media/FFHandles.h"
#include "media/FrameToBitmap.h"

#include <cstdint>
#include <functional>

// DoCustomHook(bitmap, update, stopHook, ptsUs, frameNumber): update starts
// true and stopHook false; the handler may change both.
using CustomHookHandler =
    std::function<void(Bitmap24& bitmap, bool& update, bool& stopHook, int64_t ptsUs, int frameNumber)>;

class CustomFrameHook {
public:
    // `logSender` is the object named in log lines (the task).
    explicit CustomFrameHook(const void* logSender = nullptr) : logSender_(logSender) {}
    CustomFrameHook(const CustomFrameHook&) = delete;
    CustomFrameHook& operator=(const CustomFrameHook&) = delete;

    // An empty handler removes the hook.
    void SetHandler(CustomHookHandler handler) { handler_ = std::move(handler); }
    bool Active() const { return static_cast<bool>(handler_); }

    // Offers `picture` (which must be writable) to the handler and writes the
    // bitmap back when asked to. Returns false when the hook stopped: the
    // handler asked for it or a conversion failed; the handler is then removed.
    bool Run(AVFrame* picture, int64_t ptsUs, int frameNumber);

    // Frees the converters and removes the handler.
    void Reset();

private:
    bool WriteBack(const Bitmap24& bitmap, AVFrame* picture);
    bool Stop();

    const void* logSender_;
    CustomHookHandler handler_;
    FrameToBitmap toRgb_;
    SwsContextPtr fromRgb_;  // cached BGR24 -> picture format scaler
};
