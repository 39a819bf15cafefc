// Captions into OutputSettings values.
#include <gtest/gtest.h>

#include <set>

#include "formats/FormatProfiles.h"
#include "formats/OptionTranslation.h"

TEST(OptionTranslation, BitRatesInBitsPerSecond)
{
    const struct {
        const char* caption;
        int32_t audio;
    } audio[] = {{"128", 128000},     {"4.75", 4750}, {"5.15", 5150},
                 {"5.9", 5900},       {"7.95", 7950}, {"12.2", 12200},
                 {"10.2", 10200},     {"16", 16000},  {"自动音频比特率", kBitrateNotSet},
                 {"", kBitrateNotSet}};
    for (const auto& c : audio)
        EXPECT_EQ(AudioBitrateFromCaption(c.caption), c.audio) << c.caption;

    const struct {
        const char* caption;
        int32_t video;
    } video[] = {{"528 kbps(中等质量)", 528000},
                 {"192 kbps (超低质量)", 192000},
                 {"8 kbps", 8000},
                 {"9000 kbps(极高质量)", 9000000},
                 {"1800 kbps(极高质量)", 1800000},
                 {"无", kBitrateNotSet},
                 {"", kBitrateNotSet}};
    for (const auto& c : video)
        EXPECT_EQ(VideoBitrateFromCaption(c.caption), c.video) << c.caption;
}

// The values come from the lists, not from reading the caption's digits: every
// entry the window can offer has its value beside it, and text no list holds
// (a caption that merely looks like a rate) sets nothing.
TEST(OptionTranslation, EveryListEntryHasItsValueBesideIt)
{
    const struct {
        OptionList list;
        bool (*hasValue)(const std::string&);
    } kinds[] = {
        {OptionList::VideoBitrate, [](const std::string& c) { return VideoBitrateOf(c).has_value(); }},
        {OptionList::AudioBitrate, [](const std::string& c) { return AudioBitrateOf(c).has_value(); }},
        {OptionList::FrameRate, [](const std::string& c) { return FrameRateOf(c).has_value(); }},
    };
    for (const FormatProfile& profile : FormatProfiles())
        for (const auto& kind : kinds) {
            const OptionItems* items = profile.lists[Index(kind.list)].items;
            ASSERT_NE(items, nullptr) << profile.firstNumber;
            for (const std::string& caption : *items)
                EXPECT_TRUE(kind.hasValue(caption)) << "format " << profile.firstNumber << ": " << caption;
        }
    for (const OptionItems* refill : {&ProfileLists::VideoBitratesWide(), &ProfileLists::VideoBitratesMjpeg()})
        for (const std::string& caption : *refill)
            EXPECT_TRUE(VideoBitrateOf(caption).has_value()) << caption;
    for (const OptionItems* refill : {&ProfileLists::AudioBitratesAac8k(), &ProfileLists::AudioBitratesAac3g2(),
                                      &ProfileLists::AudioBitratesSymbian(), &ProfileLists::AudioBitratesPhone(),
                                      &ProfileLists::AudioBitratesAmr()})
        for (const std::string& caption : *refill)
            EXPECT_TRUE(AudioBitrateOf(caption).has_value()) << caption;

    EXPECT_EQ(VideoBitrateFromCaption("999 kbps"), kBitrateNotSet);
    EXPECT_EQ(AudioBitrateFromCaption("5.150"), kBitrateNotSet);
    EXPECT_EQ(FrameRateFromCaption("29.970"), "");
    // constant quality and VBR entries stand for no bit rate
    EXPECT_EQ(VideoBitrateFromCaption("恒定质量 CRF 23 (标准质量)"), kBitrateNotSet);
    EXPECT_EQ(AudioBitrateFromCaption("VBR V2 (约190 kbps, 高质量)"), kBitrateNotSet);
}

