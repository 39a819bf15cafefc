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
void SaveScreen(const char* path) {
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLatin1(path));
}

TEST(PreviewOnX, SelectedFileShowsItsFirstPictureAndItsInformation) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QtMainThread mainThread;
    SetMainThread(&mainThread);
    MainWindowFixture fixture;
    const std::string clip = fixture.scratch.path() + "/colours.mp4";
    ASSERT_TRUE(qtest::MakeMedia(clip, "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi "
                                       "-i sine=duration=3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
    {
        ProgramWindows windows(fixture.settings, fixture.shell);
        WindowsWiring wiring(windows, fixture.settings, fixture.shell);
        windows.ShowMain();
        TForm1& form = windows.Main();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        wiring.Panel().SelectRow(clip, false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return wiring.Panel().PlayerDuration() > 0 && wiring.Player().Paused(); }, 5000));
        QTest::qWait(300);
        VideoSurface* surface = form.PlayerSurface();
        const QImage shot = form.screen()->grabWindow(surface->winId()).toImage();
        // the test picture's colours fill the surface instead of black
        QSet<QRgb> colours;
        for (int x = 0; x < shot.width(); x += 4) colours.insert(shot.pixel(x, shot.height() / 3) & 0xF0F0F0);
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
        QTest::qWait(200);
        SaveScreen("/tmp/quorvex-info.png");
        info.hide();
    }
    SetMainThread(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
