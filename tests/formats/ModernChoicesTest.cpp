// Today's formats: their choices confirmed through the option window become
// the encoders' own options (constant quality, pixel formats, profiles), the
// hvc1 tag, aspect-keeping sizes and the GIF palette graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "formats/ChooserModel.h"
#include "formats/EncoderOffer.h"
#include "formats/FormatsTexts.h"
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

// The option window of one format, shown for a Matroska source.
struct ShownWindow {
    explicit ShownWindow(int number)
    {
        session.OutputFolder = "/out";
        session.Settings.SourceFile = "/in/source.mkv";
        session.FormatNumber = number;
        window.Shown();
    }
    FormatSession session;
    FakeFormatsDialogs dialogs;
    OptionWindowModel window{session, dialogs};
};

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
        std::vector<std::string> lines;  // each must be present
        std::vector<std::string> without;  // each must be absent
    };
    using L = OptionList;
    const char* even = "crop=trunc(iw/2)*2:trunc(ih/2)*2:0:0";  // the source's size, made even
    const Case cases[] = {
        {300, {}, "libx264", "libfaac", "", "scale=1920:-2", {"pix_fmt=yuv420p", "crf=20", "scodec=mov_text"}, {"b=0"}},
        {300,
         {{L::VideoBitrate, "8000 kbps"}, {L::FrameSize, "1280*720 (720p)"}},
         "libx264",
         "libfaac",
         "",
         "",
         {"pix_fmt=yuv420p"},
         {"crf=20"}},
        {301, {}, "libx265", "libfaac", "hvc1", even, {"pix_fmt=yuv420p", "crf=24", "scodec=mov_text"}, {}},
        {301,
         {{L::VideoEncoder, kVideoH265Main10}, {L::VideoBitrate, "恒定质量 CRF 18 (高质量)"}},
         "libx265",
         "libfaac",
         "hvc1",
         even,
         {"pix_fmt=yuv420p10le", "crf=18"},
         {"pix_fmt=yuv420p"}},
        // Matroska: no QuickTime tag, its own subtitle format
        {302, {{L::AudioEncoder, kAudioOpus}}, "libx265", "libopus", "", even, {"crf=24"}, {"scodec=mov_text"}},
        {303, {}, "libvpx-vp9", "libopus", "", "", {"crf=31", "b=0", "deadline=good"}, {}},
        {303, {{L::VideoBitrate, "2000 kbps"}}, "libvpx-vp9", "libopus", "", "", {}, {"b=0", "crf=31"}},
        {304, {{L::FrameSize, "1280*自动 (720p)"}}, "libsvtav1", "libopus", "", "scale=1280:-2", {"crf=35"}, {}},
        {305, {{L::AudioEncoder, kAudioOpus}}, "libsvtav1", "libopus", "", even, {"crf=35", "scodec=mov_text"}, {}},
        {306, {}, "prores_ks", "pcm_s16le", "", "", {"pix_fmt=yuv422p10le", "profile=2"}, {}},
        {306,
         {{L::VideoEncoder, kVideoProResHq}, {L::AudioEncoder, kAudioPcm24}},
         "prores_ks",
         "pcm_s24le",
         "",
         "",
         {"profile=3"},
         {"profile=2"}},
        {307, {}, "dnxhd", "pcm_s16le", "", "", {"pix_fmt=yuv422p", "profile=3"}, {}},
        {308,
         {},
         "gif",
         "",
         "",
         "scale=480:-1,fps=10,split[a][b];[a]palettegen[p];[b][p]paletteuse",
         {"pix_fmt=pal8"},
         {}},
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
    ShownWindow shown(308);
    shown.window.SetFilter(FilterBox::HorizontalFlip, true);
    ASSERT_EQ(shown.window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(shown.session.Settings.VideoFilters, "scale=480:-1,hflip,fps=10," + GifPaletteFilters());
}

TEST(ModernChoices, AnimationsHaveNoAudioListsToChange)
{
    ShownWindow gif(308);
    for (OptionList list :
         {OptionList::AudioEncoder, OptionList::AudioBitrate, OptionList::SampleRate, OptionList::Channels})
        EXPECT_FALSE(gif.window.List(list).enabled) << Index(list);
    EXPECT_TRUE(gif.window.List(OptionList::FrameRate).enabled);
    // the next format shown has its audio lists back
    gif.session.FormatNumber = 300;
    gif.window.Shown();
    EXPECT_TRUE(gif.window.List(OptionList::AudioEncoder).enabled);
    EXPECT_TRUE(gif.window.List(OptionList::SampleRate).enabled);
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

namespace {

constexpr int kTodaysPage = 3;

std::vector<int> Numbers(const std::vector<CatalogueEntry>& entries)
{
    std::vector<int> numbers;
    for (const CatalogueEntry& entry : entries)
        numbers.push_back(entry.number);
    return numbers;
}

// Libraries without SVT-AV1 and Opus: what the chooser and the option window offer.
TEST(ModernChoices, EncodersTheLibrariesLackAreNotOffered)
{
    FormatSession session;
    session.EncoderPresent = [](const std::string& name) { return name != "libsvtav1" && name != "libopus"; };
    FakeFormatsDialogs dialogs;
    ChooserModel chooser(session, dialogs);
    // WebM VP9 (Opus only), WebM AV1 and the Opus format go; MP4 AV1 has no encoder left either
    EXPECT_EQ(Numbers(chooser.Entries(kTodaysPage)),
              (std::vector<int>{300, 301, 302, 306, 307, 308, 309, 311, 312, 313, 314}));
    chooser.PageChanged(kTodaysPage);
    chooser.SelectionChanged(kTodaysPage, 3);
    EXPECT_EQ(session.FormatNumber, 306);  // positions count the offered entries
    // the older pages stay as they are, whatever is missing
    for (int page = 0; page < kTodaysPage; ++page)
        EXPECT_EQ(chooser.Entries(page).size(), CataloguePages()[page].entries.size()) << page;

    session.FormatNumber = 302;
    OptionWindowModel window(session, dialogs);
    window.Shown();
    EXPECT_EQ(window.List(OptionList::AudioEncoder).items, (std::vector<std::string>{kAudioAac, kAudioFlac16}));
    EXPECT_EQ(window.List(OptionList::AudioEncoder).Selected(), kAudioAac);

    // without AAC the MKV's default encoder is missing: the first offered one stands in
    session.EncoderPresent = [](const std::string& name) { return name != "libfaac"; };
    window.Shown();
    EXPECT_EQ(window.List(OptionList::AudioEncoder).Selected(), kAudioOpus);
    EXPECT_FALSE(FormatOffered(300, session.EncoderPresent));
    EXPECT_TRUE(FormatOffered(1, session.EncoderPresent));  // the older profiles are not checked
}

TEST(ModernChoices, OpusAtAnotherRateIsRefusedWithAMessage)
{
    ShownWindow shown(305);
    FormatSession& session = shown.session;
    FakeFormatsDialogs& dialogs = shown.dialogs;
    OptionWindowModel& window = shown.window;
    const auto pick = [&window](OptionList list, const std::string& caption) {
        const auto& items = window.List(list).items;
        const auto found = std::find(items.begin(), items.end(), caption);
        ASSERT_NE(found, items.end()) << caption;
        window.UserSelected(list, static_cast<int>(found - items.begin()));
    };
    pick(OptionList::AudioEncoder, kAudioOpus);
    pick(OptionList::SampleRate, "44100");
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::StayOpen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, kPromptCaption);
    EXPECT_EQ(dialogs.messages[0].second, kOpusSampleRateMessage);

    pick(OptionList::SampleRate, "48000");
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.AudioCodec, "libopus");
    // AAC takes 44.1 kHz
    pick(OptionList::AudioEncoder, kAudioAac);
    pick(OptionList::SampleRate, "44100");
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
