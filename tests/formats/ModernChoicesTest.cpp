// Today's formats: their choices confirmed through the option window become
// the encoders' own options (constant quality, pixel formats, profiles), the
// hvc1 tag, aspect-keeping sizes and the GIF palette graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "formats/OptionCaptions.h"
#include "formats/OptionTranslation.h"
#include "formats/OptionWindowModel.h"
#include "tests/formats/FakeFormatsDialogs.h"
#include "tests/formats/OptionConfirmSupport.h"

namespace {

OutputSettings SettingsWith(int number, const Picks& picks)
{
    return ConfirmWith(number, picks, "/in/source.mkv").settings;
}

bool HasLine(const std::string& lines, const std::string& line)
{
    return ("\n" + lines).find("\n" + line + "\n") != std::string::npos;
}

TEST(ModernChoices, DefaultsAndChoicesBecomeEncoderOptions)
{
    struct Case {
        int number;
        Picks picks;
        const char* videoCodec;
        const char* audioCodec;
        const char* tag;
        const char* filters;
        std::vector<std::string> lines;    // each must be present
        std::vector<std::string> without;  // each must be absent
    };
    using L = OptionList;
    const Case cases[] = {
        {300, {}, "libx264", "libfaac", "", "scale=1920:-2", {"pix_fmt=yuv420p", "crf=20", "scodec=mov_text"}, {"b=0"}},
        {300, {{L::VideoBitrate, "8000 kbps"}, {L::FrameSize, "1280*720 (720p)"}}, "libx264", "libfaac", "", "",
         {"pix_fmt=yuv420p"}, {"crf=20"}},
        {301, {}, "libx265", "libfaac", "hvc1", "", {"pix_fmt=yuv420p", "crf=24", "scodec=mov_text"}, {}},
        {301, {{L::VideoEncoder, kVideoH265Main10}, {L::VideoBitrate, "恒定质量 CRF 18 (高质量)"}}, "libx265",
         "libfaac", "hvc1", "", {"pix_fmt=yuv420p10le", "crf=18"}, {"pix_fmt=yuv420p"}},
        // Matroska: no QuickTime tag, its own subtitle format
        {302, {{L::AudioEncoder, kAudioOpus}}, "libx265", "libopus", "", "", {"crf=24"}, {"scodec=mov_text"}},
        {303, {}, "libvpx-vp9", "libopus", "", "", {"crf=31", "b=0", "deadline=good"}, {}},
        {303, {{L::VideoBitrate, "2000 kbps"}}, "libvpx-vp9", "libopus", "", "", {}, {"b=0", "crf=31"}},
        {304, {{L::FrameSize, "1280*自动 (720p)"}}, "libsvtav1", "libopus", "", "scale=1280:-2", {"crf=35"}, {}},
        {305, {{L::AudioEncoder, kAudioOpus}}, "libsvtav1", "libopus", "", "", {"crf=35", "scodec=mov_text"}, {}},
        {306, {}, "prores_ks", "pcm_s16le", "", "", {"pix_fmt=yuv422p10le", "profile=2"}, {}},
        {306, {{L::VideoEncoder, kVideoProResHq}, {L::AudioEncoder, kAudioPcm24}}, "prores_ks", "pcm_s24le", "", "",
         {"profile=3"}, {"profile=2"}},
        {307, {}, "dnxhd", "pcm_s16le", "", "", {"pix_fmt=yuv422p", "profile=3"}, {}},
        {308, {}, "gif", "", "", "scale=480:-1,split[a][b];[a]palettegen[p];[b][p]paletteuse", {"pix_fmt=pal8"}, {}},
        {309, {{L::FrameSize, kKeepFrameSize}}, "libwebp_anim", "", "", "", {"pix_fmt=yuv420p", "loop_output=0"}, {}},
        {312, {{L::AudioEncoder, kAudioFlac24}}, "", "flac", "", "", {"sample_fmt=s32"}, {}},
        {313, {}, "", "libmp3lame", "", "", {"aq=2"}, {}},
        {313, {{L::AudioBitrate, "VBR V0 (约245 kbps, 最高质量)"}}, "", "libmp3lame", "", "", {"aq=0"}, {}},
        {313, {{L::AudioBitrate, "320"}}, "", "libmp3lame", "", "", {}, {"aq=2"}},
    };
    for (const Case& c : cases) {
        const OutputSettings s = SettingsWith(c.number, c.picks);
        const std::string where = std::to_string(c.number) + (c.picks.empty() ? " defaults" : " " + c.picks[0].second);
        EXPECT_EQ(s.VideoCodec, c.videoCodec) << where;
        EXPECT_EQ(s.AudioCodec, c.audioCodec) << where;
        EXPECT_EQ(s.VideoTag, c.tag) << where;
        EXPECT_EQ(s.VideoFilters, c.filters) << where;
        for (const std::string& line : c.lines)
            EXPECT_TRUE(HasLine(s.EncoderOptions, line)) << where << ": no " << line << " in\n" << s.EncoderOptions;
        for (const std::string& line : c.without)
            EXPECT_FALSE(HasLine(s.EncoderOptions, line)) << where << ": " << line << " in\n" << s.EncoderOptions;
        // an aspect-keeping size is the scale filter's, never a fixed size
        EXPECT_EQ(s.FrameSize.find(kAutoHeight), std::string::npos) << where;
    }
}

TEST(ModernChoices, FlipsComeAfterTheScaleAndBeforeThePalette)
{
    FormatSession session;
    session.OutputFolder = "/out";
    session.Settings.SourceFile = "/in/source.mkv";
    session.FormatNumber = 308;
    FakeFormatsDialogs dialogs;
    OptionWindowModel window(session, dialogs);
    window.Shown();
    window.SetFilter(FilterBox::HorizontalFlip, true);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.VideoFilters, "scale=480:-1,hflip," + GifPaletteFilters());
}

TEST(ModernChoices, CaptionReaders)
{
    EXPECT_EQ(ConstantQualityOf("恒定质量 CRF 23 (标准质量)"), 23);
    EXPECT_EQ(ConstantQualityOf("2000 kbps"), std::nullopt);
    EXPECT_EQ(ConstantQualityOf("恒定质量 CRF "), std::nullopt);
    EXPECT_EQ(VbrQualityOf("VBR V0 (约245 kbps, 最高质量)"), 0);
    EXPECT_EQ(VbrQualityOf("192"), std::nullopt);
    EXPECT_EQ(AspectWidthOf("1280*自动 (720p)"), 1280);
    EXPECT_EQ(AspectWidthOf("480*自动"), 480);
    EXPECT_EQ(AspectWidthOf("1280*720 (720p)"), std::nullopt);
    EXPECT_EQ(AspectWidthOf(kKeepFrameSize), std::nullopt);
    EXPECT_EQ(AspectWidthOf("*自动"), std::nullopt);
    EXPECT_EQ(AspectWidthOf("12a*自动"), std::nullopt);
}

}  // namespace
