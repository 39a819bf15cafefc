#pragma once
// The video filter graph of one output stream: the decoder's pictures enter a
// buffer source, are turned upright as the source's display matrix asks, pass
// an optional crop and scale and the user's filter text (option
// `vf`/`vfilters`), and leave through a sink that delivers only the encoder's
// pixel format.
#include "media/FFHandles.h"
#include "media/PictureOrientation.h"
#include "media/VideoFilterGraph.h"

#include <string>

// What enters the graph: the decoder's pictures.
struct FilterGraphInput : VideoGraphSource {
    PictureOrientation orientation;  // how the pictures are turned upright
};

// What the output stream asks for.
struct FilterGraphOutput {
    int cropTop = 0;
    int cropBottom = 0;
    int cropLeft = 0;
    int cropRight = 0;  // crops count on the upright picture
    int width = 0;  // the encoder's size; 0 keeps the (cropped) input size
    int height = 0;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;  // the encoder's format
    int scalerFlags = SWS_BICUBIC;  // the task's "sws_flags"
    std::string filters;  // the user's filter text, may be empty
    int threads = 1;  // the task's threads for filters and scalers
};

class FilterGraph {
public:
    FilterGraph() = default;
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // Builds and configures the graph. Throws FFmpegException "Error opening
    // filters: " + the library's error text ("Error opening filters!" when
    // there is none). The encoder then takes Width() and Height().
    void Build(const FilterGraphInput& input, const FilterGraphOutput& output);
    bool Built() const { return static_cast<bool>(graph_); }

    // The sink's picture size, format and time base, known after Build.
    int Width() const;
    int Height() const;
    AVPixelFormat PixelFormat() const;
    AVRational TimeBase() const;
    AVRational SampleAspect() const;

    // Pushes one picture (the graph takes its own reference); nullptr marks
    // the end of the input. False when the graph refuses it.
    bool Push(const AVFrame* picture);
    // Pulls the next filtered picture into `picture` (unreferenced first),
    // with its presentation time in TimeBase() and its sample aspect ratio.
    // False when no picture is ready now.
    bool Pull(AVFrame* picture);

    void Reset();

private:
    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by graph_
    AVFilterContext* sink_ = nullptr;  // owned by graph_
};
