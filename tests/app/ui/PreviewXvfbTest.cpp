#include "MainWindowFixture.h"
#include "app/MediaInfo.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/TForm9.h"
#include "app/ui/VideoSurface.h"
#include "app/ui/WindowsWiring.h"
#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

// Saves a picture of the whole screen for people to look at.
void SaveScreen(const char* path) { QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLatin1(path)); }

TEST(PreviewOnX, SelectedFileShowsItsFirstPictureAndItsInformation)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QtMainThread mainThread;
    SetMainThread(&mainThread);
    MainWindowFixture fixture;
    const std::string clip = fixture.scratch.path() + "/colours.mp4";
    ASSERT_TRUE(qtest::MakeMedia(
        clip, "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi "
              "-i sine=duration=3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
    {
        ProgramWindows windows(fixture.settings, fixture.shell);
        WindowsWiring wiring(windows, fixture.settings, fixture.shell);
        windows.ShowMain();
        TForm1& form = windows.Main();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        wiring.Panel().SelectRow(clip, false);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return wiring.Panel().PlayerDuration() > 0 && wiring.Player().Paused(); }, 5000));
        VideoSurface* surface = form.PlayerSurface();
        // the test picture's colours fill the surface instead of black, once it is drawn
        QSet<QRgb> colours;
        (void)QTest::qWaitFor(  // the checks below say what was missing
            [&] {
                const QImage shot = form.screen()->grabWindow(surface->winId()).toImage();
                colours.clear();
                for (int x = 0; x < shot.width(); x += 4)
                    colours.insert(shot.pixel(x, shot.height() / 3) & 0xF0F0F0);
                return colours.size() > 4;
            },
            5000);
        EXPECT_GT(colours.size(), 4);
        SaveScreen("/tmp/quorvex-preview.png");

        ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
        TAVProbe probe;
        TForm9& info = windows.MediaInformation();
        info.SetInformation(GatherMediaInfo(probe, clip));
        info.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
        EXPECT_EQ(info.ValueLabel(QStringLiteral("视频分辨率："))->text(), "320*240");
        EXPECT_EQ(info.ValueLabel(QStringLiteral("视频帧率："))->text(), "25.00");
        EXPECT_EQ(info.ValueLabel(QStringLiteral("音频声道："))->text(), "单声道");
        info.repaint();  // drawn now, before the picture is taken
        SaveScreen("/tmp/quorvex-info.png");
        info.hide();
    }
    SetMainThread(nullptr);
}

// Share of the surface's pixels that are not black.
double LitShare(const QImage& shot)
{
    long lit = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) {
            const QRgb p = shot.pixel(x, y);
            lit += qRed(p) > 40 || qGreen(p) > 40 || qBlue(p) > 40;
        }
    return double(lit) / (((shot.width() + 1) / 2) * ((shot.height() + 1) / 2));
}

// A file without pictures does not leave the picture of the file before it
// on the surface: neither when it plays (its waveform) nor when it cannot be
// opened for want of a sound device.
TEST(PreviewOnX, AnAudioOnlyFileAfterAVideoLeavesTheSurfaceBlack)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QtMainThread mainThread;
    SetMainThread(&mainThread);
    MainWindowFixture fixture;
    const std::string clip = fixture.scratch.path() + "/blue.mp4";
    const std::string tone = fixture.scratch.path() + "/tone.wav";
    ASSERT_TRUE(qtest::MakeMedia(clip, "-f lavfi -i color=c=blue:size=320x240:rate=25:duration=3 -c:v libx264 "
                                       "-preset ultrafast -pix_fmt yuv420p"));
    ASSERT_TRUE(qtest::MakeMedia(tone, "-f lavfi -i sine=frequency=440:duration=2 -ac 1"));
    {
        ProgramWindows windows(fixture.settings, fixture.shell);
        WindowsWiring wiring(windows, fixture.settings, fixture.shell);
        windows.ShowMain();
        TForm1& form = windows.Main();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        VideoSurface* surface = form.PlayerSurface();
        auto shot = [&] { return form.screen()->grabWindow(surface->winId()).toImage(); };
        const struct {
            const char* audioDriver;
            bool opens;
        } cases[] = {{"dummy", true}, {"no-such-driver", false}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.audioDriver);
            setenv("SDL_AUDIODRIVER", c.audioDriver, 1);
            wiring.Panel().SelectRow(clip, false);
            ASSERT_TRUE(QTest::qWaitFor([&] { return LitShare(shot()) > 0.5; }, 5000)) << "the video's picture shows";

            wiring.Panel().SelectRow(tone, false);
            EXPECT_EQ(wiring.Player().Player().Engine() != nullptr, c.opens);
            EXPECT_TRUE(QTest::qWaitFor([&] { return LitShare(shot()) < 0.01; }, 3000)) << LitShare(shot());
        }
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    SetMainThread(nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
