// The format chooser's widgets, clicks and its round trip through the option window.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "formats/ui/TForm7.h"
#include "formats/ui/TForm8.h"
#include "tests/formats/FakeFormatsDialogs.h"
#include "tests/formats/ui/FormatsUiSupport.h"

namespace {

const char* const kChooseType = "请选择一个要转换的类型,然后点击“下一步”按钮！";

struct ChooserWindowTest : ::testing::Test {
    static void SetUpTestSuite() { EnsureQtApplication(); }

    FormatSession session;
    FakeFormatsDialogs dialogs;
    FakeDurationProbe probe;
    TForm7 chooser{session};
    TForm8 options{session};

    void SetUp() override
    {
        session.OutputFolder = "/out";
        session.Settings.SourceFile = "/in/clip.avi";
        chooser.SetDialogs(&dialogs);
        chooser.SetOptionWindow(&options);
        options.SetDialogs(&dialogs);
        options.SetDurationProbe(&probe);
    }

    template <typename T> T* Find(QWidget& window, const char* name)
    {
        T* widget = window.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QListWidget* List(const char* name) { return Find<QListWidget>(chooser, name); }
    QTabWidget* Pages() { return Find<QTabWidget>(chooser, "suiPageControl1"); }

    void ClickRow(QListWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // a point below the last icon
    QPoint EmptySpot(QListWidget* list)
    {
        const QRect last = list->visualItemRect(list->item(list->count() - 1));
        return QPoint(list->viewport()->width() - 5, std::min(last.bottom() + 20, list->viewport()->height() - 3));
    }
    // A modal round that never ends is ended, so the test fails instead of hanging.
    bool GiveUpAfterTooManySteps(const StepRunner& runner)
    {
        if (runner.StepsRun() <= 2000)
            return false;
        options.reject();
        chooser.reject();
        return true;
    }
    int ChooseTypeMessages() const
    {
        int count = 0;
        for (const auto& [caption, text] : dialogs.messages)
            count += caption == "提示" && text == kChooseType;
        return count;
    }
};

}  // namespace

TEST_F(ChooserWindowTest, ControlsByName)
{
    EXPECT_EQ(chooser.windowTitle(), "选择转换格式");
    EXPECT_EQ(chooser.size(), QSize(834, 599));
    EXPECT_EQ(Find<QLabel>(chooser, "Label1")->text(), "请选择您要转换的影片格式：");
    EXPECT_EQ(Find<QPushButton>(chooser, "suiButton1")->text(), "下一步");
    EXPECT_EQ(Find<QPushButton>(chooser, "suiButton2")->text(), "取消");
    QTabWidget* pages = Pages();
    ASSERT_EQ(pages->count(), 4);
    const struct {
        const char* tab;
        const char* list;
        int count;
        const char* first;
    } expected[] = {{"手机3GP视频音频格式", "suiListView2", 28, "3GP手机视频格式"},
                    {"更多电脑常用视频格式", "suiListView1", 24, "电脑上使用的AVI/MPEG视频"},
                    {"更多音频格式", "suiListView3", 10, "MP3音频格式"},
                    {"新一代高清视频音频格式", "suiListView4", 15, "MP4 H.264 High 高清视频(手机/平板/电视)"}};
    for (int page = 0; page < 4; ++page) {
        EXPECT_EQ(pages->tabText(page), expected[page].tab);
        QListWidget* list = List(expected[page].list);
        ASSERT_EQ(list->count(), expected[page].count);
        EXPECT_EQ(pages->widget(page), list);
        EXPECT_EQ(list->item(0)->text(), expected[page].first);
        EXPECT_EQ(list->iconSize(), QSize(60, 60));
        for (int row = 0; row < list->count(); ++row) {
            const QIcon icon = list->item(row)->icon();
            ASSERT_FALSE(icon.isNull()) << expected[page].list << " " << row;
            EXPECT_EQ(icon.pixmap(60, 60).size(), QSize(60, 60));
        }
    }
    // created on the mobile page with its first entry chosen
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(List("suiListView2")->currentRow(), 0);
    EXPECT_TRUE(List("suiListView3")->selectedItems().isEmpty());
    EXPECT_TRUE(List("suiListView4")->selectedItems().isEmpty());
    EXPECT_EQ(session.FormatNumber, 100);
}

TEST_F(ChooserWindowTest, TabsAndClicksSetTheFormatNumber)
{
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    Pages()->setCurrentIndex(2);
    EXPECT_EQ(session.FormatNumber, 200);
    EXPECT_EQ(List("suiListView3")->selectedItems().size(), 1);

    const struct {
        int page;
        const char* list;
        int row;
        int number;
    } cases[] = {{0, "suiListView2", 7, 107}, {1, "suiListView1", 23, 24}, {2, "suiListView3", 9, 209}};
    for (const auto& c : cases) {
        Pages()->setCurrentIndex(c.page);
        ClickRow(List(c.list), c.row);
        EXPECT_EQ(session.FormatNumber, c.number);
    }
    EXPECT_EQ(ChooseTypeMessages(), 0);
    chooser.hide();
}

TEST_F(ChooserWindowTest, ClicksOnEmptySpaceShowThePromptAndOpenNothing)
{
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    QListWidget* list = List("suiListView2");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, EmptySpot(list));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(session.FormatNumber, 99);
    EXPECT_EQ(ChooseTypeMessages(), 1);

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, EmptySpot(list));
    EXPECT_GE(ChooseTypeMessages(), 2);
    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(chooser.isVisible());

