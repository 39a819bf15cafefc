// End-to-end conversions of generated clips into every container the format
// catalogue writes, each result read back with ffprobe: container, codecs,
// picture size and rate, sample rate, channels and decoded length.
#include "TranscodeRunSupport.h"

#include <cmath>

namespace {

using runtest::Number;
using runtest::Options;
using runtest::RunClips;

struct FormatCase {
    const char* name;      // test name
    const char* source;    // "mp4" (25 fps H.264/AAC) or "avi" (29.97 fps MPEG-4/MP3)
    const char* output;    // file name; the extension picks the container
    Options options;       // before the output
    const char* format;    // ffprobe format_name (contains)
    const char* video;     // codec_name of v:0, or "" for none
    const char* audio;     // codec_name of a:0, or "" for none
    int width, height;
    double frameRate;      // of v:0
    int sampleRate, channels;
    const char* videoTag;  // codec_tag_string of v:0, or "" when not checked
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class TranscodeFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(TranscodeFormats, ConvertsTheWholeClipIntoTheContainer)
{
    const FormatCase& c = GetParam();
    RunClips& clips = RunClips::Get();
    const std::string source = std::string(c.source) == "mp4" ? clips.Mp4() : clips.Avi();
    qtest::ScratchDir out;
    const std::string output = out.file(c.output);
    auto task = runtest::PrepareTask(source, {}, output, c.options);
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);

    const auto format = qtest::ProbeFormat(output);
    ASSERT_FALSE(format.empty()) << "ffprobe cannot read " << output;
    EXPECT_NE(format.at("format_name").find(c.format), std::string::npos) << format.at("format_name");

    const double sourceVideo = runtest::VideoSeconds(source);
    const double sourceAudio = runtest::AudioSeconds(source);
    if (*c.video) {
        ASSERT_EQ(qtest::CountStreams(output, 'v'), 1);
        const auto v = qtest::ProbeStream(output, "v:0");
        EXPECT_EQ(v.at("codec_name"), c.video);
        EXPECT_EQ(Number(v, "width"), c.width);
        EXPECT_EQ(Number(v, "height"), c.height);
        EXPECT_NEAR(Number(v, "r_frame_rate"), c.frameRate, 0.01);
        if (*c.videoTag) {
            EXPECT_EQ(v.at("codec_tag_string"), c.videoTag);
        }
        // within one frame of the source
        EXPECT_NEAR(runtest::VideoSeconds(output), sourceVideo, 1.0 / c.frameRate + 1e-6);
    } else {
        EXPECT_EQ(qtest::CountStreams(output, 'v'), 0);
    }
    if (*c.audio) {
        ASSERT_EQ(qtest::CountStreams(output, 'a'), 1);
        const auto a = qtest::ProbeStream(output, "a:0");
        EXPECT_EQ(a.at("codec_name"), c.audio);
        EXPECT_EQ(Number(a, "sample_rate"), c.sampleRate);
        EXPECT_EQ(Number(a, "channels"), c.channels);
        // within 50 ms of the source, plus the encoder's last frame of padding
        const double frame = std::string(c.audio) == "amr_nb" ? 0.02 : 0.0;
        EXPECT_NEAR(runtest::AudioSeconds(output), sourceAudio, 0.05 + frame);
    } else {
        EXPECT_EQ(qtest::CountStreams(output, 'a'), 0);
    }
}

const Options kAvi{{"vcodec", "mpeg4"}, {"vtag", "DX50"}, {"acodec", "libmp3lame"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscodeFormats,
    ::testing::Values(
        FormatCase{"AviMpeg4Mp3", "mp4", "out.avi", kAvi, "avi", "mpeg4", "mp3", 320, 240, 25, 44100, 2, "DX50"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
