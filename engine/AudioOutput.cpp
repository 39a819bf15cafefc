// Decoded samples (packed signed 16-bit) to one audio output stream: audio
// sync by silence, dropping or drift compensation, resampling and
// sample-format conversion, the frame-size FIFO and encoding.
#include "engine/TranscodeRun.h"

#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

void TranscodeRun::PrepareResampler(RunOutputStream& ost, const RunInputStream& ist)
{
    AVCodecContext* enc = ost.enc;
    if (ost.resampler && ost.resamplerInChannels == ist.audioChannels && ost.resamplerInRate == ist.audioRate)
        return;
    const int outChannels = enc->ch_layout.nb_channels;
    if (ist.audioChannels != outChannels)
        ost.resample = true;
    if (ost.resample && ist.decoder && ist.decoder->sample_fmt != AV_SAMPLE_FMT_S16 && options_.verbosity > 0 &&
        !ost.resampler)
        task_.Log(llVerbose, "Warning, using s16 intermediate sample format for resampling");

    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, ist.audioChannels);
    SwrContext* swr = swr_alloc();
    bool ok = swr != nullptr;
    if (ok) {
        av_opt_set_chlayout(swr, "in_chlayout", &inLayout, 0);
        av_opt_set_int(swr, "in_sample_rate", ist.audioRate, 0);
        av_opt_set_sample_fmt(swr, "in_sample_fmt", AV_SAMPLE_FMT_S16, 0);
        av_opt_set_chlayout(swr, "out_chlayout", &enc->ch_layout, 0);
        av_opt_set_int(swr, "out_sample_rate", enc->sample_rate, 0);
        av_opt_set_sample_fmt(swr, "out_sample_fmt", enc->sample_fmt, 0);
        // filter length 16, 10 phase bits, no linear interpolation, cut-off 0.8
        av_opt_set_int(swr, "filter_size", 16, 0);
        av_opt_set_int(swr, "phase_shift", 10, 0);
        av_opt_set_int(swr, "linear_interp", 0, 0);
        av_opt_set_double(swr, "cutoff", 0.8, 0);
        if (options_.audioSyncMethod > 1)
            av_opt_set_int(swr, "flags", SWR_FLAG_RESAMPLE, 0);
        ok = swr_init(swr) >= 0;
    }
    av_channel_layout_uninit(&inLayout);
    if (!ok) {
        swr_free(&swr);
        if (ost.resample)
            throw FFmpegException::Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                          ist.audioChannels, ist.audioRate, outChannels, enc->sample_rate);
        throw FFmpegException::Format("Cannot convert %s sample format to %s sample format",
                                      av_get_sample_fmt_name(AV_SAMPLE_FMT_S16),
                                      av_get_sample_fmt_name(enc->sample_fmt));
    }
    ost.resampler.reset(swr);
    ost.resamplerInChannels = ist.audioChannels;
    ost.resamplerInRate = ist.audioRate;
}

void TranscodeRun::AudioOut(RunOutputStream& ost, RunInputStream& ist, const uint8_t* data, int size)
{
    AVCodecContext* enc = ost.enc;
    PrepareResampler(ost, ist);
    const int inChannels = ist.audioChannels;
    const int inRate = ist.audioRate;
    const int outRate = enc->sample_rate;
    const int sampleBytes = inChannels * 2;

    const int64_t waiting = av_audio_fifo_size(ost.fifo.get()) + swr_get_delay(ost.resampler.get(), outRate);
    const int method = options_.audioSyncMethod;
    if (method != 0) {
        const double delta = SyncInputTime(ist) * outRate - static_cast<double>(ost.syncOpts) - waiting;
        int64_t byteDelta = std::llround(delta * inRate / outRate) * sampleBytes;
        if (std::fabs(delta) > 50) {
            if (ist.isStart || std::fabs(delta) > options_.audioDriftThresholdSeconds * outRate) {
                if (byteDelta < 0) {
                    byteDelta = std::max<int64_t>(byteDelta, -size);
                    size += static_cast<int>(byteDelta);
                    data -= byteDelta;
                    if (options_.verbosity > 2)
                        task_.LogFmt(llVerbose, "discarding %d audio samples", static_cast<int>(std::lround(-delta)));
                    if (size <= 0)
                        return;
                } else {
                    ost.workBuffer.assign(static_cast<size_t>(byteDelta), 0);
                    ost.workBuffer.insert(ost.workBuffer.end(), data, data + size);
                    data = ost.workBuffer.data();
                    size += static_cast<int>(byteDelta);
                    if (options_.verbosity > 2)
                        task_.LogFmt(llVerbose, "adding %d audio samples of silence",
                                     static_cast<int>(std::lround(delta)));
                }
                ist.isStart = false;
            } else if (method >= 2) {
                const int compensation = static_cast<int>(std::clamp<long>(std::lround(delta), -method, method));
                if (options_.verbosity > 2)
                    task_.LogFmt(llVerbose, "compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                                 compensation, outRate);
                swr_set_compensation(ost.resampler.get(), compensation, outRate);
            }
        }
    } else {
        ost.syncOpts = std::llround(SyncInputTime(ist) * outRate) - waiting;
    }

    const int inSamples = size / sampleBytes;
    const int outSamples = swr_get_out_samples(ost.resampler.get(), inSamples);
    if (outSamples > 0) {
        AVFramePtr converted{av_frame_alloc()};
        converted->format = enc->sample_fmt;
        converted->nb_samples = outSamples;
        av_channel_layout_copy(&converted->ch_layout, &enc->ch_layout);
        if (av_frame_get_buffer(converted.get(), 0) < 0)
            throw FFmpegException("Out of memory in do_audio_out");
        const uint8_t* in[1] = {data};
        const int got = swr_convert(ost.resampler.get(), converted->extended_data, outSamples, in, inSamples);
        if (got < 0) {
            if (options_.exitOnError)
                throw FFmpegException("av_audio_convert() failed");
            task_.Log(llError, "av_audio_convert() failed");
            return;
        }
        if (got > 0 &&
            av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(converted->extended_data), got) < got)
            throw FFmpegException("av_fifo_realloc2() failed");
    }
    EncodeFifoFrames(ost, false);
}