    const int before = ChooseTypeMessages();
    QTest::mouseClick(Find<QPushButton>(chooser, "suiButton1"), Qt::LeftButton);
    EXPECT_EQ(ChooseTypeMessages(), before + 1);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_FALSE(options.isVisible());
    chooser.hide();
}

// 取消 in the option window brings the chooser back as it was; 取消 there
// tells the main window to add nothing.
TEST_F(ChooserWindowTest, CancelReturnsToTheSamePageAndEntry)
{
    int stage = 0;
    bool sawOptions = false;
    bool chooserBack = false;
    int closedSignals = 0;
    QObject::connect(&chooser, &TForm7::Closed, [&closedSignals] { ++closedSignals; });
    StepRunner runner([&] {
        if (runner.StepsRun() > 2000) {  // give up rather than hang
            options.reject();
            chooser.reject();
            return true;
        }
        switch (stage) {
        case 0:
            if (!chooser.isVisible())
                return false;
            ClickRow(List("suiListView2"), 7);
            QTest::mouseClick(Find<QPushButton>(chooser, "suiButton1"), Qt::LeftButton);
            stage = 1;
            return false;
        case 1:
            if (!options.isVisible())
                return false;
            sawOptions = !chooser.isVisible() && session.FormatNumber == 107 &&
                         Find<QComboBox>(options, "suiComboBox3")->currentText() == "352*288";
            QTest::mouseClick(Find<QPushButton>(options, "suiButton2"), Qt::LeftButton);
            stage = 2;
            return false;
        default:
            if (!chooser.isVisible())
                return false;
            chooserBack =
                Pages()->currentIndex() == 0 && List("suiListView2")->currentRow() == 7 && session.FormatNumber == 107;
            QTest::mouseClick(Find<QPushButton>(chooser, "suiButton2"), Qt::LeftButton);
            return true;
        }
    });
    chooser.RunModal();
    EXPECT_TRUE(sawOptions);
    EXPECT_TRUE(chooserBack);
    EXPECT_EQ(session.ChooserResult, "2");
    EXPECT_EQ(closedSignals, 1);
    EXPECT_FALSE(chooser.isVisible());
}

