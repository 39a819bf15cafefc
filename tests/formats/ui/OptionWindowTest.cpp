// The option window's widgets: lists, filter boxes, the clip group with its
// key filter, 预览视频, 确定 and 取消.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "formats/ui/TForm8.h"
#include "tests/formats/FakeFormatsDialogs.h"
#include "tests/formats/ui/FormatsUiSupport.h"

namespace {

struct OptionWindowTest : ::testing::Test {
    static void SetUpTestSuite() { EnsureQtApplication(); }

    FormatSession session;
    FakeFormatsDialogs dialogs;
    FakeDurationProbe probe;
    TForm8 window{session};

    void SetUp() override
    {
        session.OutputFolder = "/out";
        session.Settings.SourceFile = "/in/clip.avi";
        window.SetDialogs(&dialogs);
        window.SetDurationProbe(&probe);
    }
    void TearDown() override { window.hide(); }

    void Show(int number)
    {
        window.hide();
        session.FormatNumber = number;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template <typename T> T* Find(const QString& name)
    {
        T* widget = window.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
    QLineEdit* Edit(int number) { return Find<QLineEdit>(QStringLiteral("suiEdit%1").arg(number)); }

    // what a user's pick does: the list's activation
    void Choose(const char* name, const QString& caption)
    {
        QComboBox* box = Combo(name);
        const int index = box->findText(caption);
        ASSERT_GE(index, 0) << caption.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // on the box's indicator, where a click toggles it whatever the font
    void ClickBox(const char* name)
    {
        QCheckBox* box = Find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    QStringList Items(const char* name)
    {
        QStringList items;
        QComboBox* box = Combo(name);
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
};

}  // namespace

TEST_F(OptionWindowTest, ControlsByNameAfterShow)
{
    Show(1);
    EXPECT_EQ(window.windowTitle(), "选项设置");
    EXPECT_EQ(window.size(), QSize(613, 647));
    EXPECT_EQ(Edit(1)->text(), "/in/clip.avi");
    EXPECT_TRUE(Edit(1)->isReadOnly());
    const struct {
        const char* name;
        int count;
        const char* selected;
    } lists[] = {{"suiComboBox1", 7, "Divx 5 视频压缩器"},
                 {"suiComboBox2", 8, "528 kbps(中等质量)"},
                 {"suiComboBox3", 16, "320*240"},
                 {"suiComboBox4", 12, "25.00"},
                 {"suiComboBox5", 4, "MP3音频编码器"},
                 {"suiComboBox6", 17, "128"},
                 {"suiComboBox7", 6, "44100"},
                 {"suiComboBox10", 2, "立体声"},
                 {"suiComboBox8", 2, "普通视频4:3模式"},
                 {"suiComboBox9", 28, "音量保持不变"}};
    for (const auto& l : lists) {
        QComboBox* box = Combo(l.name);
        EXPECT_EQ(box->count(), l.count) << l.name;
        EXPECT_EQ(box->currentText(), l.selected) << l.name;
        EXPECT_FALSE(box->isEditable()) << l.name;
        EXPECT_EQ(box->maxVisibleItems(), 30) << l.name;
        EXPECT_TRUE(box->isEnabled()) << l.name;
    }
    const struct {
        const char* name;
        const char* text;
    } boxes[] = {{"suiCheckBox1", "允许截取视频"},
                 {"suiCheckBox2", "视频图像水平翻转"},
                 {"suiCheckBox3", "视频图像垂直翻转"},
                 {"suiCheckBox4", "视频显示底片效果"}};
    for (const auto& b : boxes) {
        EXPECT_EQ(Find<QCheckBox>(b.name)->text(), b.text);
        EXPECT_FALSE(Find<QCheckBox>(b.name)->isChecked());
    }
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup1")->title(), "视频编码详细设置");
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup2")->title(), "音频编码详细设置");
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup3")->title(), "分割截取视频");
    EXPECT_EQ(Find<QPushButton>("suiButton1")->text(), "确定");
    EXPECT_EQ(Find<QPushButton>("suiButton2")->text(), "取消");
    EXPECT_EQ(Find<QPushButton>("suiButton3")->text(), "预览视频");
    for (int edit = 2; edit <= 7; ++edit)
        EXPECT_FALSE(Edit(edit)->isEnabled()) << edit;

    // the clip box enables the six time edits
    ClickBox("suiCheckBox1");
    for (int edit = 2; edit <= 7; ++edit)
        EXPECT_TRUE(Edit(edit)->isEnabled()) << edit;
}

TEST_F(OptionWindowTest, EncoderChoicesRefillTheLists)
{
    Show(100);
    EXPECT_EQ(Combo("suiComboBox3")->count(), 11);
    Choose("suiComboBox1", "H263高清视频压缩器");
    EXPECT_EQ(Items("suiComboBox3"), QStringList({"128*96", "176*144", "352*288", "704*576"}));
    EXPECT_EQ(Combo("suiComboBox3")->currentText(), "176*144");
    EXPECT_EQ(Combo("suiComboBox1")->currentText(), "H263高清视频压缩器");

    Choose("suiComboBox5", "AMR音频编码器");
    EXPECT_EQ(Combo("suiComboBox6")->currentText(), "7.4");
    EXPECT_EQ(Items("suiComboBox7"), QStringList({"8000"}));
    EXPECT_EQ(Items("suiComboBox10"), QStringList({"单声道"}));

    Show(1);
    Choose("suiComboBox1", "Mjpeg 视频压缩器");
    EXPECT_EQ(Combo("suiComboBox2")->count(), 15);
    EXPECT_EQ(Combo("suiComboBox2")->currentText(), "3000 kbps(高质量)");
}

TEST_F(OptionWindowTest, AudioFormatDisablesTheVideoControls)
{
    Show(200);
    for (const char* name : {"suiComboBox1", "suiComboBox2", "suiComboBox3", "suiComboBox4", "suiComboBox8"})
        EXPECT_FALSE(Combo(name)->isEnabled()) << name;
    for (const char* name : {"suiCheckBox2", "suiCheckBox3", "suiCheckBox4"})
        EXPECT_FALSE(Find<QCheckBox>(name)->isEnabled()) << name;
    EXPECT_EQ(Combo("suiComboBox1")->currentText(), "该格式无视频");
    EXPECT_TRUE(Combo("suiComboBox5")->isEnabled());

    Show(1);
    for (const char* name : {"suiComboBox1", "suiComboBox2", "suiComboBox3", "suiComboBox4", "suiComboBox8"})
        EXPECT_TRUE(Combo(name)->isEnabled()) << name;
}

TEST_F(OptionWindowTest, TimeEditsTakeDigitsOnly)
{
    Show(1);
    ClickBox("suiCheckBox1");
    QLineEdit* hours = Edit(5);
    hours->setFocus();
    hours->clear();
    dialogs.messages.clear();

    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* textAfter;
        bool message;
    } keys[] = {{Qt::Key_1, {}, "1", false},
                {Qt::Key_A, {}, "1", true},
                {Qt::Key_Minus, {}, "1", true},
                {Qt::Key_2, {}, "12", false},
                {Qt::Key_Backspace, {}, "1", false},
                {Qt::Key_Space, {}, "1", true},
                {Qt::Key_2, {}, "12", false},
                // shortcuts are no typing: select all, then a digit replaces the selection
                {Qt::Key_A, Qt::ControlModifier, "12", false},
                {Qt::Key_C, Qt::ControlModifier, "12", false},
                {Qt::Key_7, {}, "7", false}};
    for (const auto& k : keys) {
        const std::size_t before = dialogs.messages.size();
        QTest::keyClick(hours, k.key, k.modifiers);
        EXPECT_EQ(hours->text(), k.textAfter) << k.key;
        EXPECT_EQ(dialogs.messages.size(), before + (k.message ? 1 : 0)) << k.key;
        if (k.message) {
            EXPECT_EQ(dialogs.messages.back().first, "提示");
            EXPECT_EQ(dialogs.messages.back().second, "对不起，这里只能输入数字！");
        }
    }
}

// Enter presses 确定 from any control: from a time edit, where it types
// nothing, and from a list.
TEST_F(OptionWindowTest, EnterPressesConfirmWhereverTheFocusIs)
{
    probe.durationUs = 3725'000'000;
    Show(1);
    ClickBox("suiCheckBox1");
    Edit(7)->setText("06");
    Edit(7)->setFocus();
    QTest::keyClick(Edit(7), Qt::Key_Return);
    EXPECT_EQ(Edit(7)->text(), "06");
    EXPECT_TRUE(window.isVisible());  // the clip is refused as 确定 refuses it
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].second, "截取时间设置错误，不允许停止时间大于时间长度！");

    Edit(7)->setText("05");
    QTest::keyClick(Edit(7), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(session.Settings.CutMode, "Select");
    EXPECT_EQ(session.Settings.CutLength, 3725000);

    session.Settings.VideoCodec = "not confirmed";
    Show(1);
    Combo("suiComboBox2")->setFocus();
    QTest::keyClick(Combo("suiComboBox2"), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(session.Settings.VideoCodec, "mpeg4");  // 确定 wrote the settings
}

TEST_F(OptionWindowTest, ConfirmWithARejectedClipStaysOpenThenCloses)
{
    probe.durationUs = 3725'000'000;
    Show(1);
    EXPECT_EQ(Edit(5)->text(), "01");
    EXPECT_EQ(Edit(6)->text(), "02");
    EXPECT_EQ(Edit(7)->text(), "05");
    ClickBox("suiCheckBox2");
    ClickBox("suiCheckBox3");
    ClickBox("suiCheckBox1");
    Edit(7)->setText("06");
    QTest::mouseClick(Find<QPushButton>("suiButton1"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].second, "截取时间设置错误，不允许停止时间大于时间长度！");

    Edit(7)->setText("05");
    Edit(3)->setText("01");
    QTest::mouseClick(Find<QPushButton>("suiButton1"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(session.Settings.VideoFilters, "hflip,vflip");
    EXPECT_EQ(session.Settings.CutMode, "Select");
    EXPECT_EQ(session.Settings.CutStart, 60000);
    EXPECT_EQ(session.Settings.CutLength, 3665000);
}

TEST_F(OptionWindowTest, CancelPreviewAndTheMainWindowsClipControl)
{
    Show(1);
    QTest::mouseClick(Find<QPushButton>("suiButton3"), Qt::LeftButton);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], "/in/clip.avi");

    ClickBox("suiCheckBox1");
    window.ResetClipCheck(false);
    EXPECT_FALSE(Find<QCheckBox>("suiCheckBox1")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("suiCheckBox1")->isEnabled());
    EXPECT_FALSE(Edit(2)->isEnabled());

    session.Settings.VideoCodec = "kept";
    QTest::mouseClick(Find<QPushButton>("suiButton2"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(session.Settings.VideoCodec, "kept");  // 取消 writes nothing

    // Escape is 取消 too
    Show(1);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(session.Settings.VideoCodec, "kept");
}
