#include "engine/PicturePreprocessor.h"

#include "DecodedClipSupport.h"
#include "media/TFFLogger.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A dark grey clip: 25 pictures of 64x48 at 25 fps, decoded once per program.
const qtest::DecodedClip& GreyClip()
{
    static qtest::ScratchDir dir;
    static const qtest::DecodedClip clip =
        qtest::DecodeVideo(qtest::MakeLosslessClip(dir.file("grey.mkv"), "color=c=0x303030:s=64x48:r=25:d=1"));
    return clip;
}

int64_t PtsUs(const qtest::DecodedClip& clip, const AVFrame* frame)
{
    return av_rescale_q(frame->pts, clip.timeBase, AV_TIME_BASE_Q);
}

void FillRect(Bitmap24& bitmap, int x0, int y0, int width, int height, uint8_t value)
{
    for (int y = y0; y < y0 + height; ++y)
        for (int x = x0; x < x0 + width; ++x)
            for (int c = 0; c < 3; ++c)
                bitmap.Row(y)[x * 3 + c] = value;
}

// Error lines the logger delivers while a test runs.
class LogCapture {
public:
    LogCapture()
    {
        GetFFLogger().SetTriggerEventInMainThread(false);
        GetFFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
            std::lock_guard guard(lock_);
            if (level <= llError)
                lines_.push_back(text);
        });
    }
    ~LogCapture() { GetFFLogger().SetOnLog(nullptr); }
    std::vector<std::string> Lines()
    {
        std::lock_guard guard(lock_);
        return lines_;
    }

private:
    std::mutex lock_;  // guards lines_
    std::vector<std::string> lines_;
};

struct HookCall {
    int frameNumber;
    int64_t ptsUs;
    int width;
    int height;
};

TEST(CustomHook, DrawingWithUpdateAppearsInThePictureAndEachCallCarriesNumberAndTime)
{
    const qtest::DecodedClip& clip = GreyClip();
    ASSERT_EQ(clip.frames.size(), 25u);
    std::vector<HookCall> calls;
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    preprocessor.CustomHook().SetHandler(
        [&](Bitmap24& bitmap, bool& update, bool& stopHook, int64_t ptsUs, int frameNumber) {
            calls.push_back({frameNumber, ptsUs, bitmap.Width(), bitmap.Height()});
            EXPECT_TRUE(update);
            EXPECT_FALSE(stopHook);
            FillRect(bitmap, 16, 8, 16, 16, 255);
        });
    for (const AVFramePtr& frame : clip.frames) {
        const AVFrame* out = preprocessor.Process(frame.get(), PtsUs(clip, frame.get()));
        ASSERT_NE(out, frame.get());
        EXPECT_GT(qtest::MeanLuma(out, 18, 10, 12, 12), 225.0) << "the white rectangle is in the picture";
        EXPECT_NEAR(qtest::MeanLuma(out, 40, 30, 16, 12), qtest::MeanLuma(frame.get(), 40, 30, 16, 12), 2.0)
            << "outside the rectangle the picture is as decoded";
        EXPECT_LT(qtest::MeanLuma(frame.get(), 18, 10, 12, 12), 80.0) << "the decoded picture stays untouched";
        EXPECT_EQ(out->pts, frame->pts);
    }
    ASSERT_EQ(calls.size(), 25u);
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].frameNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(calls[i].ptsUs, PtsUs(clip, clip.frames[i].get()));
        EXPECT_EQ(calls[i].width, 64);
        EXPECT_EQ(calls[i].height, 48);
    }
    EXPECT_EQ(preprocessor.FrameNumber(), 25);
}