TEST(OptionTranslation, PlainCaptions)
{
    EXPECT_EQ(ChannelsFromCaption("立体声"), "2");
    EXPECT_EQ(ChannelsFromCaption("单声道"), "1");
    EXPECT_EQ(SampleRateFromCaption("自动音频采样率"), "AUTO");
    EXPECT_EQ(SampleRateFromCaption("44100"), "44100");
    EXPECT_EQ(FrameSizeFromCaption("保持原分辨率"), "");
    EXPECT_EQ(FrameSizeFromCaption("无"), "");
    EXPECT_EQ(FrameSizeFromCaption("320*240 (PSP所有固件版本适用)"), "320*240 (PSP所有固件版本适用)");
    EXPECT_EQ(FrameRateFromCaption("保持原帧速率"), "");
    EXPECT_EQ(FrameRateFromCaption("无"), "");
    // the NTSC rates are 1000/1001 of a whole number, not the decimals they are shown as
    const std::pair<const char*, const char*> rates[] = {
        {"29.97", "30000/1001"},
        {"23.97", "24000/1001"},
        {"23.976", "24000/1001"},
        {"23.98", "24000/1001"},
        {"59.94", "60000/1001"},
        {"25.00", "25.00"},
        {"30.00", "30.00"},
        {"24", "24"},
        {"12", "12"},
    };
    for (const auto& [caption, rate] : rates)
        EXPECT_EQ(FrameRateFromCaption(caption), rate) << caption;
    EXPECT_EQ(AspectFromCaption("普通视频4:3模式"), "4:3");
    EXPECT_EQ(AspectFromCaption("宽屏视频16:9模式"), "16:9");
    EXPECT_EQ(AspectFromCaption("无"), "");
    EXPECT_EQ(FiltersText(false, false, false), "");
    EXPECT_EQ(FiltersText(true, false, true), "hflip,negate");
    EXPECT_EQ(FiltersText(true, true, true), "hflip,vflip,negate");
}

