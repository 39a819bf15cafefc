// The chooser's selection, tab change, clicks, 下一步 and 取消 without widgets.
#include <gtest/gtest.h>

#include "formats/ChooserModel.h"
#include "formats/FormatsTexts.h"
#include "tests/formats/FakeFormatsDialogs.h"

namespace {

constexpr int kMobile = 0, kComputer = 1, kAudio = 2;

struct ChooserFixture : ::testing::Test {
    FormatSession session;
    FakeFormatsDialogs dialogs;
    ChooserModel chooser{session, dialogs};
};

}  // namespace

TEST_F(ChooserFixture, FirstOpenShowsTheFirstMobileEntryAndGoesOnWithIt)
{
    chooser.Shown();
    EXPECT_EQ(chooser.ActivePage(), kMobile);
    EXPECT_EQ(chooser.SelectedIndex(kMobile), 0);
    EXPECT_EQ(chooser.SelectedIndex(kComputer), 0);
    EXPECT_EQ(chooser.SelectedIndex(kAudio), -1);
    EXPECT_EQ(session.FormatNumber, 100);
    EXPECT_TRUE(chooser.NextRequested());
    EXPECT_EQ(session.FormatNumber, 100);
    EXPECT_EQ(session.ChooserResult, "1");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ChooserFixture, TabChangeSelectsThePagesFirstEntry)
{
    const struct {
        int page;
        int number;
    } cases[] = {{kAudio, 200}, {kComputer, 1}, {kMobile, 100}};
    for (const auto& c : cases) {
        chooser.PageChanged(c.page);
        EXPECT_EQ(chooser.ActivePage(), c.page);
        EXPECT_EQ(chooser.SelectedIndex(c.page), 0);
        EXPECT_EQ(session.FormatNumber, c.number);
    }
}

TEST_F(ChooserFixture, SelectionGivesBasePlusPosition)
{
    const struct {
        int page;
        int index;
        int number;
    } cases[] = {{kMobile, 7, 107}, {kComputer, 23, 24}, {kAudio, 9, 209},
                 {kMobile, -1, 99}, {kComputer, -1, 0},  {kAudio, -1, 199}};
    for (const auto& c : cases) {
        chooser.PageChanged(c.page);
        chooser.SelectionChanged(c.page, c.index);
        EXPECT_EQ(session.FormatNumber, c.number) << c.page << "/" << c.index;
    }
}

TEST_F(ChooserFixture, ClicksWithoutSelectionShowThePromptAndOpenNothing)
{
    chooser.SelectionChanged(kMobile, 3);
    chooser.Clicked(kMobile);
    EXPECT_TRUE(dialogs.messages.empty());

    chooser.SelectionChanged(kMobile, -1);
    chooser.Clicked(kMobile);
    EXPECT_FALSE(chooser.DoubleClicked(kMobile));
    EXPECT_FALSE(chooser.NextRequested());
    ASSERT_EQ(dialogs.messages.size(), 3u);
    for (const auto& [caption, text] : dialogs.messages) {
        EXPECT_EQ(caption, "提示");
        EXPECT_EQ(text, "请选择一个要转换的类型,然后点击“下一步”按钮！");
    }

    chooser.SelectionChanged(kMobile, 4);
    EXPECT_TRUE(chooser.DoubleClicked(kMobile));
    EXPECT_EQ(session.FormatNumber, 104);
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

TEST_F(ChooserFixture, CancelAndShowSetTheResult)
{
    chooser.Cancelled();
    EXPECT_TRUE(session.Cancelled());
    EXPECT_EQ(session.ChooserResult, "2");
    chooser.Shown();
    EXPECT_EQ(session.ChooserResult, "1");
    EXPECT_FALSE(session.Cancelled());
}
