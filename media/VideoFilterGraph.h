#pragma once
// The frame of a video filter graph that the converter and the player build
// alike: the graph, its buffer source and format-limited sink, and the user's
// filter text between the last fixed filter and the sink. Each step returns
// the library's result code (< 0 on failure); what sits between source and
// sink is the caller's.
#include "media/FFHandles.h"

#include <string>

// The pictures that enter the graph.
struct VideoGraphSource {
    int width = 0;
    int height = 0;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    AVRational timeBase{1, 25};
    AVRational sampleAspect{0, 1};  // an unset or invalid aspect enters as 0/1
};

struct VideoGraphEnds {
    AVFilterContext* source = nullptr;  // owned by the graph
    AVFilterContext* sink = nullptr;  // owned by the graph
};

// An empty graph whose filters run on `threads` threads (at least one) and
// whose inserted scalers use `scalerFlags`; nullptr without memory.
AVFilterGraphPtr NewVideoGraph(int threads, int scalerFlags);
// Adds the buffer source for `source` and a sink that passes only
// `sinkFormat` (every format for AV_PIX_FMT_NONE).
int AddVideoGraphEnds(AVFilterGraph* graph, const VideoGraphSource& source, const char* sourceName,
                      AVPixelFormat sinkFormat, const char* sinkName, VideoGraphEnds& ends);
// Joins `last` to `sink` through the filter text `chain` (directly when it is
// empty) and configures the graph.
int FinishVideoGraph(AVFilterGraph* graph, AVFilterContext* last, AVFilterContext* sink, const std::string& chain);
