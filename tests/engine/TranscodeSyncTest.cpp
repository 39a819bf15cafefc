// What the run does to pictures and samples on their way: video sync by
// duplicating or keeping frames, audio sync by silence, the volume on
// decoded samples of every source format, and where a stream copy starts.
#include "OptionTestLog.h"
#include "TranscodeRunSupport.h"

#include <algorithm>

namespace {

using runtest::Options;
using runtest::RunClips;

// Converts `source` into `output` with `options` before the output; fails the
// test on a run error.
void Convert(const std::string& source, const std::string& output, const Options& options)
{
    auto task = runtest::PrepareTask(source, {}, output, options);
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(result.finished);
}

struct VsyncCase {
    const char* method;
    const char* output;  // mkv takes variable rates, avi does not
    int frames;  // of 48 source pictures with two missing after the third (the ffmpeg
        // tool's -vsync cfr writes 50: the 2 s at 25 fps)
};

void PrintTo(const VsyncCase& c, std::ostream* os) { *os << "vsync " << c.method << " into " << c.output; }

class VideoSync : public ::testing::TestWithParam<VsyncCase> {};

TEST_P(VideoSync, FillsAHoleOfTwoFrameDurationsOnlyAtConstantRate)
{
    const std::string source =
        RunClips::Get().Once("hole.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 "
                                         "-vf \"select='not(between(n\\,3\\,4))'\" -vsync vfr -c:v mpeg4");
    ASSERT_EQ(runtest::VideoFrames(source), 48);
    qtest::ScratchDir out;
    const std::string output = out.file(GetParam().output);
    Convert(source, output, {{"vsync", GetParam().method}, {"vcodec", "mpeg4"}});
    EXPECT_EQ(runtest::VideoFrames(output), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Cases, VideoSync,
                         ::testing::Values(VsyncCase{"1", "synced.mkv", 50}, VsyncCase{"0", "synced.mkv", 48},
                                           VsyncCase{"2", "synced.mkv", 48}, VsyncCase{"-1", "synced.mkv", 48},
                                           VsyncCase{"-1", "synced.avi", 50}));

struct AsyncCase {
    const char* method;
    double seconds;  // decoded length of the output
    double silentSeconds;  // leading silence
};

void PrintTo(const AsyncCase& c, std::ostream* os) { *os << "async " << c.method; }

class AudioSync : public ::testing::TestWithParam<AsyncCase> {};

TEST_P(AudioSync, SoundStartingLateGetsSilenceBeforeItOnlyWithAudioSync)
{
    // 3 s of picture; the sound is 1 s long and starts at 2 s
    const std::string source =
        RunClips::Get().Once("late_audio.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 -itsoffset 2 "
                                               "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 "
                                               "-map 0:v -map 1:a -c:v mpeg4 -c:a pcm_s16le");
    qtest::ScratchDir out;
    const std::string output = out.file("synced.wav");
    Convert(source, output, {{"async", GetParam().method}});
    const std::vector<int16_t> samples = runtest::DecodeS16(output);
    const int channels = static_cast<int>(runtest::Number(qtest::ProbeStream(output, "a:0"), "channels"));
    ASSERT_GT(channels, 0);
    const double seconds = static_cast<double>(samples.size()) / channels / 44100;
    EXPECT_NEAR(seconds, GetParam().seconds, 0.03);

    // first audible sample
    const auto loud = std::find_if(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 100; });
    ASSERT_NE(loud, samples.end());
    const double firstSound = static_cast<double>(loud - samples.begin()) / channels / 44100;
    EXPECT_NEAR(firstSound, GetParam().silentSeconds, 0.03);
}

INSTANTIATE_TEST_SUITE_P(Cases, AudioSync,
                         ::testing::Values(AsyncCase{"1", 3.0, 2.0}, AsyncCase{"100", 3.0, 2.0},
                                           AsyncCase{"0", 1.0, 0.0}));

struct VolumeCase {
    const char* name;
    const char* codec;  // of the source's sound
    const char* extension;
};

void PrintTo(const VolumeCase& c, std::ostream* os) { *os << c.name; }

class Volume : public ::testing::TestWithParam<VolumeCase> {};

// The samples at volume 512 are those at 256 doubled, clipped at the 16-bit
// limits, whatever sample format the source's decoder gives.
TEST_P(Volume, DoublesAndClipsTheDecodedSamplesOfEverySourceFormat)
{
    const VolumeCase& c = GetParam();
    const std::string source = RunClips::Get().Once(
        std::string("loud_") + c.name + c.extension,
        std::string("-f lavfi -i \"aevalsrc=0.75*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=44100:d=1\" -c:a ") + c.codec);
    qtest::ScratchDir out;
    Convert(source, out.file("plain.wav"), {});
    Convert(source, out.file("doubled.wav"), {{"vol", "512"}});
    const std::vector<int16_t> plain = runtest::DecodeS16(out.file("plain.wav"));
    const std::vector<int16_t> doubled = runtest::DecodeS16(out.file("doubled.wav"));
    ASSERT_GT(plain.size(), 40000u);
    ASSERT_EQ(doubled.size(), plain.size());
    size_t clipped = 0, mismatches = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        const int expected = std::clamp((plain[i] * 512 + 128) / 256, -32768, 32767);
        if (doubled[i] != expected)
            ++mismatches;
        if (expected == 32767 || expected == -32768)
            ++clipped;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(clipped, 1000u) << "the loud channel reaches the limits when doubled";
}

INSTANTIATE_TEST_SUITE_P(Cases, Volume,
                         ::testing::Values(VolumeCase{"S16", "pcm_s16le", ".wav"},
                                           VolumeCase{"Float", "pcm_f32le", ".wav"},
                                           VolumeCase{"Mp3", "libmp3lame", ".mp3"}, VolumeCase{"Aac", "aac", ".m4a"},
                                           VolumeCase{"Mp2", "mp2", ".mp2"}, VolumeCase{"Flac", "flac", ".flac"}),
                         [](const ::testing::TestParamInfo<VolumeCase>& info) { return std::string(info.param.name); });

TEST(Timestamps, AJumpBackInAStreamWithDiscontinuitiesMovesTheOffsetAndKeepsEveryPicture)
{
    RunClips& clips = RunClips::Get();
    // one second of MPEG-TS twice over: the second half starts at the first one's times again
    const std::string half = clips.Once("half.ts", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg4");
    const std::string twice = clips.dir().file("twice.ts");
    if (qtest::FileBytes(twice) <= 0)
        qtest::RunCommand("cat " + qtest::ShellQuote(half) + " " + qtest::ShellQuote(half) + " > " +
                          qtest::ShellQuote(twice));
    ASSERT_EQ(runtest::VideoFrames(twice), 50);
    qtest::ScratchDir out;
    const std::string output = out.file("joined.avi");
    auto task = runtest::PrepareTask(twice, {}, output, {{"vcodec", "mpeg4"}});
    task->SetVerbosity(3);
    OptionTestLog log;
    const runtest::RunResult result = runtest::RunTask(*task);
    ASSERT_FALSE(result.error) << result.message;
    EXPECT_TRUE(log.Has(llVerbose, "timestamp discontinuity "));
    EXPECT_EQ(runtest::VideoFrames(output), 50);
    EXPECT_NEAR(runtest::VideoSeconds(output), 2.0, 0.04);
}

TEST(StreamCopy, PacketsPassTheStreamsBitstreamFiltersInOrder)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    // the filters stretch the copied stream's times twice: 2 s become 8 s
    const std::string output = out.file("stretched.mkv");
    Convert(clips.Mp4(), output,
            {{"vcodec", "copy"}, {"an", ""}, {"vbsf", "setts=ts=PTS*2"}, {"vbsf", "setts=ts=PTS*2"}});
    EXPECT_NEAR(runtest::Number(qtest::ProbeFormat(output), "duration"), 8.0, 0.2);
    EXPECT_EQ(runtest::VideoFrames(output), runtest::VideoFrames(clips.Mp4()));
}

TEST(StreamCopy, WhatAFilterHoldsBackReachesTheFileAtTheEnd)
{
    RunClips& clips = RunClips::Get();
    // 44100 samples: pcm_rechunk passes on packets of 10000 and keeps the last
    // 4100 until it is drained at the end of the stream
    const std::string tone =
        clips.Once("tone44100.wav", "-f lavfi -i sine=sample_rate=44100:duration=1 -ac 1 -c:a pcm_s16le");
    const std::vector<int16_t> source = runtest::DecodeS16(tone);
    ASSERT_EQ(source.size(), 44100u);
    qtest::ScratchDir out;
    const std::string output = out.file("rechunked.nut");
    Convert(tone, output, {{"acodec", "copy"}, {"absf", "pcm_rechunk=n=10000:pad=0"}});
    std::string sizes;
    qtest::RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 " +
                          qtest::ShellQuote(output),
                      &sizes);
    EXPECT_EQ(sizes, "20000\n20000\n20000\n20000\n8200\n");
    EXPECT_EQ(runtest::DecodeS16(output), source);
}

