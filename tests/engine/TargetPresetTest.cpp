// The target option: norm given or detected, and the settings each target
// type applies.
#include "OptionTestLog.h"
#include "engine/TCustomFFmpeg.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const AVCodecContext& Video(const TCustomFFmpeg& t) { return *t.GenericOptions().CodecContext(AVMEDIA_TYPE_VIDEO); }
const AVCodecContext& Audio(const TCustomFFmpeg& t) { return *t.GenericOptions().CodecContext(AVMEDIA_TYPE_AUDIO); }

bool Named(const TCustomFFmpeg& task, const std::string& name)
{
    const auto& names = task.GenericOptions().Names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

struct TargetCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> before;
    std::string target;
    int width, height;
    AVRational rate;
    int gop;  // 0: not set by this target
    int channels;
    const char* normLog;  // "Assuming %s for target." text, or null when the norm was given
};

class TargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetTest, AppliesTheNormsSettings)
{
    const TargetCase& c = GetParam();
    OptionTestLog log;
    TCustomFFmpeg task(20);
    task.Reset();
    for (const auto& [name, value] : c.before)
        task.SetOption(name, value);
    ASSERT_NO_THROW(task.SetOption("target", c.target)) << c.label;
    const PendingOptions& p = task.Pending();
    EXPECT_EQ(p.frameWidth, c.width) << c.label;
    EXPECT_EQ(p.frameHeight, c.height) << c.label;
    EXPECT_EQ(av_cmp_q(p.frameRate, c.rate), 0) << c.label << " " << p.frameRate.num << "/" << p.frameRate.den;
    if (c.gop) {
        EXPECT_EQ(Video(task).gop_size, c.gop) << c.label;
    }
    EXPECT_EQ(p.audioChannels, c.channels) << c.label;
    if (c.normLog) {
        EXPECT_TRUE(log.Has(llVerbose, std::string("Assuming ") + c.normLog + " for target.")) << c.label;
    } else {
        EXPECT_EQ(log.Count("for target."), 0) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Norms, TargetTest,
    ::testing::Values(
        TargetCase{"vcd at 25 fps", {{"r", "25"}}, "vcd", 352, 288, {25, 1}, 15, 2, "PAL"},
        TargetCase{"vcd at 29.97 fps", {{"r", "29.97"}}, "vcd", 352, 240, {30000, 1001}, 18, 2, "NTSC"},
        TargetCase{
            "film rate counts as NTSC", {{"r", "23.976"}, {"ac", "1"}}, "vcd", 352, 240, {30000, 1001}, 18, 2, "NTSC"},
        TargetCase{"pal-dvd needs no detection", {}, "pal-dvd", 720, 576, {25, 1}, 15, 2, nullptr},
        TargetCase{"dvd falls back to NTSC", {{"r", "15"}}, "dvd", 720, 480, {30000, 1001}, 18, 2, "NTSC"},
        TargetCase{"film- gives the film rate", {}, "film-svcd", 480, 480, {24000, 1001}, 18, 2, nullptr},
        // MP2 takes at most two channels; AC-3 at most 5.1
        TargetCase{"svcd mixes 5.1 down to stereo", {{"ac", "6"}}, "pal-svcd", 480, 576, {25, 1}, 15, 2, nullptr},
        TargetCase{"dvd keeps 5.1", {{"ac", "6"}}, "pal-dvd", 720, 576, {25, 1}, 15, 6, nullptr},
        TargetCase{"dvd mixes 7.1 down to 5.1", {{"ac", "8"}}, "pal-dvd", 720, 576, {25, 1}, 15, 6, nullptr},
        TargetCase{"dvd turns mono into stereo", {{"ac", "1"}}, "ntsc-dvd", 720, 480, {30000, 1001}, 18, 2, nullptr},
        TargetCase{"svcd turns mono into stereo", {{"ac", "1"}}, "pal-svcd", 480, 576, {25, 1}, 15, 2, nullptr},
        TargetCase{"dv at NTSC", {{"ac", "1"}}, "ntsc-dv", 720, 480, {30000, 1001}, 0, 2, nullptr},
        TargetCase{"dv50 at PAL", {}, " pal-dv50 ", 720, 576, {25, 1}, 0, 2, nullptr}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return "Case" + std::to_string(info.index); });

TEST(TargetSettings, VcdSetsEncodersRatesAndMuxing)
{
    OptionTestLog log;
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("ar", "22050");
    task.SetOption("target", "pal-vcd");
    const PendingOptions& p = task.Pending();
    EXPECT_EQ(p.videoCodecName, "mpeg1video");
    EXPECT_EQ(p.audioCodecName, "mp2");
    EXPECT_EQ(p.forcedFormat, "vcd");
    EXPECT_EQ(Video(task).bit_rate, 1150000);
    EXPECT_EQ(Video(task).rc_max_rate, 1150000);
    EXPECT_EQ(Video(task).rc_min_rate, 1150000);
    EXPECT_EQ(Video(task).rc_buffer_size, 327680);
    EXPECT_EQ(Audio(task).bit_rate, 224000);
    EXPECT_EQ(p.audioSampleRate, 44100);
    EXPECT_EQ(task.GenericOptions().FormatContext()->packet_size, 2324);
    EXPECT_TRUE(Named(task, "muxrate"));
    EXPECT_FLOAT_EQ(p.muxPreloadSeconds, 0.44f);
    EXPECT_FLOAT_EQ(p.frameAspectRatio, 4.0f / 3.0f);
    EXPECT_TRUE(log.Has(llInfo, "Assuming 4:3 for aspect ratio"));
}

TEST(TargetSettings, DvdAndSvcdSpecifics)
{
    TCustomFFmpeg dvd(20);
    dvd.Reset();
    dvd.SetOption("aspect", "4:3");
    dvd.SetOption("target", "ntsc-dvd");
    EXPECT_EQ(dvd.Pending().audioCodecName, "ac3");
    EXPECT_EQ(dvd.Pending().audioSampleRate, 48000);
    EXPECT_EQ(Video(dvd).bit_rate, 6000000);
    EXPECT_EQ(Video(dvd).rc_max_rate, 9000000);
    EXPECT_EQ(Audio(dvd).bit_rate, 448000);
    EXPECT_EQ(dvd.GenericOptions().FormatContext()->packet_size, 2048);
    EXPECT_FLOAT_EQ(dvd.Pending().frameAspectRatio, 4.0f / 3.0f);  // a set aspect stays

    TCustomFFmpeg svcd(20);
    svcd.Reset();
    svcd.SetOption("target", "pal-svcd");
    EXPECT_EQ(svcd.Pending().videoCodecName, "mpeg2video");
    EXPECT_EQ(Video(svcd).rc_buffer_size, 1835008);
    EXPECT_TRUE(Named(svcd, "scan_offset"));

    TCustomFFmpeg dv50(20);
    dv50.Reset();
    dv50.SetOption("target", "pal-dv50");
    EXPECT_EQ(dv50.Pending().pixelFormat, AV_PIX_FMT_YUV422P);
    TCustomFFmpeg dv(20);
    dv.Reset();
    dv.SetOption("target", "ntsc-dv");
    EXPECT_EQ(dv.Pending().pixelFormat, AV_PIX_FMT_YUV411P);
    EXPECT_EQ(dv.Pending().forcedFormat, "dv");
}

TEST(TargetSettings, AutomaticTargetWithoutAnyRateRaises)
{
    TCustomFFmpeg task(20);
    task.Reset();
    try {
        task.SetTarget("dvd", "", "ntsc");
        FAIL() << "no rate and no input, yet a norm was found";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "frame_rate is invalid.");
    }
    EXPECT_EQ(task.Pending().frameWidth, 0);  // nothing applied
}

