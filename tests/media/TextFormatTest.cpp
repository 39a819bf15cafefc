#include "media/TextFormat.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <utility>

namespace {

// Formats the same arguments twice through the va_list form.
std::string FormatTwice(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTwice(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    text += "|" + FormatTextV(format, args);
    va_end(args);
    return text;
}

TEST(FormatText, WholeTextWhateverItsLength)
{
    const std::string longWord(3000, 'x');
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"empty format", FormatText("%s", ""), ""},
        {"percent sign", FormatText("%d%% of %s", 50, "a.mp4"), "50% of a.mp4"},
        {"longer than any fixed buffer", FormatText("<%s>", longWord.c_str()), "<" + longWord + ">"},
        {"numbers", FormatText("%05zu.nut %02lld", size_t{7}, 3LL), "00007.nut 03"},
        {"embedded bytes beyond 1024", FormatText("%s%s", std::string(1020, 'a').c_str(), "bcdefgh"),
         std::string(1020, 'a') + "bcdefgh"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, c.expected) << c.name;
}

TEST(FormatText, ListFormLeavesTheArgumentsUnread)
{
    EXPECT_EQ(FormatTwice("%s=%d", "w", 640), "w=640|w=640");
    const std::string longWord(1500, 'y');
    EXPECT_EQ(FormatTwice("%s", longWord.c_str()), longWord + "|" + longWord);
}

TEST(TrimText, BlanksAndControlBytesOffBothEnds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  a b \t\r\n", "a b"},
        {"", ""},
        {" \t\v\f\r\n ", ""},
        {"\x01name\x1f", "name"},
        {"x\x7f", "x\x7f"},  // DEL is no blank
        {" 快照 ", "快照"},  // bytes of UTF-8 text stay
        {"[ OutPath ]", "[ OutPath ]"},  // inner blanks stay
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TrimText(text), expected) << text;
}

}  // namespace
