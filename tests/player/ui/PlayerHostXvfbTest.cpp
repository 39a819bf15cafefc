// The player draws inside the native window of a Qt widget of its host.
#include "media/QueueMainThread.h"
#include "player/TFFPlayer.h"
#include "support/TestMedia.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

namespace {

// A surface SDL draws into: Qt must not paint over it, and every paint asks
// the player for its last picture again.
class VideoSurface : public QWidget {
public:
    explicit VideoSurface(TCustomPlayer& player) : player_(player)
    {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override { player_.Repaint(); }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        player_.ScreenResized(width(), height());
    }

private:
    TCustomPlayer& player_;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb MeanColour(const QImage& image, int x, int y, int size)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int row = y; row < y + size; ++row)
        for (int col = x; col < x + size; ++col, ++n) {
            const QRgb p = image.pixel(col, row);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    return {int(r / n), int(g / n), int(b / n)};
}

}  // namespace

TEST(PlayerHost, ThePictureIsDrawnInsideTheWidgetLetterboxed)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    qputenv("QT_QPA_PLATFORM", "xcb");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    int argc = 1;
    char name[] = "PlayerHostXvfbTest";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QueueMainThread mainThread;
    SetMainThread(&mainThread);

    qtest::ScratchDir scratch;
    const std::string clip = scratch.file("blue.mp4");
    ASSERT_TRUE(qtest::MakeMedia(clip, "-f lavfi -i color=c=blue:size=320x240:rate=25:duration=2 "
                                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    {
        TFFPlayer player;
        ASSERT_TRUE(player.LoadAVLib("LibAV"));
        std::atomic<bool> paused{false};
        player.TriggerEventInMainThread = false;
        player.OnState = [&](TCustomPlayer*, TPlayState state) {
            if (state == psPause)
                paused = true;
        };
        QWidget window;
        window.setWindowTitle("player host");
        window.resize(640, 360);
        VideoSurface surface(player);
        surface.setParent(&window);
        surface.setGeometry(0, 0, 640, 360);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

        ASSERT_TRUE(player.Open(clip, static_cast<TWindowHandle>(surface.winId()), true)) << player.LastErrMsg();
        EXPECT_EQ(player.ScreenWidth, 640);
        EXPECT_EQ(player.ScreenHeight, 360);
        QElapsedTimer timer;
        timer.start();
        while (!paused && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            mainThread.processPending();
        }
        ASSERT_TRUE(paused);
        QImage shot;
        Rgb centre;
        (void)QTest::qWaitFor(  // the checks below say what was missing
            [&] {
                shot = QGuiApplication::primaryScreen()->grabWindow(surface.winId()).toImage();
                centre = MeanColour(shot, 300, 160, 40);
                return centre.b > 200;
            },
            5000);
        ASSERT_EQ(shot.width(), 640);
        ASSERT_EQ(shot.height(), 360);
        // 4:3 in 16:9: a 480-wide picture centred, black bars of 80 either side
        EXPECT_GT(centre.b, 200);
        EXPECT_LT(centre.r, 50);
        for (int x : {10, 600}) {
            const Rgb bar = MeanColour(shot, x, 160, 30);
            EXPECT_LT(bar.r + bar.g + bar.b, 40) << "bar at x=" << x;
        }
        const Rgb edge = MeanColour(shot, 90, 160, 20);
        EXPECT_GT(edge.b, 200) << "the picture starts right after the bar";

        // the host narrows the surface to 4:3: the picture now fills it
        window.resize(480, 360);
        surface.setGeometry(0, 0, 480, 360);
        Rgb left;
        (void)QTest::qWaitFor(  // the checks below say what was missing
            [&] {
                shot = QGuiApplication::primaryScreen()->grabWindow(surface.winId()).toImage();
                if (shot.width() != 480)
                    return false;
                left = MeanColour(shot, 5, 160, 20);
                return left.b > 200;
            },
            5000);
        EXPECT_EQ(player.ScreenWidth, 480);
        EXPECT_EQ(shot.width(), 480);
        EXPECT_GT(left.b, 200) << "no bars left after the resize";
        player.Close(true);
    }
    SetMainThread(nullptr);
}
