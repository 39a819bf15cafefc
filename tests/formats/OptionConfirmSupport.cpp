#include "tests/formats/OptionConfirmSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/formats/FakeFormatsDialogs.h"

Confirmed ConfirmWith(int number, const Picks& picks, const std::string& source)
{
    FormatSession session;
    session.OutputFolder = "/out";
    session.Settings.SourceFile = source;
    session.FormatNumber = number;
    FakeFormatsDialogs dialogs;
    OptionWindowModel window(session, dialogs);
    window.Shown();
    for (const auto& [list, caption] : picks) {
        const auto& items = window.List(list).items;
        const auto found = std::find(items.begin(), items.end(), caption);
        EXPECT_NE(found, items.end()) << number << ": no entry " << caption;
        if (found != items.end())
            window.UserSelected(list, static_cast<int>(found - items.begin()));
    }
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::Closed) << number;
    Confirmed result{session.Settings, {}};
    for (std::size_t i = 0; i < kOptionListCount; ++i)
        result.shownCaptions.push_back(window.List(static_cast<OptionList>(i)).Selected());
    return result;
}
