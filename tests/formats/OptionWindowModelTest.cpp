// The option window's fill, refills, confirmation and clip step without widgets.
#include <gtest/gtest.h>

#include <vector>

#include "formats/OptionCaptions.h"
#include "formats/OptionWindowModel.h"
#include "tests/formats/FakeFormatsDialogs.h"

namespace {

using Items = std::vector<std::string>;

struct OptionWindowFixture : ::testing::Test {
    FormatSession session;
    FakeFormatsDialogs dialogs;
    FakeDurationProbe probe;
    OptionWindowModel window{session, dialogs};

    void SetUp() override
    {
        window.SetDurationProbe(&probe);
        session.OutputFolder = "/out";
        session.Settings.SourceFile = "/v/clip.rmvb";
    }

    // What the main window and the chooser do before the option window shows.
    void Open(int number)
    {
        session.Settings.Reset();
        session.FormatNumber = number;
        window.Shown();
    }

    void Pick(OptionList list, const std::string& caption)
    {
        const Items& items = window.List(list).items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == caption) {
                window.UserSelected(list, static_cast<int>(i));
                return;
            }
        }
        FAIL() << "no entry " << caption;
    }

    void ExpectList(OptionList list, const Items& items, const std::string& selected)
    {
        EXPECT_EQ(window.List(list).items, items) << "list " << Index(list);
        EXPECT_EQ(window.List(list).Selected(), selected) << "list " << Index(list);
    }

    const Items h263Sizes{"128*96", "176*144", "352*288", "704*576"};
    const Items phoneSizes{"112*96",  "128*96",  "160*112", "160*120", "176*144", "192*144",
                           "208*176", "220*176", "320*208", "320*224", "320*240"};
};

}  // namespace

TEST_F(OptionWindowFixture, Format100VideoEncoderRefillsTheSizes)
{
    Open(100);
    ExpectList(OptionList::FrameSize, phoneSizes, "176*144");
    EXPECT_EQ(window.List(OptionList::VideoEncoder).Selected(), kVideoMpeg4);

    const struct {
        const char* encoder;
        const Items* sizes;
    } steps[] = {
        {kVideoXvid1, &phoneSizes}, {kVideoH263, &h263Sizes}, {kVideoMpeg4, &h263Sizes}, {kVideoDivx5, &phoneSizes}};
    for (const auto& step : steps) {
        Pick(OptionList::FrameSize, "128*96");  // the refill puts back its own default
        Pick(OptionList::VideoEncoder, step.encoder);
        ExpectList(OptionList::FrameSize, *step.sizes, "176*144");
    }
}

TEST_F(OptionWindowFixture, Format101AudioEncoderRefillsAndRestores)
{
    Open(101);
    Pick(OptionList::AudioEncoder, kAudioAmr);
    ExpectList(OptionList::AudioBitrate, {"4.75", "5.15", "5.9", "6.7", "7.4", "7.95", "10.2", "12.2"}, "7.4");
    ExpectList(OptionList::SampleRate, {"8000"}, "8000");
    ExpectList(OptionList::Channels, {"单声道"}, "单声道");

    Pick(OptionList::AudioEncoder, kAudioAac);
    ExpectList(OptionList::AudioBitrate, {"48", "56", "64", "80", "96", "112", "116", "128"}, "48");
    ExpectList(OptionList::SampleRate, {"8000", "11025", "16000", "22050", "32000", "44100", "48000"}, "32000");
    ExpectList(OptionList::Channels, {"立体声", "单声道"}, "立体声");
}

TEST_F(OptionWindowFixture, AudioRefillsOnlyForThePhoneProfiles)
{
    const struct {
        int number;
        const char* encoder;
        const char* bitrate;
        const char* rate;
        const char* channels;
    } cases[] = {{100, kAudioAac, "12", "8000", "单声道"},
                 {102, kAudioAac, "64", "44100", "立体声"},
                 {103, kAudioAac, "32", "32000", "立体声"},
                 {103, kAudioAmr, "7.4", "8000", "单声道"},
                 {105, kAudioAac, "64", "44100", "立体声"}};  // 105: untouched, the user's picks stay
    for (const auto& c : cases) {
        Open(c.number);
        Pick(OptionList::AudioBitrate, window.List(OptionList::AudioBitrate).items.back());
        Pick(OptionList::AudioEncoder, c.encoder);
        if (c.number == 105) {
            EXPECT_EQ(window.List(OptionList::AudioBitrate).Selected(), "128");
            EXPECT_EQ(window.List(OptionList::SampleRate).Selected(), "16000");
            continue;
        }
        EXPECT_EQ(window.List(OptionList::AudioBitrate).Selected(), c.bitrate) << c.number;
        EXPECT_EQ(window.List(OptionList::SampleRate).Selected(), c.rate) << c.number;
        EXPECT_EQ(window.List(OptionList::Channels).Selected(), c.channels) << c.number;
    }
}