TEST_F(ChooserWindowTest, ConfirmClosesBothWindowsAndGoesOn)
{
    int stage = 0;
    StepRunner runner([&] {
        if (runner.StepsRun() > 2000) {
            options.reject();
            chooser.reject();
            return true;
        }
        if (stage == 0 && chooser.isVisible()) {
            Pages()->setCurrentIndex(1);  // PC video, first entry: format 1
            QTest::mouseClick(Find<QPushButton>(chooser, "suiButton1"), Qt::LeftButton);
            stage = 1;
        } else if (stage == 1 && options.isVisible()) {
            QTest::mouseClick(Find<QPushButton>(options, "suiButton1"), Qt::LeftButton);
            return true;
        }
        return false;
    });
    session.ChooserResult = "2";  // from an earlier cancel; showing sets "1"
    EXPECT_EQ(chooser.exec(), QDialog::Accepted);
    EXPECT_EQ(session.ChooserResult, "1");
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(session.FormatNumber, 1);
    EXPECT_EQ(session.Settings.VideoCodec, "mpeg4");
    EXPECT_EQ(session.Settings.OutputFile, "/out/clip.avi");
}

TEST_F(ChooserWindowTest, DoubleClickOnAnEntryActsAsNext)
{
    int stage = 0;
    int shownFormat = 0;
    StepRunner runner([&] {
        if (runner.StepsRun() > 2000) {
            options.reject();
            chooser.reject();
            return true;
        }
        if (stage == 0 && chooser.isVisible()) {
            Pages()->setCurrentIndex(1);
            QListWidget* list = List("suiListView1");
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
            stage = 1;
        } else if (stage == 1 && options.isVisible()) {
            shownFormat = session.FormatNumber;
            QTest::mouseClick(Find<QPushButton>(options, "suiButton2"), Qt::LeftButton);
            stage = 2;
        } else if (stage == 2 && chooser.isVisible()) {
            QTest::mouseClick(Find<QPushButton>(chooser, "suiButton2"), Qt::LeftButton);
            return true;
        }
        return false;
    });
    chooser.RunModal();
    EXPECT_EQ(shownFormat, 4);
    EXPECT_EQ(session.Settings.OutputExt, ".psp.mp4");
    EXPECT_EQ(session.ChooserResult, "2");
    EXPECT_EQ(ChooseTypeMessages(), 0);
}

// Enter presses 下一步 in the chooser and 确定 in the option window, with the
// focus on the list of formats; with no entry chosen it only asks for one.
TEST_F(ChooserWindowTest, EnterPressesNextAndThenConfirm)
{
    int stage = 0;
    int promptsWithoutEntry = 0;
    bool chooserStayed = false;
    StepRunner runner([&] {
        if (GiveUpAfterTooManySteps(runner))
            return true;
        if (stage == 0 && chooser.isVisible()) {
            QListWidget* list = List("suiListView2");
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, EmptySpot(list));
            const int before = ChooseTypeMessages();
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Return);
            promptsWithoutEntry = ChooseTypeMessages() - before;
            chooserStayed = chooser.isVisible() && !options.isVisible();
            Pages()->setCurrentIndex(1);  // PC video, first entry: format 1
            List("suiListView1")->setFocus();
            QTest::keyClick(List("suiListView1"), Qt::Key_Return);
            stage = 1;
        } else if (stage == 1 && options.isVisible()) {
            QWidget* focused = options.focusWidget();
            QTest::keyClick(focused ? focused : &options, Qt::Key_Enter, Qt::KeypadModifier);
            return true;
        }
        return false;
    });
    EXPECT_EQ(chooser.exec(), QDialog::Accepted);
    EXPECT_EQ(promptsWithoutEntry, 1);
    EXPECT_TRUE(chooserStayed);
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(session.FormatNumber, 1);
    EXPECT_EQ(session.Settings.VideoCodec, "mpeg4");
    EXPECT_EQ(session.Settings.OutputFile, "/out/clip.avi");
}

TEST_F(ChooserWindowTest, EscapeAndTheTitleBarCountAsCancel)
{
    for (bool byEscape : {true, false}) {
        StepRunner runner([&] {
            if (!chooser.isVisible())
                return false;
            if (byEscape)
                QTest::keyClick(&chooser, Qt::Key_Escape);
            else
                chooser.close();
            return true;
        });
        chooser.RunModal();
        EXPECT_EQ(session.ChooserResult, "2") << (byEscape ? "Escape" : "close");
        EXPECT_FALSE(options.isVisible());
    }
}
