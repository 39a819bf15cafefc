#include "MainWindowFixture.h"
#include "app/ui/BuiltInSkins.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TForm4.h"
#include "app/ui/TForm9.h"
#include "formats/ui/TForm8.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

TEST(ProgramWindows, SevenWindowsInOrderOnlyTheMainOneShown)
{
    MainWindowFixture fixture;
    ProgramWindows windows(fixture.settings, fixture.shell);
    windows.ShowMain();

    const std::vector<std::pair<QString, QString>> expected{
        {"Form1", "Quorvex"},      {"Form4", "关于"},     {"Form5", "密码窗口"},    {"Form6", "网上升级"},
        {"Form7", "选择转换格式"}, {"Form8", "选项设置"}, {"Form9", "视频信息提示"}};
    const std::vector<QWidget*> order = windows.InCreationOrder();
    ASSERT_EQ(order.size(), expected.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i]->objectName(), expected[i].first);
        EXPECT_EQ(order[i]->windowTitle(), expected[i].second) << i;
        EXPECT_EQ(order[i]->isVisible(), i == 0) << expected[i].first.toStdString();
    }
    // the chooser and the option window share the main window's output folder
    EXPECT_EQ(windows.Main().Controller().Session().OutputFolder, fixture.paths.defaultOutputFolder);
}

TEST(ProgramWindows, EverySecondaryWindowTakesTheStoredSkinWhenShown)
{
    MainWindowFixture fixture;
    fixture.settings.Write("skin", "SetSkin", "skin1");
    ProgramWindows windows(fixture.settings, fixture.shell);
    EXPECT_EQ(windows.Main().styleSheet(), BuiltInStyleSheet("MacOS"));  // at its creation

    windows.Main().findChild<QAction*>(QStringLiteral("MenuItem6"))->trigger();  // 蓝色玻璃皮肤
    const QString chosen = BuiltInStyleSheet("BlueGlass");
    for (QWidget* window : windows.InCreationOrder()) {
        if (window == &windows.Main())
            continue;
        EXPECT_NE(window->styleSheet(), chosen) << window->objectName().toStdString();
        window->show();
        EXPECT_EQ(window->styleSheet(), chosen) << window->objectName().toStdString();
        window->hide();
    }
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