TEST(StreamCopy, StartsAtTheFirstKeyPacketUnlessInitialNonKeyPacketsAreWanted)
{
    RunClips& clips = RunClips::Get();
    const std::string gop =
        clips.Once("gop.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -c:v mpeg4 -g 10");
    // the ffmpeg tool cuts into a GOP: five packets before the first key packet
    const std::string cut = clips.dir().file("cut.avi");
    if (qtest::FileBytes(cut) <= 0) {
        ASSERT_TRUE(qtest::MakeMedia(cut, "-i " + qtest::ShellQuote(gop) + " -ss 0.2 -copyinkf -c copy"));
    }
    const std::vector<bool> source = runtest::VideoPacketKeys(cut);
    const auto firstKey = std::find(source.begin(), source.end(), true);
    ASSERT_EQ(firstKey - source.begin(), 5);

    qtest::ScratchDir out;
    Convert(cut, out.file("from_key.avi"), {{"vcodec", "copy"}});
    const std::vector<bool> fromKey = runtest::VideoPacketKeys(out.file("from_key.avi"));
    EXPECT_EQ(fromKey, std::vector<bool>(firstKey, source.end()));

    Convert(cut, out.file("all.avi"), {{"vcodec", "copy"}, {"copyinkf", "1"}});
    EXPECT_EQ(runtest::VideoPacketKeys(out.file("all.avi")), source);
}

}  // namespace
