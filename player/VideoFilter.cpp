#include "player/VideoFilter.h"

#include "media/VideoFilterGraph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

bool VideoFilter::Configure(const AVFrame* frame, AVRational timeBase, const std::string& chain, int scalingFlags)
{
    source_ = sink_ = nullptr;
    graph_ = NewVideoGraph(1, scalingFlags);
    if (!graph_)
        return false;
    if (timeBase.num <= 0 || timeBase.den <= 0)
        timeBase = AVRational{1, AV_TIME_BASE};
    const VideoGraphSource pictures{frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), timeBase,
                                    frame->sample_aspect_ratio};
    VideoGraphEnds ends;
    if (AddVideoGraphEnds(graph_.get(), pictures, "ffplay_input", AV_PIX_FMT_YUV420P, "ffplay_output", ends) < 0)
        return false;
    source_ = ends.source;
    sink_ = ends.sink;
    if (FinishVideoGraph(graph_.get(), source_, sink_, chain) < 0)
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

int VideoFilter::Pull(AVFrame* out) { return av_buffersink_get_frame(sink_, out); }

int VideoFilter::OutputWidth() const { return sink_ ? av_buffersink_get_w(sink_) : 0; }

int VideoFilter::OutputHeight() const { return sink_ ? av_buffersink_get_h(sink_) : 0; }