TEST(OptionTranslation, VolumeTable)
{
    const struct {
        const char* caption;
        const char* volume;
    } cases[] = {
        {"无声音", "0"},         {"音量降低90%", "26"},    {"音量降低80%", "51"},   {"音量降低70%", "77"},
        {"音量降低60%", "102"},  {"音量降低50%", "128"},   {"音量降低40%", "154"},  {"音量降低30%", "179"},
        {"音量降低20%", "205"},  {"音量降低10%", "230"},   {"音量保持不变", "256"}, {"音量增加10%", "282"},
        {"音量增加20%", "307"},  {"音量增加30%", "333"},   {"音量增加40%", "358"},  {"音量增加50%", "384"},
        {"音量增加60%", "410"},  {"音量增加70%", "435"},   {"音量增加80%", "461"},  {"音量增加90%", "486"},
        {"音量增加1倍", "512"},  {"音量增加1.5倍", "640"}, {"音量增加2倍", "768"},  {"音量增加3倍", "1024"},
        {"音量增加4倍", "1280"}, {"音量增加5倍", "1536"},  {"音量增加6倍", "1792"}, {"音量增加7倍", "2048"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VolumeFromCaption(c.caption), c.volume) << c.caption;
    // every entry of the list the window offers has its own value
    std::set<std::string> values;
    for (const std::string& caption : ProfileLists::Volumes())
        values.insert(VolumeFromCaption(caption));
    EXPECT_EQ(values.size(), ProfileLists::Volumes().size());
}

TEST(OptionTranslation, VideoEncoders)
{
    const struct {
        const char* caption;
        const char* codec;
        const char* tag;
        const char* format;
        const char* disc;
        const char* norm;
    } cases[] = {
        {"Divx 5 视频压缩器", "mpeg4", "DX50", "", "", ""},
        {"MPEG4 视频压缩器", "mpeg4", "", "", "", ""},
        {"XviD 视频压缩器1", "mpeg4", "XVID", "", "", ""},
        {"XviD 视频压缩器2", "libxvid", "", "", "", ""},
        {"Divx 视频压缩器", "msmpeg4", "", "", "", ""},
        {"Mjpeg 视频压缩器", "mjpeg", "", "", "", ""},
        {"H264/AVC高清视频压缩器", "libx264", "", "", "", ""},
        {"H263高清视频压缩器", "h263", "", "", "", ""},
        {"RM视频压缩器1", "rv10", "", "", "", ""},
        {"RM视频压缩器2", "rv20", "", "", "", ""},
        {"WMV视频压缩器", "wmv2", "", "", "", ""},
        {"MPEG视频压缩器", "mpeg1video", "", "", "", ""},
        {"ASF视频压缩器", "msmpeg4", "", "asf", "", ""},
        {"MPEG4视频压缩器", "mpeg4", "", "", "", ""},
        {"FLASH格式视频压缩器", "", "", "", "", ""},
        {"FLV格式视频压缩器", "", "", "", "", ""},
        {"QuickTime视频压缩器", "", "", "", "", ""},
        {"该格式无视频", "", "", "", "", ""},
        {"PAL_DVD视频压缩器", "", "", "", "dvd", "PAL"},
        {"NTSC_SVCD视频压缩器", "", "", "", "svcd", "NTSC"},
        {"PAL_VCD视频压缩器", "", "", "", "vcd", "PAL"},
    };
    for (const auto& c : cases) {
        const auto rule = VideoEncoderRuleOf(c.caption);
        ASSERT_TRUE(rule.has_value()) << c.caption;
        EXPECT_EQ(rule->codec, c.codec) << c.caption;
        EXPECT_EQ(rule->tag, c.tag) << c.caption;
        EXPECT_EQ(rule->outputFormat, c.format) << c.caption;
        EXPECT_EQ(rule->discTarget, c.disc) << c.caption;
        EXPECT_EQ(rule->discNorm, c.norm) << c.caption;
    }
    EXPECT_FALSE(VideoEncoderRuleOf("").has_value());
}

TEST(OptionTranslation, AudioEncoders)
{
    const struct {
        const char* caption;
        const char* codec;
    } cases[] = {{"MP3音频编码器", "libmp3lame"},
                 {"Flac音频编码器", "flac"},
                 {"AAC音频编码器", "libfaac"},
                 {"AC3音频编码器", "ac3"},
                 {"自动音频编码器", "AUTO"},
                 {"WMV音频编码器", "wmav2"},
                 {"WMA音频编码器", "wmav2"},
                 {"ASF音频编码器1", "wmav2"},
                 {"ASF音频编码器2", "wmav1"},
                 {"OGG音频编码器", "libvorbis"},
                 {"AMR音频编码器", "libopencore_amrnb"},
                 {"WAVE音频编码器", ""},
                 {"RM音频编码器", ""},
                 {"MP2音频编码器", ""}};
    for (const auto& c : cases) {
        const auto codec = AudioCodecOf(c.caption);
        ASSERT_TRUE(codec.has_value()) << c.caption;
        EXPECT_EQ(*codec, c.codec) << c.caption;
    }
    EXPECT_FALSE(AudioCodecOf("").has_value());
}

TEST(OptionTranslation, DiscResetRenamesInTheOutputFolder)
{
    OutputSettings settings;
    settings.OutputFile = "/somewhere/else/movie.mpg";
    settings.VideoTag = "DX50";
    settings.Volume = "512";
    settings.AudioBitrate = 128000;
    ApplyDiscReset(*VideoEncoderRuleOf("NTSC_DVD视频压缩器"), "/out", settings);
    EXPECT_EQ(settings.OutputFile, "/out/movie_NTSC.mpg");
    EXPECT_EQ(settings.VideoTag, "");
    EXPECT_EQ(settings.Volume, "256");
    EXPECT_EQ(settings.AudioBitrate, kBitrateNotSet);
    EXPECT_EQ(settings.TargetType, "dvd");
}
