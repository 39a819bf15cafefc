#include "engine/TaskPreview.h"
#include "engine/ui/PreviewWindow.h"
#include "engine/ui/TPreviewer.h"

#include "media/QueueMainThread.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/frame.h>
}

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class PreviewerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "PreviewerTest";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
};

// Left half red, right half blue.
Bitmap24 TwoColourBitmap(int width, int height)
{
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = bitmap.Row(y) + x * 3;  // blue, green, red
            pixel[0] = x < width / 2 ? 0 : 255;
            pixel[1] = 0;
            pixel[2] = x < width / 2 ? 255 : 0;
        }
    return bitmap;
}

TEST_F(PreviewerTest, ShowsThePictureInAStayOnTopToolWindowCaptionedWithItsTime)
{
    TPreviewer previewer;
    const Bitmap24 bitmap = TwoColourBitmap(80, 60);
    const int64_t oneHourTwoMinutes = (3600 + 120 + 3) * 1000000LL + 4000;
    ASSERT_TRUE(previewer.ShowFrame(bitmap, 7, oneHourTwoMinutes));
    PreviewWindow* window = previewer.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "01:02:03.004");
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(window->size(), QSize(80, 60));
    EXPECT_EQ(previewer.FrameNumber(), 7);
    EXPECT_EQ(previewer.PTS(), oneHourTwoMinutes);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 1);

    const QImage shown = window->grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 30), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(70, 30), QColor(0, 0, 255));

    ASSERT_TRUE(previewer.ShowFrame(TwoColourBitmap(40, 20), 8, AV_NOPTS_VALUE));
    EXPECT_EQ(previewer.Window(), window) << "one window for the whole run";
    EXPECT_EQ(window->windowTitle(), "N/A");
    EXPECT_EQ(window->size(), QSize(40, 20));
}

TEST_F(PreviewerTest, DraggingTheClientAreaMovesTheWindow)
{
    TPreviewer previewer;
    ASSERT_TRUE(previewer.ShowFrame(TwoColourBitmap(80, 60), 1, 0));
    PreviewWindow* window = previewer.Window();
    ASSERT_NE(window, nullptr);
    const QPoint start = window->pos();
    const QPoint pressAt(10, 10);
    const QPoint delta(25, 15);
    QMouseEvent press(QEvent::MouseButtonPress, pressAt, window->mapToGlobal(pressAt), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    QMouseEvent move(QEvent::MouseMove, pressAt + delta, window->mapToGlobal(pressAt) + delta, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, pressAt + delta, window->mapToGlobal(pressAt) + delta,
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &release);
    EXPECT_EQ(window->pos(), start + delta);
}

TEST_F(PreviewerTest, ClosingTheWindowClearsTheTaskFlagAndFreesThePreviewer)
{
    AVFrame* picture = av_frame_alloc();
    picture->width = 64;
    picture->height = 48;
    picture->format = AV_PIX_FMT_YUV420P;
    ASSERT_GE(av_frame_get_buffer(picture, 0), 0);
    for (int plane = 0; plane < 3; ++plane)
        memset(picture->data[plane], 128, static_cast<size_t>(picture->linesize[plane]) * (plane ? 24 : 48));

    TPreviewer* previewer = nullptr;
    TaskPreview preview;
    preview.SetFlags(kPreviewWindowFlag);
    preview.SetIntervalUs(0);
    preview.SetSinkFactory([&]() -> std::unique_ptr<IPreviewSink> {
        auto made = std::make_unique<TPreviewer>();
        previewer = made.get();
        return made;
    });
    int64_t now = 0;
    preview.SetClock([&now] { return now; });

    preview.Show(picture, 1, 0);
    ASSERT_NE(previewer, nullptr);
    QPointer<PreviewWindow> window = previewer->Window();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->windowTitle(), "00:00:00.000");

    window->close();  // the user's close request
    EXPECT_TRUE(previewer->Closed());
    EXPECT_EQ(preview.Flags() & kPreviewWindowFlag, kPreviewWindowFlag) << "noticed at the next picture";

    now += 40000;
    preview.Show(picture, 2, 40000);
    EXPECT_EQ(preview.Flags() & kPreviewWindowFlag, 0);
    EXPECT_FALSE(preview.HasWindow());
    EXPECT_TRUE(window.isNull()) << "the window is freed with its previewer";
    av_frame_free(&picture);
}

TEST_F(PreviewerTest, ATaskThreadDrawsThroughTheMainThread)
{
    QueueMainThread mainThread;
    TPreviewer previewer(mainThread);
    const Bitmap24 bitmap = TwoColourBitmap(32, 24);
    std::atomic<bool> done{false};
    std::atomic<bool> shown{false};
    std::thread task([&] {
        shown = previewer.ShowFrame(bitmap, 1, 1500000);
        done = true;
    });
    EXPECT_TRUE(mainThread.pumpUntil([&] { return done.load(); }, 10000));
    task.join();
    EXPECT_TRUE(shown);
    ASSERT_NE(previewer.Window(), nullptr);
    EXPECT_EQ(previewer.Window()->thread(), QApplication::instance()->thread());
    EXPECT_EQ(previewer.Window()->windowTitle(), "00:00:01.500");
}

}  // namespace
