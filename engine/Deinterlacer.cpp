#include "engine/Deinterlacer.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <string>

bool Deinterlacer::Build(int width, int height, AVPixelFormat format)
{
    graph_.reset(avfilter_graph_alloc());
    source_ = sink_ = nullptr;
    if (!graph_)
        return false;
    // a format the filter cannot take fails here instead of being converted
    avfilter_graph_set_auto_convert(graph_.get(), AVFILTER_AUTO_CONVERT_NONE);
    const std::string args = "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
                             ":pix_fmt=" + std::to_string(format) + ":time_base=1/25:pixel_aspect=1/1";
    AVFilterContext* lowPass = nullptr;
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "src", args.c_str(), nullptr,
                                     graph_.get()) < 0 ||
        avfilter_graph_create_filter(&lowPass, avfilter_get_by_name("pp"), "deinterlace", "fd", nullptr, graph_.get()) <
            0)
        return false;
    sink_ = avfilter_graph_alloc_filter(graph_.get(), avfilter_get_by_name("buffersink"), "out");
    if (!sink_)
        return false;
    // the picture must come back in its own format, never silently converted
    const AVPixelFormat formats[] = {format, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(sink_, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0 ||
        avfilter_init_str(sink_, nullptr) < 0 || avfilter_link(source_, 0, lowPass, 0) < 0 ||
        avfilter_link(lowPass, 0, sink_, 0) < 0 || avfilter_graph_config(graph_.get(), nullptr) < 0)
        return false;
    return true;
}

bool Deinterlacer::Run(const AVFrame* source, AVFrame* target)
{
    const auto format = static_cast<AVPixelFormat>(source->format);
    const bool sameGeometry = source->width == width_ && source->height == height_ && format == format_;
    if (!sameGeometry || !graph_) {
        // a geometry the filter refused is not tried again for every picture
        if (sameGeometry && buildFailed_)
            return false;
        buildFailed_ = !Build(source->width, source->height, format);
        width_ = source->width;
        height_ = source->height;
        format_ = format;
        if (buildFailed_) {
            graph_.reset();
            return false;
        }
    }
    AVFramePtr input{av_frame_clone(source)};
    if (!input || !output_)
        return false;
    if (av_buffersrc_add_frame_flags(source_, input.get(), 0) < 0)
        return false;
    av_frame_unref(output_.get());
    if (av_buffersink_get_frame(sink_, output_.get()) < 0) {
        graph_.reset();  // built again for the next picture
        return false;
    }
    const bool copied = output_->width == target->width && output_->height == target->height &&
                        output_->format == target->format && av_frame_copy(target, output_.get()) >= 0;
    av_frame_unref(output_.get());
    return copied;
}

void Deinterlacer::Reset()
{
    graph_.reset();
    source_ = sink_ = nullptr;
    width_ = height_ = 0;
    format_ = AV_PIX_FMT_NONE;
    buildFailed_ = false;
}
