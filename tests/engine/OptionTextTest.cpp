// ApplyOptionText: line splitting, name case, skipped and stream-only names,
// and the Boolean and integer readings of the values.
#include "engine/TCustomFFmpeg.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct TextCase {
    const char* label;
    const char* text;
    bool includeStreamOptions;
    std::function<bool(const PendingOptions&)> holds;
};

class OptionTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(OptionTextTest, AppliesTheLinesAsDescribed)
{
    const TextCase& c = GetParam();
    TCustomFFmpeg task(20);
    task.Reset();
    ASSERT_NO_THROW(task.ApplyOptionText(c.text, c.includeStreamOptions)) << c.label;
    EXPECT_TRUE(c.holds(task.Pending())) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OptionTextTest,
    ::testing::Values(
        TextCase{"a line without = turns a Boolean on", "an", false,
                 [](const PendingOptions& p) { return p.audioDisable; }},
        TextCase{"=0 turns it off again", "an\nan=0", false, [](const PendingOptions& p) { return !p.audioDisable; }},
        TextCase{"copyts ignores its value", "copyts=0", false, [](const PendingOptions& p) { return p.copyTs; }},
        TextCase{"xerror ignores its value", "xerror=0", false, [](const PendingOptions& p) { return p.exitOnError; }},
        TextCase{"names are lowercased", "VCODEC=mpeg4", true,
                 [](const PendingOptions& p) { return p.videoCodecName == "mpeg4"; }},
        TextCase{"stream options need the flag", "VCODEC=mpeg4\nacodec=mp2\ns=320x240", false,
                 [](const PendingOptions& p) {
                     return p.videoCodecName.empty() && p.audioCodecName.empty() && p.frameWidth == 0;
                 }},
        TextCase{"stream options with the flag", "acodec=mp2\nscodec=copy\ns=320x240", true,
                 [](const PendingOptions& p) {
                     return p.audioCodecName == "mp2" && p.subtitleStreamCopy && p.frameWidth == 320 &&
                            p.frameHeight == 240;
                 }},
        TextCase{"<CRLF> separates lines", "ar=22050<CRLF>ac=1", false,
                 [](const PendingOptions& p) { return p.audioSampleRate == 22050 && p.audioChannels == 1; }},
        TextCase{"CR LF, CR and LF all end a line", "ar=22050\r\nac=1\rvol=512\nan", false,
                 [](const PendingOptions& p) {
                     return p.audioSampleRate == 22050 && p.audioChannels == 1 && p.audioVolume == 512 &&
                            p.audioDisable;
                 }},
        TextCase{"spaces around = stay part of the name", "vcodec = mpeg4\nar = 8000", true,
                 [](const PendingOptions& p) { return p.videoCodecName.empty() && p.audioSampleRate == 44100; }},
        TextCase{"the last line wins", "ar=22050\nar=48000", false,
                 [](const PendingOptions& p) { return p.audioSampleRate == 48000; }},
        TextCase{"the value keeps everything after the first =", "metadata=comment=a=b", false,
                 [](const PendingOptions& p) {
                     return p.metadata.size() == 1 && p.metadata[0].first == "comment" && p.metadata[0].second == "a=b";
                 }},
        // newaudio would raise without an output: skipping it is what keeps this quiet
        TextCase{"component-ordered names are skipped", "newaudio\nnewvideo\nvpre=nosuch\nvf=hflip\nvfilters=negate",
                 true, [](const PendingOptions& p) { return p.videoFilters.empty(); }},
        TextCase{"surrounding blank lines are trimmed", "\n\n  \nar=8000\n\n", false,
                 [](const PendingOptions& p) { return p.audioSampleRate == 8000; }}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return "Case" + std::to_string(info.index); });

TEST(OptionTextCase, SetOptionItselfComparesCaseSensitively)
{
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("VCODEC", "mpeg4");
    EXPECT_TRUE(task.Pending().videoCodecName.empty());
    task.SetOption("vcodec", "mpeg4");
    EXPECT_EQ(task.Pending().videoCodecName, "mpeg4");
}

TEST(OptionTextCase, AnIntegerOptionWithoutValueRaisesTheConversionError)
{
    TCustomFFmpeg task(20);
    task.Reset();
    try {
        task.ApplyOptionText("ar=8000\nvsync", false);
        FAIL() << "vsync without a value was accepted";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    // options before the failing line stay applied
    EXPECT_EQ(task.Pending().audioSampleRate, 8000);
    EXPECT_EQ(task.Pending().videoSyncMethod, -1);
}

TEST(OptionTextCase, AFloatOptionWithTextRaisesTheConversionError)
{
    TCustomFFmpeg task(20);
    task.Reset();
    try {
        task.SetOption("muxdelay", "soon");
        FAIL() << "a non-numeric float was accepted";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "'soon' is not a valid floating point value");
    }
}

}  // namespace
