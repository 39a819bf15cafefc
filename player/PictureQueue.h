#pragma once
// The two decoded pictures waiting for display, between the video thread
// (producer) and the event loop (consumer, overlay allocation).
#include "player/YuvOverlay.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

struct VideoPicture {
    double Pts = 0;  // seconds
    double TargetClock = 0;  // system time in seconds at which to show it
    int64_t Pos = -1;  // byte position in the file
    std::shared_ptr<YuvOverlay> Overlay;
    int Width = 0;  // the size the overlay was made for
    int Height = 0;
    bool Allocated = false;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    AVRational SampleAspect{0, 1};
};

struct PictureQueue {
    static constexpr int kSize = 2;

    VideoPicture Pictures[kSize];
    int ReadIndex = 0;
    int WriteIndex = 0;
    int Count = 0;
    // The picture last displayed (none before the first). Its overlay is not
    // written again while it is on screen, so a snapshot gets what is shown:
    // the entry it came from writes into the spare instead.
    std::shared_ptr<YuvOverlay> ShownOverlay;
    double ShownPts = 0;
    std::shared_ptr<YuvOverlay> SpareOverlay;
    // guards Count, the shown and spare overlays, ShownPts, every entry's
    // Overlay, TargetClock and Allocated; the frame timer those targets come
    // from moves only under it once pictures flow
    std::mutex Lock;
    std::condition_variable Changed;
};
