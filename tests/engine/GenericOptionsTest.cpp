// The generic option setter: which context takes a library option, what an
// invalid value does, and how accepted options reach contexts created later.
#include "OptionTestLog.h"
#include "engine/TCustomFFmpeg.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

bool Named(const TCustomFFmpeg& task, const std::string& name)
{
    const auto& names = task.GenericOptions().Names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

int64_t IntOption(void* obj, const char* name)
{
    int64_t value = -12345;
    av_opt_get_int(obj, name, AV_OPT_SEARCH_CHILDREN, &value);
    return value;
}

struct GenericCase {
    const char* name;
    const char* value;
    bool accepted;
    const char* remembered;  // the name kept for replay, or null
    std::function<bool(const TGenericOptions&)> holds;
};

class GenericOptionTest : public ::testing::TestWithParam<GenericCase> {};

TEST_P(GenericOptionTest, SetsTheContextThatKnowsTheName)
{
    const GenericCase& c = GetParam();
    TCustomFFmpeg task(20);
    task.Reset();
    EXPECT_EQ(task.SetGenericOption(c.name, c.value), c.accepted) << c.name;
    if (c.remembered) {
        EXPECT_TRUE(Named(task, c.remembered)) << c.name;
    } else {
        EXPECT_TRUE(task.GenericOptions().Names().empty()) << c.name;
    }
    EXPECT_TRUE(c.holds(task.GenericOptions())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Contexts, GenericOptionTest,
    ::testing::Values(
        GenericCase{"g", "12", true, "g",
                    [](const TGenericOptions& g) { return g.CodecContext(AVMEDIA_TYPE_VIDEO)->gop_size == 12; }},
        GenericCase{" qmin ", " 7 ", true, "qmin",
                    [](const TGenericOptions& g) { return g.CodecContext(AVMEDIA_TYPE_VIDEO)->qmin == 7; }},
        // no codec option "acutoff": the audio context takes "cutoff"
        GenericCase{"acutoff", "15000", true, "cutoff",
                    [](const TGenericOptions& g) {
                        return g.CodecContext(AVMEDIA_TYPE_AUDIO)->cutoff == 15000 &&
                               g.CodecContext(AVMEDIA_TYPE_VIDEO)->cutoff != 15000;
                    }},
        GenericCase{"packetsize", "2324", true, "packetsize",
                    [](const TGenericOptions& g) { return g.FormatContext()->packet_size == 2324; }},
        GenericCase{"sws_flags", "bilinear", true, "sws_flags",
                    [](const TGenericOptions& g) { return IntOption(g.Scaler(), "sws_flags") == SWS_BILINEAR; }},
        GenericCase{"nosuchoption", "1", false, nullptr, [](const TGenericOptions&) { return true; }},
        GenericCase{"g", "", false, nullptr,
                    [](const TGenericOptions& g) { return g.CodecContext(AVMEDIA_TYPE_VIDEO)->gop_size != 0; }},
        GenericCase{"", "5", false, nullptr, [](const TGenericOptions&) { return true; }}),
    [](const ::testing::TestParamInfo<GenericCase>& info) { return "Case" + std::to_string(info.index); });

TEST(GenericOptionValues, AnInvalidValueIsLoggedAndRefused)
{
    OptionTestLog log;
    TCustomFFmpeg task(20);
    task.Reset();
    EXPECT_FALSE(task.SetGenericOption("g", "many"));
    EXPECT_TRUE(log.Has(llError, "Invalid value \"many\" for option \"g\""));
    EXPECT_TRUE(task.GenericOptions().Names().empty());
    // the same through the dispatcher: nothing raised, nothing set
    EXPECT_NO_THROW(task.SetOption("bf", "lots"));
    EXPECT_TRUE(log.Has(llError, "Invalid value \"lots\" for option \"bf\""));
    EXPECT_TRUE(task.GenericOptions().Names().empty());
}

TEST(GenericOptionValues, ADebugSettingRaisesTheLoggerToDebug)
{
    OptionTestLog log(llInfo);
    TCustomFFmpeg task(20);
    task.Reset();
    ASSERT_TRUE(task.SetGenericOption("qmax", "40"));
    EXPECT_EQ(GetFFLogger().LogLevel(), llInfo);
    ASSERT_TRUE(task.SetGenericOption("debug", "pict"));
    EXPECT_EQ(GetFFLogger().LogLevel(), llDebug);
}

TEST(GenericOptionReplay, ReachesNewContextsWithOnlyTheMatchingFlags)
{
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("vcodec", "libx264");
    ASSERT_TRUE(task.SetGenericOption("g", "12"));  // video, encoding
    // the audio rate first: "b" given later must not overwrite it
    ASSERT_TRUE(task.SetGenericOption("ab", "96000"));  // audio bit rate
    ASSERT_TRUE(task.SetGenericOption("b", "800000"));  // video bit rate
    ASSERT_TRUE(task.SetGenericOption("cutoff", "9000"));  // audio, encoding
    ASSERT_TRUE(task.SetGenericOption("8x8dct", "0"));  // private to libx264
    ASSERT_TRUE(task.SetGenericOption("packetsize", "2324"));
    ASSERT_TRUE(task.SetGenericOption("muxrate", "1411200"));  // private to the MPEG muxers

    AVCodecContextPtr video{avcodec_alloc_context3(avcodec_find_encoder_by_name("libx264"))};
    ASSERT_TRUE(video);
    task.ReplayGenericOptions(video.get(), rmVideoEncoder);
    EXPECT_EQ(video->gop_size, 12);
    EXPECT_EQ(video->bit_rate, 800000);
    EXPECT_EQ(video->cutoff, 0);  // an audio option never reaches video
    EXPECT_EQ(IntOption(video.get(), "8x8dct"), 0);

    AVCodecContextPtr audio{avcodec_alloc_context3(avcodec_find_encoder_by_name("mp2"))};
    ASSERT_TRUE(audio);
    task.ReplayGenericOptions(audio.get(), rmAudioEncoder);
    EXPECT_EQ(audio->bit_rate, 96000);  // not the video bit rate
    EXPECT_EQ(audio->cutoff, 9000);
    EXPECT_NE(audio->gop_size, 12);

    AVCodecContextPtr decoder{avcodec_alloc_context3(avcodec_find_decoder_by_name("mp2"))};
    ASSERT_TRUE(decoder);
    task.ReplayGenericOptions(decoder.get(), rmAudioDecoder);
    EXPECT_NE(decoder->cutoff, 9000);  // an encoding option stays off decoders

    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "vcd", nullptr), 0);
    AVFormatContextPtr output{raw};
    task.ReplayGenericOptions(output.get(), rmOutputFormat);
    EXPECT_EQ(output->packet_size, 2324);
    EXPECT_EQ(IntOption(output.get(), "muxrate"), 1411200);
}

