// SetOption: rejected values raise the exact texts; accepted values land in
// the pending state as the next input, output or stream will read them.
#include "OptionTestLog.h"
#include "engine/TCustomFFmpeg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Numbers(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += (i > 1 ? "," : "") + std::to_string(i);
    return text;
}

struct RaiseCase {
    std::vector<std::pair<std::string, std::string>> before;  // applied first
    std::string name;
    std::string value;
    std::string message;
};

class OptionRaiseTest : public ::testing::TestWithParam<RaiseCase> {};

TEST_P(OptionRaiseTest, RaisesTheExactText)
{
    const RaiseCase& c = GetParam();
    TCustomFFmpeg task(20);
    task.Reset();
    for (const auto& [name, value] : c.before)
        task.SetOption(name, value);
    try {
        task.SetOption(c.name, c.value);
        FAIL() << c.name << "=" << c.value << " was accepted";
    } catch (const FFmpegException& e) {
        EXPECT_EQ(std::string(e.what()), c.message) << c.name << "=" << c.value;
    }
}

const std::string kVertical =
    "Vertical crop dimensions are outside the range of the original image.\nRemember to crop first and scale second.";
const std::string kHorizontal =
    "Horizontal crop dimensions are outside the range of the original image.\nRemember to crop first and scale second.";

INSTANTIATE_TEST_SUITE_P(
    FailureTexts, OptionRaiseTest,
    ::testing::Values(
        RaiseCase{{}, "r", "fast", "Incorrect frame rate"}, RaiseCase{{}, "r", "0", "Incorrect frame rate"},
        RaiseCase{{}, "s", "0x240", "Incorrect frame size"}, RaiseCase{{}, "s", "huge", "Incorrect frame size"},
        RaiseCase{{}, "aspect", "16:0", "Incorrect aspect ratio specification."},
        RaiseCase{{}, "aspect", "wide", "Incorrect aspect ratio specification."},
        RaiseCase{{}, "pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
        RaiseCase{{}, "qscale", "0", "qscale must be > 0.0 and <= 255"},
        RaiseCase{{}, "qscale", "255.5", "qscale must be > 0.0 and <= 255"},
        RaiseCase{{}, "pass", "3", "pass number can be only 1 or 2"},
        RaiseCase{{{"s", "320x240"}}, "croptop", "240", kVertical},
        RaiseCase{{{"s", "320x240"}}, "cropbottom", "300", kVertical},
        RaiseCase{{{"s", "320x240"}}, "cropleft", "320", kHorizontal},
        RaiseCase{{{"s", "320x240"}}, "cropright", "999", kHorizontal},
        RaiseCase{{}, "vtag", "XVI", "video tag parameter must be 4 chars"},
        RaiseCase{{}, "atag", "mp4a1", "audio tag parameter must be 4 chars"},
        RaiseCase{{}, "stag", "", "subtitle tag parameter must be 4 chars"},
        RaiseCase{{}, "intra_matrix", Numbers(63), "Syntax error in matrix \"" + Numbers(63) + "\" at coeff 62"},
        RaiseCase{{}, "inter_matrix", "8,9", "Syntax error in matrix \"8,9\" at coeff 1"},
        RaiseCase{{}, "vbsf", "no_such_filter", "Unknown bitstream filter no_such_filter"},
        RaiseCase{{}, "absf", "bogus=1", "Unknown bitstream filter bogus=1"},
        RaiseCase{{}, "metadata", "title", "Missing ="},
        RaiseCase{{}, "itsscale", "20:0.5", "stream index over MAX_STREAMS(20)"},
        RaiseCase{
            {}, "streamid", ":5", "Invalid value \":5\" for option \"streamid\", required syntax is \"index:value\""},
        RaiseCase{
            {}, "streamid", "3:", "Invalid value \"3:\" for option \"streamid\", required syntax is \"index:value\""},
        RaiseCase{{}, "t", "later", "Invalid duration specification for t: later"},
        RaiseCase{{}, "ss", "x1", "Invalid duration specification for ss: x1"},
        RaiseCase{{}, "timestamp", "yesterday", "Invalid date specification for timestamp: yesterday"},
        RaiseCase{{}, "padtop", "16", "Please use vfilters=pad"},
        RaiseCase{{}, "padcolor", "000000", "Please use vfilters=pad"},
        RaiseCase{{}, "threads", "2", "TODO: option - threads"},
        RaiseCase{{}, "newvideo", "", "At least one output file must be specified"},
        RaiseCase{{}, "newaudio", "", "At least one output file must be specified"},
        RaiseCase{{}, "newsubtitle", "", "At least one output file must be specified"},
        RaiseCase{{}, "target", "xcd", "Unknown target type"}, RaiseCase{{}, "target", "vcd", "frame_rate is invalid."},
        RaiseCase{{}, "vhook", "/nonexistent/hook.so -x", "Failed to add video hook function: /nonexistent/hook.so -x"},
        RaiseCase{{}, "vsync", "", "'' is not a valid integer value"},
        RaiseCase{{}, "ar", "44.1k", "'44.1k' is not a valid integer value"}));

// The fixed tables never take more than they hold.
TEST(OptionTables, OverfullTablesAreRefusedWithoutWritingOutside)
{
    TCustomFFmpeg task(1);
    task.Reset();
    for (int i = 0; i < MAX_STREAMS; ++i)
        task.SetOption("map", "0:" + std::to_string(i));
    EXPECT_THROW(task.SetOption("map", "0:0"), FFmpegException);
    EXPECT_EQ(task.Tables().streamMaps.size(), static_cast<size_t>(MAX_STREAMS));

    task.SetOption("map_meta_data", "0,0");
    EXPECT_THROW(task.SetOption("map_meta_data", "0,0"), FFmpegException);
    EXPECT_EQ(task.Tables().metaDataMaps.size(), 1u);

    EXPECT_THROW(task.SetOption("streamid", "20:1"), FFmpegException);
    EXPECT_THROW(task.SetOption("streamid", "-1:1"), FFmpegException);
    task.SetOption("streamid", "19:7");
    EXPECT_EQ(task.Pending().streamIdMap[19], 7);
    EXPECT_THROW(task.SetOption("itsscale", "-1:2"), FFmpegException);
}

struct ValueCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> options;
    std::function<bool(const TCustomFFmpeg&)> holds;
};

class OptionValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(OptionValueTest, StoresWhatTheValueMeans)
{
    const ValueCase& c = GetParam();
    TCustomFFmpeg task(20);
    task.Reset();
    for (const auto& [name, value] : c.options)
        ASSERT_NO_THROW(task.SetOption(name, value)) << c.label << ": " << name << "=" << value;
    EXPECT_TRUE(c.holds(task)) << c.label;
}

bool Near(double a, double b) { return std::fabs(a - b) < 1e-6; }

INSTANTIATE_TEST_SUITE_P(
    Values, OptionValueTest,
    ::testing::Values(
        ValueCase{"aspect 16:9",
                  {{"aspect", "16:9"}},
                  [](const TCustomFFmpeg& t) { return t.Pending().frameAspectRatio == 16.0f / 9.0f; }},
        ValueCase{"aspect 1.85",
                  {{"aspect", "1.85"}},
                  [](const TCustomFFmpeg& t) { return t.Pending().frameAspectRatio == 1.85f; }},
        ValueCase{"crop 0 and below are ignored",
                  {{"s", "320x240"}, {"croptop", "0"}, {"cropleft", "-4"}},
                  [](const TCustomFFmpeg& t) {
                      const PendingOptions& p = t.Pending();
                      return p.cropTop == 0 && p.cropLeft == 0 && p.frameHeight == 240 && p.frameWidth == 320;
                  }},
        ValueCase{"crops shrink the frame",
                  {{"s", "320x240"}, {"croptop", "10"}, {"cropright", "20"}},
                  [](const TCustomFFmpeg& t) {
                      const PendingOptions& p = t.Pending();
                      return p.cropTop == 10 && p.cropRight == 20 && p.frameHeight == 230 && p.frameWidth == 300;
                  }},
        ValueCase{"XVID tag",
                  {{"vtag", "XVID"}},
                  [](const TCustomFFmpeg& t) { return t.Pending().videoCodecTag == 0x44495658u; }},
        ValueCase{"64-number matrix",
                  {{"intra_matrix", Numbers(64) + ",99,trailing"}},
                  [](const TCustomFFmpeg& t) {
                      const auto& m = t.Pending().intraMatrix;
                      return m.size() == 64 && m[0] == 1 && m[62] == 63 && m[63] == 64;
                  }},
        ValueCase{"itsscale for the next input",
                  {{"itsscale", "1:0.5"}},
                  [](const TCustomFFmpeg& t) {
                      return Near(t.Tables().TsScale(0, 1), 0.5) && t.Tables().TsScale(0, 0) == 0.0;
                  }},
        ValueCase{"map with sync stream",
                  {{"map", "0.1:0.0"}},
                  [](const TCustomFFmpeg& t) {
                      const StreamMap& m = t.Tables().streamMaps.at(0);
                      return m.fileIndex == 0 && m.streamIndex == 1 && m.syncFileIndex == 0 && m.syncStreamIndex == 0;
                  }},
        ValueCase{"map is its own sync stream",
                  {{"map", "0:1"}},
                  [](const TCustomFFmpeg& t) {
                      const StreamMap& m = t.Tables().streamMaps.at(0);
                      return m.fileIndex == 0 && m.streamIndex == 1 && m.syncFileIndex == 0 && m.syncStreamIndex == 1;
                  }},
        ValueCase{"map reads hex and octal",
                  {{"map", "0x1:010"}},
                  [](const TCustomFFmpeg& t) {
                      const StreamMap& m = t.Tables().streamMaps.at(0);
                      return m.fileIndex == 1 && m.streamIndex == 8;
                  }},
        ValueCase{"map_meta_data",
                  {{"map_meta_data", "0:2"}},
                  [](const TCustomFFmpeg& t) {
                      const MetaDataMap& m = t.Tables().metaDataMaps.at(0);
                      return m.outFileIndex == 0 && m.inFileIndex == 2;
                  }},
        ValueCase{
            "size with a description",
            {{"s", "320*240 (QVGA)"}},
            [](const TCustomFFmpeg& t) { return t.Pending().frameWidth == 320 && t.Pending().frameHeight == 240; }},
        ValueCase{
            "size abbreviation",
            {{"s", "hd720"}},
            [](const TCustomFFmpeg& t) { return t.Pending().frameWidth == 1280 && t.Pending().frameHeight == 720; }},
        ValueCase{"rate 29.97",
                  {{"r", "29.97"}},
                  [](const TCustomFFmpeg& t) { return av_q2d(t.Pending().frameRate) == 29.97; }},
        ValueCase{"rate ntsc",
                  {{"r", "ntsc"}},
                  [](const TCustomFFmpeg& t) {
                      return t.Pending().frameRate.num == 30000 && t.Pending().frameRate.den == 1001;
                  }},
        ValueCase{
            "pgmyuv becomes image2",
            {{"f", "pgmyuv"}},
            [](const TCustomFFmpeg& t) { return t.Pending().forcedFormat == "image2" && t.Pending().pgmyuvInput; }},
        ValueCase{
            "vcodec copy",
            {{"vcodec", "mpeg4"}, {"vcodec", "copy"}},
            [](const TCustomFFmpeg& t) { return t.Pending().videoStreamCopy && t.Pending().videoCodecName.empty(); }},
        ValueCase{"ar and ac only when positive",
                  {{"ar", "0"}, {"ac", "-1"}},
                  [](const TCustomFFmpeg& t) {
                      return t.Pending().audioSampleRate == 44100 && t.Pending().audioChannels == 2;
                  }},
        ValueCase{"t sets the total duration",
                  {{"t", "00:01:30"}},
                  [](const TCustomFFmpeg& t) {
                      return t.Pending().recordingTimeUs == 90000000 && t.TotalDurationUs() == 90000000;
                  }},
        ValueCase{"timestamp in seconds",
                  {{"timestamp", "1970-01-01T00:01:40Z"}},
                  [](const TCustomFFmpeg& t) { return t.Pending().recordingTimestampSeconds == 100; }},
        ValueCase{"bitstream filters append; empty and =... are ignored",
                  {{"vbsf", "h264_mp4toannexb"}, {"vbsf", ""}, {"vbsf", "=x"}, {"vbsf", "noise=amount=3"}},
                  [](const TCustomFFmpeg& t) {
                      const auto& chain = t.Pending().videoBitstreamFilters;
                      return chain.size() == 2 && chain[0].name == "h264_mp4toannexb" && chain[1].name == "noise" &&
                             chain[1].args == "amount=3";
                  }},
        ValueCase{"sample_fmt unknown leaves it unset",
                  {{"sample_fmt", "s16"}, {"sample_fmt", "s17"}},
                  [](const TCustomFFmpeg& t) { return t.Pending().sampleFormat == AV_SAMPLE_FMT_NONE; }},
        ValueCase{"metadata keeps the order of definition",
                  {{"metadata", "title=a"}, {"metadata", "title=b"}},
                  [](const TCustomFFmpeg& t) {
                      const auto& m = t.Pending().metadata;
                      return m.size() == 2 && m[0].second == "a" && m[1].second == "b";
                  }},
        ValueCase{"unknown names and empty library values change nothing",
                  {{"nosuchoption", "1"}, {"g", ""}},
                  [](const TCustomFFmpeg& t) { return t.GenericOptions().Names().empty(); }}));

