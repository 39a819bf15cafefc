#include "../ListWindowFixture.h"
#include "MainWindowFixture.h"
#include "app/ui/ConversionListView.h"
#include "app/ui/ProgressCellDelegate.h"
#include "app/ui/QtMainThread.h"

#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

TEST(ConversionListOnX, DroppedFilesConvertToTheEndWithFinishedRowsAtFullBars)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QtMainThread mainThread;
    MainThreadInstall install(mainThread);
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    DefaultsChooser chooser(form.Controller().Session());
    chooser.formatNumber = 1;
    form.Controller().SetFormatChooser(&chooser);
    form.Controller().Converter().SetProgressInterval(100);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // two clips that take a moment each, so the list can be seen mid-run
    const std::string clip = fixture.scratch.file("first.mp4");
    ASSERT_TRUE(qtest::MakeMedia(clip, "-f lavfi -i testsrc2=s=1280x720:r=50:d=2 -f lavfi -i sine=d=2 "
                                       "-c:v libx264 -preset ultrafast -c:a aac -shortest"));
    const std::string second = fixture.scratch.file("second.mp4");
    fs::copy_file(clip, second);

    QTreeWidget* list = form.ConversionListWidget();
    ASSERT_EQ(list->objectName(), QStringLiteral("AdvListView1"));
    DropFiles(list, {clip, second});
    ASSERT_EQ(list->topLevelItemCount(), 2);
    // added from the last dropped; the name shows, the tooltip holds the path
    EXPECT_EQ(list->topLevelItem(0)->text(1).toStdString(), "second.mp4");
    EXPECT_EQ(list->topLevelItem(0)->toolTip(1).toStdString(), second);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("AVI"));
    EXPECT_EQ(list->topLevelItem(1)->text(6), QStringLiteral("准备"));
    EXPECT_EQ(chooser.shown, 1);

    auto* start = form.findChild<QToolButton*>(QStringLiteral("ToolButton3"));
    auto* stop = form.findChild<QToolButton*>(QStringLiteral("ToolButton4"));
    ASSERT_TRUE(start && stop);
    ASSERT_TRUE(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());

    bool grabbed = false;
    auto allFinished = [&] {
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = list->topLevelItem(row);
            if (!grabbed && item->text(6) == QStringLiteral("转换中...") &&
                item->data(ConversionListView::kProgressColumn, ProgressCellDelegate::kPercentRole).toInt() > 0) {
                list->viewport()->repaint();  // the bar drawn now, before the picture is taken
                grabbed = form.screen()->grabWindow(form.winId()).save(QStringLiteral("/tmp/quorvex-list-midrun.png"));
            }
        }
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (list->topLevelItem(row)->text(6) != QStringLiteral("完成"))
                return false;
        return start->isEnabled();
    };
    ASSERT_TRUE(QTest::qWaitFor(allFinished, 120000));

    EXPECT_TRUE(grabbed);
    for (int row = 0; row < 2; ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        EXPECT_EQ(item->data(ConversionListView::kProgressColumn, ProgressCellDelegate::kPercentRole).toInt(), 100);
        EXPECT_TRUE(item->text(4).endsWith(QStringLiteral("   (秒)")));
        const std::string output =
            form.Controller().OutputFolder() + "/" + fs::path(item->toolTip(1).toStdString()).stem().string() + ".avi";
        EXPECT_EQ(qtest::ProbeStream(output, "v:0")["codec_name"], "mpeg4") << output;
    }
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_EQ(fixture.shell.opened, std::vector<std::string>{form.Controller().OutputFolder()});
}

}  // namespace

QUORVEX_XCB_TEST_MAIN()
