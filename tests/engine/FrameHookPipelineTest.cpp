// The frame units in the order a transcode run uses them: decoded picture ->
// pre-processing (custom hook) -> filter graph -> preview -> encoder.
#include "engine/FilterGraph.h"
#include "engine/PicturePreprocessor.h"
#include "engine/TaskPreview.h"

#include "DecodedClipSupport.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Preview {
    int frameNumber;
    int64_t ptsUs;
    double rectangleBrightness;  // mean of the previewed rectangle's pixels
};

TEST(FramePipeline, HookDrawingReachesTheEncodedFileThroughTheFiltersUntilTheHookStops)
{
    qtest::ScratchDir dir;
    const qtest::DecodedClip source =
        qtest::DecodeVideo(qtest::MakeLosslessClip(dir.file("source.mkv"), "color=c=0x303030:s=160x120:r=25:d=1"));
    ASSERT_EQ(source.frames.size(), 25u);
    const AVFrame* first = source.frames.front().get();

    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    std::vector<int> hookCalls;
    preprocessor.CustomHook().SetHandler([&](Bitmap24& bitmap, bool&, bool& stopHook, int64_t, int frameNumber) {
        hookCalls.push_back(frameNumber);
        for (int y = 16; y < 48; ++y)
            for (int x = 16; x < 48; ++x)
                for (int c = 0; c < 3; ++c)
                    bitmap.Row(y)[x * 3 + c] = 255;
        stopHook = frameNumber == 5;
    });

    FilterGraph graph;
    FilterGraphInput input;
    input.width = first->width;
    input.height = first->height;
    input.pixelFormat = static_cast<AVPixelFormat>(first->format);
    input.timeBase = source.timeBase;
    FilterGraphOutput output;
    output.width = 80;  // the encoder's size: half the source
    output.height = 60;
    output.pixelFormat = AV_PIX_FMT_YUV420P;
    output.filters = "hflip";
    graph.Build(input, output);
    ASSERT_EQ(graph.Width(), 80);
    ASSERT_EQ(graph.Height(), 60);

    std::vector<Preview> previews;
    TaskPreview preview;
    preview.SetFlags(kPreviewBitmapFlag);
    preview.SetIntervalUs(0);  // every picture
    preview.SetBitmapHandler([&](const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) {
        double sum = 0;
        for (int y = 10; y < 22; ++y)
            for (int x = 58; x < 70; ++x)
                sum += bitmap.Row(y)[x * 3 + 1];
        previews.push_back({frameNumber, ptsUs, sum / 144});
    });
    int64_t clock = 0;
    preview.SetClock([&clock] { return clock += 40000; });

    std::vector<AVFramePtr> toEncoder;
    auto pullAll = [&] {
        AVFramePtr picture{av_frame_alloc()};
        while (graph.Pull(picture.get())) {
            const int64_t ptsUs = av_rescale_q(picture->pts, graph.TimeBase(), AV_TIME_BASE_Q);
            preview.Show(picture.get(), preprocessor.FrameNumber(), ptsUs);
            toEncoder.push_back(std::move(picture));
            picture.reset(av_frame_alloc());
        }
    };
    for (const AVFramePtr& frame : source.frames) {
        const int64_t ptsUs = av_rescale_q(frame->pts, source.timeBase, AV_TIME_BASE_Q);
        ASSERT_TRUE(graph.Push(preprocessor.Process(frame.get(), ptsUs)));
        pullAll();
    }
    graph.Push(nullptr);
    pullAll();
    ASSERT_EQ(toEncoder.size(), 25u);

    const std::string encoded = dir.file("out.mkv");
    ASSERT_TRUE(qtest::EncodeVideo(encoded, "ffv1", toEncoder, graph.TimeBase()));
    const auto probed = qtest::ProbeStream(encoded, "v:0");
    EXPECT_EQ(probed.at("width"), "80");
    EXPECT_EQ(probed.at("height"), "60");

    const qtest::DecodedClip result = qtest::DecodeVideo(encoded);
    ASSERT_EQ(result.frames.size(), 25u);
    for (size_t i = 0; i < result.frames.size(); ++i) {
        const AVFrame* picture = result.frames[i].get();
        const bool hooked = i < 5;
        // the 32x32 rectangle at 16,16 is halved and mirrored: x 56..71, y 8..23
        const double mirrored = qtest::MeanLuma(picture, 58, 10, 12, 12);
        const double original = qtest::MeanLuma(picture, 10, 10, 12, 12);
        EXPECT_EQ(mirrored > 200.0, hooked) << "frame " << i + 1 << " luma " << mirrored;
        EXPECT_LT(original, 70.0) << "frame " << i + 1;
    }
    EXPECT_EQ(hookCalls, (std::vector<int>{1, 2, 3, 4, 5}));

    ASSERT_EQ(previews.size(), 25u);
    for (size_t i = 0; i < previews.size(); ++i) {
        EXPECT_EQ(previews[i].frameNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(previews[i].ptsUs, static_cast<int64_t>(i) * 40000);
        EXPECT_EQ(previews[i].rectangleBrightness > 200.0, i < 5) << "preview " << i + 1;
    }
}

}  // namespace