TEST_F(OptionWindowFixture, MjpegBitRatesForTheFirstThreeFormats)
{
    Open(1);
    Pick(OptionList::VideoEncoder, kVideoMjpeg);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).items.size(), 15u);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).Selected(), "3000 kbps(高质量)");
    Pick(OptionList::VideoEncoder, kVideoDivx5);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).items.size(), 8u);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).Selected(), "528 kbps(中等质量)");

    Open(24);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).items.size(), 15u);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).Selected(), "3000 kbps(高质量)");

    // format 109 has no such rule: its list stays B1 whatever the encoder
    Open(109);
    Pick(OptionList::VideoBitrate, "2000 kbps(极高质量)");
    Pick(OptionList::VideoEncoder, kVideoDivx);
    EXPECT_EQ(window.List(OptionList::VideoBitrate).Selected(), "2000 kbps(极高质量)");
}

TEST_F(OptionWindowFixture, AudioFormatsDisableTheVideoListsUntilAVideoFormat)
{
    const OptionList videoLists[] = {OptionList::VideoEncoder, OptionList::VideoBitrate, OptionList::FrameSize,
                                     OptionList::FrameRate, OptionList::ScalingMode};
    Open(200);
    for (OptionList list : videoLists)
        EXPECT_FALSE(window.List(list).enabled) << Index(list);
    EXPECT_FALSE(window.FiltersEnabled());
    EXPECT_TRUE(window.List(OptionList::AudioEncoder).enabled);
    ExpectList(OptionList::VideoEncoder, {"该格式无视频"}, "该格式无视频");
    ExpectList(OptionList::FrameSize, {"无"}, "无");
    EXPECT_EQ(window.MediaKind(), "Music");

    Open(1);
    for (OptionList list : videoLists)
        EXPECT_TRUE(window.List(list).enabled) << Index(list);
    EXPECT_TRUE(window.FiltersEnabled());
    EXPECT_EQ(window.MediaKind(), "Vedio");
}

TEST_F(OptionWindowFixture, OutputNameAndLabel)
{
    const struct {
        const char* folder;
        const char* source;
        int number;
        const char* file;
        const char* label;
    } cases[] = {{"/o", "/v/a.b.avi", 4, "/o/a.b.mp4", ".psp.mp4"},
                 {"/out", "/v/clip.rmvb", 100, "/out/clip.3gp", ".3gp"},
                 {"/out/", "/v/noext", 7, "/out/noext.mp4", ".ipod.mp4"},
                 {"/out", "C:\\v\\clip.rmvb", 209, "/out/clip.amr", ".amr"}};
    for (const auto& c : cases) {
        session.OutputFolder = c.folder;
        session.Settings.SourceFile = c.source;
        Open(c.number);
        EXPECT_EQ(session.Settings.OutputFile, c.file);
        EXPECT_EQ(session.Settings.OutputExt, c.label);
        EXPECT_EQ(window.SourceText(), c.source);
    }
}

TEST_F(OptionWindowFixture, ExtrasFollowTheProfile)
{
    const struct {
        int number;
        const char* disc;
        const char* outputFormat;
    } cases[] = {{19, "dvd", ""}, {18, "", ""}, {20, "svcd", ""}, {21, "vcd", ""}, {17, "", "mov"}, {1, "", ""}};
    for (const auto& c : cases) {
        Open(c.number);
        EXPECT_EQ(window.DiscTarget(), c.disc) << c.number;
        EXPECT_EQ(session.Settings.OutputFormat, c.outputFormat) << c.number;
    }
}

TEST_F(OptionWindowFixture, UnknownFormatsFillNothing)
{
    for (int number : {0, 99, 199, 25}) {
        Open(number);
        for (std::size_t i = 0; i < kOptionListCount; ++i)
            EXPECT_TRUE(window.List(static_cast<OptionList>(i)).items.empty()) << number;
        EXPECT_EQ(session.Settings.OutputFile, "");
    }
}

// ---- confirmation ---------------------------------------------------------

