// Presets: lookup order (built-in table, encoder-prefixed name, file), the
// errors of a preset file, and the built-in libx264 presets on the packaged
// libx264 encoder.
#include "OptionTestLog.h"
#include "engine/BuiltinPresets.h"
#include "engine/TCustomFFmpeg.h"
#include "engine/TranscodeRun.h"
#include "media/CodecLock.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace {

std::string VideoText(const TCustomFFmpeg& task, const std::string& name)
{
    return task.GenericOptions().ValueText(AVMEDIA_TYPE_VIDEO, name);
}

std::string WriteFile(const qtest::ScratchDir& dir, const std::string& name, const std::string& text)
{
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(PresetLookup, VpreAfterVcodecResolvesToTheEncodersPreset)
{
    TCustomFFmpeg task(20);
    task.Reset();
    task.SetOption("vcodec", "libx264");
    task.SetOption("vpre", "medium");
    // medium, and not default: b-pyramid and weighted P prediction are medium's own
    EXPECT_EQ(VideoText(task, "b-pyramid"), "normal");
    EXPECT_EQ(VideoText(task, "weightp"), "2");
    EXPECT_EQ(VideoText(task, "partitions"), "i8x8,i4x4,p8x8,b8x8");
    EXPECT_EQ(VideoText(task, "subq"), "7");
    EXPECT_EQ(VideoText(task, "refs"), "3");
}

TEST(PresetLookup, FullNamesResolveDirectlyInAnyCase)
{
    TCustomFFmpeg hq(20);
    hq.Reset();
    hq.SetOption("vpre", "libx264-hq");  // no encoder pending
    EXPECT_EQ(VideoText(hq, "me_method"), "umh");
    EXPECT_EQ(VideoText(hq, "refs"), "4");

    TCustomFFmpeg main(20);
    main.Reset();
    main.ApplyPreset("vpre", "LIBX264-MAIN");
    EXPECT_EQ(VideoText(main, "8x8dct"), "0");
}

TEST(PresetLookup, AnEmptyPresetNameDoesNothing)
{
    TCustomFFmpeg task(20);
    task.Reset();
    EXPECT_NO_THROW(task.ApplyPreset("fpre", ""));
    EXPECT_TRUE(task.GenericOptions().Names().empty());
}

struct PresetErrorCase {
    const char* label;
    const char* option;
    std::string fileText;  // written to the preset file; null text: no file
    bool writeFile;
    std::string message;  // "%f" stands for the preset file's path
};

class PresetErrorTest : public ::testing::TestWithParam<PresetErrorCase> {};

TEST_P(PresetErrorTest, RaisesTheExactText)
{
    const PresetErrorCase& c = GetParam();
    qtest::ScratchDir dir;
    const std::string path = c.writeFile ? WriteFile(dir, "test.ffpreset", c.fileText) : dir.file("missing.ffpreset");
    std::string expected = c.message;
    for (size_t at = expected.find("%f"); at != std::string::npos; at = expected.find("%f"))
        expected.replace(at, 2, path);

    TCustomFFmpeg task(20);
    task.Reset();
    try {
        task.SetOption(c.option, path);
        FAIL() << c.label;
    } catch (const FFmpegException& e) {
        EXPECT_EQ(std::string(e.what()), expected) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PresetErrorTest,
    ::testing::Values(PresetErrorCase{"missing fpre file", "fpre", "", false, "Preset \"%f\" not found"},
                      PresetErrorCase{"missing vpre file", "vpre", "", false, "Preset \"%f\" not found"},
                      PresetErrorCase{"line without =", "fpre", "g=30\nnoequals\n", true,
                                      "%f: Invalid syntax: \"noequals\""},
                      PresetErrorCase{"empty value", "fpre", "qmin=\n", true, "%f: Invalid syntax: \"qmin=\""},
                      PresetErrorCase{"unknown option", "fpre", "g=30\r\nnosuch=1\r\n", true,
                                      "%f: Invalid option or argument: \"nosuch=1\", parsed as \"nosuch\" = \"1\""},
                      PresetErrorCase{"rejected value", "apre", "ab=loud", true,
                                      "%f: Invalid option or argument: \"ab=loud\", parsed as \"ab\" = \"loud\""}),
    [](const ::testing::TestParamInfo<PresetErrorCase>& info) { return "Case" + std::to_string(info.index); });

TEST(PresetFile, LinesBeforeAFailureStayAppliedAndCodecLinesSetEncoders)
{
    qtest::ScratchDir dir;
    TCustomFFmpeg task(20);
    task.Reset();
    const std::string good =
        WriteFile(dir, "good.ffpreset", "\n  VCODEC=mpeg4  \n\n qmin = 5 \nAcodec=mp2\nscodec=copy\n");
    task.SetOption("fpre", good);
    EXPECT_EQ(task.Pending().videoCodecName, "mpeg4");
    EXPECT_EQ(task.Pending().audioCodecName, "mp2");
    EXPECT_TRUE(task.Pending().subtitleStreamCopy);
    EXPECT_EQ(task.GenericOptions().CodecContext(AVMEDIA_TYPE_VIDEO)->qmin, 5);

    const std::string bad = WriteFile(dir, "bad.ffpreset", "g=30\nnoequals\ng=40\n");
    EXPECT_THROW(task.SetOption("fpre", bad), FFmpegException);
    EXPECT_EQ(task.GenericOptions().CodecContext(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
}

// The whole contents of every built-in preset, in table order: a digest of
// its sorted lines (FNV-1a over "name=value\n" each), so a changed, lost or
// extra line in any preset shows here by name.
uint64_t SortedLinesDigest(const std::string& text, size_t& lineCount)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    lineCount = lines.size();
    uint64_t digest = 1469598103934665603ull;
    for (const std::string& line : lines)
        for (const unsigned char c : line + "\n") {
            digest ^= c;
            digest *= 1099511628211ull;
        }
    return digest;
}

TEST(BuiltinX264Presets, EveryPresetKeepsItsLines)
{
    struct Case {
        const char* name;
        size_t lines;
        uint64_t digest;
    };
    const Case cases[] = {
        {"libx264-baseline", 5, 0x6141338f16e735ceull},
        {"libx264-default", 24, 0x7d88c272b7d80b3cull},
        {"libx264-fast", 27, 0x92dd9fd38390bd74ull},
        {"libx264-fast_firstpass", 27, 0x69abfcb219465c43ull},
        {"libx264-faster", 27, 0x9dff8cb3faeb42bdull},
        {"libx264-faster_firstpass", 27, 0xdd41927a957ccf6bull},
        {"libx264-fastfirstpass", 25, 0x80a558ef7db4af41ull},
        {"libx264-hq", 24, 0x7ed0a13f089ece38ull},
        {"libx264-ipod320", 9, 0xa349b5889a609df0ull},
        {"libx264-ipod640", 9, 0x25a58052df471d14ull},
        {"libx264-lossless_fast", 21, 0x1400a768773e2deeull},
        {"libx264-lossless_max", 22, 0x0b75c89f1b9a90d6ull},
        {"libx264-lossless_medium", 20, 0x61b98888145fd1f6ull},
        {"libx264-lossless_slow", 23, 0x39b615ec1523885cull},
        {"libx264-lossless_slower", 22, 0xcc1df80cab4c8db8ull},
        {"libx264-lossless_ultrafast", 20, 0x8f29be47412b0cdcull},
        {"libx264-main", 1, 0xfddf05a4976936a5ull},
        {"libx264-max", 24, 0x0d66b8ef7afe1440ull},
        {"libx264-medium", 26, 0xe75c9eb8aba835b2ull},
        {"libx264-medium_firstpass", 26, 0xe5ac17a9575cde2full},
        {"libx264-normal", 23, 0x82bcab7a3a188addull},
        {"libx264-placebo", 27, 0xbe11b13a78a346b9ull},
        {"libx264-placebo_firstpass", 27, 0xbe11b13a78a346b9ull},
        {"libx264-slow", 27, 0xcdc530ce6ce37d57ull},
        {"libx264-slow_firstpass", 27, 0x40b70f0af0f5d9b4ull},
        {"libx264-slower", 27, 0x24060c591004fbe9ull},
        {"libx264-slower_firstpass", 27, 0x33e24e4d09009b75ull},
        {"libx264-slowfirstpass", 23, 0x9140fdab667eef57ull},
        {"libx264-superfast", 28, 0xdfcaa6e98d4e1814ull},
        {"libx264-superfast_firstpass", 28, 0x53ac0a907de96b3bull},
        {"libx264-ultrafast", 29, 0x597f0d63f42a6df9ull},
        {"libx264-ultrafast_firstpass", 27, 0xc33770e0044ca585ull},
        {"libx264-veryfast", 27, 0x1c327af0b8508aabull},
        {"libx264-veryfast_firstpass", 27, 0xe4e5c7b429f71167ull},
        {"libx264-veryslow", 27, 0x91a94a6bcec9c0dcull},
        {"libx264-veryslow_firstpass", 27, 0x8fb0e893c1c4ac71ull},
    };
    ASSERT_EQ(BuiltinPresets().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const TOptionsPreset& preset = BuiltinPresets()[i];
        EXPECT_STREQ(preset.Name, cases[i].name);
        size_t lines = 0;
        EXPECT_EQ(SortedLinesDigest(preset.Text, lines), cases[i].digest) << cases[i].name << ":\n" << preset.Text;
        EXPECT_EQ(lines, cases[i].lines) << cases[i].name;
        // one line per option: a repeated name would hide the first value
        std::set<std::string> names;
        std::istringstream in(preset.Text);
        for (std::string line; std::getline(in, line);)
            EXPECT_TRUE(names.insert(line.substr(0, line.find('='))).second) << cases[i].name << ": " << line;
        EXPECT_EQ(FindBuiltinPreset(cases[i].name), preset.Text);
    }
}

// Every built-in preset must work on the packaged libx264: H.264 conversions
// always apply libx264-default, so one refused line would fail them all.
TEST(BuiltinX264Presets, EveryPresetOpensALibx264Encoder)
{
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(x264, nullptr);
    ASSERT_EQ(BuiltinPresets().size(), 36u);
    for (const TOptionsPreset& preset : BuiltinPresets()) {
        OptionTestLog log(llWarning);
        TCustomFFmpeg task(20);
        task.Reset();
        task.SetOption("vcodec", "libx264");
        ASSERT_NO_THROW(task.SetOption("vpre", preset.Name)) << preset.Name;
        EXPECT_FALSE(task.GenericOptions().Names().empty()) << preset.Name;

        AVCodecContextPtr enc{avcodec_alloc_context3(x264)};
        enc->width = 64;
        enc->height = 64;
        enc->pix_fmt = AV_PIX_FMT_YUV420P;
        enc->time_base = {1, 25};
        task.ReplayGenericOptions(enc.get(), rmVideoEncoder);
        EXPECT_EQ(log.Count("Could not apply option"), 0) << preset.Name;
        int opened = 0;
        {
            std::lock_guard guard(CodecLock());
            opened = avcodec_open2(enc.get(), x264, nullptr);
        }
        EXPECT_GE(opened, 0) << preset.Name;
        EXPECT_EQ(log.Count("Error"), 0) << preset.Name;
    }
}

// The H.264 profile the encoder wrote into its sequence header (0 if none).
int EncodedProfile(TCustomFFmpeg& task)
{
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    AVCodecContextPtr enc{avcodec_alloc_context3(x264)};
    enc->width = 64;
    enc->height = 64;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1, 25};
    task.ReplayGenericOptions(enc.get(), rmVideoEncoder);
    {
        std::lock_guard guard(CodecLock());
        if (avcodec_open2(enc.get(), x264, nullptr) < 0)
            return 0;
    }
    AVFramePtr frame{av_frame_alloc()};
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 64;
    frame->height = 64;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return 0;
    for (int plane = 0; plane < 3; ++plane)
        std::fill_n(frame->data[plane], frame->linesize[plane] * (plane ? 32 : 64), uint8_t{128});
    frame->pts = 0;
    avcodec_send_frame(enc.get(), frame.get());
    avcodec_send_frame(enc.get(), nullptr);
    AVPacketPtr packet{av_packet_alloc()};
    while (avcodec_receive_packet(enc.get(), packet.get()) >= 0) {
        const uint8_t* d = packet->data;
        for (int i = 0; i + 4 < packet->size; ++i)
            if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1 && (d[i + 3] & 0x1f) == 7)
                return d[i + 4];
        av_packet_unref(packet.get());
    }
    return 0;
}

// The translated lines take effect: the profile follows from the features
// each preset switches on or off (CABAC, B-frames, 8x8 transform, lossless).
TEST(BuiltinX264Presets, PresetsDecideTheEncodedProfile)
{
    struct Case {
        const char* preset;
        int profile;
    };
    for (const Case& c : {Case{"libx264-baseline", 66}, Case{"libx264-ipod640", 66}, Case{"libx264-main", 77},
                          Case{"libx264-default", 100}, Case{"libx264-lossless_medium", 244}}) {
        TCustomFFmpeg task(20);
        task.Reset();
        task.SetOption("vcodec", "libx264");
        task.SetOption("vpre", c.preset);
        EXPECT_EQ(EncodedProfile(task), c.profile) << c.preset;
    }
}

// End to end: an H.264 conversion with the default preset, as every
// libx264 entry of the format catalogue asks for, gives an H.264 file.
TEST(BuiltinX264Presets, ConversionWithTheDefaultPresetWritesH264)
{
    qtest::ScratchDir dir;
    const std::string source = qtest::MakeAviClip(dir.path(), 1.0);
    const std::string target = dir.file("out.mp4");
    TCustomFFmpeg task(20);
    task.Reset();
    ASSERT_NO_THROW(task.OpenInputFile(source));
    task.SetOption("vcodec", "libx264");
    task.SetOption("vpre", "libx264-default");
    task.SetOption("an", "");
    ASSERT_EQ(task.AddOutputFile(target), 1) << task.LastError();
    ASSERT_NO_THROW(RunTranscode(task, RunHooks{}));
    const auto video = qtest::ProbeStream(target, "v:0");
    EXPECT_EQ(video.at("codec_name"), "h264");
    EXPECT_EQ(video.at("profile"), "High");
    EXPECT_EQ(video.at("width"), "320");
    EXPECT_EQ(qtest::CountStreams(target, 'a'), 0);
}

}  // namespace
