#include "engine/TaskPreview.h"

#include "DecodedClipSupport.h"
#include "media/QueueMainThread.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Two seconds of 25 fps pictures, 64x48.
const qtest::DecodedClip& Clip()
{
    static qtest::ScratchDir dir;
    static const qtest::DecodedClip clip =
        qtest::DecodeVideo(qtest::MakeLosslessClip(dir.file("bars.mkv"), "testsrc=s=64x48:r=25:d=2"));
    return clip;
}

int64_t PtsUs(const AVFrame* frame) { return av_rescale_q(frame->pts, Clip().timeBase, AV_TIME_BASE_Q); }

struct Shown {
    int frameNumber;
    int64_t ptsUs;
};

// Drives the preview with every picture of the clip, the clock running at the
// pictures' own time (a run going at 25 frames per second).
void ShowClip(TaskPreview& preview)
{
    int64_t now = 0;
    preview.SetClock([&now] { return now; });
    int frameNumber = 0;
    for (const AVFramePtr& frame : Clip().frames) {
        now = PtsUs(frame.get());
        preview.Show(frame.get(), ++frameNumber, now);
    }
    preview.SetClock(nullptr);
}

// A preview window stand-in: records frames, reports "closed" after
// `closeAfter` frames, and counts its own destruction.
class FakeWindow : public IPreviewSink {
public:
    FakeWindow(std::vector<Shown>& shown, int closeAfter, std::atomic<int>& freed)
        : shown_(shown), closeAfter_(closeAfter), freed_(freed)
    {}
    ~FakeWindow() override { ++freed_; }
    bool ShowFrame(const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) override
    {
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 48);
        shown_.push_back({frameNumber, ptsUs});
        return static_cast<int>(shown_.size()) < closeAfter_;
    }

private:
    std::vector<Shown>& shown_;
    int closeAfter_;
    std::atomic<int>& freed_;
};

TEST(Preview, BitmapsArriveAtMostOncePerInterval)
{
    ASSERT_EQ(Clip().frames.size(), 50u);
    std::vector<Shown> shown;
    TaskPreview preview;
    preview.SetFlags(kPreviewBitmapFlag);
    preview.SetBitmapHandler([&](const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) {
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 48);
        shown.push_back({frameNumber, ptsUs});
    });
    ShowClip(preview);

    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().frameNumber, 1) << "the first picture is shown at once";
    for (size_t i = 1; i < shown.size(); ++i) {
        const int64_t gap = shown[i].ptsUs - shown[i - 1].ptsUs;
        EXPECT_GT(gap, kDefaultPreviewIntervalUs);
        EXPECT_LE(gap, kDefaultPreviewIntervalUs + 40000) << "no more than one picture late";
        EXPECT_EQ(shown[i].ptsUs, PtsUs(Clip().frames[shown[i].frameNumber - 1].get()));
    }
    EXPECT_EQ(shown.size(), 17u);  // every third picture of 50: 0.00 s, 0.12 s ... 1.92 s
    EXPECT_EQ(preview.Flags(), kPreviewBitmapFlag);
}

TEST(Preview, AClosedWindowClearsTheFlagAndIsFreed)
{
    std::vector<Shown> shown;
    std::atomic<int> freed{0};
    TaskPreview preview;
    preview.SetFlags(kPreviewWindowFlag);
    int created = 0;
    preview.SetSinkFactory([&]() -> std::unique_ptr<IPreviewSink> {
        ++created;
        return std::make_unique<FakeWindow>(shown, 3, freed);
    });
    ShowClip(preview);

    EXPECT_EQ(created, 1);
    EXPECT_EQ(shown.size(), 3u) << "nothing is drawn after the window was closed";
    EXPECT_EQ(freed.load(), 1);
    EXPECT_FALSE(preview.HasWindow());
    EXPECT_EQ(preview.Flags() & kPreviewWindowFlag, 0);
}

TEST(Preview, SwitchingTheWindowOffFreesItAndTheBitmapEventGoesFirst)
{
    std::vector<Shown> windowFrames;
    std::vector<Shown> bitmaps;
    std::atomic<int> freed{0};
    TaskPreview preview;
    preview.SetSinkFactory(
        [&]() -> std::unique_ptr<IPreviewSink> { return std::make_unique<FakeWindow>(windowFrames, 1000, freed); });
    preview.SetBitmapHandler([&](const Bitmap24&, int frameNumber, int64_t ptsUs) {
        bitmaps.push_back({frameNumber, ptsUs});
    });

    preview.SetFlags(kPreviewWindowFlag);
    ShowClip(preview);
    EXPECT_EQ(windowFrames.size(), 17u);
    EXPECT_TRUE(preview.HasWindow());

    preview.SetFlags(kPreviewWindowFlag | kPreviewBitmapFlag);
    preview.Reset();
    ShowClip(preview);
    EXPECT_EQ(bitmaps.size(), 17u);
    EXPECT_EQ(windowFrames.size(), 17u) << "with both flags the bitmap event is served";

    preview.SetFlags(0);
    preview.Show(Clip().frames.front().get(), 1, 0);
    EXPECT_FALSE(preview.HasWindow());
    EXPECT_EQ(freed.load(), 1);
}