TEST_F(OptionWindowFixture, DefaultsOfFormat1)
{
    Open(1);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    const OutputSettings& s = session.Settings;
    EXPECT_EQ(s.VideoCodec, "mpeg4");
    EXPECT_EQ(s.VideoTag, "DX50");
    EXPECT_EQ(s.VideoBitrate, 528000);
    EXPECT_EQ(s.FrameSize, "320*240");
    EXPECT_EQ(s.FrameRate, "25.00");
    EXPECT_EQ(s.AspectRatio, "4:3");
    EXPECT_EQ(s.AudioCodec, "libmp3lame");
    EXPECT_EQ(s.AudioBitrate, 128000);
    EXPECT_EQ(s.AudioSampleRate, "44100");
    EXPECT_EQ(s.AudioChannels, "2");
    EXPECT_EQ(s.Volume, "256");
    EXPECT_EQ(s.VideoFilters, "");
    EXPECT_FALSE(s.AudioOnly);
    EXPECT_EQ(s.TargetType, "");
    EXPECT_EQ(s.CutMode, "NoSelect");
    EXPECT_EQ(s.CutStart, 0);
    EXPECT_EQ(s.OutputFile, "/out/clip.avi");
    EXPECT_EQ(s.OutputExt, ".avi");
    EXPECT_EQ(s.OutputFormat, "");
}

TEST_F(OptionWindowFixture, DefaultsOfFormat15)
{
    Open(15);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    const OutputSettings& s = session.Settings;
    EXPECT_EQ(s.VideoCodec, "rv10");
    EXPECT_EQ(s.AudioCodec, "AUTO");
    EXPECT_EQ(s.AudioBitrate, kBitrateNotSet);
    EXPECT_EQ(s.AudioSampleRate, "AUTO");
    EXPECT_EQ(s.FrameSize, "");
    EXPECT_EQ(s.FrameRate, "");
    EXPECT_EQ(s.VideoBitrate, 528000);
    EXPECT_EQ(s.AudioChannels, "2");
}

TEST_F(OptionWindowFixture, DefaultsOfFormat104)
{
    Open(104);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    const OutputSettings& s = session.Settings;
    EXPECT_EQ(s.AudioCodec, "libopencore_amrnb");
    EXPECT_EQ(s.AudioBitrate, 10200);
    EXPECT_EQ(s.AudioSampleRate, "8000");
    EXPECT_EQ(s.AudioChannels, "1");
    EXPECT_EQ(s.VideoCodec, "mpeg4");  // "MPEG4视频压缩器" is MPEG-4
    EXPECT_EQ(s.FrameSize, "176*144");
    EXPECT_EQ(s.FrameRate, "12");
    EXPECT_EQ(s.VideoBitrate, 128000);
    EXPECT_EQ(s.OutputFile, "/out/clip.3gp");
}

TEST_F(OptionWindowFixture, NtscDvdResetsTheDiscFields)
{
    Open(19);
    Pick(OptionList::VideoEncoder, kVideoNtscDvd);
    Pick(OptionList::Volume, "音量增加50%");
    window.SetFilter(FilterBox::Negative, true);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    const OutputSettings& s = session.Settings;
    EXPECT_EQ(s.TargetType, "dvd");
    EXPECT_EQ(s.VideoNorm, "NTSC");
    EXPECT_EQ(s.OutputFile, "/out/clip_NTSC.mpg");
    EXPECT_EQ(s.VideoCodec, "");
    EXPECT_EQ(s.FrameSize, "");
    EXPECT_EQ(s.FrameRate, "");
    EXPECT_EQ(s.VideoBitrate, kBitrateNotSet);
    // the audio and aspect lists offer what a DVD takes, and their selection is kept
    EXPECT_EQ(s.AspectRatio, "4:3");
    EXPECT_EQ(s.AudioSampleRate, "48000");
    EXPECT_EQ(s.AudioChannels, "2");
    EXPECT_EQ(s.AudioBitrate, 448000);
    EXPECT_EQ(s.AudioCodec, "ac3");
    // the steps after the reset still apply
    EXPECT_EQ(s.Volume, "384");
    EXPECT_EQ(s.VideoFilters, "negate");

    Open(21);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.TargetType, "vcd");
    EXPECT_EQ(session.Settings.VideoNorm, "PAL");
    EXPECT_EQ(session.Settings.OutputFile, "/out/clip_PAL.mpg");
}

