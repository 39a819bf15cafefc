#include "engine/FilterGraph.h"

#include "engine/FFmpegException.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdio>
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
    case 90: steps[0] = {"transpose", orientation.mirrored ? "dir=clock_flip" : "dir=clock"}; break;
    case 180:
        if (orientation.mirrored) {
            steps[0] = {"vflip", ""};
        } else {
            steps[0] = {"hflip", ""};
            steps[1] = {"vflip", ""};
        }
        break;
    case 270: steps[0] = {"transpose", orientation.mirrored ? "dir=cclock_flip" : "dir=cclock"}; break;
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
    AVFilterGraphPtr graph{avfilter_graph_alloc()};
    if (!graph)
        FailOpening(AVERROR(ENOMEM));
    graph->nb_threads = std::max(1, output.threads);

    char args[512];
    const AVRational aspect = input.sampleAspect.num > 0 ? input.sampleAspect : AVRational{0, 1};
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", input.width,
                  input.height, static_cast<int>(input.pixelFormat), input.timeBase.num, input.timeBase.den,
                  aspect.num, aspect.den);
    AVFilterContext* source = AddFilter(graph.get(), "buffer", "src", args);

    AVFilterContext* sink = avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("buffersink"), "out");
    if (!sink)
        FailOpening(AVERROR(ENOMEM));
    if (output.pixelFormat != AV_PIX_FMT_NONE) {
        const AVPixelFormat formats[] = {output.pixelFormat, AV_PIX_FMT_NONE};
        Check(av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN));
    }
    Check(avfilter_init_str(sink, nullptr));

    AVFilterContext* last = LinkUprightStep(graph.get(), source, input.orientation);
    const bool swapped = input.orientation.SwapsSides();
    const int uprightWidth = swapped ? input.height : input.width;
    const int uprightHeight = swapped ? input.width : input.height;
    const int croppedWidth = uprightWidth - output.cropLeft - output.cropRight;
    const int croppedHeight = uprightHeight - output.cropTop - output.cropBottom;
    if (output.cropTop || output.cropBottom || output.cropLeft || output.cropRight) {
        // the crop keeps the input less the crops; scaling to the encoder's
        // size is the next filter's work
        std::snprintf(args, sizeof args, "w=%d:h=%d:x=%d:y=%d", croppedWidth, croppedHeight, output.cropLeft,
                      output.cropTop);
        AVFilterContext* crop = AddFilter(graph.get(), "crop", "crop", args);
        Check(avfilter_link(last, 0, crop, 0));
        last = crop;
    }
    const bool resize = output.width > 0 && output.height > 0 &&
                        (output.width != croppedWidth || output.height != croppedHeight);
    if (resize) {
        std::snprintf(args, sizeof args, "%d:%d:sws_flags=%d", output.width, output.height, output.scalerFlags);
        AVFilterContext* scale = AddFilter(graph.get(), "scale", "scale", args);
        Check(avfilter_link(last, 0, scale, 0));
        last = scale;
    }
    char scalerOptions[32];
    std::snprintf(scalerOptions, sizeof scalerOptions, "flags=0x%X", static_cast<unsigned>(output.scalerFlags));
    graph->scale_sws_opts = av_strdup(scalerOptions);

    if (!output.filters.empty()) {
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        AVFilterInOutPtr outputsOwner{outputs};
        AVFilterInOutPtr inputsOwner{inputs};
        if (!outputs || !inputs)
            FailOpening(AVERROR(ENOMEM));
        outputs->name = av_strdup("in");
        outputs->filter_ctx = last;
        outputs->pad_idx = 0;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        inputs->pad_idx = 0;
        AVFilterInOut* openInputs = inputsOwner.release();
        AVFilterInOut* openOutputs = outputsOwner.release();
        const int parsed = avfilter_graph_parse_ptr(graph.get(), output.filters.c_str(), &openInputs, &openOutputs,
                                                    nullptr);
        avfilter_inout_free(&openInputs);
        avfilter_inout_free(&openOutputs);
        Check(parsed);
    } else {
        Check(avfilter_link(last, 0, sink, 0));
    }
    Check(avfilter_graph_config(graph.get(), nullptr));

    graph_ = std::move(graph);
    source_ = source;
    sink_ = sink;
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
