#include "engine/AmrNbEncoder.h"

#include "media/CodecLock.h"
#include "media/TFFLogger.h"

extern "C" {
#include <libavutil/channel_layout.h>
}
#include <opencore-amrnb/interf_enc.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace {
const int kModeBitRates[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
constexpr int kModeCount = 8;
constexpr int kMaxFrameBytes = 64;  // 32 bytes at 12.2 kbit/s, with room to spare
}  // namespace

const int AmrNbEncoder::kSupportedSampleRates[] = {kSampleRate, 0};
const AVSampleFormat AmrNbEncoder::SampleFormats[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_NONE};

TCodecChoice AmrNbEncoder::MakeChoice(const char* requestedName)
{
    TCodecChoice choice;
    choice.source = TCodecChoice::csEngineAmrNb;
    choice.id = AV_CODEC_ID_AMR_NB;
    choice.type = AVMEDIA_TYPE_AUDIO;
    choice.name = requestedName;
    choice.supportedSampleRates = kSupportedSampleRates;
    choice.sampleFormats = SampleFormats;
    choice.capabilities = AV_CODEC_CAP_SMALL_LAST_FRAME;
    return choice;
}

int AmrNbEncoder::ModeForBitRate(int64_t bitRate)
{
    int mode = 0;
    for (int i = 0; i < kModeCount; ++i)
        if (kModeBitRates[i] <= bitRate)
            mode = i;
    return mode;
}

int AmrNbEncoder::ModeBitRate(int mode) { return kModeBitRates[std::clamp(mode, 0, kModeCount - 1)]; }

AmrNbEncoder::AmrNbEncoder(const TCodecChoice& choice)
    : choice_(choice), context_(avcodec_alloc_context3(nullptr)), pending_(av_packet_alloc())
{
    if (!context_ || !pending_)
        throw std::bad_alloc();
    AVCodecContext* ctx = context_.get();
    ctx->codec_type = AVMEDIA_TYPE_AUDIO;
    ctx->codec_id = AV_CODEC_ID_AMR_NB;
    ctx->sample_rate = kSampleRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&ctx->ch_layout, 1);
    ctx->frame_size = kFrameSamples;
    ctx->time_base = AVRational{1, kSampleRate};
}

AmrNbEncoder::~AmrNbEncoder()
{
    if (state_)
        Encoder_Interface_exit(state_);
}

int AmrNbEncoder::Open(AVDictionary** /*options*/)
{
    AVCodecContext* ctx = context_.get();
    if (state_)
        return AVERROR(EINVAL);
    const int channels = ctx->ch_layout.nb_channels;
    if (ctx->sample_rate != kSampleRate || channels != 1 ||
        (ctx->sample_fmt != AV_SAMPLE_FMT_S16 && ctx->sample_fmt != AV_SAMPLE_FMT_S16P)) {
        GetFFLogger().LogFmt(this, llError,
                             "AMR-NB encodes only 8000 Hz mono 16-bit audio (asked for %d Hz, %d channels)",
                             ctx->sample_rate, channels);
        return AVERROR(EINVAL);
    }
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    ctx->frame_size = kFrameSamples;
    if (ctx->time_base.num <= 0 || ctx->time_base.den <= 0)
        ctx->time_base = AVRational{1, kSampleRate};

    mode_ = ModeForBitRate(ctx->bit_rate);
    if (ctx->bit_rate != ModeBitRate(mode_))
        GetFFLogger().LogFmt(this, llVerbose, "AMR-NB: bit rate %lld served by the %d bit/s mode",
                             static_cast<long long>(ctx->bit_rate), ModeBitRate(mode_));
    ctx->bit_rate = ModeBitRate(mode_);

    std::lock_guard guard(CodecLock());
    state_ = Encoder_Interface_init(0);
    return state_ ? 0 : AVERROR(ENOMEM);
}

int AmrNbEncoder::SendFrame(const AVFrame* frame)
{
    if (!state_)
        return AVERROR(EINVAL);
    if (flushing_)
        return AVERROR_EOF;
    if (pending_->size > 0)
        return AVERROR(EAGAIN);
    if (!frame) {
        flushing_ = true;
        return 0;
    }
    if (frame->nb_samples <= 0 || frame->nb_samples > kFrameSamples || shortFrameSeen_ ||
        (frame->format != AV_SAMPLE_FMT_S16 && frame->format != AV_SAMPLE_FMT_S16P))
        return AVERROR(EINVAL);
    if (frame->nb_samples < kFrameSamples)
        shortFrameSeen_ = true;  // only the last frame may be short
    const int64_t pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : nextPts_;
    return EncodeOne(reinterpret_cast<const int16_t*>(frame->data[0]), frame->nb_samples, pts);
}

int AmrNbEncoder::EncodeOne(const int16_t* samples, int count, int64_t pts)
{
    int16_t speech[kFrameSamples] = {};
    std::memcpy(speech, samples, sizeof(int16_t) * count);
    unsigned char out[kMaxFrameBytes];
    const int bytes = Encoder_Interface_Encode(state_, static_cast<Mode>(mode_), speech, out, 0);
    if (bytes <= 0)
        return AVERROR_EXTERNAL;
    const int ret = av_new_packet(pending_.get(), bytes);
    if (ret < 0)
        return ret;
    std::memcpy(pending_->data, out, bytes);
    const AVRational timeBase = context_->time_base;
    pending_->pts = pending_->dts = pts;
    pending_->duration = av_rescale_q(kFrameSamples, AVRational{1, kSampleRate}, timeBase);
    pending_->flags |= AV_PKT_FLAG_KEY;
    nextPts_ = pts + pending_->duration;
    return 0;
}

int AmrNbEncoder::ReceivePacket(AVPacket* packet)
{
    if (!state_)
        return AVERROR(EINVAL);
    if (pending_->size > 0) {
        av_packet_move_ref(packet, pending_.get());
        return 0;
    }
    return flushing_ ? AVERROR_EOF : AVERROR(EAGAIN);
}