// Handlers that must leave every picture exactly as decoded, and what each
// means for the calls that follow.
TEST(CustomHook, HandlersThatLeaveThePictureUnchanged)
{
    struct Case {
        const char* name;
        int stopAt;  // frame that sets StopHook; 0 never
        bool keepUpdate;
        bool throws;
        int expectedCalls;
        int expectedErrorLines;
    };
    const Case cases[] = {
        {"update false", 0, false, false, 25, 0},
        {"throwing handler", 0, true, true, 25, 25},
        {"stop at frame 10 without update", 10, false, false, 10, 0},
    };
    const qtest::DecodedClip& clip = GreyClip();
    ASSERT_EQ(clip.frames.size(), 25u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        int calls = 0;
        VideoHookModules videoHooks;
        PicturePreprocessor preprocessor(videoHooks);
        preprocessor.CustomHook().SetHandler(
            [&](Bitmap24& bitmap, bool& update, bool& stopHook, int64_t, int frameNumber) {
                ++calls;
                FillRect(bitmap, 0, 0, 32, 24, 255);  // drawn, but must not reach the picture
                update = c.keepUpdate;
                if (frameNumber == c.stopAt)
                    stopHook = true;
                if (c.throws)
                    throw std::runtime_error("handler failed on frame " + std::to_string(frameNumber));
            });
        for (const AVFramePtr& frame : clip.frames) {
            const AVFrame* out = preprocessor.Process(frame.get(), PtsUs(clip, frame.get()));
            EXPECT_TRUE(qtest::SamePicture(out, frame.get()));
        }
        EXPECT_EQ(calls, c.expectedCalls);
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(static_cast<int>(lines.size()), c.expectedErrorLines);
        if (c.throws) {
            EXPECT_EQ(lines.front(), "Error occurs OnCustomHook: handler failed on frame 1");
            EXPECT_EQ(lines.back(), "Error occurs OnCustomHook: handler failed on frame 25");
        }
    }
}

TEST(CustomHook, StopHookEndsTheCallsAndLaterPicturesPassUnchanged)
{
    const qtest::DecodedClip& clip = GreyClip();
    ASSERT_EQ(clip.frames.size(), 25u);
    std::vector<int> seen;
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    preprocessor.CustomHook().SetHandler([&](Bitmap24& bitmap, bool&, bool& stopHook, int64_t, int frameNumber) {
        seen.push_back(frameNumber);
        FillRect(bitmap, 16, 8, 16, 16, 255);
        stopHook = frameNumber == 10;
    });
    for (size_t i = 0; i < clip.frames.size(); ++i) {
        const AVFrame* decoded = clip.frames[i].get();
        const AVFrame* out = preprocessor.Process(clip.frames[i].get(), PtsUs(clip, decoded));
        const bool drawn = i < 10;  // frame 10 still gets its drawing written back
        EXPECT_EQ(qtest::MeanLuma(out, 18, 10, 12, 12) > 225.0, drawn) << "frame " << i + 1;
        if (!drawn) {
            EXPECT_TRUE(qtest::SamePicture(out, decoded));
        }
    }
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen.back(), 10);
    EXPECT_FALSE(preprocessor.CustomHook().Active());
    EXPECT_EQ(preprocessor.FrameNumber(), 25) << "pictures are still counted";
}

TEST(PicturePreprocessing, WithoutHooksOrDeinterlacingThePictureIsPassedOn)
{
    const qtest::DecodedClip& clip = GreyClip();
    ASSERT_FALSE(clip.frames.empty());
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    for (const AVFramePtr& frame : clip.frames)
        EXPECT_EQ(preprocessor.Process(frame.get(), 0), frame.get());
    EXPECT_EQ(preprocessor.FrameNumber(), static_cast<int>(clip.frames.size()));
}

// Largest luma step between neighbouring rows, over the middle of a picture.
int LargestRowStep(const AVFrame* frame)
{
    int largest = 0;
    for (int y = 4; y < frame->height - 5; ++y)
        for (int x = 0; x < frame->width; ++x)
            largest = std::max(largest, std::abs(qtest::LumaAt(frame, x, y) - qtest::LumaAt(frame, x, y + 1)));
    return largest;
}