TEST_F(OptionWindowFixture, AsfWithTheSecondAudioEncoder)
{
    Open(23);
    Pick(OptionList::AudioEncoder, kAudioAsf2);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.VideoCodec, "msmpeg4");
    EXPECT_EQ(session.Settings.OutputFormat, "asf");
    EXPECT_EQ(session.Settings.AudioCodec, "wmav1");
}

TEST_F(OptionWindowFixture, AudioOnlyFormat200)
{
    Open(200);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    const OutputSettings& s = session.Settings;
    EXPECT_TRUE(s.AudioOnly);
    EXPECT_EQ(s.VideoCodec, "");
    EXPECT_EQ(s.FrameSize, "");
    EXPECT_EQ(s.FrameRate, "");
    EXPECT_EQ(s.AspectRatio, "");
    EXPECT_EQ(s.VideoBitrate, kBitrateNotSet);
    EXPECT_EQ(s.AudioCodec, "libmp3lame");
    EXPECT_EQ(s.AudioSampleRate, "48000");
    EXPECT_EQ(s.OutputFile, "/out/clip.mp3");
}

TEST_F(OptionWindowFixture, ShowClearsFiltersAndTagOfTheLastConfirmation)
{
    Open(1);
    window.SetFilter(FilterBox::HorizontalFlip, true);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.VideoFilters, "hflip");
    EXPECT_EQ(session.Settings.VideoTag, "DX50");
    window.Shown();  // no reset by the main window in between
    EXPECT_FALSE(window.Filter(FilterBox::HorizontalFlip));
    EXPECT_EQ(session.Settings.VideoFilters, "");
    EXPECT_EQ(session.Settings.VideoTag, "");
}

// ---- clip -----------------------------------------------------------------

TEST_F(OptionWindowFixture, SplitTimeFillsTheStopFields)
{
    const struct {
        int64_t durationUs;
        const char* h;
        const char* m;
        const char* s;
        const char* seconds;
    } cases[] = {{3725'999'999, "01", "02", "05", "3725"},
                 {7'000'000, "00", "00", "07", "7"},
                 {int64_t(123) * 3600 * 1'000'000, "123", "00", "00", "442800"}};
    for (const auto& c : cases) {
        probe.durationUs = c.durationUs;
        Open(1);
        EXPECT_EQ(window.TimeField(0), "00");
        EXPECT_EQ(window.TimeField(1), "00");
        EXPECT_EQ(window.TimeField(2), "00");
        EXPECT_EQ(window.TimeField(3), c.h);
        EXPECT_EQ(window.TimeField(4), c.m);
        EXPECT_EQ(window.TimeField(5), c.s);
        EXPECT_EQ(window.DurationSeconds(), c.seconds);
    }
    // a failed probe leaves the stop fields empty and the length as it was
    probe.durationUs = -1;
    Open(1);
    EXPECT_EQ(window.TimeField(3), "");
    EXPECT_EQ(window.DurationSeconds(), "442800");
}

TEST_F(OptionWindowFixture, DatSourcesAreProbedAsMpeg)
{
    for (const char* source : {"/v/movie.DAT", "/v/movie.dat"}) {
        session.Settings.SourceFile = source;
        Open(1);
        ASSERT_FALSE(probe.calls.empty());
        EXPECT_EQ(probe.calls.back().first, source);
        EXPECT_EQ(probe.calls.back().second, "mpeg");
    }
    session.Settings.SourceFile = "/v/movie.avi";
    Open(1);
    EXPECT_EQ(probe.calls.back().second, "");
}

TEST_F(OptionWindowFixture, ClipAgainstADurationOf3725Seconds)
{
    const struct {
        const char* start[3];
        const char* stop[3];
        const char* message;  // nullptr: accepted
        int64_t cutStartMs;
        int64_t cutLengthMs;
    } cases[] = {
        {{"00", "01", "00"}, {"01", "02", "05"}, nullptr, 60000, 3665000},
        {{"00", "01", "00"}, {"01", "02", "06"}, "截取时间设置错误，不允许停止时间大于时间长度！", 0, 0},
        {{"01", "02", "05"}, {"01", "02", "05"}, "截取时间设置错误，不允许起始时间大于等于停止时间！", 0, 0},
        {{"", "", ""}, {"00", "60", "00"}, nullptr, 0, 3600000},  // minutes beyond 59 count
        {{"", "", ""}, {"00", "90", "00"}, "截取时间设置错误，不允许停止时间大于时间长度！", 0, 0},
        {{"00", "00", "10"}, {"", "", ""}, "截取时间设置错误，不允许起始时间大于等于停止时间！", 0, 0},
    };
    probe.durationUs = 3725'000'000;
    for (const auto& c : cases) {
        Open(1);
        window.SetClipChecked(true);
        for (int i = 0; i < 3; ++i) {
            window.SetTimeField(i, c.start[i]);
            window.SetTimeField(3 + i, c.stop[i]);
        }
        dialogs.messages.clear();
        const ConfirmOutcome outcome = window.Confirm();
        if (c.message) {
            EXPECT_EQ(outcome, ConfirmOutcome::StayOpen);
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].first, "提示");
            EXPECT_EQ(dialogs.messages[0].second, c.message);
            EXPECT_EQ(session.Settings.CutMode, "NoSelect");
        } else {
            EXPECT_EQ(outcome, ConfirmOutcome::Closed);
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(session.Settings.CutMode, "Select");
            EXPECT_EQ(session.Settings.CutStart, c.cutStartMs);
            EXPECT_EQ(session.Settings.CutLength, c.cutLengthMs);
        }
    }
    // empty fields were set to "00" on confirmation
    EXPECT_EQ(window.TimeField(3), "00");
}