TEST(OptionLogLines, InformationalAndDeprecatedOptionsLog)
{
    OptionTestLog log;
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("version", "");
    task.SetOption("timelimit", "10");
    task.SetOption("f", "pgmyuv");
    task.SetOption("s", "320x240");
    task.SetOption("croptop", "8");
    EXPECT_TRUE(log.Has(llInfo, "Do nothing: option - version"));
    EXPECT_TRUE(log.Has(llWarning, "Warning: -timelimit not implemented on Windows"));
    EXPECT_TRUE(log.Has(llInfo, "pgmyuv format is deprecated, use image2"));
    EXPECT_TRUE(log.Has(llWarning, "CropTop is deprecated in favor of the crop avfilter"));
}

TEST(OptionLogLines, FormatListsAreLoggedAndChangeNothing)
{
    OptionTestLog log;
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("pix_fmt", "list");
    task.SetOption("sample_fmt", "list");
    EXPECT_TRUE(log.Has(llInfo, "yuv420p"));
    EXPECT_TRUE(log.Has(llInfo, "s16"));
    EXPECT_EQ(task.Pending().pixelFormat, AV_PIX_FMT_NONE);
    EXPECT_EQ(task.Pending().sampleFormat, AV_SAMPLE_FMT_NONE);
    task.SetOption("pix_fmt", "yuv422p");
    EXPECT_EQ(task.Pending().pixelFormat, AV_PIX_FMT_YUV422P);
}

