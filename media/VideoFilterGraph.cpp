#include "media/VideoFilterGraph.h"

#include "media/TextFormat.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

AVFilterGraphPtr NewVideoGraph(int threads, int scalerFlags)
{
    AVFilterGraphPtr graph{avfilter_graph_alloc()};
    if (!graph)
        return nullptr;
    graph->nb_threads = std::max(1, threads);
    graph->scale_sws_opts = av_strdup(FormatText("flags=0x%X", static_cast<unsigned>(scalerFlags)).c_str());
    if (!graph->scale_sws_opts)
        return nullptr;
    return graph;
}

int AddVideoGraphEnds(AVFilterGraph* graph, const VideoGraphSource& source, const char* sourceName,
                      AVPixelFormat sinkFormat, const char* sinkName, VideoGraphEnds& ends)
{
    ends = {};
    const AVFilter* buffer = avfilter_get_by_name("buffer");
    const AVFilter* buffersink = avfilter_get_by_name("buffersink");
    if (!buffer || !buffersink)
        return AVERROR_FILTER_NOT_FOUND;
    const AVRational aspect =
        source.sampleAspect.num > 0 && source.sampleAspect.den > 0 ? source.sampleAspect : AVRational{0, 1};
    const std::string args = FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", source.width,
                                        source.height, static_cast<int>(source.pixelFormat), source.timeBase.num,
                                        source.timeBase.den, aspect.num, aspect.den);
    AVFilterContext* in = nullptr;
    if (const int result = avfilter_graph_create_filter(&in, buffer, sourceName, args.c_str(), nullptr, graph);
        result < 0)
        return result;

    // the format list is an option of the sink's set-up, so it goes in before the sink is initialised
    AVFilterContext* out = avfilter_graph_alloc_filter(graph, buffersink, sinkName);
    if (!out)
        return AVERROR(ENOMEM);
    if (sinkFormat != AV_PIX_FMT_NONE) {
        const AVPixelFormat formats[] = {sinkFormat, AV_PIX_FMT_NONE};
        if (const int result = av_opt_set_int_list(out, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
            result < 0)
            return result;
    }
    if (const int result = avfilter_init_str(out, nullptr); result < 0)
        return result;
    ends = {in, out};
    return 0;
}

int FinishVideoGraph(AVFilterGraph* graph, AVFilterContext* last, AVFilterContext* sink, const std::string& chain)
{
    if (chain.empty()) {
        if (const int result = avfilter_link(last, 0, sink, 0); result < 0)
            return result;
    } else {
        AVFilterInOutPtr outputs{avfilter_inout_alloc()};
        AVFilterInOutPtr inputs{avfilter_inout_alloc()};
        if (!outputs || !inputs)
            return AVERROR(ENOMEM);
        outputs->name = av_strdup("in");
        outputs->filter_ctx = last;
        outputs->pad_idx = 0;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        inputs->pad_idx = 0;
        AVFilterInOut* openInputs = inputs.release();
        AVFilterInOut* openOutputs = outputs.release();
        const int parsed = avfilter_graph_parse_ptr(graph, chain.c_str(), &openInputs, &openOutputs, nullptr);
        avfilter_inout_free(&openInputs);
        avfilter_inout_free(&openOutputs);
        if (parsed < 0)
            return parsed;
    }
    return avfilter_graph_config(graph, nullptr);
}
