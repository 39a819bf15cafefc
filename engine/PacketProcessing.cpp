// One packet of an input stream (or none, to flush the stream at its end):
// decoding, pre-processing and filtering of pictures, volume, and for every
// output stream fed by that input stream either stream copy or encoding.
#include "engine/TranscodeRun.h"

#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

namespace {

constexpr size_t kAudioBufferMinBytes = 192000;

double StreamFrameRate(const AVStream* st, const AVCodecContext* dec)
{
    if (dec && dec->framerate.num > 0 && dec->framerate.den > 0)
        return av_q2d(dec->framerate);
    if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
        return av_q2d(st->avg_frame_rate);
    if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
        return av_q2d(st->r_frame_rate);
    return 0;
}

}  // namespace

bool TranscodeRun::IsCover(const RunOutputStream& ost) { return ost.setup && ost.setup->coverInput >= 0; }

bool TranscodeRun::OutputStarts(const RunInputStream& ist) const
{
    return ist.ptsUs >= ist.startGateUs && (options_.startTimeUs == 0 || ist.ptsUs >= options_.startTimeUs);
}

int64_t TranscodeRun::OutputStartUs(const RunInputStream& ist) const
{
    return options_.startTimeUs != 0 ? std::max(ist.startGateUs, options_.startTimeUs) : ist.startGateUs;
}

void TranscodeRun::EmulateRate(const RunInputStream& ist) const
{
    if (!options_.rateEmulation)
        return;
    while (!task_.stopRequested_) {
        const int64_t elapsed = av_gettime_relative() - ist.startWallUs;
        if (elapsed >= ist.ptsUs)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(ist.ptsUs - elapsed, 10000)));
    }
}

bool TranscodeRun::ProcessPacket(int istIndex, const AVPacket* packet)
{
    RunInputStream& ist = inputStreams_[istIndex];
    if (ist.nextPtsUs == AV_NOPTS_VALUE)
        ist.nextPtsUs = ist.ptsUs;
    if (packet && packet->dts != AV_NOPTS_VALUE)
        ist.nextPtsUs = av_rescale_q(packet->dts, ist.stream->time_base, AV_TIME_BASE_Q);

    if (!ist.decodingNeeded) {
        if (!packet)
            return true;
        ist.ptsUs = ist.nextPtsUs;
        AdvanceCopyTime(ist, packet);
        EmulateRate(ist);
        for (RunOutputStream& ost : outputStreams_)
            if (ost.sourceIndex == istIndex && !ost.encodingNeeded && (OutputStarts(ist) || IsCover(ost)))
                CopyPacket(ost, ist, packet);
        return true;
    }

    // copies of a decoded stream see the packet before the decoder does
    if (packet)
        for (RunOutputStream& ost : outputStreams_)
            if (ost.sourceIndex == istIndex && !ost.encodingNeeded && OutputStarts(ist))
                CopyPacket(ost, ist, packet);

    bool ok = true;
    switch (ist.stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        ok = DecodeVideo(ist, istIndex, packet);
        break;
    case AVMEDIA_TYPE_AUDIO:
        ok = DecodeAudio(ist, istIndex, packet);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        ok = DecodeSubtitle(ist, istIndex, packet);
        break;
    default:
        break;
    }
    if (!packet) {
        FlushEncoders(istIndex);
        ist.flushed = true;
    }
    return ok;
}

void TranscodeRun::AdvanceCopyTime(RunInputStream& ist, const AVPacket* packet)
{
    const AVCodecParameters* par = ist.stream->codecpar;
    if (packet->duration > 0) {
        ist.nextPtsUs += av_rescale_q(packet->duration, ist.stream->time_base, AV_TIME_BASE_Q);
        return;
    }
    if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 && par->frame_size > 0) {
        ist.nextPtsUs += static_cast<int64_t>(AV_TIME_BASE) * par->frame_size / par->sample_rate;
    } else if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        const double rate = StreamFrameRate(ist.stream, nullptr);
        if (rate > 0)
            ist.nextPtsUs += std::llround(AV_TIME_BASE / rate);
    }
}

