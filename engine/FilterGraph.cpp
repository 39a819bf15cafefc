#include "engine/FilterGraph.h"

#include "engine/FFmpegException.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <string>

namespace {

std::string LibraryErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0)
        return std::string();
    return text;
}

[[noreturn]] void FailOpening(int code)
{
    const std::string reason = code < 0 ? LibraryErrorText(code) : std::string();
    if (reason.empty())
        throw FFmpegException("Error opening filters!");
    throw FFmpegException("Error opening filters: " + reason);
}

void Check(int result)
{
    if (result < 0)
        FailOpening(result);
}

AVFilterContext* AddFilter(AVFilterGraph* graph, const char* filter, const char* name, const std::string& args)
{
    AVFilterContext* context = nullptr;
    const AVFilter* definition = avfilter_get_by_name(filter);
    if (!definition)
        FailOpening(AVERROR_FILTER_NOT_FOUND);
    Check(avfilter_graph_create_filter(&context, definition, name, args.empty() ? nullptr : args.c_str(), nullptr,
                                       graph));
    return context;
}

// The filters that turn pictures of `orientation` upright, linked after
// `last`; returns the last of them (or `last` when the pictures are upright).
AVFilterContext* LinkUprightStep(AVFilterGraph* graph, AVFilterContext* last, const PictureOrientation& orientation)
{
    struct Step {
        const char* filter;
        const char* args;
    };
    Step steps[2] = {};
    switch (orientation.clockwiseDegrees) {
    case 90:
        steps[0] = {"transpose", orientation.mirrored ? "dir=clock_flip" : "dir=clock"};
        break;
    case 180:
        if (orientation.mirrored) {
            steps[0] = {"vflip", ""};
        } else {
            steps[0] = {"hflip", ""};
            steps[1] = {"vflip", ""};
        }
        break;
    case 270:
        steps[0] = {"transpose", orientation.mirrored ? "dir=cclock_flip" : "dir=cclock"};
        break;
    default:
        if (orientation.mirrored)
            steps[0] = {"hflip", ""};
        break;
    }
    int index = 0;
    for (const Step& step : steps) {
        if (!step.filter)
            continue;
        const std::string name = "upright" + std::to_string(index++);
        AVFilterContext* filter = AddFilter(graph, step.filter, name.c_str(), step.args);
        Check(avfilter_link(last, 0, filter, 0));
        last = filter;
    }
    return last;
}

}  // namespace

void FilterGraph::Build(const FilterGraphInput& input, const FilterGraphOutput& output)
{
    Reset();
    AVFilterGraphPtr graph = NewVideoGraph(output.threads, output.scalerFlags);
    if (!graph)
        FailOpening(AVERROR(ENOMEM));
    VideoGraphEnds ends;
    Check(AddVideoGraphEnds(graph.get(), input, "src", output.pixelFormat, "out", ends));

    AVFilterContext* last = LinkUprightStep(graph.get(), ends.source, input.orientation);
    const bool swapped = input.orientation.SwapsSides();
    const int uprightWidth = swapped ? input.height : input.width;
    const int uprightHeight = swapped ? input.width : input.height;
    const int croppedWidth = uprightWidth - output.cropLeft - output.cropRight;
    const int croppedHeight = uprightHeight - output.cropTop - output.cropBottom;
    if (output.cropTop || output.cropBottom || output.cropLeft || output.cropRight) {
        // the crop keeps the input less the crops; scaling to the encoder's
        // size is the next filter's work
        AVFilterContext* crop =
            AddFilter(graph.get(), "crop", "crop",
                      FormatText("w=%d:h=%d:x=%d:y=%d", croppedWidth, croppedHeight, output.cropLeft, output.cropTop));
        Check(avfilter_link(last, 0, crop, 0));
        last = crop;
    }
    const bool resize =
        output.width > 0 && output.height > 0 && (output.width != croppedWidth || output.height != croppedHeight);
    if (resize) {
        AVFilterContext* scale =
            AddFilter(graph.get(), "scale", "scale",
                      FormatText("%d:%d:sws_flags=%d", output.width, output.height, output.scalerFlags));
        Check(avfilter_link(last, 0, scale, 0));
        last = scale;
    }
    Check(FinishVideoGraph(graph.get(), last, ends.sink, output.filters));

    graph_ = std::move(graph);
    source_ = ends.source;
    sink_ = ends.sink;
}

int FilterGraph::Width() const { return sink_ ? av_buffersink_get_w(sink_) : 0; }
int FilterGraph::Height() const { return sink_ ? av_buffersink_get_h(sink_) : 0; }

AVPixelFormat FilterGraph::PixelFormat() const
{
    return sink_ ? static_cast<AVPixelFormat>(av_buffersink_get_format(sink_)) : AV_PIX_FMT_NONE;
}

AVRational FilterGraph::SampleAspect() const
{
    return sink_ ? av_buffersink_get_sample_aspect_ratio(sink_) : AVRational{0, 1};
}

AVRational FilterGraph::TimeBase() const { return sink_ ? av_buffersink_get_time_base(sink_) : AVRational{0, 1}; }

bool FilterGraph::Push(const AVFrame* picture)
{
    if (!source_)
        return false;
    return av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(picture), AV_BUFFERSRC_FLAG_KEEP_REF) >= 0;
}

bool FilterGraph::Pull(AVFrame* picture)
{
    av_frame_unref(picture);
    if (!sink_ || av_buffersink_get_frame(sink_, picture) < 0)
        return false;
    // pictures without an aspect of their own take the stream's
    if (picture->sample_aspect_ratio.num <= 0)
        picture->sample_aspect_ratio = av_buffersink_get_sample_aspect_ratio(sink_);
    return true;
}

void FilterGraph::Reset()
{
    source_ = sink_ = nullptr;
    graph_.reset();
}
