// The update check on a real X server: a server that takes the connection
// and never answers leaves the program responding, and the check ends with
// its failure shown; 返回 ends a waiting check at once.
#include "../SilentServer.h"
#include "MainWindowFixture.h"
#include "app/CurlDownloader.h"
#include "app/ui/TForm6.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

TEST(UpdateCheckOnX, ServerThatNeverAnswersLeavesTheWindowResponding)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    SilentServer server;
    ASSERT_TRUE(server.Listening());
    MainWindowFixture fixture;
    TForm1& main = fixture.Form();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TForm6 update(&main, fixture.scratch.file("update.ini"));
    CurlDownloader downloader{3};
    update.SetServices(&downloader, &fixture.shell, server.Address());
    update.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&update));

    auto* open = main.findChild<QPushButton*>(QStringLiteral("suiButton11"));  // 打开
    ASSERT_TRUE(open);
    QElapsedTimer sinceCheck;
    qint64 handledAfterMs = -1;
    bool stillChecking = false;
    QObject::connect(open, &QPushButton::clicked, &main, [&] {
        handledAfterMs = sinceCheck.elapsed();
        stillChecking = update.Check().Current().checking;
    });
    QTest::mouseClick(update.CheckButton(), Qt::LeftButton);
    sinceCheck.start();
    EXPECT_FALSE(update.CheckButton()->isEnabled());
    QTimer::singleShot(200, &main, [&] { QTest::mouseClick(open, Qt::LeftButton); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return handledAfterMs >= 0; }, 10000));
    EXPECT_LT(handledAfterMs, 1000);
    EXPECT_TRUE(stillChecking);
    EXPECT_EQ(fixture.shell.opened, std::vector<std::string>{main.Controller().OutputFolder()});

    ASSERT_TRUE(QTest::qWaitFor([&] { return update.CheckButton()->isEnabled(); }, 15000));
    EXPECT_EQ(update.StatusLabel()->text().toStdString(), UpdateCheck::kTimedOut);
    EXPECT_EQ(update.Progress()->text(), QStringLiteral("检测失败"));
    EXPECT_FALSE(update.DownloadButton()->isEnabled());
}

TEST(UpdateCheckOnX, BackEndsAWaitingCheck)
{
    SilentServer server;
    ASSERT_TRUE(server.Listening());
    qtest::ScratchDir dir;
    TForm6 update(nullptr, dir.file("update.ini"));
    CurlDownloader downloader{600};
    FakeShell shell;
    update.SetServices(&downloader, &shell, server.Address());
    QElapsedTimer clock;
    QTimer::singleShot(0, &update, [&] {
        QTest::mouseClick(update.CheckButton(), Qt::LeftButton);
        clock.start();
        update.findChild<QPushButton*>(QStringLiteral("suiButton2"))->click();  // 返回
    });
    EXPECT_EQ(update.exec(), QDialog::Accepted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !update.Check().Current().checking; }, 10000));
    EXPECT_LT(clock.elapsed(), 5000);  // the ten-minute time-out was not waited for
    EXPECT_EQ(update.Check().Current().status, UpdateCheck::kCancelled);
}

}  // namespace

QUORVEX_XCB_TEST_MAIN()
