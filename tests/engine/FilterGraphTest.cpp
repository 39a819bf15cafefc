#include "engine/FFmpegException.h"
#include "engine/FilterGraph.h"

#include "DecodedClipSupport.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
}

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// 64x48 black pictures with a white 16x16 block in the top-left corner.
const qtest::DecodedClip& BlockClip()
{
    static qtest::ScratchDir dir;
    static const qtest::DecodedClip clip = qtest::DecodeVideo(qtest::MakeLosslessClip(
        dir.file("block.mkv"), "color=c=black:s=64x48:r=25:d=0.4", "drawbox=x=0:y=0:w=16:h=16:color=white:t=fill"));
    return clip;
}

FilterGraphInput InputOf(const qtest::DecodedClip& clip)
{
    const AVFrame* first = clip.frames.front().get();
    FilterGraphInput input;
    input.width = first->width;
    input.height = first->height;
    input.pixelFormat = static_cast<AVPixelFormat>(first->format);
    input.timeBase = clip.timeBase;
    input.sampleAspect = AVRational{4, 3};  // the stream's; the decoded pictures carry none
    return input;
}

// Pushes every picture, then the end, and pulls all that come out.
std::vector<AVFramePtr> RunThrough(FilterGraph& graph, const qtest::DecodedClip& clip)
{
    std::vector<AVFramePtr> out;
    auto pullAll = [&] {
        AVFramePtr picture{av_frame_alloc()};
        while (graph.Pull(picture.get())) {
            out.push_back(std::move(picture));
            picture.reset(av_frame_alloc());
        }
    };
    for (const AVFramePtr& frame : clip.frames) {
        EXPECT_TRUE(graph.Push(frame.get()));
        pullAll();
    }
    graph.Push(nullptr);
    pullAll();
    return out;
}

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

double CornerLuma(const AVFrame* picture, Corner corner)
{
    const int x = (corner == TopRight || corner == BottomRight) ? picture->width - 14 : 2;
    const int y = (corner == BottomLeft || corner == BottomRight) ? picture->height - 14 : 2;
    return qtest::MeanLuma(picture, x, y, 12, 12);
}

TEST(FilterGraph, UserFiltersChangeThePicturesInOrder)
{
    struct Case {
        std::string filters;
        Corner odd;  // the one corner that differs from the rest
        bool oddIsBright;  // negated pictures have a dark block on white
    };
    const Case cases[] = {
        {"", TopLeft, true},
        {"hflip", TopRight, true},
        {"vflip", BottomLeft, true},
        {"negate", TopLeft, false},
        {"hflip,negate", TopRight, false},
        {"hflip,vflip", BottomRight, true},
        {"vflip,hflip,negate", BottomRight, false},
    };
    const qtest::DecodedClip& clip = BlockClip();
    ASSERT_EQ(clip.frames.size(), 10u);
    for (const Case& c : cases) {
        SCOPED_TRACE("filters \"" + c.filters + "\"");
        FilterGraph graph;
        FilterGraphOutput output;
        output.pixelFormat = AV_PIX_FMT_YUV420P;
        output.filters = c.filters;
        graph.Build(InputOf(clip), output);
        EXPECT_EQ(graph.Width(), 64);
        EXPECT_EQ(graph.Height(), 48);
        const std::vector<AVFramePtr> pictures = RunThrough(graph, clip);
        ASSERT_EQ(pictures.size(), clip.frames.size());
        for (size_t i = 0; i < pictures.size(); ++i) {
            const AVFrame* picture = pictures[i].get();
            EXPECT_EQ(picture->pts, clip.frames[i]->pts) << "each picture keeps its time";
            EXPECT_EQ(picture->sample_aspect_ratio.num, 4);
            EXPECT_EQ(picture->sample_aspect_ratio.den, 3);
            for (Corner corner : {TopLeft, TopRight, BottomLeft, BottomRight}) {
                const bool bright = (corner == c.odd) == c.oddIsBright;
                if (bright) {
                    EXPECT_GT(CornerLuma(picture, corner), 200.0) << "corner " << corner;
                } else {
                    EXPECT_LT(CornerLuma(picture, corner), 40.0) << "corner " << corner;
                }
            }
        }
    }
}

