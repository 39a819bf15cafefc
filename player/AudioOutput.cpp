// SDL's audio thread: decoding, conversion to packed 16-bit samples, audio
// correction and mixing at the player's volume.
#include "media/TFFLogger.h"
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kNoSyncThreshold = 10.0;
constexpr int kAudioDiffAvgNb = 20;
constexpr int kSampleCorrectionPercentMax = 10;

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) { return av_channel_layout_compare(&a, &b) == 0; }

// Replaces the converter when the decoder's output changed; false when none
// can be made (the frame is then dropped).
bool PrepareConverter(PlaybackState* is, const AVFrame* frame)
{
    if (is->AudioConverter && frame->format == is->AudioSourceFormat && frame->sample_rate == is->AudioSourceRate &&
        SameLayout(frame->ch_layout, is->AudioSourceLayout))
        return true;
    is->AudioConverter.reset();
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, is->AudioChannels);
    AVChannelLayout inLayout{};
    av_channel_layout_copy(&inLayout, &frame->ch_layout);
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, is->AudioSampleRate, &inLayout,
                                  static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    SwrContextPtr converter{swr};
    if (ret < 0 || swr_init(converter.get()) < 0) {
        GetFFLogger().LogFmt(is->Player, llError, "Cannot convert %s sample format to %s sample format",
                             av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format)),
                             av_get_sample_fmt_name(AV_SAMPLE_FMT_S16));
        is->AudioSourceFormat = AV_SAMPLE_FMT_NONE;
        return false;
    }
    is->AudioConverter = std::move(converter);
    is->AudioSourceFormat = static_cast<AVSampleFormat>(frame->format);
    is->AudioSourceRate = frame->sample_rate;
    av_channel_layout_uninit(&is->AudioSourceLayout);
    av_channel_layout_copy(&is->AudioSourceLayout, &frame->ch_layout);
    return true;
}

// Converts the received frame into AudioDecoded; its size in bytes, or -1.
int ConvertFrame(PlaybackState* is, const AVFrame* frame)
{
    if (!PrepareConverter(is, frame))
        return -1;
    const int outSamples = swr_get_out_samples(is->AudioConverter.get(), frame->nb_samples);
    const size_t needed = size_t(std::max(outSamples, 0)) * 2 * is->AudioChannels;
    if (is->AudioDecoded.size() < needed)
        is->AudioDecoded.resize(needed);
    uint8_t* out[1] = {is->AudioDecoded.data()};
    const int samples = swr_convert(is->AudioConverter.get(), out, outSamples,
                                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (samples < 0) {
        GetFFLogger().Log(is->Player, llError, "av_audio_convert() failed");
        return -1;
    }
    return samples * 2 * is->AudioChannels;
}

// Decodes the next block of samples into AudioDecoded; its size, or -1 for
// "no data" (paused, aborted, or nothing queued).
int DecodeAudioFrame(PlaybackState* is, double& pts)
{
    AVCodecContext* dec = is->AudioDecoder.get();
    for (;;) {
        while (is->AudioDecoderHasFrames) {
            int ret = avcodec_receive_frame(dec, is->AudioFrame.get());
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
                is->AudioDecoderHasFrames = false;
                break;
            }
            if (ret < 0) {
                GetFFLogger().Log(is->Player, llInfo, "avcodec_decode_audio2() failed");
                is->AudioDecoderHasFrames = false;
                break;
            }
            int size = ConvertFrame(is, is->AudioFrame.get());
            av_frame_unref(is->AudioFrame.get());
            if (size <= 0)
                continue;
            pts = is->AudioClock;
            const int bytesPerSecond = 2 * is->AudioChannels * is->AudioSampleRate;
            is->AudioClock = is->AudioClock + double(size) / bytesPerSecond;
            if (!std::isnan(is->AudioShowFrom)) {
                // after a seek the sound starts at its target, with the picture
                if (is->AudioClock <= is->AudioShowFrom)
                    continue;
                const int frameBytes = 2 * is->AudioChannels;
                const int skip = static_cast<int>((is->AudioShowFrom - pts) * is->AudioSampleRate) * frameBytes;
                if (skip > 0 && skip < size) {
                    std::memmove(is->AudioDecoded.data(), is->AudioDecoded.data() + skip, size_t(size - skip));
                    size -= skip;
                    pts = is->AudioShowFrom;
                }
                is->AudioShowFrom = NAN;
            }
            return size;
        }
        if (is->Paused || is->AudioQueue.Aborted())
            return -1;
        AVPacket* pkt = is->AudioPacket.get();
        if (is->AudioQueue.Get(pkt, false) <= 0)
            return -1;
        if (IsFlushPacket(pkt)) {
            avcodec_flush_buffers(dec);
            is->AudioShowFrom = is->SeekShowFrom;
            av_packet_unref(pkt);
            continue;
        }
        if (pkt->pts != AV_NOPTS_VALUE)
            is->AudioClock = av_q2d(is->AudioStream.load()->time_base) * pkt->pts;
        if (avcodec_send_packet(dec, pkt) < 0)
            GetFFLogger().Log(is->Player, llInfo, "avcodec_decode_audio2() failed");
        else
            is->AudioDecoderHasFrames = true;
        av_packet_unref(pkt);
    }
}

