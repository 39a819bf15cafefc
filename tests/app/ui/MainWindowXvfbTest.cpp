#include "MainWindowFixture.h"
#include "app/ui/VideoSurface.h"

#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QToolButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

TEST(MainWindowOnX, ShowsExposedWithANativeBlackVideoSurface) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size(), QSize(851, 588));

    auto* surface = form.findChild<VideoSurface*>(QStringLiteral("Panel2"));
    ASSERT_NE(surface, nullptr);
    EXPECT_NE(surface->winId(), 0u);
    EXPECT_TRUE(surface->windowHandle() != nullptr);
    QTest::qWait(100);
    const QImage onScreen = form.screen()->grabWindow(surface->winId()).toImage();
    ASSERT_EQ(onScreen.size(), QSize(313, 190));
    EXPECT_EQ(onScreen.pixelColor(156, 95), QColor(Qt::black));

    // the toolbar is really drawn: its pictures make the screen non-uniform there
    const QImage toolbar = form.screen()->grabWindow(form.winId(), 0, 0, 851, 100).toImage();
    QSet<QRgb> colours;
    for (int x = 0; x < toolbar.width(); x += 3) colours.insert(toolbar.pixel(x, 50));
    EXPECT_GT(colours.size(), 10);
}

TEST(MainWindowOnX, MouseOverAToolbarButtonPutsItsTextIntoTheStatusBar) {
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* status = form.findChild<QStatusBar*>(QStringLiteral("suiStatusBar1"));
    ASSERT_NE(status, nullptr);
    for (const auto& [name, text] : std::vector<std::pair<const char*, QString>>{
             {"ToolButton1", "添加要转换的视频音频文件"}, {"ToolButton3", "开始转换视频"}, {"ToolButton11", "软件帮助"}}) {
        auto* button = form.findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr);
        QCursor::setPos(button->mapToGlobal(button->rect().center()));
        const QString& expected = text;  // a lambda cannot capture a structured binding in every compiler
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->currentMessage() == expected; }, 2000)) << name;
    }
    // moving off the toolbar keeps the last text
    QCursor::setPos(form.mapToGlobal(QPoint(400, 300)));
    QTest::qWait(100);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("软件帮助"));
}

}  // namespace

int main(int argc, char** argv) {
    // a real X server is the point of this test; the test environment pins offscreen
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