TEST(PicturePreprocessing, DeinterlacingSmoothsCombingAndKeepsSizeAndCount)
{
    qtest::ScratchDir dir;
    // alternate lines dark and bright, as two fields of a moving scene would be
    const qtest::DecodedClip clip = qtest::DecodeVideo(qtest::MakeLosslessClip(
        dir.file("combed.mkv"), "color=c=black:s=64x48:r=25:d=0.4", "geq=lum='if(mod(Y,2),220,30)':cb=128:cr=128"));
    ASSERT_EQ(clip.frames.size(), 10u);
    ASSERT_GT(LargestRowStep(clip.frames.front().get()), 150);

    LogCapture log;
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    preprocessor.SetDeinterlace(true);
    int produced = 0;
    for (const AVFramePtr& frame : clip.frames) {
        const AVFrame* out = preprocessor.Process(frame.get(), PtsUs(clip, frame.get()));
        ASSERT_NE(out, frame.get());
        ++produced;
        EXPECT_EQ(out->width, 64);
        EXPECT_EQ(out->height, 48);
        EXPECT_EQ(out->format, frame->format);
        EXPECT_EQ(out->pts, frame->pts);
        EXPECT_LT(LargestRowStep(out), 60);
        EXPECT_GT(LargestRowStep(frame.get()), 150) << "the decoded picture stays as it was";
    }
    EXPECT_EQ(produced, 10);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(PicturePreprocessing, DeinterlacingGoesBeforeTheCustomHook)
{
    qtest::ScratchDir dir;
    const qtest::DecodedClip clip = qtest::DecodeVideo(qtest::MakeLosslessClip(
        dir.file("combed.mkv"), "color=c=black:s=64x48:r=25:d=0.2", "geq=lum='if(mod(Y,2),220,30)':cb=128:cr=128"));
    ASSERT_EQ(clip.frames.size(), 5u);
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    preprocessor.SetDeinterlace(true);
    int largestStepSeen = 0;
    int calls = 0;
    preprocessor.CustomHook().SetHandler([&](Bitmap24& bitmap, bool& update, bool&, int64_t, int) {
        ++calls;
        update = false;
        for (int y = 4; y < bitmap.Height() - 5; ++y)
            largestStepSeen = std::max(largestStepSeen, std::abs(bitmap.Row(y)[30] - bitmap.Row(y + 1)[30]));
    });
    for (const AVFramePtr& frame : clip.frames)
        preprocessor.Process(frame.get(), 0);
    EXPECT_EQ(calls, 5);
    EXPECT_LT(largestStepSeen, 70) << "the hook sees the deinterlaced picture";
}

}  // namespace

namespace {

// A picture no scaler can read (a hardware surface without its device).
AVFramePtr UnreadablePicture()
{
    AVFramePtr picture{av_frame_alloc()};
    picture->format = AV_PIX_FMT_VDPAU;
    picture->width = 64;
    picture->height = 48;
    return picture;
}

TEST(PicturePreprocessing, APictureTheDeinterlacerCannotTakeIsUsedAsDecoded)
{
    AVFramePtr rgb{av_frame_alloc()};
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = 64;
    rgb->height = 48;
    ASSERT_GE(av_frame_get_buffer(rgb.get(), 0), 0);
    for (int y = 0; y < 48; ++y)
        memset(rgb->data[0] + y * rgb->linesize[0], y % 2 ? 220 : 30, 64 * 3);

    for (bool withHook : {false, true}) {
        SCOPED_TRACE(withHook ? "with a custom hook" : "without hooks");
        LogCapture log;
        VideoHookModules videoHooks;
        PicturePreprocessor preprocessor(videoHooks);
        preprocessor.SetDeinterlace(true);
        if (withHook)
            preprocessor.CustomHook().SetHandler([](Bitmap24&, bool& update, bool&, int64_t, int) { update = false; });
        for (int picture = 0; picture < 2; ++picture) {
            const AVFrame* out = preprocessor.Process(rgb.get(), 0);
            EXPECT_EQ(out == rgb.get(), !withHook) << "hooks still get their own copy";
            EXPECT_TRUE(qtest::SamePicture(out, rgb.get())) << "the picture is not converted behind the user's back";
        }
        EXPECT_EQ(log.Lines(), (std::vector<std::string>(2, "Deinterlacing failed.")));
    }
}

TEST(CustomHook, APictureThatCannotBeConvertedStopsTheHookWithItsReason)
{
    LogCapture log;
    int calls = 0;
    CustomFrameHook hook;
    hook.SetHandler([&](Bitmap24&, bool&, bool&, int64_t, int) { ++calls; });
    AVFramePtr picture = UnreadablePicture();
    EXPECT_FALSE(hook.Run(picture.get(), 0, 1));
    EXPECT_FALSE(hook.Active());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Cannot initialize the toRGB conversion context"}));
}

TEST(PicturePreprocessing, WithoutAWorkPictureTheDecodedPictureIsPassedOn)
{
    LogCapture log;
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    preprocessor.CustomHook().SetHandler([&](Bitmap24&, bool&, bool&, int64_t, int) {});
    AVFramePtr picture = UnreadablePicture();
    EXPECT_EQ(preprocessor.Process(picture.get(), 0), picture.get());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"hook buf malloc error."}));
    EXPECT_EQ(preprocessor.FrameNumber(), 1);
}

}  // namespace
