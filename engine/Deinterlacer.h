#pragma once
// Deinterlaces single pictures for the `deinterlace` option: a vertical
// low-pass over each picture (libpostproc's "fd" filter through libavfilter),
// so every picture gives exactly one progressive picture of the same size and
// format, with no frames held back.
#include "media/FFHandles.h"

class Deinterlacer {
public:
    Deinterlacer() = default;
    Deinterlacer(const Deinterlacer&) = delete;
    Deinterlacer& operator=(const Deinterlacer&) = delete;

    // Writes the deinterlaced `source` into `target`, a writable picture of the
    // same size and format. False when the format cannot be deinterlaced or a
    // library call fails (then `target` is left as it was).
    bool Run(const AVFrame* source, AVFrame* target);

    void Reset();

private:
    bool Build(int width, int height, AVPixelFormat format);

    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by graph_
    AVFilterContext* sink_ = nullptr;  // owned by graph_
    int width_ = 0;
    int height_ = 0;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;  // with width_, height_: of the last build
    bool buildFailed_ = false;
    AVFramePtr output_{av_frame_alloc()};
};
