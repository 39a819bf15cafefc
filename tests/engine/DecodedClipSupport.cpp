#include "DecodedClipSupport.h"

#include "support/TestMedia.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <cstring>

namespace qtest {

DecodedClip DecodeVideo(const std::string& path)
{
    DecodedClip clip;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << path;
        return clip;
    }
    AVFormatInputPtr input{raw};
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        ADD_FAILURE() << "no stream information in " << path;
        return clip;
    }
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
        ADD_FAILURE() << "no video stream in " << path;
        return clip;
    }
    AVStream* stream = input->streams[index];
    AVCodecContextPtr context{avcodec_alloc_context3(decoder)};
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    context->pkt_timebase = stream->time_base;
    if (avcodec_open2(context.get(), decoder, nullptr) < 0) {
        ADD_FAILURE() << "cannot open the decoder of " << path;
        return clip;
    }
    clip.timeBase = stream->time_base;
    clip.frameRate = stream->avg_frame_rate;

    AVPacketPtr packet{av_packet_alloc()};
    auto drain = [&] {
        while (true) {
            AVFramePtr frame{av_frame_alloc()};
            if (avcodec_receive_frame(context.get(), frame.get()) < 0)
                return;
            frame->pts = frame->best_effort_timestamp;
            clip.frames.push_back(std::move(frame));
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return clip;
}

std::string MakeLosslessClip(const std::string& path, const std::string& source, const std::string& filters,
                             const std::string& pixelFormat)
{
    std::string args = "-f lavfi -i " + ShellQuote(source);
    if (!filters.empty())
        args += " -vf " + ShellQuote(filters);
    args += " -pix_fmt " + pixelFormat + " -c:v ffv1";
    MakeMedia(path, args);
    return path;
}

bool EncodeVideo(const std::string& path, const std::string& codecName, const std::vector<AVFramePtr>& pictures,
                 AVRational timeBase)
{
    if (pictures.empty()) {
        ADD_FAILURE() << "nothing to encode";
        return false;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, nullptr, path.c_str()) < 0) {
        ADD_FAILURE() << "no muxer for " << path;
        return false;
    }
    AVFormatOutputPtr output{raw};
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName.c_str());
    if (!codec) {
        ADD_FAILURE() << "no encoder " << codecName;
        return false;
    }
    AVCodecContextPtr encoder{avcodec_alloc_context3(codec)};
    encoder->width = pictures.front()->width;
    encoder->height = pictures.front()->height;
    encoder->pix_fmt = static_cast<AVPixelFormat>(pictures.front()->format);
    encoder->time_base = timeBase;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (!stream || avcodec_open2(encoder.get(), codec, nullptr) < 0 ||
        avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0) {
        ADD_FAILURE() << "cannot open the encoder " << codecName;
        return false;
    }
    stream->time_base = timeBase;
    if (avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(output.get(), nullptr) < 0) {
        ADD_FAILURE() << "cannot write " << path;
        return false;
    }
    AVPacketPtr packet{av_packet_alloc()};
    bool written = true;
    auto drain = [&] {
        while (avcodec_receive_packet(encoder.get(), packet.get()) >= 0) {
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            written = av_interleaved_write_frame(output.get(), packet.get()) >= 0 && written;
        }
    };
    for (const AVFramePtr& picture : pictures) {
        written = avcodec_send_frame(encoder.get(), picture.get()) >= 0 && written;
        drain();
    }
    avcodec_send_frame(encoder.get(), nullptr);
    drain();
    written = av_write_trailer(output.get()) >= 0 && written;
    EXPECT_TRUE(written) << path;
    return written;
}

int LumaAt(const AVFrame* frame, int x, int y)
{
    return frame->data[0][static_cast<ptrdiff_t>(y) * frame->linesize[0] + x];
}

double MeanLuma(const AVFrame* frame, int x, int y, int width, int height)
{
    double sum = 0;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column)
            sum += LumaAt(frame, column, row);
    return sum / (static_cast<double>(width) * height);
}

bool SamePicture(const AVFrame* a, const AVFrame* b)
{
    if (a->width != b->width || a->height != b->height || a->format != b->format)
        return false;
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(a->format));
    int lineBytes[4] = {};
    if (!descriptor || av_image_fill_linesizes(lineBytes, static_cast<AVPixelFormat>(a->format), a->width) < 0)
        return false;
    for (int plane = 0; plane < 4 && a->data[plane]; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int rows = chroma ? AV_CEIL_RSHIFT(a->height, descriptor->log2_chroma_h) : a->height;
        for (int y = 0; y < rows; ++y) {
            if (std::memcmp(a->data[plane] + static_cast<ptrdiff_t>(y) * a->linesize[plane],
                            b->data[plane] + static_cast<ptrdiff_t>(y) * b->linesize[plane], lineBytes[plane]) != 0)
                return false;
        }
    }
    return true;
}

}  // namespace qtest