TEST(Preview, WithoutAPreviewWindowMakerTheWindowFlagIsCleared)
{
    SetPreviewSinkFactory(nullptr);
    TaskPreview preview;
    preview.SetFlags(kPreviewWindowFlag | kPreviewBitmapFlag);
    preview.Show(Clip().frames.front().get(), 1, 0);  // no bitmap target: the window is tried
    EXPECT_EQ(preview.Flags(), kPreviewBitmapFlag);
}

TEST(Preview, APictureThatCannotBeConvertedClearsTheFlagThatWantedIt)
{
    AVFramePtr unreadable{av_frame_alloc()};
    unreadable->format = AV_PIX_FMT_VDPAU;  // a hardware surface without its device
    unreadable->width = 64;
    unreadable->height = 48;
    std::vector<Shown> shown;
    std::atomic<int> freed{0};
    struct Case {
        int flags;
        bool withBitmapTarget;
        int flagsAfter;
    };
    const Case cases[] = {
        {kPreviewBitmapFlag, true, 0},
        {kPreviewWindowFlag, false, 0},
        {kPreviewWindowFlag | kPreviewBitmapFlag, true, kPreviewWindowFlag},
    };
    for (const Case& c : cases) {
        TaskPreview preview;
        preview.SetFlags(c.flags);
        int bitmaps = 0;
        if (c.withBitmapTarget)
            preview.SetBitmapHandler([&](const Bitmap24&, int, int64_t) { ++bitmaps; });
        preview.SetSinkFactory(
            [&]() -> std::unique_ptr<IPreviewSink> { return std::make_unique<FakeWindow>(shown, 1000, freed); });
        preview.Show(unreadable.get(), 1, 0);
        EXPECT_EQ(preview.Flags(), c.flagsAfter) << "flags " << c.flags;
        EXPECT_EQ(bitmaps, 0);
        EXPECT_FALSE(preview.HasWindow());
    }
    EXPECT_TRUE(shown.empty());
}

// The window draws on the main thread while the task waits; the preview lock
// must be free then, or a main thread changing Preview would never return.
class MainThreadWindow : public IPreviewSink {
public:
    explicit MainThreadWindow(TaskPreview& preview, std::atomic<int>& lockBusy, std::atomic<int>& drawn)
        : preview_(preview), lockBusy_(lockBusy), drawn_(drawn)
    {}
    bool ShowFrame(const Bitmap24&, int, int64_t) override
    {
        MainThread().runAndWait([this] {
            ++drawn_;
            if (!PreviewLock().try_lock()) {
                ++lockBusy_;  // changing the flags now would wait for ever
                return;
            }
            PreviewLock().unlock();
            // the user switches the bitmap event on and off while the window draws
            preview_.SetFlags(kPreviewWindowFlag | (drawn_ % 2 ? kPreviewBitmapFlag : 0));
            preview_.SetFlags(kPreviewWindowFlag);
        });
        return true;
    }

private:
    TaskPreview& preview_;
    std::atomic<int>& lockBusy_;
    std::atomic<int>& drawn_;
};

TEST(Preview, TheLockIsNotHeldWhileTheMainThreadDraws)
{
    QueueMainThread mainThread;
    SetMainThread(&mainThread);
    std::atomic<int> lockBusy{0};
    std::atomic<int> drawn{0};
    std::atomic<bool> done{false};
    TaskPreview preview;
    preview.SetFlags(kPreviewWindowFlag);
    preview.SetIntervalUs(0);
    preview.SetSinkFactory([&]() -> std::unique_ptr<IPreviewSink> {
        return std::make_unique<MainThreadWindow>(preview, lockBusy, drawn);
    });
    std::thread task([&] {
        int frameNumber = 0;
        int64_t now = 0;
        preview.SetClock([&now] { return now; });
        for (const AVFramePtr& frame : Clip().frames) {
            now += 40000;
            preview.Show(frame.get(), ++frameNumber, now);
        }
        preview.Reset();
        done = true;
    });
    // the main thread keeps changing the flags between hand-overs as well
    const bool finished = mainThread.pumpUntil(
        [&] {
            if (PreviewLock().try_lock()) {
                PreviewLock().unlock();
                preview.SetFlags(kPreviewWindowFlag);
            }
            return done.load();
        },
        20000);
    task.join();
    SetMainThread(nullptr);
    EXPECT_TRUE(finished);
    EXPECT_EQ(drawn.load(), 50);
    EXPECT_EQ(lockBusy.load(), 0);
}

}  // namespace
