#include "formats/FormatCatalogue.h"

#include <array>

namespace {

constexpr CatalogueEntry kMobile[] = {
    {100, 0, "3GP手机视频格式"},
    {101, 1, "3GP2手机视频格式"},
    {102, 2, "Symbian智能平台手机专用MP4视频(如诺基亚等)"},
    {103, 3, "手机常用MP4视频(如索爱/三星/摩托罗拉等)"},
    {104, 4, "黑莓手机3GP视频AMR_NB音频格式"},
    {105, 5, "黑莓手机3GP视频AAC音频格式"},
    {106, 6, "黑莓手机AVI视频格式"},
    {107, 7, "黑莓手机MP4视频格式"},
    {108, 8, "黑莓手机AMR音频格式"},
    {109, 9, "手机AVI视频格式"},
    {110, 10, "手机WMV视频格式"},
    {111, 11, "手机ASF视频格式"},
    {112, 12, "手机MPEG-4视频格式"},
    {113, 13, "手机MOV视频格式"},
    {114, 14, "手机MPG视频格式"},
    {115, 15, "手机AAC音频格式"},
    {116, 16, "手机MP3音频格式"},
    {117, 17, "手机WMA音频格式"},
    {118, 18, "手机WAVE音频格式"},
    {119, 19, "手机AMR_NB音频格式"},
    {120, 20, "黑莓手机3GP视频(H.263)"},
    {121, 21, "黑莓MP4优化视频"},
    {122, 22, "iPad视频格式"},
    {123, 23, "iPhone视频格式"},
    {124, 24, "iPod视频格式"},
    {125, 25, "PSP视频格式"},
    {126, 26, "Zune视频格式"},
    {127, 27, "MP4/MP5视频格式"},
};

// The PC page skips images 9-11, and its last two entries take 37 and 36.
constexpr CatalogueEntry kComputer[] = {
    {1, 0, "电脑上使用的AVI/MPEG视频"},
    {2, 1, "MP4机上使用的AVI/MPEG视频"},
    {3, 2, "支持MPEG4的DVD影碟机使用的AVI/MPEG视频"},
    {4, 3, "Sony(索尼) PSP MP4视频"},
    {5, 4, "Sony(索尼) PS3 MP4视频"},
    {6, 5, "Apple(苹果) ipod video MP4视频"},
    {7, 6, "Apple(苹果) iPod Touch/Classic/Nano MP4视频"},
    {8, 7, "Apple(苹果) iPhone MP4视频"},
    {9, 8, "Apple(苹果) TV MP4视频"},
    {10, 12, "SONY(索尼)M70/U50系列普通MPEG4视频"},
    {11, 13, "SONY(索尼)A800/M70/U50系列高清MPEG4视频"},
    {12, 14, "电脑上使用的MP4视频"},
    {13, 15, "SWF视频格式(Flash视频文件)"},
    {14, 16, "FLV视频格式(视频网站专用的FLV文件)(如土豆网)"},
    {15, 17, "RM/RMVB视频格式"},
    {16, 18, "MKV网络视频格式"},
    {17, 19, "MOV视频格式"},
    {18, 20, "MPEG/MPG视频格式"},
    {19, 21, "DVD影碟视频格式"},
    {20, 22, "SVCD影碟视频格式"},
    {21, 23, "VCD影碟视频格式"},
    {22, 24, "WMV微软视频格式"},
    {23, 37, "ASF视频格式"},
    {24, 36, "Motion Jpeg(MJpeg)视频格式"},
};

constexpr CatalogueEntry kAudio[] = {
    {200, 0, "MP3音频格式"}, {201, 1, "WMA音频格式"},         {202, 2, "CD/WAV音频格式"}, {203, 3, "AAC音频格式"},
    {204, 4, "AC3音频格式"}, {205, 5, "OGG音频格式"},         {206, 6, "MP2音频格式"},    {207, 7, "FLAC音频格式"},
    {208, 8, "RM音频格式"},  {209, 9, "AMR（手机）音频格式"},
};

// Today's codecs: phones, TVs and the web, editing, animations, lossless audio.
constexpr CatalogueEntry kModern[] = {
    {300, 0, "MP4 H.264 High 高清视频(手机/平板/电视)"},
    {301, 1, "MP4 H.265/HEVC 高清视频(苹果设备可播放)"},
    {302, 2, "MKV H.265/HEVC 高清视频"},
    {303, 3, "WebM VP9 网络视频"},
    {304, 4, "WebM AV1 网络视频"},
    {305, 5, "MP4 AV1 高清视频"},
    {306, 6, "MOV ProRes 422 剪辑用视频"},
    {307, 7, "MOV DNxHR HQ 剪辑用视频"},
    {308, 8, "GIF 动画"},
    {309, 9, "WebP 动画"},
    {310, 10, "Opus 音频格式"},
    {311, 11, "ALAC 无损音频格式(M4A)"},
    {312, 12, "FLAC 无损音频格式(16/24位)"},
    {313, 13, "MP3 VBR 音频格式(V0/V2)"},
    {314, 14, "WAV 24位音频格式"},
};

constexpr std::array<CataloguePage, kCataloguePageCount> kPages = {{
    {"手机3GP视频音频格式", "suiListView2", "ImageList2", 100, kMobile},
    {"更多电脑常用视频格式", "suiListView1", "ImageList1", 1, kComputer},
    {"更多音频格式", "suiListView3", "ImageList3", 200, kAudio},
    {"新一代高清视频音频格式", "suiListView4", "ImageList4", 300, kModern},
}};

}  // namespace

std::span<const CataloguePage> CataloguePages() { return kPages; }

const CatalogueEntry* FindCatalogueEntry(int number)
{
    for (const CataloguePage& page : kPages) {
        const int position = number - page.base;
        if (position >= 0 && position < static_cast<int>(page.entries.size()))
            return &page.entries[position];
    }
    return nullptr;
}