// Flag options are changes to what the target holds: the encoder's own
// defaults stay (libx264 closes its GOPs unless told otherwise), and several
// changes to one flag option all arrive, in order.
TEST(GenericOptionReplay, FlagChangesApplyOnTopOfTheTargetsDefaults)
{
    struct Case {
        const char* label;
        std::vector<std::pair<const char*, const char*>> options;
        int64_t set;  // flags that must be on afterwards
        int64_t clear;  // flags that must be off afterwards
    };
    const Case cases[] = {
        {"a preset's +loop", {{"flags", "+loop"}}, AV_CODEC_FLAG_LOOP_FILTER | AV_CODEC_FLAG_CLOSED_GOP, 0},
        {"two changes",
         {{"flags", "+loop"}, {"flags", "+psnr"}},
         AV_CODEC_FLAG_LOOP_FILTER | AV_CODEC_FLAG_PSNR | AV_CODEC_FLAG_CLOSED_GOP,
         0},
        {"an asked-for open GOP", {{"flags", "+loop-cgop"}}, AV_CODEC_FLAG_LOOP_FILTER, AV_CODEC_FLAG_CLOSED_GOP},
        {"a whole value", {{"flags", "+cgop"}, {"flags", "psnr"}}, AV_CODEC_FLAG_PSNR, AV_CODEC_FLAG_CLOSED_GOP},
    };
    for (const Case& c : cases) {
        TCustomFFmpeg task(20);
        task.Reset();
        task.SetOption("vcodec", "libx264");
        for (const auto& [name, value] : c.options)
            ASSERT_TRUE(task.SetGenericOption(name, value)) << c.label;
        AVCodecContextPtr video{avcodec_alloc_context3(avcodec_find_encoder_by_name("libx264"))};
        ASSERT_TRUE(video);
        ASSERT_TRUE(video->flags & AV_CODEC_FLAG_CLOSED_GOP) << "libx264's own default";
        task.ReplayGenericOptions(video.get(), rmVideoEncoder);
        EXPECT_EQ(video->flags & c.set, c.set) << c.label;
        EXPECT_EQ(video->flags & c.clear, 0) << c.label;
    }

    // a muxer's private flag option: the first change survives the second
    TCustomFFmpeg task(20);
    task.Reset();
    ASSERT_TRUE(task.SetGenericOption("movflags", "+faststart"));
    ASSERT_TRUE(task.SetGenericOption("movflags", "+disable_chpl"));
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr), 0);
    AVFormatContextPtr output{raw};
    task.ReplayGenericOptions(output.get(), rmOutputFormat);
    const int64_t movflags = IntOption(output.get(), "movflags");
    for (const char* flag : {"faststart", "disable_chpl"}) {
        const AVOption* constant = av_opt_find(output->priv_data, flag, "movflags", 0, 0);
        ASSERT_NE(constant, nullptr) << flag;
        EXPECT_NE(movflags & constant->default_val.i64, 0) << flag;
    }
}

}  // namespace