TEST_F(OptionWindowFixture, RejectedClipThenCorrectedKeepsTheFilters)
{
    probe.durationUs = 3725'000'000;
    Open(1);
    window.SetFilter(FilterBox::HorizontalFlip, true);
    window.SetFilter(FilterBox::VerticalFlip, true);
    window.SetClipChecked(true);
    window.SetTimeField(5, "06");  // 01:02:06, beyond the end
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::StayOpen);
    EXPECT_EQ(session.Settings.VideoFilters, "hflip,vflip");  // written before the clip step
    window.SetTimeField(5, "05");
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.VideoFilters, "hflip,vflip");
    EXPECT_EQ(session.Settings.CutLength, 3725000);
}

TEST_F(OptionWindowFixture, ClipWithoutAKnownLengthIsRefused)
{
    probe.durationUs = -1;
    Open(1);
    window.SetClipChecked(true);
    window.SetTimeField(5, "10");
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::StayOpen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "提示");
    EXPECT_NE(dialogs.messages[0].second.find("允许截取视频"), std::string::npos);
    EXPECT_EQ(session.Settings.CutMode, "NoSelect");

    window.SetClipChecked(false);
    EXPECT_EQ(window.Confirm(), ConfirmOutcome::Closed);
}

TEST_F(OptionWindowFixture, TimeKeyFilter)
{
    const struct {
        char32_t key;
        bool accepted;
    } cases[] = {{U'0', true},  {U'9', true},  {8, true},      {13, true},    {U'a', false},
                 {U'-', false}, {U' ', false}, {U'。', false}, {U'５', false}};
    for (const auto& c : cases) {
        dialogs.messages.clear();
        EXPECT_EQ(window.TimeKeyAccepted(c.key), c.accepted) << static_cast<uint32_t>(c.key);
        if (c.accepted) {
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].first, "提示");
            EXPECT_EQ(dialogs.messages[0].second, "对不起，这里只能输入数字！");
        }
    }
}

TEST_F(OptionWindowFixture, MainWindowControlsTheClipCheck)
{
    Open(1);
    window.SetClipChecked(true);
    window.ResetClipCheck(false);
    EXPECT_FALSE(window.ClipChecked());
    EXPECT_FALSE(window.ClipCheckEnabled());
    EXPECT_FALSE(window.TimeFieldsEnabled());
    window.ResetClipCheck(true);
    EXPECT_TRUE(window.ClipCheckEnabled());
}

TEST_F(OptionWindowFixture, PreviewOpensTheSource)
{
    Open(1);
    window.Preview();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], "/v/clip.rmvb");
}

