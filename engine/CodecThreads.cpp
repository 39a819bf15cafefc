#include "engine/CodecThreads.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <thread>

int MachineCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int allowed = CPU_COUNT(&set);
        if (allowed > 0)
            return allowed;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

int ThreadShare(int cores, int runningTasks) { return std::max(1, cores / std::max(1, runningTasks)); }

int AutomaticFilesAtOnce(int cores)
{
    // measured in bench/results.md: one file keeps one core busy; from two
    // cores on, two files at once go faster than one file with every core
    // (the run's own loop is one thread), and beyond that one file per 4
    // cores, so that each file's codecs still have threads to spread over
    if (cores <= 1)
        return 1;
    return std::clamp(cores / 4, 2, 10);
}

void ApplyCodecThreads(AVCodecContext* ctx, const AVCodec* codec, int threads)
{
    if (!ctx)
        return;
    const int caps = codec ? codec->capabilities : 0;
    const bool encoder = codec && av_codec_is_encoder(codec);
    int type = 0;
    if (caps & AV_CODEC_CAP_OTHER_THREADS)
        type = FF_THREAD_FRAME;
    else if (encoder && (caps & AV_CODEC_CAP_SLICE_THREADS))
        type = FF_THREAD_SLICE;
    else if (caps & AV_CODEC_CAP_FRAME_THREADS)
        type = FF_THREAD_FRAME;
    else if (caps & AV_CODEC_CAP_SLICE_THREADS)
        type = FF_THREAD_SLICE;
    // A share of n > 1 cores: libavcodec's codecs run one thread more than
    // cores (one is ready while another waits for the caller), as they do
    // when left to themselves. libx264 gets n: the run feeds it from a thread
    // of its own, which keeps n frame threads busy (the half again per core
    // x264 takes when left to itself is for a caller that makes it wait, and
    // costs memory).
    threads = std::max(1, threads);
    if (threads > 1 && !(codec && std::strcmp(codec->name, "libx264") == 0))
        threads = threads + 1;
    if (type == FF_THREAD_SLICE && encoder && ctx->codec_type == AVMEDIA_TYPE_VIDEO && ctx->height > 0)
        threads = std::min(threads, (ctx->height + 15) / 16);
    ctx->thread_count = type ? std::max(1, threads) : 1;
    if (type)
        ctx->thread_type = type;
}

SwsContext* MakeScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                       AVPixelFormat dstFormat, int flags, int threads)
{
    SwsContext* scaler = sws_alloc_context();
    if (!scaler)
        return nullptr;
    const bool set =
        av_opt_set_int(scaler, "srcw", srcWidth, 0) >= 0 && av_opt_set_int(scaler, "srch", srcHeight, 0) >= 0 &&
        av_opt_set_int(scaler, "src_format", srcFormat, 0) >= 0 && av_opt_set_int(scaler, "dstw", dstWidth, 0) >= 0 &&
        av_opt_set_int(scaler, "dsth", dstHeight, 0) >= 0 && av_opt_set_int(scaler, "dst_format", dstFormat, 0) >= 0 &&
        av_opt_set_int(scaler, "sws_flags", flags, 0) >= 0 &&
        av_opt_set_int(scaler, "threads", std::max(1, threads), 0) >= 0;
    if (!set || sws_init_context(scaler, nullptr, nullptr) < 0) {
        sws_freeContext(scaler);
        return nullptr;
    }
    return scaler;
}
