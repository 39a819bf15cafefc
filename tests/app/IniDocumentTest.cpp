#include "app/IniDocument.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct ReadCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

class IniDocumentRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniDocumentRead, FindsValuesLikeTheProfileFunctions)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniDocument::Parse(c.text).Value(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniDocumentRead,
    testing::Values(ReadCase{"CaseInsensitiveNames", "[Skin]\nsetskin=skin3\n", "skin", "SetSkin", "skin3"},
                    ReadCase{"ValueCaseKept", "[skin]\nSetSkin=Skin2\n", "skin", "SetSkin", "Skin2"},
                    ReadCase{"BlanksTrimmed", "  [ OutPath ]  \n  OutPath =  /v/my folder  \t\n", "OutPath", "OutPath",
                             "/v/my folder"},
                    ReadCase{"FirstSectionWins", "[a]\nk=1\n[A]\nk=2\n", "a", "k", "1"},
                    ReadCase{"FirstKeyWins", "[a]\nk=1\nK=2\n", "a", "k", "1"},
                    ReadCase{"KeyOfOtherSectionIgnored", "[a]\nx=1\n[b]\nk=2\n", "a", "k", std::nullopt},
                    ReadCase{"KeyBeforeAnySectionIgnored", "k=0\n[a]\n", "a", "k", std::nullopt},
                    ReadCase{"MissingSection", "[a]\nk=1\n", "b", "k", std::nullopt},
                    ReadCase{"CrLfLines", "[a]\r\nk=v\r\n", "a", "k", "v"},
                    ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[a]\nk=v\n", "a", "k", "v"},
                    ReadCase{"CommentLineIsNoKey", "[a]\n;k=1\nk=2\n", "a", "k", "2"},
                    ReadCase{"EqualsInValue", "[a]\nk=x=y\n", "a", "k", "x=y"},
                    ReadCase{"EmptyValue", "[a]\nk=\n", "a", "k", ""},
                    ReadCase{"ChineseValue", "[SnapShot]\nDir=/home/u/Video_Directory/快照\n", "SnapShot", "Dir",
                             "/home/u/Video_Directory/快照"},
                    ReadCase{"NoFinalNewline", "[a]\nk=v", "a", "k", "v"},
                    ReadCase{"UnclosedHeaderIsNoSection", "[a\nk=v\n", "a", "k", std::nullopt}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

class IniDocumentWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniDocumentWrite, ChangesOnlyTheOneEntry)
{
    const WriteCase& c = GetParam();
    IniDocument doc = IniDocument::Parse(c.before);
    doc.SetValue(c.section, c.key, c.value);
    EXPECT_EQ(doc.Text(), c.after);
    EXPECT_EQ(IniDocument::Parse(doc.Text()).Value(c.section, c.key), std::string(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniDocumentWrite,
    testing::Values(WriteCase{"NewFile", "", "OutPath", "OutPath", "/v", "[OutPath]\nOutPath=/v\n"},
                    WriteCase{"ReplaceKeepsOtherLines", "; mine\n[skin]\nSetSkin=skin1\nOther = x \n[b]\nk=1\n", "SKIN",
                              "setskin", "skin4", "; mine\n[skin]\nsetskin=skin4\nOther = x \n[b]\nk=1\n"},
                    WriteCase{"NewKeyAtEndOfSectionBeforeBlankLines", "[a]\nx=1\n\n[b]\ny=2\n", "a", "k", "v",
                              "[a]\nx=1\nk=v\n\n[b]\ny=2\n"},
                    WriteCase{"NewSectionAfterBlankLine", "[a]\nx=1\n", "SnapShot", "Picture", "BMP",
                              "[a]\nx=1\n\n[SnapShot]\nPicture=BMP\n"},
                    WriteCase{"CrLfFileStaysCrLf", "[a]\r\nk=1\r\n", "a", "k", "2", "[a]\r\nk=2\r\n"},
                    WriteCase{"MissingFinalNewlineAdded", "[a]\nk=1", "a", "j", "2", "[a]\nk=1\nj=2\n"},
                    WriteCase{"OnlyFirstDuplicateChanged", "[a]\nk=1\n[a]\nk=9\n", "a", "k", "2",
                              "[a]\nk=2\n[a]\nk=9\n"},
                    WriteCase{"ByteOrderMarkKept", "\xEF\xBB\xBF[a]\nk=1\n", "a", "k", "2", "\xEF\xBB\xBF[a]\nk=2\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(IniDocumentWriteValue, LineBreakInValueCannotAddEntries)
{
    IniDocument doc = IniDocument::Parse("[a]\nk=1\n");
    doc.SetValue("a", "k", "/v\n[skin]\nSetSkin=skin1");
    const IniDocument reread = IniDocument::Parse(doc.Text());
    EXPECT_EQ(reread.Value("a", "k"), "/v");
    EXPECT_FALSE(reread.HasSection("skin"));
}

// Only the first byte order mark is the file's; dropping it on writing made a
// second one the mark and its line a section header that had not been one.
TEST(IniDocumentWriteValue, ASecondByteOrderMarkStaysPartOfTheFirstLine)
{
    IniDocument doc = IniDocument::Parse("\xEF\xBB\xBF\xEF\xBB\xBF[skin]\nSetSkin=skin1\n");
    ASSERT_FALSE(doc.HasSection("skin"));
    doc.SetValue("OutPath", "OutPath", "/v");
    const IniDocument reread = IniDocument::Parse(doc.Text());
    EXPECT_FALSE(reread.HasSection("skin"));
    EXPECT_EQ(reread.Value("skin", "SetSkin"), std::nullopt);
    EXPECT_EQ(reread.Value("OutPath", "OutPath"), "/v");
}

}  // namespace

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return tolower(x) == tolower(y); });
}

// Random files built from the characters that matter to the format: a write
// must change exactly the one value and leave every other readable value alone.
TEST(IniDocumentWriteValue, RandomFilesKeepEveryOtherValue)
{
    std::mt19937 random(20261210);
    const std::string alphabet = "aAbB=[] ;\t\r\n\n\nxy=";
    const std::vector<std::string> names{"a", "A", "b", "ab", "x"};
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const size_t length = pick(120);
        for (size_t i = 0; i < length; ++i)
            text += alphabet[pick(alphabet.size())];
        const IniDocument before = IniDocument::Parse(text);
        const std::string section = names[pick(names.size())];
        const std::string key = names[pick(names.size())];
        const std::string value = " v" + std::to_string(round) + " w ";
        IniDocument after = IniDocument::Parse(text);
        after.SetValue(section, key, value);
        const IniDocument reread = IniDocument::Parse(after.Text());
        for (const std::string& s : names) {
            for (const std::string& k : names) {
                if (SameName(s, section) && SameName(k, key))
                    EXPECT_EQ(reread.Value(s, k), "v" + std::to_string(round) + " w") << text;
                else
                    EXPECT_EQ(reread.Value(s, k), before.Value(s, k)) << "[" << s << "] " << k << " in\n" << text;
            }
        }
    }
}

}  // namespace