TEST(FilterGraph, MalformedFilterTextFailsWithTheLibraryReason)
{
    const qtest::DecodedClip& clip = BlockClip();
    ASSERT_FALSE(clip.frames.empty());
    for (const std::string filters : {"nosuchfilter", "hflip,", "scale=w=oops:h=10", "hflip[x];[y]vflip"}) {
        FilterGraph graph;
        FilterGraphOutput output;
        output.pixelFormat = AV_PIX_FMT_YUV420P;
        output.filters = filters;
        try {
            graph.Build(InputOf(clip), output);
            ADD_FAILURE() << "accepted \"" << filters << "\"";
        } catch (const FFmpegException& e) {
            const std::string message = e.what();
            const std::string prefix = "Error opening filters: ";
            EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
            EXPECT_GT(message.size(), prefix.size()) << "the reason follows the prefix";
        }
        EXPECT_FALSE(graph.Built());
    }
}

TEST(FilterGraph, CropAndScaleGiveTheEncoderItsSize)
{
    struct Case {
        int cropTop, cropBottom, cropLeft, cropRight;
        int width, height;  // asked of the encoder; 0 keeps the cropped size
        int expectedWidth, expectedHeight;
        std::string filters;
    };
    const Case cases[] = {
        {4, 4, 8, 8, 32, 24, 32, 24, ""},
        {0, 8, 16, 0, 0, 0, 48, 40, ""},
        {0, 0, 0, 0, 96, 72, 96, 72, "hflip"},
        {2, 2, 0, 0, 32, 16, 32, 16, "negate"},
    };
    const qtest::DecodedClip& clip = BlockClip();
    ASSERT_FALSE(clip.frames.empty());
    qtest::ScratchDir dir;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(index));
        FilterGraph graph;
        FilterGraphOutput output;
        output.cropTop = c.cropTop;
        output.cropBottom = c.cropBottom;
        output.cropLeft = c.cropLeft;
        output.cropRight = c.cropRight;
        output.width = c.width;
        output.height = c.height;
        output.pixelFormat = AV_PIX_FMT_YUV420P;
        output.filters = c.filters;
        graph.Build(InputOf(clip), output);
        EXPECT_EQ(graph.Width(), c.expectedWidth);
        EXPECT_EQ(graph.Height(), c.expectedHeight);
        const std::vector<AVFramePtr> pictures = RunThrough(graph, clip);
        ASSERT_EQ(pictures.size(), clip.frames.size());
        for (const AVFramePtr& picture : pictures) {
            EXPECT_EQ(picture->width, c.expectedWidth);
            EXPECT_EQ(picture->height, c.expectedHeight);
        }
        const std::string path = dir.file("out" + std::to_string(index++) + ".avi");
        ASSERT_TRUE(qtest::EncodeVideo(path, "mpeg4", pictures, graph.TimeBase()));
        const auto probed = qtest::ProbeStream(path, "v:0");
        EXPECT_EQ(probed.at("codec_name"), "mpeg4");
        EXPECT_EQ(probed.at("width"), std::to_string(c.expectedWidth));
        EXPECT_EQ(probed.at("height"), std::to_string(c.expectedHeight));
    }
}

TEST(FilterGraph, CroppingRemovesTheCroppedEdges)
{
    const qtest::DecodedClip& clip = BlockClip();
    ASSERT_FALSE(clip.frames.empty());
    FilterGraph graph;
    FilterGraphOutput output;
    output.cropTop = 8;
    output.cropLeft = 8;
    output.pixelFormat = AV_PIX_FMT_YUV420P;
    graph.Build(InputOf(clip), output);
    const std::vector<AVFramePtr> pictures = RunThrough(graph, clip);
    ASSERT_FALSE(pictures.empty());
    // the block's lower-right 8x8 quarter is now the corner
    EXPECT_GT(qtest::MeanLuma(pictures.front().get(), 1, 1, 6, 6), 200.0);
    EXPECT_LT(qtest::MeanLuma(pictures.front().get(), 10, 10, 6, 6), 40.0);
}