void TranscodeRun::CountDamagedFrame(const AVFrame* frame)
{
    if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
        ++counters_.inputErrors;
}

bool TranscodeRun::DecodeVideo(RunInputStream& ist, int istIndex, const AVPacket* packet)
{
    int ret = avcodec_send_packet(ist.decoder, packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return false;
    // the container's rate first: some decoders report their clock's resolution
    // (MPEG-4 Part 2 in AVI says 30000/1 for 30000/1001)
    double rate = StreamFrameRate(ist.stream, nullptr);
    if (rate <= 0)
        rate = StreamFrameRate(ist.stream, ist.decoder);
    for (;;) {
        ret = avcodec_receive_frame(ist.decoder, decoded_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            break;
        if (ret < 0)
            return false;
        CountDamagedFrame(decoded_.get());
        ist.ptsUs = decoded_->pkt_dts != AV_NOPTS_VALUE
                        ? av_rescale_q(decoded_->pkt_dts, ist.stream->time_base, AV_TIME_BASE_Q)
                        : ist.nextPtsUs;
        // the picture lasts as long as its packet says, else (or when that is
        // not even half a frame) one frame of the stream's rate
        const int64_t frameUs = rate > 0 ? std::llround(AV_TIME_BASE / rate * (1 + decoded_->repeat_pict * 0.5)) : 0;
        const int64_t packetUs = decoded_->pkt_duration > 0
                                     ? av_rescale_q(decoded_->pkt_duration, ist.stream->time_base, AV_TIME_BASE_Q)
                                     : 0;
        ist.nextPtsUs = ist.ptsUs + (packetUs * 2 > frameUs ? packetUs : frameUs);
        OutputVideoPicture(ist, istIndex, decoded_.get());
        av_frame_unref(decoded_.get());
    }
    return true;
}

void TranscodeRun::OutputVideoPicture(RunInputStream& ist, int istIndex, AVFrame* decoded)
{
    AVFrame* picture = preprocessor_.Process(decoded, ist.ptsUs);
    EmulateRate(ist);
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.sourceIndex != istIndex || !ost.encodingNeeded || !OutputStarts(ist))
            continue;
        if (!ost.graph) {
            VideoOut(ost, ist, picture, ist.ptsUs);
            continue;
        }
        if (picture->width != ost.graphInput.width || picture->height != ost.graphInput.height ||
            picture->format != ost.graphInput.pixelFormat) {
            // the graph does not follow a new picture size by itself: build it again
            const char* formatName = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format));
            task_.LogFmt(llVerbose, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.fileIndex,
                         ist.streamIndex, picture->width, picture->height, formatName ? formatName : "none");
            ost.graphInput.width = picture->width;
            ost.graphInput.height = picture->height;
            ost.graphInput.pixelFormat = static_cast<AVPixelFormat>(picture->format);
            ost.graph->Reset();
            ost.graph->Build(ost.graphInput, ost.graphOutput);
        }
        const int64_t savedPts = picture->pts;
        picture->pts = av_rescale_q(ist.ptsUs, AV_TIME_BASE_Q, ist.stream->time_base);
        const bool pushed = ost.graph->Push(picture);
        picture->pts = savedPts;
        if (!pushed)
            continue;
        while (ost.graph->Pull(filtered_.get())) {
            const int64_t ptsUs = filtered_->pts != AV_NOPTS_VALUE
                                      ? av_rescale_q(filtered_->pts, ost.graph->TimeBase(), AV_TIME_BASE_Q)
                                      : ist.ptsUs;
            VideoOut(ost, ist, filtered_.get(), ptsUs);
            av_frame_unref(filtered_.get());
        }
    }
}

