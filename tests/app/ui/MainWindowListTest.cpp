// The conversion list of the real main window (offscreen): what the view's
// selection allows, adds into folders that cannot be written.
#include "../ListWindowFixture.h"
#include "MainWindowFixture.h"
#include "MessageBoxCatcher.h"
#include "app/ui/ConversionListView.h"
#include "app/ui/QtDialogs.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/QtTranslations.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

class MainWindowList : public testing::Test {
protected:
    MainWindowList() : install(mainThread) {}
    // The window with its output folder set to `folder` before it starts.
    TForm1& Start(const std::string& folder = {})
    {
        if (!folder.empty())
            fixture.settings.Write(SettingsKeys::kOutPathSection, SettingsKeys::kOutPathKey, folder);
        TForm1& form = fixture.Form();
        chooser = std::make_unique<DefaultsChooser>(form.Controller().Session());
        form.Controller().SetFormatChooser(chooser.get());
        form.resize(851, 588);
        form.show();
        return form;
    }
    QTreeWidget* List() { return fixture.Form().ConversionListWidget(); }
    QToolButton* Tool(const char* name) { return fixture.Form().findChild<QToolButton*>(QString::fromLatin1(name)); }
    QAction* AddItem(const char* name) { return fixture.Form().findChild<QAction*>(QString::fromLatin1(name)); }
    std::vector<std::string> Clips(int count)
    {
        const std::string clip = qtest::MakeMp4Clip(fixture.scratch.path(), 1.0);
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            files.push_back(fixture.scratch.file("clip" + std::to_string(i) + ".mp4"));
            fs::copy_file(clip, files.back(), fs::copy_options::overwrite_existing);
        }
        return files;
    }
    // 添加多个视频文件 with three copies of a clip
    void AddThreeFiles()
    {
        const std::vector<std::string> files = Clips(3);
        catcher.fileAnswers.push_back(
            {QString::fromStdString(files[0]), QString::fromStdString(files[1]), QString::fromStdString(files[2])});
        AddItem("N2")->trigger();
    }
    void ClickRow(int row) { apptest::ClickRow(List(), row); }
    void ClickEmptyPart() { apptest::ClickEmptyPart(List()); }

    QtMainThread mainThread;
    MainThreadInstall install;
    MainWindowFixture fixture;
    std::unique_ptr<DefaultsChooser> chooser;
    MessageBoxCatcher catcher;
};

TEST_F(MainWindowList, RemovalFollowsTheViewsSelection)
{
    TForm1& form = Start();
    AddThreeFiles();
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    QToolButton* remove = Tool("ToolButton12");
    ASSERT_TRUE(remove);

    ClickRow(0);
    ASSERT_TRUE(List()->topLevelItem(0)->isSelected());
    ClickEmptyPart();
    ASSERT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(form.Controller().List().Selected(), -1);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].text, "请先选择您需要删除的项目！");
    EXPECT_EQ(List()->topLevelItemCount(), 3);

    // the row the view highlights is the one that goes
    ClickRow(1);
    const QString chosen = List()->topLevelItem(1)->toolTip(1);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(catcher.boxes.size(), 1u);
    for (int row = 0; row < 2; ++row)
        EXPECT_NE(List()->topLevelItem(row)->toolTip(1), chosen);
}

TEST_F(MainWindowList, DeleteRemovesTheSelectedRowAndAsksWhenNoneIs)
{
    TForm1& form = Start();
    AddThreeFiles();
    ASSERT_EQ(List()->topLevelItemCount(), 3);

    ClickRow(1);
    const QString chosen = List()->topLevelItem(1)->toolTip(1);
    QTest::keyClick(List(), Qt::Key_Delete);
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_NE(List()->topLevelItem(row)->toolTip(1), chosen);
    EXPECT_EQ(form.Controller().List().Rows().size(), 2u);
    EXPECT_TRUE(catcher.boxes.empty());

    // the removal leaves nothing selected: a second Delete only asks for a row
    ASSERT_TRUE(List()->selectedItems().isEmpty());
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].text, "请先选择您需要删除的项目！");
}

// Each file dialog, and the folder dialog, starts in the folder the last one ended in.
TEST_F(MainWindowList, FileDialogsStartInTheFolderUsedLast)
{
    Start();
    const std::vector<std::string> files = Clips(2);
    const std::string first = fixture.scratch.file("first");
    const std::string second = fixture.scratch.file("second");
    for (const std::string& folder : {first, second})
        fs::create_directories(folder);
    fs::copy_file(files[0], first + "/a.mp4");
    fs::copy_file(files[1], second + "/b.mp4");

    catcher.fileAnswers.push_back({QString::fromStdString(first + "/a.mp4")});
    AddItem("MenuItem15")->trigger();
    catcher.fileAnswers.push_back({QString::fromStdString(second + "/b.mp4")});
    AddItem("N2")->trigger();
    AddItem("MenuItem15")->trigger();  // cancelled
    AddItem("AddFolder1")->trigger();  // cancelled
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    ASSERT_EQ(catcher.dialogFolders.size(), 4u);
    EXPECT_EQ(catcher.dialogFolders[1], first);
    EXPECT_EQ(catcher.dialogFolders[2], second);
    EXPECT_EQ(catcher.dialogFolders[3], second);
}