TEST(FilterGraph, TheSinkDeliversOnlyTheEncoderPixelFormat)
{
    const qtest::DecodedClip& clip = BlockClip();
    ASSERT_FALSE(clip.frames.empty());
    for (AVPixelFormat format : {AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_BGR24}) {
        FilterGraph graph;
        FilterGraphOutput output;
        output.pixelFormat = format;
        output.filters = "hflip";
        graph.Build(InputOf(clip), output);
        EXPECT_EQ(graph.PixelFormat(), format);
        const std::vector<AVFramePtr> pictures = RunThrough(graph, clip);
        ASSERT_EQ(pictures.size(), clip.frames.size());
        EXPECT_EQ(pictures.front()->format, format);
    }
}

// Every display matrix of a quarter turn, with and without a mirror: the
// graph's pictures must be the decoded picture carried through the matrix
// itself, point by point (a point (x, y) is shown at (a*x + c*y, b*x + d*y)).
TEST(FilterGraph, DisplayMatricesTurnThePicturesUpright)
{
    constexpr int kWidth = 6, kHeight = 4;
    AVFramePtr picture{av_frame_alloc()};
    picture->width = kWidth;
    picture->height = kHeight;
    picture->format = AV_PIX_FMT_GRAY8;
    ASSERT_GE(av_frame_get_buffer(picture.get(), 0), 0);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture->data[0][y * picture->linesize[0] + x] = static_cast<uint8_t>(16 + 9 * (y * kWidth + x));
    picture->pts = 0;

    for (const double angle : {0.0, 90.0, 180.0, 270.0, -90.0}) {
        for (const bool mirror : {false, true}) {
            SCOPED_TRACE("rotation " + std::to_string(angle) + (mirror ? ", mirrored" : ""));
            int32_t matrix[9];
            av_display_rotation_set(matrix, angle);
            av_display_matrix_flip(matrix, mirror, 0);
            const double a = matrix[0] / 65536.0, b = matrix[1] / 65536.0, c = matrix[3] / 65536.0,
                         d = matrix[4] / 65536.0;

            FilterGraphInput input;
            input.width = kWidth;
            input.height = kHeight;
            input.pixelFormat = AV_PIX_FMT_GRAY8;
            input.timeBase = AVRational{1, 25};
            input.orientation = OrientationOfMatrix(matrix);
            FilterGraphOutput output;
            output.pixelFormat = AV_PIX_FMT_GRAY8;
            FilterGraph graph;
            graph.Build(input, output);
            ASSERT_TRUE(graph.Push(picture.get()));
            ASSERT_TRUE(graph.Push(nullptr));
            AVFramePtr shown{av_frame_alloc()};
            ASSERT_TRUE(graph.Pull(shown.get()));

            // where the matrix puts each pixel centre, moved so the picture starts at 0, 0
            const bool turned = std::abs(b) > std::abs(a);
            ASSERT_EQ(shown->width, turned ? kHeight : kWidth);
            ASSERT_EQ(shown->height, turned ? kWidth : kHeight);
            double minX = 1e9, minY = 1e9;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    minX = std::min(minX, a * (x + 0.5) + c * (y + 0.5));
                    minY = std::min(minY, b * (x + 0.5) + d * (y + 0.5));
                }
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const int sx = static_cast<int>(std::lround(a * (x + 0.5) + c * (y + 0.5) - minX));
                    const int sy = static_cast<int>(std::lround(b * (x + 0.5) + d * (y + 0.5) - minY));
                    EXPECT_EQ(shown->data[0][sy * shown->linesize[0] + sx],
                              picture->data[0][y * picture->linesize[0] + x])
                        << "decoded " << x << "," << y << " shown at " << sx << "," << sy;
                }
        }
    }
}

TEST(FilterGraph, MatricesThatAreNoQuarterTurnLeaveThePicture)
{
    int32_t matrix[9];
    av_display_rotation_set(matrix, 30.0);
    EXPECT_TRUE(OrientationOfMatrix(matrix).Upright());
    av_display_rotation_set(matrix, 89.5);  // a rounding error of a quarter turn is one
    EXPECT_EQ(OrientationOfMatrix(matrix).clockwiseDegrees % 180, 90);
    EXPECT_TRUE(OrientationOfMatrix(nullptr).Upright());
}

}  // namespace
