#pragma once
// Owning handles for every FFmpeg object the program creates. Each object is
// owned on the line that creates it:
//   AVCodecContextPtr enc{avcodec_alloc_context3(codec)};
//   AVFormatInputPtr in{ctx};   // after a successful avformat_open_input
// Closing a codec context that was opened must happen under CodecLock(); use
// CloseCodecContext() for that (it takes the lock).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/dict.h>
#include <libavutil/fifo.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace ffhandles {

// An input context opened with avformat_open_input (or allocated for it).
struct FormatInputDeleter {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
// An output context from avformat_alloc_output_context2; closes its file
// (when the muxer needs one and it was opened) before freeing.
struct FormatOutputDeleter {
    void operator()(AVFormatContext* ctx) const
    {
        if (!ctx)
            return;
        if (ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE) && ctx->pb)
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
// A context from avformat_alloc_context that was never opened.
struct FormatContextDeleter {
    void operator()(AVFormatContext* ctx) const { avformat_free_context(ctx); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* ctx) const;  // takes CodecLock when the codec is open
};
struct CodecParametersDeleter {
    void operator()(AVCodecParameters* par) const { avcodec_parameters_free(&par); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct FilterInOutDeleter {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct FifoDeleter {
    void operator()(AVFifo* fifo) const { av_fifo_freep2(&fifo); }
};
// The pool goes once the last buffer taken from it is back.
struct BufferPoolDeleter {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
struct BsfContextDeleter {
    void operator()(AVBSFContext* ctx) const { av_bsf_free(&ctx); }
};
struct BsfListDeleter {
    void operator()(AVBSFList* list) const { av_bsf_list_free(&list); }
};
struct DictionaryDeleter {
    void operator()(AVDictionary* dict) const { av_dict_free(&dict); }
};
struct IOContextDeleter {
    void operator()(AVIOContext* io) const { avio_closep(&io); }
};
struct ParserDeleter {
    void operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
};
struct SubtitleDeleter {
    void operator()(AVSubtitle* sub) const
    {
        if (sub) {
            avsubtitle_free(sub);
            delete sub;
        }
    }
};
// Memory from av_malloc / av_mallocz / av_strdup / av_image_alloc plane 0.
struct AvFreeDeleter {
    void operator()(void* p) const { av_free(p); }
};

}  // namespace ffhandles

using AVFormatInputPtr = std::unique_ptr<AVFormatContext, ffhandles::FormatInputDeleter>;
using AVFormatOutputPtr = std::unique_ptr<AVFormatContext, ffhandles::FormatOutputDeleter>;
using AVFormatContextPtr = std::unique_ptr<AVFormatContext, ffhandles::FormatContextDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, ffhandles::CodecContextDeleter>;
using AVCodecParametersPtr = std::unique_ptr<AVCodecParameters, ffhandles::CodecParametersDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, ffhandles::FrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, ffhandles::PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, ffhandles::SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, ffhandles::SwrContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, ffhandles::FilterGraphDeleter>;
using AVFilterInOutPtr = std::unique_ptr<AVFilterInOut, ffhandles::FilterInOutDeleter>;
using AVAudioFifoPtr = std::unique_ptr<AVAudioFifo, ffhandles::AudioFifoDeleter>;
using AVFifoPtr = std::unique_ptr<AVFifo, ffhandles::FifoDeleter>;
using AVBufferPoolPtr = std::unique_ptr<AVBufferPool, ffhandles::BufferPoolDeleter>;
using AVBSFContextPtr = std::unique_ptr<AVBSFContext, ffhandles::BsfContextDeleter>;
using AVBSFListPtr = std::unique_ptr<AVBSFList, ffhandles::BsfListDeleter>;
using AVDictionaryPtr = std::unique_ptr<AVDictionary, ffhandles::DictionaryDeleter>;
using AVIOContextPtr = std::unique_ptr<AVIOContext, ffhandles::IOContextDeleter>;
using AVCodecParserPtr = std::unique_ptr<AVCodecParserContext, ffhandles::ParserDeleter>;
using AVSubtitlePtr = std::unique_ptr<AVSubtitle, ffhandles::SubtitleDeleter>;
template <typename T = uint8_t> using AVMemoryPtr = std::unique_ptr<T, ffhandles::AvFreeDeleter>;

// Frees a codec context under CodecLock() and leaves `ctx` empty.
void CloseCodecContext(AVCodecContextPtr& ctx);
