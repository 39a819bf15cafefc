// End-to-end conversions of generated clips into every container the format
// catalogue writes, each result read back with ffprobe: container, codecs,
// picture size and rate, sample rate, channels and decoded length.
#include "TranscodeRunSupport.h"

#include <cmath>
#include <map>
#include <utility>

namespace {

using runtest::Number;
using runtest::Options;
using runtest::RunClips;

struct FormatCase {
    const char* name;  // test name
    const char* source;  // "mp4" (25 fps H.264/AAC), "avi" (29.97 fps MPEG-4/MP3) or "surround" (5.1 WAV, 48 kHz)
    const char* output;  // file name; the extension picks the container
    Options options;  // before the output
    const char* format;  // ffprobe format_name (contains)
    const char* video;  // codec_name of v:0, or "" for none
    const char* audio;  // codec_name of a:0, or "" for none
    int width, height;
    double frameRate;  // of v:0
    int sampleRate, channels;
    const char* videoTag;  // codec_tag_string of v:0, or "" when not checked
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class TranscodeFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(TranscodeFormats, ConvertsTheWholeClipIntoTheContainer)
{
    const FormatCase& c = GetParam();
    RunClips& clips = RunClips::Get();
    const std::string kind = c.source;
    const std::string source =
        kind == "mp4"   ? clips.Mp4()
        : kind == "avi" ? clips.Avi()
                        : clips.Once("surround.wav", "-f lavfi -i \"sine=frequency=440:sample_rate=48000:duration=2\" "
                                                     "-af \"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\"");
    qtest::ScratchDir out;
    const std::string output = out.file(c.output);
    auto task = runtest::PrepareTask(source, {}, output, c.options);
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);

    const auto format = qtest::ProbeFormat(output);
    ASSERT_FALSE(format.empty()) << "ffprobe cannot read " << output;
    EXPECT_NE(format.at("format_name").find(c.format), std::string::npos) << format.at("format_name");

    static std::map<std::string, std::pair<double, double>> sourceLengths;  // per source clip
    if (!sourceLengths.count(source))
        sourceLengths[source] = {runtest::VideoSeconds(source), runtest::AudioSeconds(source)};
    const auto [sourceVideo, sourceAudio] = sourceLengths[source];
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
const Options k3gp{{"s", "176x144"}, {"vcodec", "h263"}, {"acodec", "libopencore_amrnb"},
                   {"ar", "8000"},   {"ac", "1"},        {"ab", "12200"}};
constexpr double kNtsc = 30000.0 / 1001.0;

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscodeFormats,
    ::testing::Values(
        FormatCase{"AviMpeg4Mp3", "mp4", "out.avi", kAvi, "avi", "mpeg4", "mp3", 320, 240, 25, 44100, 2, "DX50"},
        FormatCase{"AviFromAvi", "avi", "out.avi", kAvi, "avi", "mpeg4", "mp3", 320, 240, kNtsc, 44100, 2, "DX50"},
        FormatCase{"Mp4X264Aac",
                   "avi",
                   "out.mp4",
                   {{"vcodec", "libx264"}, {"acodec", "aac"}},
                   "mp4",
                   "h264",
                   "aac",
                   320,
                   240,
                   kNtsc,
                   44100,
                   2,
                   ""},
        FormatCase{"ThreeGpH263AmrNb", "mp4", "out.3gp", k3gp, "3gp", "h263", "amr_nb", 176, 144, 25, 8000, 1, ""},
        FormatCase{"MpgVcd",
                   "mp4",
                   "out.mpg",
                   {{"target", "pal-vcd"}},
                   "mpeg",
                   "mpeg1video",
                   "mp2",
                   352,
                   288,
                   25,
                   44100,
                   2,
                   ""},
        FormatCase{"MpgSvcd",
                   "mp4",
                   "out.mpg",
                   {{"target", "pal-svcd"}},
                   "mpeg",
                   "mpeg2video",
                   "mp2",
                   480,
                   576,
                   25,
                   44100,
                   2,
                   ""},
        FormatCase{"MpgDvd",
                   "avi",
                   "out.mpg",
                   {{"target", "ntsc-dvd"}},
                   "mpeg",
                   "mpeg2video",
                   "ac3",
                   720,
                   480,
                   kNtsc,
                   48000,
                   2,
                   ""},
        FormatCase{"Flv",
                   "mp4",
                   "out.flv",
                   {{"vcodec", "flv"}, {"acodec", "libmp3lame"}},
                   "flv",
                   "flv1",
                   "mp3",
                   320,
                   240,
                   25,
                   44100,
                   2,
                   ""},
        FormatCase{"WmvWmv2Wmav2",
                   "mp4",
                   "out.wmv",
                   {{"vcodec", "wmv2"}, {"acodec", "wmav2"}},
                   "asf",
                   "wmv2",
                   "wmav2",
                   320,
                   240,
                   25,
                   44100,
                   2,
                   ""},
        FormatCase{"RmRv10",
                   "mp4",
                   "out.rm",
                   {{"vcodec", "rv10"}, {"acodec", "ac3"}},
                   "rm",
                   "rv10",
                   "ac3",
                   320,
                   240,
                   25,
                   44100,
                   2,
                   ""},
        FormatCase{"Mov", "avi", "out.mov", {}, "mov", "h264", "aac", 320, 240, kNtsc, 44100, 2, ""},
        FormatCase{"Mkv", "mp4", "out.mkv", {}, "matroska", "h264", "vorbis", 320, 240, 25, 44100, 2, ""},
        FormatCase{"Mp3", "mp4", "out.mp3", {}, "mp3", "", "mp3", 0, 0, 0, 44100, 2, ""},
        FormatCase{"Wav", "avi", "out.wav", {}, "wav", "", "pcm_s16le", 0, 0, 0, 44100, 2, ""},
        FormatCase{"Flac", "mp4", "out.flac", {}, "flac", "", "flac", 0, 0, 0, 44100, 2, ""},
        FormatCase{"Ogg", "mp4", "out.ogg", {{"vn", ""}}, "ogg", "", "vorbis", 0, 0, 0, 44100, 2, ""},
        FormatCase{"Ac3", "mp4", "out.ac3", {}, "ac3", "", "ac3", 0, 0, 0, 44100, 2, ""},
        // ffprobe reads MPEG audio layer II with its mp3 demuxer
        FormatCase{"Mp2", "avi", "out.mp2", {}, "mp3", "", "mp2", 0, 0, 0, 44100, 2, ""},
        FormatCase{"M4a", "mp4", "out.m4a", {{"vn", ""}, {"acodec", "aac"}}, "mp4", "", "aac", 0, 0, 0, 44100, 2, ""},
        // six channels at 48 kHz mixed down to two at 44.1 kHz
        FormatCase{"Mp3FromSurround",
                   "surround",
                   "out.mp3",
                   {{"ac", "2"}, {"ar", "44100"}},
                   "mp3",
                   "",
                   "mp3",
                   0,
                   0,
                   0,
                   44100,
                   2,
                   ""},
        FormatCase{"Amr",
                   "avi",
                   "out.amr",
                   {{"acodec", "libopencore_amrnb"}, {"ar", "8000"}, {"ac", "1"}},
                   "amr",
                   "",
                   "amr_nb",
                   0,
                   0,
                   0,
                   8000,
                   1,
                   ""}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