void TranscodeRun::EncodeFifoFrames(RunOutputStream& ost, bool flushing)
{
    AVCodecContext* enc = ost.enc;
    const int frameSize = enc->frame_size;
    for (;;) {
        const int available = av_audio_fifo_size(ost.fifo.get());
        int samples = 0;
        int padded = 0;
        if (frameSize < 2) {
            samples = available;  // PCM-like: everything at once
        } else if (available >= frameSize) {
            samples = frameSize;
        } else if (flushing && available > 0) {
            samples = available;
            // encoders without a short last frame get it padded with silence
            const int caps = ost.encoder->Choice().capabilities;
            const bool shortLastFrame = (caps & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) ||
                                        ost.encoder->Choice().IsEncoderOnly();
            if (!shortLastFrame)
                padded = frameSize - available;
        }
        if (samples <= 0)
            return;
        AVFramePtr frame{av_frame_alloc()};
        frame->format = enc->sample_fmt;
        frame->nb_samples = samples + padded;
        frame->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            throw FFmpegException("Out of memory in do_audio_out");
        av_audio_fifo_read(ost.fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples);
        if (padded > 0)
            av_samples_set_silence(frame->extended_data, samples, padded, enc->ch_layout.nb_channels, enc->sample_fmt);
        frame->pts = ost.syncOpts;
        ost.syncOpts += frame->nb_samples;
        EncodeAudioFrame(ost, frame.get());
        if (frameSize < 2 || padded > 0 || samples < frameSize)
            return;
    }
}

int TranscodeRun::EncodeAudioFrame(RunOutputStream& ost, AVFrame* frame)
{
    const int64_t bytes = EncodeFrame(ost, frame, "Audio encoding failed");
    counters_.audioBytes += static_cast<uint64_t>(bytes);
    ++ost.frameCount;
    return static_cast<int>(bytes);
}

void TranscodeRun::FlushAudio(RunOutputStream& ost)
{
    AVCodecContext* enc = ost.enc;
    if (ost.resampler) {
        // the samples the resampler still holds
        const int pending = swr_get_out_samples(ost.resampler.get(), 0);
        if (pending > 0) {
            AVFramePtr rest{av_frame_alloc()};
            rest->format = enc->sample_fmt;
            rest->nb_samples = pending;
            av_channel_layout_copy(&rest->ch_layout, &enc->ch_layout);
            if (av_frame_get_buffer(rest.get(), 0) >= 0) {
                const int got = swr_convert(ost.resampler.get(), rest->extended_data, pending, nullptr, 0);
                if (got > 0)
                    av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(rest->extended_data), got);
            }
        }
    }
    EncodeFifoFrames(ost, true);
    const int ret = ost.encoder->SendFrame(nullptr);
    if (ret < 0 && ret != AVERROR_EOF)
        throw FFmpegException("Audio encoding failed");
    counters_.audioBytes += static_cast<uint64_t>(DrainEncoder(ost, true));
}
