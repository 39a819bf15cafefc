#include "player/VideoFilter.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

bool VideoFilter::Configure(const AVFrame* frame, AVRational timeBase, const std::string& chain, int scalingFlags)
{
    graph_.reset(avfilter_graph_alloc());
    source_ = sink_ = nullptr;
    if (!graph_)
        return false;
    const std::string scaleOptions = "flags=" + std::to_string(scalingFlags);
    graph_->scale_sws_opts = av_strdup(scaleOptions.c_str());
    graph_->nb_threads = 1;
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{0, 1};
    if (timeBase.num <= 0 || timeBase.den <= 0)
        timeBase = AVRational{1, AV_TIME_BASE};
    const std::string args = "video_size=" + std::to_string(frame->width) + "x" + std::to_string(frame->height) +
                             ":pix_fmt=" + std::to_string(frame->format) + ":time_base=" +
                             std::to_string(timeBase.num) + "/" + std::to_string(timeBase.den) +
                             ":pixel_aspect=" + std::to_string(sar.num) + "/" + std::to_string(sar.den ? sar.den : 1);
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "ffplay_input", args.c_str(), nullptr,
                                     graph_.get()) < 0)
        return false;
    if (avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "ffplay_output", nullptr, nullptr,
                                     graph_.get()) < 0)
        return false;
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(sink_, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0)
        return false;
    if (chain.empty()) {
        if (avfilter_link(source_, 0, sink_, 0) < 0)
            return false;
    } else {
        AVFilterInOutPtr outputs{avfilter_inout_alloc()};
        AVFilterInOutPtr inputs{avfilter_inout_alloc()};
        if (!outputs || !inputs)
            return false;
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source_;
        outputs->pad_idx = 0;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        inputs->pad_idx = 0;
        AVFilterInOut* in = inputs.release();
        AVFilterInOut* out = outputs.release();
        const int ret = avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &in, &out, nullptr);
        avfilter_inout_free(&in);
        avfilter_inout_free(&out);
        if (ret < 0)
            return false;
    }
    if (avfilter_graph_config(graph_.get(), nullptr) < 0)
        return false;
    width_ = frame->width;
    height_ = frame->height;
    format_ = frame->format;
    return true;
}

bool VideoFilter::NeedsRebuild(const AVFrame* frame) const
{
    return !graph_ || frame->width != width_ || frame->height != height_ || frame->format != format_;
}

int VideoFilter::Push(AVFrame* frame)
{
    return av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int VideoFilter::Pull(AVFrame* out)
{
    return av_buffersink_get_frame(sink_, out);
}

int VideoFilter::OutputWidth() const
{
    return sink_ ? av_buffersink_get_w(sink_) : 0;
}

int VideoFilter::OutputHeight() const
{
    return sink_ ? av_buffersink_get_h(sink_) : 0;
}