TEST(OptionLogLines, LoglevelSetsTheLoggersLevel)
{
    OptionTestLog log(llInfo);
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("loglevel", "WARNING");
    EXPECT_EQ(GetFFLogger().LogLevel(), llWarning);
    task.SetOption("loglevel", "48");
    EXPECT_EQ(GetFFLogger().LogLevel(), llDebug);
    EXPECT_THROW(task.SetOption("loglevel", "chatty"), FFmpegException);
    EXPECT_EQ(GetFFLogger().LogLevel(), llDebug);
}

TEST(OptionLogLines, BitRateBelow1000Warns)
{
    const std::string warning =
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
    struct Case {
        const char* name;
        const char* value;
        bool warns;
        AVMediaType readBack;
        int64_t bitRate;
    };
    for (const Case& c :
         {Case{"b", "500", true, AVMEDIA_TYPE_VIDEO, 500}, Case{"b", "500000", false, AVMEDIA_TYPE_VIDEO, 500000},
          Case{"vb", "999", true, AVMEDIA_TYPE_VIDEO, 999}, Case{"b", "0", false, AVMEDIA_TYPE_VIDEO, 0},
          Case{"ab", "64", true, AVMEDIA_TYPE_AUDIO, 64}, Case{"ab", "64000", false, AVMEDIA_TYPE_AUDIO, 64000}}) {
        OptionTestLog log;
        TCustomFFmpeg task(20);
        task.Reset();
        task.SetOption(c.name, c.value);
        EXPECT_EQ(log.Has(llWarning, warning), c.warns) << c.name << "=" << c.value;
        EXPECT_EQ(task.GenericOptions().CodecContext(c.readBack)->bit_rate, c.bitRate) << c.name << "=" << c.value;
    }
}

TEST(OptionLogLines, ResetRestoresTheDefaults)
{
    TCustomFFmpeg task(20);
    task.Reset();
    task.ApplyOptionText("ar=8000\nac=1\nvsync=2\nmuxdelay=3\nstreamid=2:9\nan\nt=10\nr=25\ng=5", true);
    task.Reset();
    const PendingOptions& p = task.Pending();
    EXPECT_EQ(p.audioSampleRate, 44100);
    EXPECT_EQ(p.audioChannels, 2);
    EXPECT_EQ(p.videoSyncMethod, -1);
    EXPECT_FLOAT_EQ(p.muxMaxDelaySeconds, 0.7f);
    EXPECT_EQ(p.streamIdMap[2], 0);
    EXPECT_FALSE(p.audioDisable);
    EXPECT_EQ(p.recordingTimeUs, INT64_MAX);
    EXPECT_EQ(p.frameRate.den, 0);
    EXPECT_EQ(task.TotalDurationUs(), -1);
    EXPECT_TRUE(task.GenericOptions().Names().empty());
    EXPECT_NE(task.GenericOptions().CodecContext(AVMEDIA_TYPE_VIDEO)->gop_size, 5);
}

TEST(OptionLogLines, SettersApplyOnlyMeaningfulValues)
{
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetStartTime(5000000);
    task.SetStartTime(AV_NOPTS_VALUE);
    task.SetProgramId(3);
    task.SetProgramId(-1);
    task.SetAudioVolume(-1);
    task.SetMuxDelay(0);
    task.SetMuxPreload(-2);
    task.SetSampleRate(0);
    task.SetChannels(0);
    const PendingOptions& p = task.Pending();
    EXPECT_EQ(p.startTimeUs, 5000000);
    EXPECT_EQ(p.programId, 3);
    EXPECT_EQ(p.audioVolume, 256);
    EXPECT_FLOAT_EQ(p.muxMaxDelaySeconds, 0.7f);
    EXPECT_FLOAT_EQ(p.muxPreloadSeconds, 0.5f);
    EXPECT_EQ(p.audioSampleRate, 44100);
    EXPECT_EQ(p.audioChannels, 2);
}

}  // namespace
