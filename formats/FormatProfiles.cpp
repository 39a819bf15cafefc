#include "formats/FormatProfiles.h"

#include <algorithm>

#include "formats/OptionCaptions.h"

namespace {

// ---- video bit rates -----------------------------------------------------
const ValuedItems<int32_t> kVideoBitratesWide{{"128 kbps(超低质量)", 128'000},    {"288 kbps(低质量)", 288'000},
                                              {"528 kbps(中等质量)", 528'000},    {"816 kbps(高质量)", 816'000},
                                              {"1200 kbps(很高质量)", 1'200'000}, {"1600 kbps(极高质量)", 1'600'000},
                                              {"1800 kbps(极高质量)", 1'800'000}, {"2000 kbps(极高质量)", 2'000'000}};
const ValuedItems<int32_t> kVideoBitratesPsp{{"216 kbps(超低质量)", 216'000},
                                             {"384 kbps(低质量)", 384'000},
                                             {"512 kbps(中等质量)", 512'000},
                                             {"768 kbps(高质量)", 768'000},
                                             {"1500 kbps(很高质量)", 1'500'000}};
const ValuedItems<int32_t> kVideoBitratesPspHd{
    {"216 kbps(超低质量)", 216'000},    {"384 kbps(低质量)", 384'000},      {"512 kbps(中等质量)", 512'000},
    {"768 kbps(高质量)", 768'000},      {"1000 kbps(很高质量)", 1'000'000}, {"1200 kbps(很高质量)", 1'200'000},
    {"1400 kbps(很高质量)", 1'400'000}, {"1500 kbps(很高质量)", 1'500'000}, {"1600 kbps(极高质量)", 1'600'000},
    {"1800 kbps(极高质量)", 1'800'000}, {"2000 kbps(极高质量)", 2'000'000}, {"2500 kbps(极高质量)", 2'500'000}};
const ValuedItems<int32_t> kVideoBitratesIpod{
    {"192 kbps (超低质量)", 192'000},    {"384 kbps (低质量)", 384'000},      {"600 kbps (中等质量)", 600'000},
    {"768 kbps (高质量)", 768'000},      {"1000 kbps (很高质量)", 1'000'000}, {"1200 kbps (很高质量)", 1'200'000},
    {"1500 kbps (很高质量)", 1'500'000}, {"1800 kbps(极高质量)", 1'800'000},  {"2000 kbps(极高质量)", 2'000'000}};
const ValuedItems<int32_t> kVideoBitratesMp4{
    {"192 kbps (超低质量)", 192'000},    {"384 kbps (低质量)", 384'000},      {"528 kbps (中等质量)", 528'000},
    {"600 kbps (中等质量)", 600'000},    {"768 kbps (高质量)", 768'000},      {"816 kbps (高质量)", 816'000},
    {"1000 kbps (很高质量)", 1'000'000}, {"1200 kbps (很高质量)", 1'200'000}, {"1500 kbps (很高质量)", 1'500'000},
    {"1800 kbps(极高质量)", 1'800'000},  {"2000 kbps(极高质量)", 2'000'000}};
const ValuedItems<int32_t> kVideoBitratesMjpeg{
    {"128 kbps(超低质量)", 128'000},    {"288 kbps(低质量)", 288'000},      {"528 kbps(低质量)", 528'000},
    {"816 kbps(低质量)", 816'000},      {"1200 kbps(一般质量)", 1'200'000}, {"1600 kbps(一般质量)", 1'600'000},
    {"1800 kbps(一般质量)", 1'800'000}, {"2000 kbps(中等质量)", 2'000'000}, {"3000 kbps(高质量)", 3'000'000},
    {"4000 kbps(高质量)", 4'000'000},   {"5000 kbps(极高质量)", 5'000'000}, {"6000 kbps(极高质量)", 6'000'000},
    {"7000 kbps(极高质量)", 7'000'000}, {"8000 kbps(极高质量)", 8'000'000}, {"9000 kbps(极高质量)", 9'000'000}};
const ValuedItems<int32_t> kVideoBitratesPhone{
    {"8 kbps", 8000},      {"16 kbps", 16'000},   {"24 kbps", 24'000},   {"32 kbps", 32'000},   {"48 kbps", 48'000},
    {"56 kbps", 56'000},   {"64 kbps", 64'000},   {"80 kbps", 80'000},   {"96 kbps", 96'000},   {"128 kbps", 128'000},
    {"160 kbps", 160'000}, {"192 kbps", 192'000}, {"256 kbps", 256'000}, {"320 kbps", 320'000}, {"384 kbps", 384'000}};
const ValuedItems<int32_t> kVideoBitratesPhoneMp4{
    {"8 kbps", 8000},      {"16 kbps", 16'000},   {"24 kbps", 24'000},   {"32 kbps", 32'000},   {"48 kbps", 48'000},
    {"56 kbps", 56'000},   {"64 kbps", 64'000},   {"80 kbps", 80'000},   {"96 kbps", 96'000},   {"128 kbps", 128'000},
    {"160 kbps", 160'000}, {"192 kbps", 192'000}, {"256 kbps", 256'000}, {"320 kbps", 320'000}, {"384 kbps", 384'000},
    {"512 kbps", 512'000}, {"600 kbps", 600'000}};
const ValuedItems<int32_t> kVideoBitratesH263Avi{{"128 kbps", 128'000}, {"160 kbps", 160'000}, {"192 kbps", 192'000},
                                                 {"256 kbps", 256'000}, {"320 kbps", 320'000}, {"384 kbps", 384'000}};
const ValuedItems<int32_t> kNoVideoBitrate{{kNothing, kBitrateNotSet}};
const ValuedItems<int32_t> kVideoBitratesPspTv{{"216 kbps(超低质量)", 216'000},   {"384 kbps(低质量)", 384'000},
                                               {"512 kbps(中等质量)", 512'000},   {"768 kbps(高质量)", 768'000},
                                               {"1200 kbps(高质量)", 1'200'000},  {"1500 kbps(很高质量)", 1'500'000},
                                               {"1800 kbps(很高质量)", 1'800'000}};

// ---- frame sizes ---------------------------------------------------------
const OptionItems kFrameSizesPc{kKeepFrameSize, "176*144", "240*176", "320*240", "352*240", "352*288",
                                "384*288",      "480*480", "480*576", "640*368", "640*480", "704*480",
                                "704*576",      "720*480", "720*576", "1280*720"};
const OptionItems kFrameSizesPsp{"320*240 (PSP所有固件版本适用)", "368*208 (PSP 2.0或更高固件版本适用)",
                                 "480*272  (PSP 3.03或更高固件版本适用)", "720*480  (PSP 3.4或更高固件版本适用)"};
const OptionItems kFrameSizesPspHd{"320*240 (PSP所有固件版本适用)",
                                   "368*208 (PSP 2.0或更高固件版本适用)",
                                   "480*272  (PSP 3.03或更高固件版本适用)",
                                   "640*480  (PSP 3.03或更高固件版本适用)",
                                   "720*480  (标清SD格式)",
                                   "1280*720  (高清晰HD格式)",
                                   "1920*1080  (高清晰HD格式)"};
const OptionItems kFrameSizesIpod{"128*96", "176*144", "160*120", "320*240", "352*288", "368*208", "640*480"};
const OptionItems kFrameSizesPhone{"112*96",  "128*96",  "160*112", "160*120", "176*144", "192*144",
                                   "208*176", "220*176", "320*208", "320*224", "320*240"};
const OptionItems kFrameSizesPhoneLarge{"112*96",  "128*96",  "160*112", "160*120", "176*144", "192*144", "208*176",
                                        "220*176", "320*208", "320*224", "320*240", "352*288", "480*360"};
const OptionItems kNoFrameSize{kNothing};
const OptionItems kFrameSizesPspTv{"640*480", "720*480", "720*576", "960*540", "1280*720"};
const OptionItems kFrameSizesIpodTouch{"128*96",  "176*144", "160*120", "320*240", "352*288",
                                       "368*208", "480*320", "480*368", "512*384", "640*480"};
const OptionItems kFrameSizesMp4{"128*96",  "176*144", "160*120", "320*240", "352*288",
                                 "368*208", "640*480", "720*480", "720*576", "1280*720"};
const OptionItems kFrameSizesH263{"128*96", "176*144", "352*288", "704*576"};

// ---- frame rates ---------------------------------------------------------
const ValuedItems<const char*> kFrameRatesPc{{kKeepFrameRate, ""}, {"10.00", "10.00"},      {"13.00", "13.00"},
                                             {"15.00", "15.00"},   {"18.00", "18.00"},      {"20.00", "20.00"},
                                             {"23.00", "23.00"},   {"23.97", "24000/1001"}, {"24.00", "24.00"},
                                             {"25.00", "25.00"},   {"29.97", "30000/1001"}, {"30.00", "30.00"}};
const ValuedItems<const char*> kFrameRatesPsp{{"15.00", "15.00"}, {"23.98", "24000/1001"}, {"29.97", "30000/1001"}};
const ValuedItems<const char*> kFrameRatesPspHd{{"20.00", "20.00"}, {"23.97", "24000/1001"}, {"23.98", "24000/1001"},
                                                {"24.00", "24.00"}, {"25.00", "25.00"},      {"29.97", "30000/1001"},
                                                {"30.00", "30.00"}};
const ValuedItems<const char*> kFrameRatesIpod{{"10", "10"},
                                               {"12", "12"},
                                               {"15", "15"},
                                               {"20", "20"},
                                               {"23.98", "24000/1001"},
                                               {"24", "24"},
                                               {"25", "25"},
                                               {"29.97", "30000/1001"},
                                               {"30", "30"}};
const ValuedItems<const char*> kFrameRatesMpeg{{kKeepFrameRate, ""}, {"10.00", "10.00"},      {"13.00", "13.00"},
                                               {"15.00", "15.00"},   {"18.00", "18.00"},      {"20.00", "20.00"},
                                               {"23.00", "23.00"},   {"23.97", "24000/1001"}, {"24.00", "24.00"},
                                               {"25.00", "25.00"},   {"30.00", "30.00"}};
const ValuedItems<const char*> kFrameRatesPhone{{"1", "1"},   {"2", "2"},   {"3", "3"},  {"5", "5"},
                                                {"10", "10"}, {"12", "12"}, {"15", "15"}};
const ValuedItems<const char*> kFrameRatesPhoneMp4{{"1", "1"},   {"2", "2"},   {"3", "3"},   {"5", "5"},
                                                   {"10", "10"}, {"12", "12"}, {"15", "15"}, {"25", "25"}};
const ValuedItems<const char*> kFrameRatesH263Avi{{"15", "15"}, {"24", "24"}};
const ValuedItems<const char*> kFrameRatesPhoneLarge{{"12", "12"}, {"15", "15"}, {"24", "24"}, {"25", "25"}};
const ValuedItems<const char*> kNoFrameRate{{kNothing, ""}};

// ---- audio bit rates (kbit/s) --------------------------------------------
const ValuedItems<int32_t> kAudioBitratesFull{
    {"16", 16'000},   {"24", 24'000},   {"32", 32'000},   {"40", 40'000},   {"48", 48'000},   {"56", 56'000},
    {"64", 64'000},   {"80", 80'000},   {"96", 96'000},   {"112", 112'000}, {"128", 128'000}, {"144", 144'000},
    {"160", 160'000}, {"192", 192'000}, {"224", 224'000}, {"256", 256'000}, {"320", 320'000}};
const ValuedItems<int32_t> kAudioBitratesAacPsp{{"64", 64'000}, {"96", 96'000}, {"128", 128'000}};
const ValuedItems<int32_t> kAudioBitratesHigh{{"64", 64'000},   {"96", 96'000},   {"128", 128'000},
                                              {"144", 144'000}, {"160", 160'000}, {"192", 192'000},
                                              {"224", 224'000}, {"256", 256'000}, {"320", 320'000}};
const ValuedItems<int32_t> kAudioBitrateAuto{{kAutoAudioBitrate, kBitrateNotSet}};
const ValuedItems<int32_t> kAudioBitratesAac8k{{"5", 5000}, {"6", 6000},    {"7", 7000},
                                               {"8", 8000}, {"10", 10'000}, {"12", 12'000}};
const ValuedItems<int32_t> kAudioBitratesAac3g2{{"48", 48'000}, {"56", 56'000},   {"64", 64'000},   {"80", 80'000},
                                                {"96", 96'000}, {"112", 112'000}, {"116", 116'000}, {"128", 128'000}};
const ValuedItems<int32_t> kAudioBitratesSymbian{{"64", 64'000},   {"80", 80'000},   {"96", 96'000},
                                                 {"112", 112'000}, {"116", 116'000}, {"128", 128'000}};
const ValuedItems<int32_t> kAudioBitratesPhone{{"32", 32'000},   {"64", 64'000},   {"80", 80'000},  {"96", 96'000},
                                               {"112", 112'000}, {"116", 116'000}, {"128", 128'000}};
const ValuedItems<int32_t> kAudioBitratesAmr{{"4.75", 4750}, {"5.15", 5150}, {"5.9", 5900},   {"6.7", 6700},
                                             {"7.4", 7400},  {"7.95", 7950}, {"10.2", 10200}, {"12.2", 12200}};
const ValuedItems<int32_t> kAudioBitratesPhone3gp{{"32", 32'000},   {"48", 48'000},   {"56", 56'000},
                                                  {"64", 64'000},   {"80", 80'000},   {"96", 96'000},
                                                  {"112", 112'000}, {"116", 116'000}, {"128", 128'000}};

// ---- sample rates (Hz) ---------------------------------------------------
const OptionItems kSampleRatesPc{"11025", "16000", "22050", "32000", "44100", "48000"};
const OptionItems kSampleRate24k{"24000"};
const OptionItems kSampleRatesPspHd{"24000", "32000", "44100", "48000"};
const OptionItems kSampleRates44And48k{"44100", "48000"};
const OptionItems kSampleRatesFlash{"11025", "22050", "44100"};
const OptionItems kSampleRateAuto{kAutoSampleRate};
const OptionItems kSampleRatesCommon{"11025", "22050", "44100", "48000"};
const OptionItems kSampleRatesMpeg{"11025", "22050", "32000", "44100", "48000"};
const OptionItems kSampleRateAmr{"8000"};
const OptionItems kSampleRatesPhone{"8000", "11025", "16000", "22050", "32000", "44100", "48000"};

// ---- the disc profiles' lists: what the disc takes (see DiscTargets) -----
// The picture lists show what the norm of the video encoder writes and are
// not offered for change; the audio lists offer what the disc's players decode.
const ValuedItems<int32_t> kVideoBitrateDvd{{"6000 kbps(DVD标准)", 6'000'000}};
const ValuedItems<int32_t> kVideoBitrateSvcd{{"2040 kbps(SVCD标准)", 2'040'000}};
const ValuedItems<int32_t> kVideoBitrateVcd{{"1150 kbps(VCD标准)", 1'150'000}};
const ValuedItems<int32_t> kAudioBitratesDvd{{"192", 192'000}, {"224", 224'000}, {"256", 256'000},
                                             {"320", 320'000}, {"384", 384'000}, {"448", 448'000}};
const ValuedItems<int32_t> kAudioBitratesSvcd{{"64", 64'000},   {"96", 96'000},   {"128", 128'000},
                                              {"160", 160'000}, {"192", 192'000}, {"224", 224'000},
                                              {"256", 256'000}, {"320", 320'000}, {"384", 384'000}};
const ValuedItems<int32_t> kAudioBitrateVcd{{"224", 224'000}};
const OptionItems kSampleRateDvd{"48000"};
const OptionItems kSampleRateCd{"44100"};

// ---- channels, scaling, volume -------------------------------------------
const OptionItems kChannelsStereoOrMono{kStereo, kMono};
const OptionItems kChannelsMono{kMono};
const OptionItems kChannelsStereo{kStereo};
const OptionItems kScalingModes{kAspect4x3, kAspect16x9};
const OptionItems kNoScaling{kNothing};
const OptionItems kScaling4x3{kAspect4x3};
const OptionItems kVolumes{
    "无声音",        "音量降低90%", "音量降低80%", "音量降低70%",    "音量降低60%", "音量降低50%", "音量降低40%",
    "音量降低30%",   "音量降低20%", "音量降低10%", kVolumeUnchanged, "音量增加10%", "音量增加20%", "音量增加30%",
    "音量增加40%",   "音量增加50%", "音量增加60%", "音量增加70%",    "音量增加80%", "音量增加90%", "音量增加1倍",
    "音量增加1.5倍", "音量增加2倍", "音量增加3倍", "音量增加4倍",    "音量增加5倍", "音量增加6倍", "音量增加7倍"};

// ---- today's formats ----------------------------------------------------
// Constant quality first, on each encoder's own scale, then bit rates.
const ValuedItems<int32_t> kQualityH264{{"恒定质量 CRF 18 (高质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 20 (较高质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 23 (标准质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 26 (较小文件)", kBitrateNotSet},
                                        {"恒定质量 CRF 28 (小文件)", kBitrateNotSet},
                                        {"2000 kbps", 2'000'000},
                                        {"4000 kbps", 4'000'000},
                                        {"8000 kbps", 8'000'000},
                                        {"12000 kbps", 12'000'000},
                                        {"20000 kbps", 20'000'000},
                                        {"40000 kbps", 40'000'000}};
const ValuedItems<int32_t> kQualityH265{{"恒定质量 CRF 18 (高质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 22 (较高质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 24 (标准质量)", kBitrateNotSet},
                                        {"恒定质量 CRF 28 (较小文件)", kBitrateNotSet},
                                        {"恒定质量 CRF 32 (小文件)", kBitrateNotSet},
                                        {"1000 kbps", 1'000'000},
                                        {"2000 kbps", 2'000'000},
                                        {"4000 kbps", 4'000'000},
                                        {"8000 kbps", 8'000'000},
                                        {"16000 kbps", 16'000'000},
                                        {"30000 kbps", 30'000'000}};
const ValuedItems<int32_t> kQualityVp9{{"恒定质量 CRF 24 (高质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 28 (较高质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 31 (标准质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 36 (较小文件)", kBitrateNotSet},
                                       {"恒定质量 CRF 40 (小文件)", kBitrateNotSet},
                                       {"1000 kbps", 1'000'000},
                                       {"2000 kbps", 2'000'000},
                                       {"4000 kbps", 4'000'000},
                                       {"8000 kbps", 8'000'000},
                                       {"16000 kbps", 16'000'000}};
const ValuedItems<int32_t> kQualityAv1{{"恒定质量 CRF 24 (高质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 30 (较高质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 35 (标准质量)", kBitrateNotSet},
                                       {"恒定质量 CRF 40 (较小文件)", kBitrateNotSet},
                                       {"恒定质量 CRF 45 (小文件)", kBitrateNotSet},
                                       {"1000 kbps", 1'000'000},
                                       {"2000 kbps", 2'000'000},
                                       {"4000 kbps", 4'000'000},
                                       {"8000 kbps", 8'000'000},
                                       {"16000 kbps", 16'000'000}};
const ValuedItems<int32_t> kQualityByEncoder{{kEncoderDecides, kBitrateNotSet}};
// Sizes that keep the source's aspect (a width, the height follows), then fixed ones.
const OptionItems kFrameSizesModern{kKeepFrameSize,     "3840*自动 (4K)",    "2560*自动 (2K)",  "1920*自动 (1080p)",
                                    "1280*自动 (720p)", "854*自动 (480p)",   "640*自动 (360p)", "3840*2160 (4K)",
                                    "2560*1440 (2K)",   "1920*1080 (1080p)", "1280*720 (720p)", "854*480 (480p)"};
const OptionItems kFrameSizesAnimation{"240*自动", "320*自动", "480*自动", "640*自动", "800*自动", kKeepFrameSize};
const ValuedItems<const char*> kFrameRatesModern{{kKeepFrameRate, ""}, {"23.976", "24000/1001"}, {"24", "24"},
                                                 {"25", "25"},         {"29.97", "30000/1001"},  {"30", "30"},
                                                 {"50", "50"},         {"59.94", "60000/1001"},  {"60", "60"}};
// A GIF frame lasts whole hundredths of a second: these rates play exactly.
const ValuedItems<const char*> kFrameRatesGif{{"5", "5"}, {"10", "10"}, {"20", "20"}, {"25", "25"}};
const ValuedItems<const char*> kFrameRatesWebp{{"5", "5"},   {"10", "10"}, {"12", "12"}, {"15", "15"},
                                               {"20", "20"}, {"24", "24"}, {"25", "25"}, {"30", "30"}};
const ValuedItems<int32_t> kAudioBitratesAac{{"96", 96'000},   {"128", 128'000}, {"160", 160'000},
                                             {"192", 192'000}, {"256", 256'000}, {"320", 320'000}};
const ValuedItems<int32_t> kAudioBitratesOpus{{"48", 48'000},   {"64", 64'000},   {"96", 96'000},  {"128", 128'000},
                                              {"160", 160'000}, {"192", 192'000}, {"256", 256'000}};
const ValuedItems<int32_t> kAudioBitratesMp3Vbr{{"VBR V0 (约245 kbps, 最高质量)", kBitrateNotSet},
                                                {"VBR V2 (约190 kbps, 高质量)", kBitrateNotSet},
                                                {"VBR V4 (约165 kbps)", kBitrateNotSet},
                                                {"320", 320'000},
                                                {"256", 256'000},
                                                {"192", 192'000},
                                                {"128", 128'000}};
const ValuedItems<int32_t> kAudioBitrateLossless{{"无损", kBitrateNotSet}};
const ValuedItems<int32_t> kNoAudioBitrate{{kNothing, kBitrateNotSet}};
const OptionItems kSampleRatesModern{"44100", "48000"};
const OptionItems kSampleRateOpus{"48000"};
const OptionItems kSampleRatesLossless{"44100", "48000", "88200", "96000"};
const OptionItems kScalingKeep{kKeepAspect};

// An encoder list keeps its own storage; the star marks the default.
struct EncoderList {
    OptionItems items;
    std::string defaultCaption;
};

OptionChoice Pick(const OptionItems& items, const std::string& caption) { return ChoiceOf(items, caption); }

template <typename Value> OptionChoice Pick(const ValuedItems<Value>& list, const std::string& caption)
{
    return ChoiceOf(list.items, caption);
}

OptionChoice Only(const OptionItems& items) { return OptionChoice{&items, 0}; }

template <typename Value> OptionChoice Only(const ValuedItems<Value>& list) { return OptionChoice{&list.items, 0}; }

// Every list of each kind, for the look-up of a caption's value.
const ValuedItems<int32_t>* const kVideoBitrateLists[] = {
    &kVideoBitratesWide,    &kVideoBitratesPsp,   &kVideoBitratesPspHd, &kVideoBitratesIpod,
    &kVideoBitratesMp4,     &kVideoBitratesMjpeg, &kVideoBitratesPhone, &kVideoBitratesPhoneMp4,
    &kVideoBitratesH263Avi, &kNoVideoBitrate,     &kVideoBitratesPspTv, &kVideoBitrateDvd,
    &kVideoBitrateSvcd,     &kVideoBitrateVcd,    &kQualityH264,        &kQualityH265,
    &kQualityVp9,           &kQualityAv1,         &kQualityByEncoder};
const ValuedItems<int32_t>* const kAudioBitrateLists[] = {
    &kAudioBitratesFull,   &kAudioBitratesAacPsp,  &kAudioBitratesHigh,  &kAudioBitrateAuto, &kAudioBitratesAac8k,
    &kAudioBitratesAac3g2, &kAudioBitratesSymbian, &kAudioBitratesPhone, &kAudioBitratesAmr, &kAudioBitratesPhone3gp,
    &kAudioBitratesDvd,    &kAudioBitratesSvcd,    &kAudioBitrateVcd,    &kAudioBitratesAac, &kAudioBitratesOpus,
    &kAudioBitratesMp3Vbr, &kAudioBitrateLossless, &kNoAudioBitrate};
const ValuedItems<const char*>* const kFrameRateLists[] = {
    &kFrameRatesPc,     &kFrameRatesPsp,      &kFrameRatesPspHd,   &kFrameRatesIpod,       &kFrameRatesMpeg,
    &kFrameRatesPhone,  &kFrameRatesPhoneMp4, &kFrameRatesH263Avi, &kFrameRatesPhoneLarge, &kNoFrameRate,
    &kFrameRatesModern, &kFrameRatesGif,      &kFrameRatesWebp};

template <typename Value, std::size_t Count>
std::optional<Value> ValueIn(const ValuedItems<Value>* const (&lists)[Count], const std::string& caption)
{
    for (const ValuedItems<Value>* list : lists) {
        const auto found = std::find(list->items.begin(), list->items.end(), caption);
        if (found != list->items.end())
            return list->values[static_cast<std::size_t>(found - list->items.begin())];
    }
    return std::nullopt;
}

// One row of the profile table. Encoder lists are stored in a deque-like
// vector that never reallocates after start-up (reserved below).
struct ProfileRow {
    int first, last;
    const char* extension;
    const char* outputExt;
    ProfileExtra extra;
    EncoderList video;
    OptionChoice videoBitrate, frameSize, frameRate;
    EncoderList audio;
    OptionChoice audioBitrate, sampleRate, channels, scaling;
};

using enum ProfileExtra;

std::vector<ProfileRow> BuildRows()
{
    const OptionChoice stereo = Pick(kChannelsStereoOrMono, kStereo);
    const OptionChoice mono = Only(kChannelsMono);
    const OptionChoice aspect = Pick(kScalingModes, kAspect4x3);
    const OptionChoice noAspect = Only(kNoScaling);
    const OptionChoice pcVideoBitrate = Pick(kVideoBitratesWide, "528 kbps(中等质量)");
    const OptionChoice pcAudioBitrate = Pick(kAudioBitratesFull, "128");
    const OptionChoice pcFrameSize = Pick(kFrameSizesPc, "320*240");
    const OptionChoice pcFrameRate = Pick(kFrameRatesPc, "25.00");
    const EncoderList pcAudio{{kAudioMp3, kAudioFlac, kAudioAac, kAudioAc3}, kAudioMp3};

    // An audio-only profile: the video lists hold "该格式无视频" and "无".
    auto audioOnly = [&](int number, const char* ext, const std::string& encoder, OptionChoice bitrate,
                         OptionChoice rate, OptionChoice channels) {
        return ProfileRow{number,
                          number,
                          ext,
                          ext,
                          AudioOnly,
                          {{kVideoNone}, kVideoNone},
                          Only(kNoVideoBitrate),
                          Only(kNoFrameSize),
                          Only(kNoFrameRate),
                          {{encoder}, encoder},
                          bitrate,
                          rate,
                          channels,
                          noAspect};
    };
    const OptionChoice rate48k = Pick(kSampleRatesCommon, "48000");
    const OptionChoice amrBitrate = Pick(kAudioBitratesAmr, "7.4");

    std::vector<ProfileRow> rows{
        {1,
         3,
         ".avi",
         ".avi",
         None,
         {{kVideoDivx5, kVideoMpeg4Spaced, kVideoXvid1, kVideoXvid2, kVideoDivx, kVideoMjpeg, kVideoH264}, kVideoDivx5},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {4,
         4,
         ".mp4",
         ".psp.mp4",
         None,
         {{kVideoMpeg4, kVideoDivx5, kVideoXvid1, kVideoXvid2, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesPsp, "512 kbps(中等质量)"),
         Pick(kFrameSizesPsp, "320*240 (PSP所有固件版本适用)"),
         Pick(kFrameRatesPsp, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Only(kSampleRate24k),
         stereo,
         aspect},
        {5,
         5,
         ".mp4",
         ".psp.mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoH264, kVideoDivx5}, kVideoMpeg4},
         Pick(kVideoBitratesPspHd, "768 kbps(高质量)"),
         Pick(kFrameSizesPspHd, "720*480  (标清SD格式)"),
         Pick(kFrameRatesPspHd, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Pick(kSampleRatesPspHd, "48000"),
         stereo,
         aspect},
        {6,
         9,
         ".mp4",
         ".ipod.mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesIpod, "600 kbps (中等质量)"),
         Pick(kFrameSizesIpod, "320*240"),
         Pick(kFrameRatesIpod, "25"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Pick(kSampleRatesPspHd, "48000"),
         stereo,
         aspect},
        {10,
         10,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesMp4, "600 kbps (中等质量)"),
         Pick(kFrameSizesIpod, "320*240"),
         Pick(kFrameRatesIpod, "25"),
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {11,
         11,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoH264},
         Pick(kVideoBitratesIpod, "600 kbps (中等质量)"),
         Pick(kFrameSizesIpod, "320*240"),
         Pick(kFrameRatesIpod, "25"),
         pcAudio,
         Pick(kAudioBitratesHigh, "128"),
         Pick(kSampleRates44And48k, "48000"),
         stereo,
         aspect},
        {12,
         12,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesMp4, "600 kbps (中等质量)"),
         Pick(kFrameSizesIpod, "320*240"),
         Pick(kFrameRatesIpod, "25"),
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {13,
         13,
         ".swf",
         ".swf",
         None,
         {{kVideoFlash}, kVideoFlash},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesFlash, "22050"),
         stereo,
         aspect},
        {14,
         14,
         ".flv",
         ".flv",
         None,
         {{kVideoFlv}, kVideoFlv},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesFlash, "22050"),
         stereo,
         aspect},
        {15,
         15,
         ".rm",
         ".rm",
         None,
         {{kVideoRm1, kVideoRm2}, kVideoRm1},
         pcVideoBitrate,
         Pick(kFrameSizesPc, kKeepFrameSize),
         Pick(kFrameRatesPc, kKeepFrameRate),
         {{kAudioAuto}, kAudioAuto},
         Only(kAudioBitrateAuto),
         Only(kSampleRateAuto),
         stereo,
         aspect},
        {16,
         16,
         ".mkv",
         ".mkv",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesFlash, "22050"),
         stereo,
         aspect},
        {17,
         17,
         ".mov",
         ".mov",
         MovContainer,
         {{kVideoQuickTime}, kVideoQuickTime},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioAac, kAudioMp3, kAudioFlac, kAudioAc3}, kAudioAac},
         pcAudioBitrate,
         Pick(kSampleRatesCommon, "22050"),
         stereo,
         aspect},
        {18,
         18,
         ".mpg",
         ".mpg",
         None,
         {{kVideoMpeg}, kVideoMpeg},
         pcVideoBitrate,
         pcFrameSize,
         Pick(kFrameRatesMpeg, "25.00"),
         {{kAudioMp2, kAudioMp3, kAudioFlac, kAudioAac, kAudioAc3}, kAudioMp2},
         pcAudioBitrate,
         Pick(kSampleRatesMpeg, "44100"),
         stereo,
         aspect},
        {19,
         19,
         ".mpg",
         ".mpg",
         DiscDvd,
         {{kVideoPalDvd, kVideoNtscDvd}, kVideoPalDvd},
         Only(kVideoBitrateDvd),
         Pick(kFrameSizesPc, "720*576"),
         pcFrameRate,
         {{kAudioAc3}, kAudioAc3},
         Pick(kAudioBitratesDvd, "448"),
         Only(kSampleRateDvd),
         stereo,
         aspect},
        {20,
         20,
         ".mpg",
         ".mpg",
         DiscSvcd,
         {{kVideoPalSvcd, kVideoNtscSvcd}, kVideoPalSvcd},
         Only(kVideoBitrateSvcd),
         Pick(kFrameSizesPc, "480*576"),
         pcFrameRate,
         {{kAudioMp2}, kAudioMp2},
         Pick(kAudioBitratesSvcd, "224"),
         Only(kSampleRateCd),
         stereo,
         aspect},
        {21,
         21,
         ".mpg",
         ".mpg",
         DiscVcd,
         {{kVideoPalVcd, kVideoNtscVcd}, kVideoPalVcd},
         Only(kVideoBitrateVcd),
         Pick(kFrameSizesPc, "352*288"),
         pcFrameRate,
         {{kAudioMp2}, kAudioMp2},
         Only(kAudioBitrateVcd),
         Only(kSampleRateCd),
         Only(kChannelsStereo),
         Only(kScaling4x3)},
        {22,
         22,
         ".wmv",
         ".wmv",
         None,
         {{kVideoWmv}, kVideoWmv},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioWmv}, kAudioWmv},
         pcAudioBitrate,
         rate48k,
         stereo,
         aspect},
        {23,
         23,
         ".asf",
         ".asf",
         None,
         {{kVideoAsf}, kVideoAsf},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioAsf1, kAudioAsf2}, kAudioAsf1},
         pcAudioBitrate,
         rate48k,
         stereo,
         aspect},
        {24,
         24,
         ".avi",
         ".avi",
         None,
         {{kVideoMjpeg}, kVideoMjpeg},
         Pick(kVideoBitratesMjpeg, "3000 kbps(高质量)"),
         pcFrameSize,
         Pick(kFrameRatesPc, kKeepFrameRate),
         {{kAudioMp3}, kAudioMp3},
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},

        {100,
         100,
         ".3gp",
         ".3gp",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhone, "128 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhone, "12"),
         {{kAudioAac, kAudioAmr}, kAudioAac},
         Pick(kAudioBitratesAac8k, "12"),
         Only(kSampleRateAmr),
         mono,
         aspect},
        {101,
         101,
         ".3g2",
         ".3g2",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhone, "128 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhone, "12"),
         {{kAudioAac, kAudioAmr}, kAudioAac},
         Pick(kAudioBitratesAac3g2, "48"),
         Pick(kSampleRatesPhone, "32000"),
         stereo,
         aspect},
        {102,
         102,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhoneMp4, "160 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhoneMp4, "15"),
         {{kAudioAac, kAudioAmr}, kAudioAac},
         Pick(kAudioBitratesSymbian, "64"),
         Pick(kSampleRatesPhone, "44100"),
         stereo,
         aspect},
        {103,
         103,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhoneMp4, "128 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhoneMp4, "12"),
         {{kAudioAac, kAudioAmr}, kAudioAac},
         Pick(kAudioBitratesPhone, "32"),
         Pick(kSampleRatesPhone, "32000"),
         stereo,
         aspect},
        {104,
         104,
         ".3gp",
         ".3gp",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhone, "128 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhone, "12"),
         {{kAudioAmr}, kAudioAmr},
         Pick(kAudioBitratesAmr, "10.2"),
         Only(kSampleRateAmr),
         mono,
         aspect},
        {105,
         105,
         ".3gp",
         ".3gp",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhone, "128 kbps"),
         Pick(kFrameSizesPhone, "320*240"),
         Pick(kFrameRatesPhone, "15"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesPhone3gp, "32"),
         Pick(kSampleRatesPhone, "16000"),
         stereo,
         aspect},
        {106,
         106,
         ".avi",
         ".avi",
         None,
         {{kVideoXvid1, kVideoXvid2, kVideoH263}, kVideoH263},
         Pick(kVideoBitratesH263Avi, "256 kbps"),
         Pick(kFrameSizesPhoneLarge, "352*288"),
         Pick(kFrameRatesH263Avi, "15"),
         {{kAudioMp3}, kAudioMp3},
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {107,
         107,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhoneMp4, "128 kbps"),
         Pick(kFrameSizesPhoneLarge, "352*288"),
         Pick(kFrameRatesPhoneLarge, "15"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesPhone, "128"),
         Pick(kSampleRatesPhone, "44100"),
         stereo,
         aspect},
        audioOnly(108, ".amr", kAudioAmr, amrBitrate, Only(kSampleRateAmr), mono),
        {109,
         109,
         ".avi",
         ".avi",
         None,
         {{kVideoDivx5, kVideoMpeg4Spaced, kVideoXvid1, kVideoXvid2, kVideoDivx, kVideoH264}, kVideoDivx5},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {110,
         110,
         ".wmv",
         ".wmv",
         None,
         {{kVideoWmv}, kVideoWmv},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioWmv}, kAudioWmv},
         pcAudioBitrate,
         rate48k,
         stereo,
         aspect},
        {111,
         111,
         ".asf",
         ".asf",
         None,
         {{kVideoAsf}, kVideoAsf},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioAsf1, kAudioAsf2}, kAudioAsf1},
         pcAudioBitrate,
         rate48k,
         stereo,
         aspect},
        {112,
         112,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhoneMp4, "160 kbps"),
         Pick(kFrameSizesPhone, "176*144"),
         Pick(kFrameRatesPhoneMp4, "15"),
         {{kAudioAac, kAudioAmr}, kAudioAac},
         Pick(kAudioBitratesSymbian, "64"),
         Pick(kSampleRatesPhone, "44100"),
         stereo,
         aspect},
        {113,
         113,
         ".mov",
         ".mov",
         MovContainer,
         {{kVideoQuickTime}, kVideoQuickTime},
         pcVideoBitrate,
         pcFrameSize,
         pcFrameRate,
         {{kAudioAac, kAudioMp3, kAudioFlac, kAudioAc3}, kAudioAac},
         pcAudioBitrate,
         Pick(kSampleRatesCommon, "22050"),
         stereo,
         aspect},
        {114,
         114,
         ".mpg",
         ".mpg",
         None,
         {{kVideoMpeg}, kVideoMpeg},
         pcVideoBitrate,
         pcFrameSize,
         Pick(kFrameRatesMpeg, "25.00"),
         {{kAudioMp2, kAudioMp3, kAudioFlac, kAudioAac, kAudioAc3}, kAudioMp2},
         pcAudioBitrate,
         Pick(kSampleRatesMpeg, "44100"),
         stereo,
         aspect},
        audioOnly(115, ".m4a", kAudioAac, pcAudioBitrate, rate48k, stereo),
        audioOnly(116, ".mp3", kAudioMp3, pcAudioBitrate, rate48k, stereo),
        audioOnly(117, ".wma", kAudioWma, pcAudioBitrate, rate48k, stereo),
        audioOnly(118, ".wav", kAudioWave, pcAudioBitrate, rate48k, stereo),
        audioOnly(119, ".amr", kAudioAmr, amrBitrate, Only(kSampleRateAmr), mono),
        {120,
         120,
         ".3gp",
         ".3gp",
         None,
         {{kVideoH263, kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5}, kVideoH263},
         Pick(kVideoBitratesPhone, "128 kbps"),
         Pick(kFrameSizesPhone, "320*240"),
         Pick(kFrameRatesPhone, "15"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesPhone3gp, "32"),
         Pick(kSampleRatesPhone, "16000"),
         stereo,
         aspect},
        {121,
         121,
         ".mp4",
         ".mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH263}, kVideoMpeg4},
         Pick(kVideoBitratesPhoneMp4, "128 kbps"),
         Pick(kFrameSizesPhoneLarge, "352*288"),
         Pick(kFrameRatesPhoneLarge, "15"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesPhone, "128"),
         Pick(kSampleRatesPhone, "44100"),
         stereo,
         aspect},
        {122,
         122,
         ".mp4",
         ".psp.mp4",
         None,
         {{kVideoMpeg4, kVideoDivx5, kVideoXvid1, kVideoXvid2, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesPspTv, "1200 kbps(高质量)"),
         Pick(kFrameSizesPspTv, "720*576"),
         Pick(kFrameRatesPsp, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Only(kSampleRate24k),
         stereo,
         aspect},
        {123,
         123,
         ".mp4",
         ".ipod.mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesIpod, "768 kbps (高质量)"),
         Pick(kFrameSizesIpodTouch, "480*320"),
         Pick(kFrameRatesIpod, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Pick(kSampleRatesPspHd, "48000"),
         stereo,
         aspect},
        {124,
         124,
         ".mp4",
         ".ipod.mp4",
         None,
         {{kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoDivx5, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesIpod, "600 kbps (中等质量)"),
         Pick(kFrameSizesIpod, "320*240"),
         Pick(kFrameRatesIpod, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Pick(kSampleRatesPspHd, "48000"),
         stereo,
         aspect},
        {125,
         125,
         ".mp4",
         ".psp.mp4",
         None,
         {{kVideoMpeg4, kVideoDivx5, kVideoXvid1, kVideoXvid2, kVideoH264}, kVideoMpeg4},
         Pick(kVideoBitratesPsp, "512 kbps(中等质量)"),
         Pick(kFrameSizesPsp, "320*240 (PSP所有固件版本适用)"),
         Pick(kFrameRatesPsp, "29.97"),
         {{kAudioAac}, kAudioAac},
         Pick(kAudioBitratesAacPsp, "128"),
         Only(kSampleRate24k),
         stereo,
         aspect},
        {126,
         126,
         ".mp4",
         ".mp4",
         None,
         {{kVideoH264, kVideoDivx5, kVideoMpeg4, kVideoXvid1, kVideoXvid2}, kVideoH264},
         Pick(kVideoBitratesMp4, "816 kbps (高质量)"),
         Pick(kFrameSizesMp4, "320*240"),
         Pick(kFrameRatesIpod, "29.97"),
         {{kAudioAac, kAudioMp3}, kAudioAac},
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},
        {127,
         127,
         ".mp4",
         ".mp4",
         None,
         {{kVideoDivx5, kVideoMpeg4, kVideoXvid1, kVideoXvid2, kVideoH264}, kVideoDivx5},
         Pick(kVideoBitratesMp4, "768 kbps (高质量)"),
         Pick(kFrameSizesMp4, "320*240"),
         Pick(kFrameRatesIpod, "25"),
         pcAudio,
         pcAudioBitrate,
         Pick(kSampleRatesPc, "44100"),
         stereo,
         aspect},

        audioOnly(200, ".mp3", kAudioMp3, pcAudioBitrate, rate48k, stereo),
        audioOnly(201, ".wma", kAudioWma, pcAudioBitrate, rate48k, stereo),
        audioOnly(202, ".wav", kAudioWave, pcAudioBitrate, rate48k, stereo),
        audioOnly(203, ".m4a", kAudioAac, pcAudioBitrate, rate48k, stereo),
        audioOnly(204, ".ac3", kAudioAc3, pcAudioBitrate, rate48k, stereo),
        audioOnly(205, ".ogg", kAudioOgg, pcAudioBitrate, rate48k, stereo),
        audioOnly(206, ".mp2", kAudioMp2, pcAudioBitrate, Pick(kSampleRatesMpeg, "44100"), stereo),
        audioOnly(207, ".flac", kAudioFlac, pcAudioBitrate, rate48k, stereo),
        audioOnly(208, ".rm", kAudioRm, pcAudioBitrate, rate48k, stereo),
        audioOnly(209, ".amr", kAudioAmr, amrBitrate, Only(kSampleRateAmr), mono),
    };
    return rows;
}

// The rows of today's formats. Their encoders are offered only when the
// libraries have them (see FormatProfile::encodersChecked).
std::vector<ProfileRow> BuildModernRows()
{
    const OptionChoice stereo = Pick(kChannelsStereoOrMono, kStereo);
    const OptionChoice keepAspect = Only(kScalingKeep);
    const OptionChoice keepRate = Pick(kFrameRatesModern, kKeepFrameRate);
    const OptionChoice keepSize = Pick(kFrameSizesModern, kKeepFrameSize);
    const OptionChoice aac = Pick(kAudioBitratesAac, "160");
    const OptionChoice opus = Pick(kAudioBitratesOpus, "128");
    const OptionChoice rate48k = Pick(kSampleRatesModern, "48000");
    const OptionChoice losslessRate = Pick(kSampleRatesLossless, "48000");
    const std::string AAC = kAudioAac, OPUS = kAudioOpus, FLAC16 = kAudioFlac16, PCM16 = kAudioPcm16,
                      PCM24 = kAudioPcm24, NOAUDIO = kAudioNone;
    auto audioOnly = [&](int number, const char* ext, const std::vector<std::string>& encoders,
                         const std::string& encoder, OptionChoice bitrate, OptionChoice rate) {
        return ProfileRow{number,
                          number,
                          ext,
                          ext,
                          AudioOnly,
                          {{kVideoNone}, kVideoNone},
                          Only(kNoVideoBitrate),
                          Only(kNoFrameSize),
                          Only(kNoFrameRate),
                          {encoders, encoder},
                          bitrate,
                          rate,
                          stereo,
                          Only(kNoScaling)};
    };
    const OptionChoice noAudio = Only(kNoAudioBitrate);
    return {
        {300,
         300,
         ".mp4",
         ".mp4",
         None,
         {{kVideoH264High}, kVideoH264High},
         Pick(kQualityH264, "恒定质量 CRF 20 (较高质量)"),
         Pick(kFrameSizesModern, "1920*自动 (1080p)"),
         keepRate,
         {{AAC}, AAC},
         aac,
         rate48k,
         stereo,
         keepAspect},
        {301,
         301,
         ".mp4",
         ".mp4",
         None,
         {{kVideoH265, kVideoH265Main10}, kVideoH265},
         Pick(kQualityH265, "恒定质量 CRF 24 (标准质量)"),
         keepSize,
         keepRate,
         {{AAC}, AAC},
         aac,
         rate48k,
         stereo,
         keepAspect},
        {302,
         302,
         ".mkv",
         ".mkv",
         None,
         {{kVideoH265, kVideoH265Main10}, kVideoH265},
         Pick(kQualityH265, "恒定质量 CRF 24 (标准质量)"),
         keepSize,
         keepRate,
         {{AAC, OPUS, FLAC16}, AAC},
         aac,
         rate48k,
         stereo,
         keepAspect},
        {303,
         303,
         ".webm",
         ".webm",
         None,
         {{kVideoVp9}, kVideoVp9},
         Pick(kQualityVp9, "恒定质量 CRF 31 (标准质量)"),
         keepSize,
         keepRate,
         {{OPUS}, OPUS},
         opus,
         Only(kSampleRateOpus),
         stereo,
         keepAspect},
        {304,
         304,
         ".webm",
         ".webm",
         None,
         {{kVideoAv1}, kVideoAv1},
         Pick(kQualityAv1, "恒定质量 CRF 35 (标准质量)"),
         keepSize,
         keepRate,
         {{OPUS}, OPUS},
         opus,
         Only(kSampleRateOpus),
         stereo,
         keepAspect},
        {305,
         305,
         ".mp4",
         ".mp4",
         None,
         {{kVideoAv1}, kVideoAv1},
         Pick(kQualityAv1, "恒定质量 CRF 35 (标准质量)"),
         keepSize,
         keepRate,
         {{AAC, OPUS}, AAC},
         aac,
         rate48k,
         stereo,
         keepAspect},
        {306,
         306,
         ".mov",
         ".mov",
         MovContainer,
         {{kVideoProRes, kVideoProResHq}, kVideoProRes},
         Only(kQualityByEncoder),
         keepSize,
         keepRate,
         {{PCM16, PCM24}, PCM16},
         Only(kAudioBitrateLossless),
         rate48k,
         stereo,
         keepAspect},
        {307,
         307,
         ".mov",
         ".mov",
         MovContainer,
         {{kVideoDnxhrHq}, kVideoDnxhrHq},
         Only(kQualityByEncoder),
         keepSize,
         keepRate,
         {{PCM16, PCM24}, PCM16},
         Only(kAudioBitrateLossless),
         rate48k,
         stereo,
         keepAspect},
        {308,
         308,
         ".gif",
         ".gif",
         None,
         {{kVideoGif}, kVideoGif},
         Only(kQualityByEncoder),
         Pick(kFrameSizesAnimation, "480*自动"),
         Pick(kFrameRatesGif, "10"),
         {{NOAUDIO}, NOAUDIO},
         noAudio,
         noAudio,
         noAudio,
         keepAspect},
        {309,
         309,
         ".webp",
         ".webp",
         None,
         {{kVideoWebp}, kVideoWebp},
         Only(kQualityByEncoder),
         Pick(kFrameSizesAnimation, "480*自动"),
         Pick(kFrameRatesWebp, "15"),
         {{NOAUDIO}, NOAUDIO},
         noAudio,
         noAudio,
         noAudio,
         keepAspect},
        audioOnly(310, ".opus", {OPUS}, OPUS, opus, Only(kSampleRateOpus)),
        audioOnly(311, ".m4a", {kAudioAlac}, kAudioAlac, Only(kAudioBitrateLossless), losslessRate),
        audioOnly(312, ".flac", {FLAC16, kAudioFlac24}, FLAC16, Only(kAudioBitrateLossless), losslessRate),
        audioOnly(313, ".mp3", {kAudioMp3Vbr}, kAudioMp3Vbr, Pick(kAudioBitratesMp3Vbr, "VBR V2 (约190 kbps, 高质量)"),
                  Pick(kSampleRatesModern, "44100")),
        audioOnly(314, ".wav", {PCM24}, PCM24, Only(kAudioBitrateLossless), losslessRate),
    };
}

// The encoder lists live here so the profiles can point at them.
struct ProfileTable {
    std::vector<ProfileRow> rows = AllRows();
    std::size_t firstModernRow = BuildRows().size();
    std::vector<FormatProfile> profiles;

    static std::vector<ProfileRow> AllRows()
    {
        std::vector<ProfileRow> all = BuildRows();
        for (ProfileRow& row : BuildModernRows())
            all.push_back(std::move(row));
        return all;
    }

    ProfileTable()
    {
        profiles.reserve(rows.size());
        for (const ProfileRow& row : rows) {
            const bool checked = profiles.size() >= firstModernRow;
            FormatProfile profile{row.first, row.last, row.extension, row.outputExt, row.extra, {}, checked};
            auto& lists = profile.lists;
            lists[Index(OptionList::VideoEncoder)] = ChoiceOf(row.video.items, row.video.defaultCaption);
            lists[Index(OptionList::VideoBitrate)] = row.videoBitrate;
            lists[Index(OptionList::FrameSize)] = row.frameSize;
            lists[Index(OptionList::FrameRate)] = row.frameRate;
            lists[Index(OptionList::AudioEncoder)] = ChoiceOf(row.audio.items, row.audio.defaultCaption);
            lists[Index(OptionList::AudioBitrate)] = row.audioBitrate;
            lists[Index(OptionList::SampleRate)] = row.sampleRate;
            lists[Index(OptionList::Channels)] = row.channels;
            lists[Index(OptionList::ScalingMode)] = row.scaling;
            lists[Index(OptionList::Volume)] = ChoiceOf(kVolumes, kVolumeUnchanged);
            profiles.push_back(std::move(profile));
        }
    }
};

const ProfileTable& Table()
{
    static const ProfileTable table;
    return table;
}

}  // namespace

OptionChoice ChoiceOf(const OptionItems& items, const std::string& caption)
{
    const auto found = std::find(items.begin(), items.end(), caption);
    return OptionChoice{&items, found == items.end() ? -1 : static_cast<int>(found - items.begin())};
}

const std::vector<FormatProfile>& FormatProfiles() { return Table().profiles; }

std::optional<int32_t> VideoBitrateOf(const std::string& caption) { return ValueIn(kVideoBitrateLists, caption); }

std::optional<int32_t> AudioBitrateOf(const std::string& caption) { return ValueIn(kAudioBitrateLists, caption); }

std::optional<std::string> FrameRateOf(const std::string& caption)
{
    if (const auto rate = ValueIn(kFrameRateLists, caption))
        return std::string(*rate);
    return std::nullopt;
}

const FormatProfile* FindProfile(int number)
{
    for (const FormatProfile& profile : FormatProfiles()) {
        if (number >= profile.firstNumber && number <= profile.lastNumber)
            return &profile;
    }
    return nullptr;
}

namespace ProfileLists {
const OptionItems& VideoBitratesWide() { return kVideoBitratesWide.items; }
const OptionItems& VideoBitratesMjpeg() { return kVideoBitratesMjpeg.items; }
const OptionItems& FrameSizesH263() { return kFrameSizesH263; }
const OptionItems& FrameSizesPhone() { return kFrameSizesPhone; }
const OptionItems& AudioBitratesAac8k() { return kAudioBitratesAac8k.items; }
const OptionItems& AudioBitratesAac3g2() { return kAudioBitratesAac3g2.items; }
const OptionItems& AudioBitratesSymbian() { return kAudioBitratesSymbian.items; }
const OptionItems& AudioBitratesPhone() { return kAudioBitratesPhone.items; }
const OptionItems& AudioBitratesAmr() { return kAudioBitratesAmr.items; }
const OptionItems& SampleRateAmr() { return kSampleRateAmr; }
const OptionItems& SampleRatesPhone() { return kSampleRatesPhone; }
const OptionItems& ChannelsStereo() { return kChannelsStereoOrMono; }
const OptionItems& ChannelsMono() { return kChannelsMono; }
const OptionItems& Volumes() { return kVolumes; }
}  // namespace ProfileLists
