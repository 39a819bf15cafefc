// The preview window on a real X display: the picture a task hands over from
// its own thread is on screen where the window is.
#include "engine/ui/PreviewWindow.h"
#include "engine/ui/TPreviewer.h"
#include "media/QueueMainThread.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

// Top half green, bottom half magenta.
Bitmap24 TwoBands(int width, int height)
{
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = bitmap.Row(y) + x * 3;  // blue, green, red
            const bool top = y < height / 2;
            pixel[0] = top ? 0 : 255;
            pixel[1] = top ? 255 : 0;
            pixel[2] = top ? 0 : 255;
        }
    return bitmap;
}

TEST(PreviewerOnScreen, APictureFromATaskThreadIsOnScreenInTheWindow)
{
    if (!QApplication::instance())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    QueueMainThread mainThread;
    TPreviewer previewer(mainThread);
    const Bitmap24 bitmap = TwoBands(120, 80);
    std::atomic<bool> done{false};
    std::atomic<bool> shown{false};
    std::thread task([&] {
        shown = previewer.ShowFrame(bitmap, 3, 2250000);
        done = true;
    });
    EXPECT_TRUE(mainThread.pumpUntil(
        [&] {
            QApplication::processEvents();
            return done.load();
        },
        10000));
    task.join();
    ASSERT_TRUE(shown);
    PreviewWindow* window = previewer.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), "00:00:02.250");
    EXPECT_EQ(window->size(), QSize(120, 80));

    // the screen until the first paint has reached it
    const QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
    QImage screen;
    (void)QTest::qWaitFor(  // the checks below say what was missing
        [&] {
            screen = QGuiApplication::primaryScreen()
                         ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                         .toImage();
            return screen.size() == QSize(120, 80) && QColor(screen.pixel(60, 15)) == QColor(0, 255, 0) &&
                   QColor(screen.pixel(60, 65)) == QColor(255, 0, 255);
        },
        5000);
    ASSERT_EQ(screen.size(), QSize(120, 80));
    EXPECT_EQ(QColor(screen.pixel(60, 15)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(screen.pixel(60, 65)), QColor(255, 0, 255));

    window->close();
    EXPECT_FALSE(previewer.ShowFrame(bitmap, 4, 2290000)) << "a closed window takes no more pictures";
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("DISPLAY"))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
