#pragma once
// The video filter graph: decoded pictures enter at "ffplay_input", pass the
// optional filter chain and leave "ffplay_output" as planar 4:2:0.
#include "media/FFHandles.h"

#include <string>

class VideoFilter {
public:
    // Builds the graph for pictures like `frame`; false on any failure.
    bool Configure(const AVFrame* frame, AVRational timeBase, const std::string& chain, int scalingFlags);
    // True when `frame` no longer matches the graph's input.
    bool NeedsRebuild(const AVFrame* frame) const;
    int Push(AVFrame* frame);  // takes a reference; the frame stays the caller's
    // 0 with a picture in `out`, AVERROR(EAGAIN) when none waits, < 0 on error.
    int Pull(AVFrame* out);
    int OutputWidth() const;
    int OutputHeight() const;

private:
    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
};