// The disc formats: the norm of the video encoder decides the picture, shown
// in the size and rate lists, which take no choice; the audio lists offer what
// the disc takes and a selection reaches the settings within the disc's limits.
TEST_F(OptionWindowFixture, DiscListsShowTheNormsPictureAndApplyTheDiscsAudio)
{
    using L = OptionList;
    const struct Case {
        int number;
        std::vector<std::pair<L, std::string>> picks;
        const char* size;  // shown
        const char* rate;  // shown
        const char* norm;
        const char* audioCodec;
        const char* sampleRate;
        int audioBitrate;
        const char* channels;
    } cases[] = {
        {19, {}, "720*576", "25.00", "PAL", "ac3", "48000", 448000, "2"},
        {19, {{L::VideoEncoder, kVideoNtscDvd}}, "720*480", "29.97", "NTSC", "ac3", "48000", 448000, "2"},
        {19, {{L::Channels, kMono}, {L::AudioBitrate, "192"}}, "720*576", "25.00", "PAL", "ac3", "48000", 192000, "1"},
        {20, {}, "480*576", "25.00", "PAL", "", "44100", 224000, "2"},
        {20,
         {{L::VideoEncoder, kVideoNtscSvcd}, {L::AudioBitrate, "384"}},
         "480*480",
         "29.97",
         "NTSC",
         "",
         "44100",
         384000,
         "2"},
        {20, {{L::Channels, kMono}, {L::AudioBitrate, "96"}}, "480*576", "25.00", "PAL", "", "44100", 96000, "1"},
        {21, {}, "352*288", "25.00", "PAL", "", "44100", 224000, "2"},
        {21, {{L::VideoEncoder, kVideoNtscVcd}}, "352*240", "29.97", "NTSC", "", "44100", 224000, "2"},
    };
    for (const Case& c : cases) {
        Open(c.number);
        for (const auto& [list, caption] : c.picks)
            Pick(list, caption);
        const std::string label = std::to_string(c.number) + " " + c.norm;
        EXPECT_EQ(window.List(L::FrameSize).Selected(), c.size) << label;
        EXPECT_EQ(window.List(L::FrameRate).Selected(), c.rate) << label;
        for (L fixed : {L::VideoBitrate, L::FrameSize, L::FrameRate})
            EXPECT_FALSE(window.List(fixed).enabled) << label << " list " << Index(fixed);
        for (L offered : {L::VideoEncoder, L::AudioEncoder, L::AudioBitrate, L::SampleRate, L::Channels, L::Volume})
            EXPECT_TRUE(window.List(offered).enabled) << label << " list " << Index(offered);

        ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed) << label;
        const OutputSettings& s = session.Settings;
        EXPECT_EQ(s.VideoNorm, c.norm) << label;
        EXPECT_EQ(s.FrameSize, "") << label << ": the norm's size is the target's own";
        EXPECT_EQ(s.FrameRate, "") << label;
        EXPECT_EQ(s.AudioCodec, c.audioCodec) << label;
        EXPECT_EQ(s.AudioSampleRate, c.sampleRate) << label;
        EXPECT_EQ(s.AudioBitrate, c.audioBitrate) << label;
        EXPECT_EQ(s.AudioChannels, c.channels) << label;
    }
    // a VCD is 4:3 stereo; a DVD takes the wide picture asked for
    Open(21);
    EXPECT_EQ(window.List(L::Channels).items, Items{kStereo});
    EXPECT_EQ(window.List(L::ScalingMode).items, Items{kAspect4x3});
    Open(19);
    Pick(L::ScalingMode, kAspect16x9);
    ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed);
    EXPECT_EQ(session.Settings.AspectRatio, "16:9");
}

// Where the encoders or the container need another value than the lists'
// selection, confirmation says what is written instead; a file written as
// selected has nothing to say.
TEST_F(OptionWindowFixture, ConfirmationNamesWhatTheLimitsChanged)
{
    using L = OptionList;
    const struct Case {
        int number;
        std::vector<std::pair<L, std::string>> picks;
        const char* adjustments;
    } cases[] = {
        {1, {}, ""},
        {126, {}, ""},
        {19, {}, ""},
        {12, {{L::AudioEncoder, kAudioFlac}}, "音频编码 FLAC → AAC"},
        {17, {{L::AudioEncoder, kAudioFlac}}, "音频编码 FLAC → AAC"},
        {107, {{L::VideoEncoder, kVideoH263}}, "容器 MP4 → 3GP"},
        {102, {{L::AudioEncoder, kAudioAmr}}, "容器 MP4 → 3GP"},
        {120, {}, "分辨率 320*240 → 352*288"},
        {201, {{L::AudioBitrate, "16"}}, "音频比特率 16 kbps → 24 kbps"},
        {20, {{L::Channels, kMono}}, "音频比特率 224 kbps → 192 kbps"},
        {127, {{L::SampleRate, "11025"}}, "采样率 11025 → 16000"},
    };
    for (const Case& c : cases) {
        Open(c.number);
        for (const auto& [list, caption] : c.picks)
            Pick(list, caption);
        ASSERT_EQ(window.Confirm(), ConfirmOutcome::Closed) << c.number;
        EXPECT_EQ(session.Settings.Adjustments, c.adjustments) << c.number;
    }
}
