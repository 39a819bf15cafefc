// The catalogue and the profile table agree with each other and hold what the
// chooser and the option window key on.
#include <gtest/gtest.h>

#include <set>

#include "formats/FormatCatalogue.h"
#include "formats/FormatProfiles.h"

TEST(FormatCatalogue, PagesOwnTheirRangesInTabOrder)
{
    struct Expected {
        const char* tab;
        const char* list;
        int base;
        int count;
    };
    const Expected expected[] = {{"手机3GP视频音频格式", "suiListView2", 100, 28},
                                 {"更多电脑常用视频格式", "suiListView1", 1, 24},
                                 {"更多音频格式", "suiListView3", 200, 10},
                                 {"新一代高清视频音频格式", "suiListView4", 300, 15}};
    ASSERT_EQ(CataloguePages().size(), 4u);
    int total = 0;
    for (int page = 0; page < 4; ++page) {
        const CataloguePage& p = CataloguePages()[page];
        EXPECT_STREQ(p.tabCaption, expected[page].tab);
        EXPECT_STREQ(p.listName, expected[page].list);
        ASSERT_EQ(static_cast<int>(p.entries.size()), expected[page].count);
        for (int i = 0; i < expected[page].count; ++i)
            EXPECT_EQ(p.entries[i].number, expected[page].base + i);
        if (page < 3)
            total += expected[page].count;
    }
    EXPECT_EQ(total, 62);  // the first three pages
}

TEST(FormatCatalogue, NumbersOutsideThePagesNameNoFormat)
{
    for (int number : {-1, 0, 25, 99, 128, 199, 210, 299, 315, 1000})
        EXPECT_EQ(FindCatalogueEntry(number), nullptr) << number;
    struct Case {
        int number;
        int image;
        const char* caption;
    };
    const Case cases[] = {{107, 7, "黑莓手机MP4视频格式"},
                          {9, 8, "Apple(苹果) TV MP4视频"},
                          {10, 12, "SONY(索尼)M70/U50系列普通MPEG4视频"},
                          {23, 37, "ASF视频格式"},
                          {24, 36, "Motion Jpeg(MJpeg)视频格式"},
                          {209, 9, "AMR（手机）音频格式"}};
    for (const Case& c : cases) {
        const CatalogueEntry* entry = FindCatalogueEntry(c.number);
        ASSERT_NE(entry, nullptr) << c.number;
        EXPECT_EQ(entry->imageIndex, c.image) << c.number;
        EXPECT_STREQ(entry->caption, c.caption);
    }
}

TEST(FormatProfiles, EveryEntryHasOneProfileWithValidDefaults)
{
    EXPECT_EQ(FormatProfiles().size(), 57u + 15u);  // today's formats have one profile each
    for (const CataloguePage& page : CataloguePages()) {
        for (const CatalogueEntry& entry : page.entries) {
            const FormatProfile* profile = FindProfile(entry.number);
            ASSERT_NE(profile, nullptr) << entry.number;
            for (std::size_t i = 0; i < kOptionListCount; ++i) {
                const OptionChoice& choice = profile->lists[i];
                ASSERT_NE(choice.items, nullptr) << entry.number << " list " << i;
                ASSERT_FALSE(choice.items->empty()) << entry.number << " list " << i;
                EXPECT_GE(choice.defaultIndex, 0) << entry.number << " list " << i;
                EXPECT_LT(choice.defaultIndex, static_cast<int>(choice.items->size())) << entry.number;
            }
            EXPECT_EQ(profile->lists[Index(OptionList::Volume)].items->size(), 28u);
        }
    }
    for (int number : {0, 25, 99, 128, 199, 210, 299, 315})
        EXPECT_EQ(FindProfile(number), nullptr) << number;
}