void CopyToVisualisation(PlaybackState* is, const uint8_t* bytes, int size)
{
    const int16_t* samples = reinterpret_cast<const int16_t*>(bytes);
    int count = size / 2;
    std::lock_guard guard(is->VisualisationLock);
    int index = is->VisualisationIndex;
    while (count > 0) {
        const int chunk = std::min(count, PlaybackState::kVisualisationSamples - index);
        std::memcpy(&is->VisualisationRing[index], samples, size_t(chunk) * 2);
        samples += chunk;
        index += chunk;
        if (index >= PlaybackState::kVisualisationSamples)
            index = 0;
        count -= chunk;
    }
    is->VisualisationIndex = index;
}

}  // namespace

int SynchronizeAudio(PlaybackState* is, int16_t* samples, int sizeBytes, int capacityBytes)
{
    if (AudioIsMaster(is))
        return sizeBytes;
    const int frameBytes = 2 * is->AudioChannels;
    const double diff = AudioClockNow(is) - MasterClockNow(is);
    if (!(std::fabs(diff) < kNoSyncThreshold)) {
        is->AudioDiffAvgCount = 0;
        is->AudioDiffCum = 0;
        return sizeBytes;
    }
    is->AudioDiffCum = diff + is->AudioDiffAvgCoef * is->AudioDiffCum;
    if (is->AudioDiffAvgCount < kAudioDiffAvgNb) {
        is->AudioDiffAvgCount++;
        return sizeBytes;
    }
    const double avgDiff = is->AudioDiffCum * (1.0 - is->AudioDiffAvgCoef);
    if (std::fabs(avgDiff) < is->AudioDiffThreshold)
        return sizeBytes;
    int wanted = sizeBytes + static_cast<int>(std::lrint(diff * is->AudioSampleRate)) * frameBytes;
    const int frames = sizeBytes / frameBytes;
    const int minSize = frames * (100 - kSampleCorrectionPercentMax) / 100 * frameBytes;
    const int maxSize = frames * (100 + kSampleCorrectionPercentMax) / 100 * frameBytes;
    wanted = std::clamp(wanted, minSize, std::min(maxSize, capacityBytes / frameBytes * frameBytes));
    if (wanted > sizeBytes && sizeBytes >= frameBytes) {
        // repeat the last sample frame to fill the gap
        const uint8_t* last = reinterpret_cast<uint8_t*>(samples) + sizeBytes - frameBytes;
        for (uint8_t* out = reinterpret_cast<uint8_t*>(samples) + sizeBytes;
             out < reinterpret_cast<uint8_t*>(samples) + wanted; out += frameBytes)
            std::memmove(out, last, frameBytes);
    }
    return wanted;
}

void AudioCallback(void* opaque, uint8_t* stream, int len)
{
    PlaybackState* is = static_cast<PlaybackState*>(opaque);
    TCustomPlayer* player = is->Player;
    player->AudioCallbackTimeUs = SystemTimeUs();
    static const uint8_t silence[1024] = {};
    std::memset(stream, 0, len);
    while (len > 0) {
        if (is->AudioBufIndex >= is->AudioBufSize) {
            double pts = 0;
            const int size = DecodeAudioFrame(is, pts);
            if (is->AudioQueue.Aborted())
                return;
            if (size < 0) {
                is->AudioBuf = silence;
                is->AudioBufSize = sizeof(silence);
            } else {
                if (is->VisualisationMode)
                    CopyToVisualisation(is, is->AudioDecoded.data(), size);
                const size_t capacity = size_t(size) * 11 / 10 + 64;
                if (is->AudioCorrected.size() < capacity)
                    is->AudioCorrected.resize(capacity);
                std::memcpy(is->AudioCorrected.data(), is->AudioDecoded.data(), size);
                is->AudioBufSize = SynchronizeAudio(is, reinterpret_cast<int16_t*>(is->AudioCorrected.data()), size,
                                                    static_cast<int>(is->AudioCorrected.size()));
                is->AudioBuf = is->AudioCorrected.data();
            }
            is->AudioBufIndex = 0;
        }
        const int chunk = std::min(len, is->AudioBufSize - is->AudioBufIndex);
        if (!player->Mute())
            SDL_MixAudioFormat(stream, is->AudioBuf + is->AudioBufIndex, AUDIO_S16SYS, chunk, player->AudioVolume());
        len -= chunk;
        stream += chunk;
        is->AudioBufIndex += chunk;
    }
}