bool TranscodeRun::DecodeAudio(RunInputStream& ist, int istIndex, const AVPacket* packet)
{
    int ret = avcodec_send_packet(ist.decoder, packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return false;
    for (;;) {
        ret = avcodec_receive_frame(ist.decoder, decoded_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            break;
        if (ret < 0)
            return false;
        CountDamagedFrame(decoded_.get());
        ist.ptsUs = ist.nextPtsUs;
        if (decoded_->sample_rate > 0)
            ist.nextPtsUs += static_cast<int64_t>(AV_TIME_BASE) * decoded_->nb_samples / decoded_->sample_rate;
        OutputAudioSamples(ist, istIndex, decoded_.get());
        av_frame_unref(decoded_.get());
    }
    return true;
}

void TranscodeRun::OutputAudioSamples(RunInputStream& ist, int istIndex, const AVFrame* decoded)
{
    // packed signed 16-bit first: volume and audio sync count in its bytes
    const int channels = decoded->ch_layout.nb_channels;
    if (!ist.toS16 || ist.toS16Format != decoded->format || ist.toS16Rate != decoded->sample_rate ||
        ist.toS16Channels != channels) {
        SwrContext* swr = nullptr;
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, channels);
        const AVChannelLayout& inLayout =
            decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ? layout : decoded->ch_layout;
        if (swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_S16, decoded->sample_rate,
                                const_cast<AVChannelLayout*>(&inLayout), static_cast<AVSampleFormat>(decoded->format),
                                decoded->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            av_channel_layout_uninit(&layout);
            throw FFmpegException::Format("Cannot convert %s sample format to %s sample format",
                                          av_get_sample_fmt_name(static_cast<AVSampleFormat>(decoded->format)),
                                          av_get_sample_fmt_name(AV_SAMPLE_FMT_S16));
        }
        av_channel_layout_uninit(&layout);
        ist.toS16.reset(swr);
        ist.toS16Format = decoded->format;
        ist.toS16Rate = decoded->sample_rate;
        ist.toS16Channels = channels;
    }
    ist.audioChannels = channels;
    ist.audioRate = decoded->sample_rate;

    const int outSamples = swr_get_out_samples(ist.toS16.get(), decoded->nb_samples);
    const size_t needed = static_cast<size_t>(std::max(outSamples, 0)) * channels * 2;
    if (ist.audioBuffer.size() < std::max(needed, kAudioBufferMinBytes))
        ist.audioBuffer.resize(std::max(needed, kAudioBufferMinBytes));
    uint8_t* out[1] = {ist.audioBuffer.data()};
    const int converted = swr_convert(ist.toS16.get(), out, outSamples,
                                      const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
    if (converted <= 0)
        return;
    int bytes = converted * channels * 2;
    const uint8_t* samples = ist.audioBuffer.data();

    // a frame that straddles the start loses the samples before it
    const int64_t startUs = OutputStartUs(ist);
    if (ist.ptsUs < startUs && startUs != INT64_MIN) {
        const int64_t skip = (startUs - ist.ptsUs) * decoded->sample_rate / AV_TIME_BASE;
        if (skip >= converted)
            return;
        samples += skip * channels * 2;
        bytes -= static_cast<int>(skip) * channels * 2;
        ist.ptsUs = startUs;
    }

    if (options_.audioVolume != 256) {
        auto* values = reinterpret_cast<int16_t*>(ist.audioBuffer.data());
        for (int i = 0; i < converted * channels; ++i) {
            const int v = (values[i] * options_.audioVolume + 128) / 256;
            values[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
        }
    }

    for (RunOutputStream& ost : outputStreams_)
        if (ost.sourceIndex == istIndex && ost.encodingNeeded && OutputStarts(ist))
            AudioOut(ost, ist, samples, bytes);
}

bool TranscodeRun::DecodeSubtitle(RunInputStream& ist, int istIndex, const AVPacket* packet)
{
    AVPacketPtr empty;
    if (!packet) {
        empty.reset(av_packet_alloc());
        packet = empty.get();
    }
    AVSubtitle subtitle{};
    int got = 0;
    const int ret = avcodec_decode_subtitle2(ist.decoder, &subtitle, &got, const_cast<AVPacket*>(packet));
    if (ret < 0)
        return false;
    if (!got)
        return true;
    const int64_t ptsUs = packet->pts != AV_NOPTS_VALUE
                              ? av_rescale_q(packet->pts, ist.stream->time_base, AV_TIME_BASE_Q)
                              : AV_NOPTS_VALUE;
    if (ptsUs != AV_NOPTS_VALUE)
        ist.ptsUs = ptsUs;
    for (RunOutputStream& ost : outputStreams_)
        if (ost.sourceIndex == istIndex && ost.encodingNeeded && OutputStarts(ist))
            SubtitleOut(ost, ist, &subtitle, ptsUs);
    avsubtitle_free(&subtitle);
    return true;
}

void TranscodeRun::CopyPacket(RunOutputStream& ost, RunInputStream& ist, const AVPacket* packet)
{
    // a copy starts with a key packet unless initial non-key packets are wanted
    if (ost.frameCount == 0 && !(packet->flags & AV_PKT_FLAG_KEY) && !options_.copyInitialNonKeyFrames)
        return;
    if (IsCover(ost)) {
        // one picture, written before the sound and without a time of its own
        if (ost.frameCount > 0)
            return;
        AVPacketPtr picture{av_packet_clone(packet)};
        if (!picture)
            throw std::bad_alloc();
        picture->stream_index = ost.stream->index;
        picture->pts = picture->dts = AV_NOPTS_VALUE;
        picture->duration = 0;
        picture->time_base = ost.stream->time_base;
        WritePacket(ost, picture.get());
        ++ost.frameCount;
        return;
    }
    AVPacketPtr copy{av_packet_clone(packet)};
    if (!copy)
        throw std::bad_alloc();
    const AVRational inBase = ist.stream->time_base;
    const AVRational outBase = ost.stream->time_base;
    const int64_t start = av_rescale_q(options_.startTimeUs, AV_TIME_BASE_Q, outBase);
    copy->stream_index = ost.stream->index;
    copy->pts = packet->pts != AV_NOPTS_VALUE ? av_rescale_q(packet->pts, inBase, outBase) - start : AV_NOPTS_VALUE;
    copy->dts = packet->dts != AV_NOPTS_VALUE ? av_rescale_q(packet->dts, inBase, outBase)
                                              : av_rescale_q(ist.ptsUs, AV_TIME_BASE_Q, outBase);
    copy->dts -= start;
    copy->duration = av_rescale_q(packet->duration, inBase, outBase);
    copy->time_base = outBase;
    const int size = copy->size;
    WritePacket(ost, copy.get());
    if (ost.stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
        counters_.audioBytes += static_cast<uint64_t>(size);
    else if (ost.stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        counters_.videoBytes += static_cast<uint64_t>(size);
    ++ost.frameCount;
}

void TranscodeRun::FlushEncoders(int istIndex)
{
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.sourceIndex != istIndex || !ost.encodingNeeded || !ost.encoderOpen || ost.flushedEncoder)
            continue;
        const AVMediaType type = ost.enc->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO) {
            if (ost.graph && ost.graph->Push(nullptr)) {
                RunInputStream& ist = inputStreams_[istIndex];
                while (ost.graph->Pull(filtered_.get())) {
                    const int64_t ptsUs = filtered_->pts != AV_NOPTS_VALUE
                                              ? av_rescale_q(filtered_->pts, ost.graph->TimeBase(), AV_TIME_BASE_Q)
                                              : ist.ptsUs;
                    VideoOut(ost, ist, filtered_.get(), ptsUs);
                    av_frame_unref(filtered_.get());
                }
            }
            if (ost.encodeWorker) {
                // what it still has, then the encoder is drained here
                ost.encodeWorker->Finish();
                ost.encodeWorker.reset();
            }
            const int ret = ost.encoder->SendFrame(nullptr);
            if (ret < 0 && ret != AVERROR_EOF)
                throw FFmpegException("Video encoding failed");
            counters_.videoBytes += static_cast<uint64_t>(std::max<int64_t>(DrainEncoder(ost, true), 0));
        } else if (type == AVMEDIA_TYPE_AUDIO) {
            FlushAudio(ost);
        }
        ost.flushedEncoder = true;
    }
}