// Sizes and defaults of a few lists whose captions are easy to get wrong.
TEST(FormatProfiles, ListsHoldTheirEntriesAndDefaults)
{
    struct Case {
        int number;
        OptionList list;
        std::size_t size;
        const char* defaultCaption;
    };
    const Case cases[] = {
        {1, OptionList::VideoEncoder, 7, "Divx 5 视频压缩器"},
        {1, OptionList::VideoBitrate, 8, "528 kbps(中等质量)"},
        {1, OptionList::FrameSize, 16, "320*240"},
        {1, OptionList::FrameRate, 12, "25.00"},
        {4, OptionList::FrameSize, 4, "320*240 (PSP所有固件版本适用)"},
        {5, OptionList::FrameSize, 7, "720*480  (标清SD格式)"},
        {6, OptionList::VideoBitrate, 9, "600 kbps (中等质量)"},
        {11, OptionList::VideoEncoder, 5, "H264/AVC高清视频压缩器"},
        {15, OptionList::AudioBitrate, 1, "自动音频比特率"},
        {18, OptionList::FrameRate, 11, "25.00"},
        // the discs offer what the disc takes: AC-3 at 48 kHz on a DVD, MP2 at 44.1 kHz on SVCD and VCD
        {19, OptionList::SampleRate, 1, "48000"},
        {19, OptionList::AudioEncoder, 1, "AC3音频编码器"},
        {19, OptionList::AudioBitrate, 6, "448"},
        {20, OptionList::AudioEncoder, 1, "MP2音频编码器"},
        {20, OptionList::SampleRate, 1, "44100"},
        {21, OptionList::AudioBitrate, 1, "224"},
        {24, OptionList::VideoBitrate, 15, "3000 kbps(高质量)"},
        {100, OptionList::FrameSize, 11, "176*144"},
        {100, OptionList::Channels, 1, "单声道"},
        {104, OptionList::AudioBitrate, 8, "10.2"},
        {106, OptionList::VideoEncoder, 3, "H263高清视频压缩器"},
        {107, OptionList::FrameSize, 13, "352*288"},
        {120, OptionList::VideoEncoder, 5, "H263高清视频压缩器"},
        {123, OptionList::FrameSize, 10, "480*320"},
        {126, OptionList::VideoEncoder, 5, "H264/AVC高清视频压缩器"},
        {200, OptionList::VideoEncoder, 1, "该格式无视频"},
        {209, OptionList::AudioBitrate, 8, "7.4"},
    };
    for (const Case& c : cases) {
        const OptionChoice& choice = FindProfile(c.number)->lists[Index(c.list)];
        EXPECT_EQ(choice.items->size(), c.size) << c.number << " list " << Index(c.list);
        EXPECT_EQ(choice.items->at(choice.defaultIndex), c.defaultCaption) << c.number;
    }
}

TEST(FormatProfiles, ExtensionsLabelsAndExtras)
{
    struct Case {
        int number;
        const char* extension;
        const char* label;
        ProfileExtra extra;
    };
    const Case cases[] = {
        {2, ".avi", ".avi", ProfileExtra::None},        {4, ".mp4", ".psp.mp4", ProfileExtra::None},
        {9, ".mp4", ".ipod.mp4", ProfileExtra::None},   {17, ".mov", ".mov", ProfileExtra::MovContainer},
        {19, ".mpg", ".mpg", ProfileExtra::DiscDvd},    {20, ".mpg", ".mpg", ProfileExtra::DiscSvcd},
        {21, ".mpg", ".mpg", ProfileExtra::DiscVcd},    {101, ".3g2", ".3g2", ProfileExtra::None},
        {108, ".amr", ".amr", ProfileExtra::AudioOnly}, {113, ".mov", ".mov", ProfileExtra::MovContainer},
        {122, ".mp4", ".psp.mp4", ProfileExtra::None},  {124, ".mp4", ".ipod.mp4", ProfileExtra::None},
        {203, ".m4a", ".m4a", ProfileExtra::AudioOnly}, {207, ".flac", ".flac", ProfileExtra::AudioOnly},
    };
    for (const Case& c : cases) {
        const FormatProfile* profile = FindProfile(c.number);
        EXPECT_EQ(profile->extension, c.extension) << c.number;
        EXPECT_EQ(profile->outputExt, c.label) << c.number;
        EXPECT_EQ(profile->extra, c.extra) << c.number;
    }
}
