// The thread counts a task's codecs and scaler get from its share of the
// cores, and the share itself.
#include "engine/CodecThreads.h"

#include "media/FFHandles.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <gtest/gtest.h>

#include <sched.h>

#include <cstring>
#include <string>

namespace {

TEST(CodecThreads, EachCodecGetsTheThreadingItSupports)
{
    struct Case {
        const char* name;
        bool encoder;
        int height;
        int threads;
        int wantCount;
        int wantType;  // 0: not looked at (one thread)
    };
    const Case cases[] = {
        // a share of n cores as the library uses n cores: n + 1 threads
        {"h264", false, 720, 4, 5, FF_THREAD_FRAME},  // frame threads, as the tool decodes
        {"mpeg4", false, 480, 3, 4, FF_THREAD_FRAME},
        {"mpeg4", false, 480, 1, 1, FF_THREAD_FRAME},  // one core: one thread, none waiting
        {"mpeg4", true, 480, 4, 5, FF_THREAD_SLICE},  // slices: no pictures held back
        {"mpeg4", true, 32, 4, 2, FF_THREAD_SLICE},  // two rows of 16 lines: two slices at most
        {"mpeg2video", true, 576, 2, 3, FF_THREAD_SLICE},
        {"libx264", true, 240, 2, 2, FF_THREAD_FRAME},  // x264's own frame threads, one per core
        {"libx264", true, 240, 4, 4, FF_THREAD_FRAME},
        {"libx264", true, 240, 1, 1, FF_THREAD_FRAME},
        {"h263", true, 144, 4, 1, 0},  // no threading: would fail to open
        {"libmp3lame", true, 0, 4, 1, 0},
        {"aac", false, 0, 4, 1, 0},
        {"h264", false, 720, 0, 1, FF_THREAD_FRAME},  // never below one
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.name) + (c.encoder ? " encoder" : " decoder");
        const AVCodec* codec = c.encoder ? avcodec_find_encoder_by_name(c.name) : avcodec_find_decoder_by_name(c.name);
        ASSERT_NE(codec, nullptr) << label;
        AVCodecContextPtr ctx{avcodec_alloc_context3(codec)};
        ASSERT_TRUE(ctx) << label;
        ctx->height = c.height;
        ApplyCodecThreads(ctx.get(), codec, c.threads);
        EXPECT_EQ(ctx->thread_count, c.wantCount) << label;
        if (c.wantType) {
            EXPECT_EQ(ctx->thread_type, c.wantType) << label;
        }
    }
}

TEST(CodecThreads, ThreadedEncodersOpenWithTheirCount)
{
    // the counts given must be ones the encoders accept
    for (const char* name : {"mpeg4", "mpeg2video", "libx264", "h263", "msmpeg4", "wmv2", "flv", "mjpeg"}) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name);
        ASSERT_NE(codec, nullptr) << name;
        AVCodecContextPtr ctx{avcodec_alloc_context3(codec)};
        ctx->width = 176;
        ctx->height = 144;
        ctx->time_base = AVRational{1, 25};
        ctx->framerate = AVRational{25, 1};
        ctx->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        ctx->bit_rate = 200000;
        ApplyCodecThreads(ctx.get(), codec, 8);
        EXPECT_EQ(avcodec_open2(ctx.get(), codec, nullptr), 0) << name << " with " << ctx->thread_count;
    }
}

TEST(CodecThreads, ShareDividesTheCoresAmongRunningTasks)
{
    struct Case {
        int cores, running, want;
    };
    const Case cases[] = {{2, 1, 2}, {2, 2, 1}, {8, 2, 4}, {8, 3, 2}, {2, 4, 1}, {1, 1, 1}, {4, 0, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(ThreadShare(c.cores, c.running), c.want) << c.cores << " cores, " << c.running << " tasks";
}

TEST(CodecThreads, MachineCoresFollowsTheAffinity)
{
    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    EXPECT_EQ(MachineCores(), CPU_COUNT(&saved));
    int first = 0;
    while (!CPU_ISSET(first, &saved))
        ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(MachineCores(), 1);
    ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
}

TEST(CodecThreads, ThreadedScalerGivesTheSamePictureAsOneThread)
{
    auto picture = [](int width, int height) {
        AVFramePtr frame{av_frame_alloc()};
        frame->width = width;
        frame->height = height;
        frame->format = AV_PIX_FMT_YUV420P;
        EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
        return frame;
    };
    AVFramePtr source = picture(640, 360);
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane ? 180 : 360;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < source->linesize[plane]; ++x)
                source->data[plane][y * source->linesize[plane] + x] =
                    static_cast<uint8_t>((x * 7 + y * 3 + plane * 50) & 0xff);
    }
    AVFramePtr one = picture(320, 240), four = picture(320, 240);
    SwsContextPtr single{MakeScaler(640, 360, AV_PIX_FMT_YUV420P, 320, 240, AV_PIX_FMT_YUV420P, SWS_BICUBIC, 1)};
    SwsContextPtr threaded{MakeScaler(640, 360, AV_PIX_FMT_YUV420P, 320, 240, AV_PIX_FMT_YUV420P, SWS_BICUBIC, 4)};
    ASSERT_TRUE(single && threaded);
    int64_t threads = 0;
    ASSERT_EQ(av_opt_get_int(threaded.get(), "threads", 0, &threads), 0);
    EXPECT_EQ(threads, 4);
    ASSERT_GE(sws_scale_frame(single.get(), one.get(), source.get()), 0);
    ASSERT_GE(sws_scale_frame(threaded.get(), four.get(), source.get()), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane ? 120 : 240, width = plane ? 160 : 320;
        for (int y = 0; y < rows; ++y)
            ASSERT_EQ(0, memcmp(one->data[plane] + y * one->linesize[plane],
                                four->data[plane] + y * four->linesize[plane], static_cast<size_t>(width)))
                << "plane " << plane << " row " << y;
    }
    EXPECT_FALSE(MakeScaler(0, 0, AV_PIX_FMT_YUV420P, 320, 240, AV_PIX_FMT_YUV420P, SWS_BICUBIC, 2));
}

}  // namespace
