// The real main window (offscreen) at a start with a kept conversion list:
// the rows are in the view and can be converted; an unreadable list file is
// reported in a message box.
#include "../ListWindowFixture.h"
#include "MainWindowFixture.h"
#include "MessageBoxCatcher.h"
#include "app/ListStore.h"
#include "app/ui/QtMainThread.h"

#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

class KeptList : public testing::Test {
protected:
    KeptList() : install(mainThread) {}
    std::string Column(int row, int column)
    {
        return fixture.Form().ConversionListWidget()->topLevelItem(row)->text(column).toStdString();
    }
    bool ToolEnabled(const char* name)
    {
        return fixture.Form().findChild<QToolButton*>(QString::fromLatin1(name))->isEnabled();
    }

    QtMainThread mainThread;
    MainThreadInstall install;
    MainWindowFixture fixture;
    MessageBoxCatcher catcher;
};

TEST_F(KeptList, TheKeptRowsAreInTheViewAtStart)
{
    const std::string source = qtest::MakeMp4Clip(fixture.scratch.path(), 1.0);
    const std::string done = fixture.scratch.file("done.avi");
    WriteText(done, "RIFF....AVI ");
    KeptRow finished;
    finished.Row.SourceFile = source;
    finished.Row.SourceExt = "MP4";
    finished.Row.TargetExt = "AVI";
    finished.Row.Status = kStatusFinished;
    finished.Row.Progress = 100;
    finished.Record.Output.FileName = done;
    KeptRow converting = finished;
    converting.Row.Status = kStatusConverting;
    converting.Row.Progress = 40;
    ASSERT_EQ(ListStore(fixture.paths.dataFolder).Write({finished, converting}), "");

    TForm1& form = fixture.Form();
    form.show();
    QTreeWidget* view = form.ConversionListWidget();
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(Column(0, 0), "1");
    EXPECT_EQ(Column(1, 0), "2");
    // the name shows, the whole path is the tooltip
    EXPECT_EQ(Column(0, 1), std::filesystem::path(source).filename().string());
    EXPECT_EQ(fixture.Form().ConversionListWidget()->topLevelItem(0)->toolTip(1).toStdString(), source);
    EXPECT_EQ(Column(1, 3), "AVI");
    EXPECT_EQ(Column(0, 6), kStatusFinished);
    EXPECT_EQ(Column(1, 6), kStatusReady);
    EXPECT_TRUE(catcher.boxes.empty());
    EXPECT_TRUE(ToolEnabled("ToolButton3"));  // 转换
    EXPECT_TRUE(ToolEnabled("ToolButton2"));  // 清空
}

TEST_F(KeptList, AnUnreadableListFileIsReportedInABox)
{
    fs::create_directories(fixture.paths.dataFolder);
    WriteText(fixture.paths.dataFolder + kListFileName, "{\"version\": 1, \"rows\": [");
    TForm1& form = fixture.Form();
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].title, "提示");
    EXPECT_EQ(catcher.boxes[0].text.rfind("转换列表文件已损坏，无法读取", 0), 0u) << catcher.boxes[0].text;
    EXPECT_NE(catcher.boxes[0].text.find(fixture.paths.dataFolder + kListFileName + ".damaged-"), std::string::npos);
    EXPECT_EQ(form.ConversionListWidget()->topLevelItemCount(), 0);
    EXPECT_FALSE(fs::exists(fixture.paths.dataFolder + kListFileName));
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