// A task whose inputs are opened here with the library itself, so norm
// detection is checked on real streams independently of input set-up.
class TaskWithInputs : public TCustomFFmpeg {
public:
    TaskWithInputs() : TCustomFFmpeg(20) {}
    bool AddProbedInput(const std::string& path)
    {
        AVFormatContext* ic = nullptr;
        if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0)
            return false;
        AVFormatInputPtr input{ic};
        if (avformat_find_stream_info(ic, nullptr) < 0)
            return false;
        media_.inputs.push_back(std::move(input));
        media_.inputTsOffsetsUs.push_back(0);
        return true;
    }
};

// The opened inputs decide when the frame rate option does not.
TEST(TargetSettings, OpenedInputsDecideTheNorm)
{
    qtest::ScratchDir dir;
    struct Case {
        const char* rate;
        int height;
        int gop;
        AVRational applied;
    };
    for (const Case& c : {Case{"25", 288, 15, {25, 1}}, Case{"30000/1001", 240, 18, {30000, 1001}}}) {
        const std::string clip = dir.path() + "/clip" + std::to_string(c.height) + ".mp4";
        ASSERT_TRUE(qtest::MakeMedia(clip, std::string("-f lavfi -i testsrc=size=160x120:rate=") + c.rate +
                                               " -t 1 -c:v mpeg4"));
        TaskWithInputs task;
        task.Reset();
        ASSERT_TRUE(task.AddProbedInput(clip));
        task.SetOption("r", "15");  // undecided: the inputs are examined
        task.SetOption("target", "vcd");
        EXPECT_EQ(task.Pending().frameHeight, c.height) << c.rate;
        EXPECT_EQ(Video(task).gop_size, c.gop) << c.rate;
        EXPECT_EQ(av_cmp_q(task.Pending().frameRate, c.applied), 0) << c.rate;
    }
}

