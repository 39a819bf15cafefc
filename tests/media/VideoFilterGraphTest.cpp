#include "media/VideoFilterGraph.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <cstring>
#include <string>

namespace {

// A 64x48 RGB picture, left half white, right half black.
AVFramePtr HalfWhitePicture()
{
    AVFramePtr picture{av_frame_alloc()};
    picture->width = 64;
    picture->height = 48;
    picture->format = AV_PIX_FMT_RGB24;
    EXPECT_GE(av_frame_get_buffer(picture.get(), 0), 0);
    for (int y = 0; y < picture->height; ++y) {
        uint8_t* row = picture->data[0] + y * picture->linesize[0];
        std::memset(row, 0, static_cast<size_t>(picture->width) * 3);
        std::memset(row, 255, static_cast<size_t>(picture->width / 2) * 3);
    }
    picture->pts = 0;
    return picture;
}

TEST(VideoFilterGraph, SourceChainAndSinkMakeOnePicture)
{
    struct Case {
        const char* chain;
        AVPixelFormat sinkFormat;
        bool built;
        int width;
        int height;
        AVPixelFormat format;
        bool brightLeft;  // the white half is still on the left
    };
    const Case cases[] = {
        {"", AV_PIX_FMT_YUV420P, true, 64, 48, AV_PIX_FMT_YUV420P, true},
        {"", AV_PIX_FMT_NONE, true, 64, 48, AV_PIX_FMT_RGB24, true},
        {"hflip", AV_PIX_FMT_YUV420P, true, 64, 48, AV_PIX_FMT_YUV420P, false},
        {"scale=32:24", AV_PIX_FMT_NONE, true, 32, 24, AV_PIX_FMT_RGB24, true},
        {"transpose=dir=clock", AV_PIX_FMT_YUV420P, true, 48, 64, AV_PIX_FMT_YUV420P, true},
        {"nosuchfilter", AV_PIX_FMT_YUV420P, false, 0, 0, AV_PIX_FMT_NONE, false},
    };
    const AVFramePtr input = HalfWhitePicture();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chain);
        AVFilterGraphPtr graph = NewVideoGraph(0, SWS_BICUBIC);
        ASSERT_TRUE(graph);
        EXPECT_EQ(graph->nb_threads, 1);
        VideoGraphEnds ends;
        ASSERT_GE(AddVideoGraphEnds(graph.get(), {64, 48, AV_PIX_FMT_RGB24, {1, 25}, {-1, 0}}, "in", c.sinkFormat,
                                    "out", ends),
                  0);
        const int finished = FinishVideoGraph(graph.get(), ends.source, ends.sink, c.chain);
        EXPECT_EQ(finished >= 0, c.built);
        if (!c.built)
            continue;
        ASSERT_GE(av_buffersrc_add_frame_flags(ends.source, input.get(), AV_BUFFERSRC_FLAG_KEEP_REF), 0);
        AVFramePtr output{av_frame_alloc()};
        ASSERT_GE(av_buffersink_get_frame(ends.sink, output.get()), 0);
        EXPECT_EQ(output->width, c.width);
        EXPECT_EQ(output->height, c.height);
        EXPECT_EQ(output->format, c.format);
        // the first byte of a row in the upper quarter: luma or red, bright for white
        const uint8_t left = output->data[0][output->linesize[0] * (output->height / 4)];
        EXPECT_EQ(left > 128, c.brightLeft);
    }
}

}  // namespace
