// Writing one packet of an output stream: its bitstream filters in order,
// then the muxer with interleaving.
#include "engine/TranscodeRun.h"

#include "engine/TCustomFFmpeg.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>

void TranscodeRun::InitBitstreamFilters(RunOutputStream& ost)
{
    if (!ost.setup)
        return;
    for (const BitstreamFilterSpec& spec : ost.setup->bitstreamFilters) {
        const AVBitStreamFilter* filter = av_bsf_get_by_name(spec.name.c_str());
        if (!filter)
            throw FFmpegException::Format("Unknown bitstream filter %s", spec.name.c_str());
        AVBSFContext* raw = nullptr;
        if (av_bsf_alloc(filter, &raw) < 0)
            throw std::bad_alloc();
        AVBSFContextPtr ctx{raw};
        avcodec_parameters_copy(ctx->par_in, ost.stream->codecpar);
        ctx->time_base_in = ost.stream->time_base;
        if (!spec.args.empty() && ctx->priv_data)
            av_set_options_string(ctx->priv_data, spec.args.c_str(), "=", ":,");
        const int ret = av_bsf_init(ctx.get());
        if (ret < 0)
            throw FFmpegException(FormatText("%s failed for stream %d, codec %s", spec.name.c_str(), ost.stream->index,
                                             ost.encoder ? ost.encoder->Choice().name.c_str() : "copy") +
                                  ": " + ErrorCodeText(ret));
        // what the filter makes of the stream is what the muxer is told
        avcodec_parameters_copy(ost.stream->codecpar, ctx->par_out);
        ost.bitstreamFilters.push_back(std::move(ctx));
    }
}

void TranscodeRun::WritePacket(RunOutputStream& ost, AVPacket* packet)
{
    // no packet: the end of the stream, which drains the filters
    const bool end = packet == nullptr;
    std::vector<AVPacketPtr> current;
    if (packet) {
        current.emplace_back(av_packet_alloc());
        av_packet_move_ref(current.back().get(), packet);
    }
    for (size_t i = 0; i < ost.bitstreamFilters.size(); ++i) {
        AVBSFContext* bsf = ost.bitstreamFilters[i].get();
        std::vector<AVPacketPtr> next;
        auto feed = [&](AVPacket* in) {
            int ret = av_bsf_send_packet(bsf, in);
            while (ret >= 0) {
                AVPacketPtr out{av_packet_alloc()};
                ret = av_bsf_receive_packet(bsf, out.get());
                if (ret >= 0)
                    next.push_back(std::move(out));
            }
            if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
                const std::string text =
                    FormatText("%s failed for stream %d, codec %s", bsf->filter->name, ost.stream->index,
                               ost.encoder ? ost.encoder->Choice().name.c_str() : "copy") +
                    ": " + ErrorCodeText(ret);
                if (options_.exitOnError)
                    throw FFmpegException(text);
                task_.Log(llError, text);
            }
        };
        for (AVPacketPtr& in : current)
            feed(in.get());
        if (end)
            feed(nullptr);
        current = std::move(next);
    }

    AVFormatContext* oc = task_.media_.outputs[ost.fileIndex].get();
    std::lock_guard lock(writing_);
    for (AVPacketPtr& out : current) {
        out->stream_index = ost.stream->index;
        const int64_t end = (out->pts != AV_NOPTS_VALUE ? out->pts : out->dts) + std::max<int64_t>(out->duration, 0);
        if (out->pts != AV_NOPTS_VALUE || out->dts != AV_NOPTS_VALUE)
            ost.outputTimeSec = std::max(ost.outputTimeSec, static_cast<double>(end) * av_q2d(ost.stream->time_base));
        if (segments_ && ost.fileIndex == segmentedOutput_ && !segments_->Write(ost.index, out.get()))
            continue;
        const int ret = av_interleaved_write_frame(oc, out.get());
        if (ret < 0)
            throw FFmpegException("av_interleaved_write_frame(): " + ErrorCodeText(ret));
        ++packetsWritten_[static_cast<size_t>(ost.fileIndex)];
        ++ost.packetCount;
    }
}

int64_t TranscodeRun::EncodeFrame(RunOutputStream& ost, AVFrame* frame, const char* failure)
{
    int ret = ost.encoder->SendFrame(frame);
    int64_t bytes = 0;
    if (ret == AVERROR(EAGAIN)) {
        bytes += DrainEncoder(ost, false);
        ret = ost.encoder->SendFrame(frame);
    }
    if (ret < 0)
        throw FFmpegException(failure);
    return bytes + DrainEncoder(ost, false);
}

int64_t TranscodeRun::DrainEncoder(RunOutputStream& ost, bool flushing)
{
    AVCodecContext* enc = ost.enc;
    const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
    if (!ost.encoded) {
        ost.encoded.reset(av_packet_alloc());
        if (!ost.encoded)
            throw std::bad_alloc();
    }
    AVPacket* encoded = ost.encoded.get();
    int64_t bytes = 0;
    for (;;) {
        const int ret = ost.encoder->ReceivePacket(encoded);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            break;
        if (ret < 0)
            throw FFmpegException(video ? "Video encoding failed" : "Audio encoding failed");
        if (video) {
            std::lock_guard lock(writing_);
            size_t size = 0;
            const uint8_t* stats = av_packet_get_side_data(encoded, AV_PKT_DATA_QUALITY_STATS, &size);
            if (stats && size >= 6) {
                ost.lastQuality = static_cast<int>(AV_RL32(stats));
                ost.lastPictType = av_get_picture_type_char(static_cast<AVPictureType>(stats[4]));
                const int errors = std::min<int>(stats[5], 3);
                for (int i = 0; i < errors && size >= 8 + 8 * static_cast<size_t>(i + 1); ++i)
                    ost.lastError[i] = AV_RL64(stats + 8 + 8 * i);
            }
            if (ost.passLog && enc->stats_out)
                std::fputs(enc->stats_out, ost.passLog.get());
        } else {
            encoded->flags |= AV_PKT_FLAG_KEY;
        }
        av_packet_rescale_ts(encoded, enc->time_base, ost.stream->time_base);
        encoded->stream_index = ost.stream->index;
        bytes += encoded->size;
        WritePacket(ost, encoded);
        av_packet_unref(encoded);
    }
    if (video && flushing && ost.passLog && enc->stats_out)
        std::fputs(enc->stats_out, ost.passLog.get());
    return bytes;
}