// Without a desktop session on X (here: the offscreen platform, even with a
// desktop named) the dialogs are Qt's own, which the translations reach.
TEST_F(MainWindowList, QtsDialogsWhereThereIsNoDesktop)
{
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    TForm1& form = Start();
    EXPECT_FALSE(UseNativeDialogs());
    for (const char* name : {"OpenDialog1", "OpenDialog2"}) {
        auto* dialog = form.findChild<QFileDialog*>(QString::fromLatin1(name));
        ASSERT_TRUE(dialog) << name;
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog)) << name;
    }
    qunsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(MainWindowList, AddsIntoAFolderThatCannotBeWrittenSayWhichAndWhy)
{
    const std::string blocker = fixture.scratch.file("plain-file");
    WriteText(blocker, "not a folder");
    const std::string folder = blocker + "/out";
    Start(folder);
    const std::vector<std::string> files = Clips(2);
    const struct {
        const char* item;
        QStringList answer;
    } cases[] = {
        {"MenuItem15", {QString::fromStdString(files[0])}},
        {"N2", {QString::fromStdString(files[0]), QString::fromStdString(files[1])}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        catcher.boxes.clear();
        catcher.fileAnswers.push_back(c.answer);
        AddItem(c.item)->trigger();
        ASSERT_EQ(catcher.boxes.size(), 1u);
        const std::string& text = catcher.boxes[0].text;
        EXPECT_NE(text.find("无法写入输出文件夹：" + folder), std::string::npos) << text;
        EXPECT_NE(text.find("原因：路径中有一部分是文件，不是文件夹"), std::string::npos) << text;
        EXPECT_EQ(List()->topLevelItemCount(), 0);
        EXPECT_TRUE(fs::is_regular_file(blocker));
    }
}

TEST_F(MainWindowList, WindowGrowsAndColumnsFit)
{
    TForm1& form = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const std::vector<std::string> files = Clips(1);
    catcher.fileAnswers.push_back({QString::fromStdString(files[0])});
    AddItem("MenuItem15")->trigger();
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    QTreeWidgetItem* row = List()->topLevelItem(0);
    EXPECT_EQ(row->text(1), QStringLiteral("clip0.mp4"));
    EXPECT_EQ(row->toolTip(1).toStdString(), files[0]);
    EXPECT_TRUE(row->text(ConversionListView::kSizeColumn).startsWith(QStringLiteral("约 ")));

    // every shown column ends inside the list, at the first size and maximised
    auto lastShownRight = [this] {
        int right = 0;
        for (int column = 0; column < List()->columnCount(); ++column)
            if (!List()->isColumnHidden(column))
                right = std::max(right, List()->header()->sectionViewportPosition(column) +
                                            List()->header()->sectionSize(column));
        return right;
    };
    const struct {
        QSize size;
        bool extraColumns;
    } cases[] = {{form.minimumSize(), false}, {{1280, 800}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size.width());
        form.resize(c.size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.size() == c.size; }, 2000));
        QCoreApplication::processEvents();
        EXPECT_FALSE(List()->isColumnHidden(6));
        EXPECT_EQ(List()->isColumnHidden(ConversionListView::kSpeedColumn), !c.extraColumns);
        EXPECT_LE(lastShownRight(), List()->viewport()->width());
        EXPECT_GE(List()->header()->sectionSize(1), 60);  // the file name keeps some room
        EXPECT_EQ(List()->parentWidget()->geometry().right(), form.width() - 19);
    }
    EXPECT_GT(List()->height(), 217 + 150);  // the list grew with the window
}

TEST_F(MainWindowList, MessageBoxButtonsReadChinese)
{
    ASSERT_TRUE(InstallQtChineseTranslations(*qApp));
    TForm1& form = Start();
    QtDialogs dialogs(&form);
    EXPECT_EQ(dialogs.MessageBox("您确实要终止目前的转换工作吗？", "提示信息", MessageIcon::Information,
                                 MessageButtons::OkCancel),
              MessageResult::Ok);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].buttons, (std::vector<std::string>{"确定", "取消"}));
    catcher.press = QStringLiteral("取消");
    EXPECT_EQ(dialogs.MessageBox("?", "提示", MessageIcon::Question, MessageButtons::OkCancel), MessageResult::Cancel);
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