// Through input opening: the input's frame rate becomes the pending rate.
TEST(TargetSettings, VcdFollowsTheOpenedInputsRate)
{
    qtest::ScratchDir dir;
    struct Case {
        const char* rate;
        int height;
        int gop;
        AVRational applied;
    };
    for (const Case& c : {Case{"25", 288, 15, {25, 1}}, Case{"30000/1001", 240, 18, {30000, 1001}}}) {
        const std::string clip = dir.path() + "/open" + std::to_string(c.height) + ".mp4";
        ASSERT_TRUE(qtest::MakeMedia(clip, std::string("-f lavfi -i testsrc=size=160x120:rate=") + c.rate +
                                               " -t 1 -c:v mpeg4"));
        TCustomFFmpeg task(20);
        task.Reset();
        ASSERT_NO_THROW(task.OpenInputFile(clip));
        task.SetOption("target", "vcd");
        EXPECT_EQ(task.Pending().frameWidth, 352) << c.rate;
        EXPECT_EQ(task.Pending().frameHeight, c.height) << c.rate;
        EXPECT_EQ(Video(task).gop_size, c.gop) << c.rate;
        EXPECT_EQ(av_cmp_q(task.Pending().frameRate, c.applied), 0) << c.rate;
    }
}

TEST(TargetSettings, RecordFieldsChooseTypeAndNorm)
{
    struct Case {
        int type, norm, defaultNorm;
        const char* rate;  // pending rate, or null
        int width, height;
    };
    for (const Case& c :
         {Case{1, 1, 0, nullptr, 352, 288}, Case{2, 2, 0, nullptr, 480, 480}, Case{3, 0, 1, "15", 720, 576},
          Case{3, 0, 2, "15", 720, 480}, Case{0, 1, 1, nullptr, 0, 0}, Case{4, 1, 1, nullptr, 0, 0}}) {
        TCustomFFmpeg task(20);
        task.Reset();
        if (c.rate)
            task.SetOption("r", c.rate);
        task.SetTargetFromRecord(c.type, c.norm, c.defaultNorm);
        EXPECT_EQ(task.Pending().frameWidth, c.width) << c.type << "/" << c.norm << "/" << c.defaultNorm;
        EXPECT_EQ(task.Pending().frameHeight, c.height) << c.type << "/" << c.norm << "/" << c.defaultNorm;
    }
}

}  // namespace
