// Opening an input: what it leaves for the outputs, the start-time seek and
// timestamp offset, forced decoders, program selection and the failure texts.
#include "OptionTestLog.h"
#include "SetupTestMedia.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using setuptest::NewTask;
using setuptest::SetupClips;

// The text OpenInputFile raised; "(opened)" when it opened the file.
std::string OpenError(TCustomFFmpeg& task, const std::string& file)
{
    try {
        task.OpenInputFile(file);
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(opened)";
}

TEST(InputSetup, OpenedInputLeavesItsStreamsForTheOutputs)
{
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    const TaskMedia& media = task->Media();
    ASSERT_EQ(media.InputCount(), 1);
    ASSERT_EQ(media.inputStreams.size(), 1u);
    ASSERT_EQ(media.inputStreams[0].size(), 2u);
    for (const InputStreamSetup& s : media.inputStreams[0]) {
        ASSERT_NE(s.decoder, nullptr);
        EXPECT_EQ(s.decoder->codec_id, s.stream->codecpar->codec_id);
        EXPECT_FALSE(s.discarded);
        EXPECT_FALSE(s.forcedDecoder.Chosen());
    }
    // the pending state now describes the input, for the outputs that follow
    const PendingOptions& p = task->Pending();
    EXPECT_EQ(p.frameWidth, 320);
    EXPECT_EQ(p.frameHeight, 240);
    EXPECT_EQ(av_cmp_q(p.frameRate, AVRational{25, 1}), 0);
    EXPECT_NEAR(p.frameAspectRatio, 4.0 / 3.0, 1e-6);
    EXPECT_EQ(p.pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(p.audioSampleRate, 44100);
    EXPECT_EQ(p.audioChannels, 2);
    EXPECT_NEAR(task->TotalDurationUs() / 1e6, 2.0, 0.1);
    EXPECT_EQ(media.inputTsOffsetsUs[0], 0);
}

struct SeekCase {
    const char* clip;  // "mp4" or "ts"
    bool copyTs;
};

class StartTimeSeek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(StartTimeSeek, SeeksAndOffsetsTimestampsByTheSeekPosition)
{
    const SeekCase& c = GetParam();
    const std::string clip = std::string(c.clip) == "mp4" ? SetupClips::Get().LongMp4() : SetupClips::Get().LongTs();
    auto task = NewTask({{"ss", "30"}, {"itsoffset", "2"}});
    if (c.copyTs)
        task->SetOption("copyts", "");
    ASSERT_NO_THROW(task->OpenInputFile(clip));
    const AVFormatContext* ic = task->Media().inputs[0].get();
    const int64_t fileStart = ic->start_time == AV_NOPTS_VALUE ? 0 : ic->start_time;
    if (std::string(c.clip) == "ts") {
        EXPECT_GT(fileStart, 0);  // the case where the file's own start counts
    }

    const int64_t expected = c.copyTs ? 2000000 : 2000000 - (30000000 + fileStart);
    EXPECT_EQ(task->Media().inputTsOffsetsUs[0], expected);
    EXPECT_EQ(task->Pending().startTimeUs, 0);  // consumed

    // the next packet read is from the key frame at or before 30 s
    AVPacketPtr packet{av_packet_alloc()};
    ASSERT_EQ(av_read_frame(task->Media().inputs[0].get(), packet.get()), 0);
    const AVStream* st = ic->streams[packet->stream_index];
    const double seconds =
        (packet->pts - (st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time)) * av_q2d(st->time_base);
    EXPECT_GE(seconds, 28.9);
    EXPECT_LE(seconds, 30.01);
}

INSTANTIATE_TEST_SUITE_P(Files, StartTimeSeek,
                         ::testing::Values(SeekCase{"mp4", false}, SeekCase{"ts", false}, SeekCase{"ts", true}));

struct DecoderCase {
    std::vector<std::pair<std::string, std::string>> options;
    std::string error;
};

TEST(InputSetup, ForcedDecoderThatCannotServeFailsAndIsConsumed)
{
    const DecoderCase cases[] = {
        {{{"vcodec", "x"}}, "Unknown decoder 'x'"},
        {{{"acodec", "mpeg4"}}, "Invalid decoder type 'mpeg4'"},
        {{{"scodec", "h264"}}, "Invalid decoder type 'h264'"},
    };
    for (const DecoderCase& c : cases) {
        auto task = NewTask(c.options);
        EXPECT_EQ(OpenError(*task, SetupClips::Get().Mp4()), c.error);
        EXPECT_EQ(task->Media().InputCount(), 0);
        EXPECT_TRUE(task->Pending().videoCodecName.empty());
        EXPECT_TRUE(task->Pending().audioCodecName.empty());
        EXPECT_TRUE(task->Pending().subtitleCodecName.empty());
        // the names were consumed: the same file opens now
        EXPECT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    }
}

TEST(InputSetup, ForcedDecoderIsKeptForItsStream)
{
    auto task = NewTask({{"acodec", "aac_fixed"}});
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    const InputStreamSetup& audio = task->Media().inputStreams[0][1];
    ASSERT_EQ(audio.stream->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.forcedDecoder.name, "aac_fixed");
    EXPECT_EQ(audio.decoder->codec, audio.forcedDecoder.codec);
}

TEST(InputSetup, FailuresLeaveTheReasonAndNoInput)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> options;
        std::string file;
        std::string error;
    };
    SetupClips& clips = SetupClips::Get();
    const std::string missing = clips.dir().file("missing.mp4");
    // file lists are not followed: one that names itself used to open itself
    // until the process ran out of file handles
    const std::string selfList = clips.dir().file("self_list.avi");
    const std::string clipList = clips.dir().file("clip_list.avi");
    std::ofstream(selfList, std::ios::binary) << "ffconcat version 1.0\nfile self_list.avi\n";
    const std::string wavName = std::filesystem::path(clips.Wav()).filename().string();
    std::ofstream(clipList, std::ios::binary) << "ffconcat version 1.0\nfile " << wavName << "\n";
    const Case cases[] = {
        {{}, missing, missing + ": No such file or directory"},
        {{{"programid", "99"}}, clips.LongTs(), "Specified program id not found"},
        {{}, selfList, selfList + ": Invalid data found when processing input"},
        {{}, clipList, clipList + ": Invalid data found when processing input"},
    };
    for (const Case& c : cases) {
        auto task = NewTask(c.options);
        EXPECT_EQ(OpenError(*task, c.file), c.error);
        EXPECT_EQ(task->Media().InputCount(), 0);
        EXPECT_TRUE(task->Media().inputStreams.empty());
    }
}

TEST(InputSetup, ProgramSelectionKeepsTheProgramsStreams)
{
    auto task = NewTask({{"programid", "1"}});
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().LongTs()));
    EXPECT_EQ(task->Pending().programId, 0);
    const AVFormatContext* ic = task->Media().inputs[0].get();
    ASSERT_GE(ic->nb_programs, 1u);
    EXPECT_EQ(ic->streams[0]->discard, AVDISCARD_DEFAULT);
}

TEST(InputSetup, UnknownForcedFormatRaises)
{
    auto task = NewTask({{"f", "nosuchformat"}});
    try {
        task->OpenInputFile(SetupClips::Get().Mp4());
        FAIL() << "an unknown input format was accepted";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Unknown input format: \"nosuchformat\"");
    }
    EXPECT_TRUE(task->Pending().forcedFormat.empty());
}

TEST(InputSetup, ForcedRawFormatTakesRateAndChannelsFromThePendingState)
{
    // raw PCM has no header: the pending rate and channels describe it
    SetupClips& clips = SetupClips::Get();
    const std::string raw = clips.dir().file("tone.s16le");
    ASSERT_TRUE(qtest::MakeMedia(raw, "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 -ac 1 -f s16le"));
    auto task = NewTask({{"f", "s16le"}, {"ar", "22050"}, {"ac", "1"}});
    ASSERT_NO_THROW(task->OpenInputFile(raw));
    const AVCodecParameters* par = task->Media().inputs[0]->streams[0]->codecpar;
    EXPECT_EQ(par->sample_rate, 22050);
    EXPECT_EQ(par->ch_layout.nb_channels, 1);
    EXPECT_NEAR(task->TotalDurationUs() / 1e6, 1.0, 0.05);
}

TEST(InputSetup, DisabledStreamsAreDiscarded)
{
    struct Case {
        const char* option;
        AVMediaType discarded;
    };
    for (const Case c : {Case{"an", AVMEDIA_TYPE_AUDIO}, Case{"vn", AVMEDIA_TYPE_VIDEO}}) {
        auto task = NewTask({{c.option, ""}});
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
        for (const InputStreamSetup& s : task->Media().inputStreams[0]) {
            const bool expected = s.stream->codecpar->codec_type == c.discarded;
            EXPECT_EQ(s.discarded, expected) << c.option;
            EXPECT_EQ(s.stream->discard == AVDISCARD_ALL, expected) << c.option;
        }
    }
}

TEST(InputSetup, DifferingCodecRateIsReportedAndTheContainerRateKept)
{
    const char* line =
        "Seems stream 0 codec frame rate differs from container frame rate: 23.50 (47/2) -> 25.00 (25/1)";
    for (const char* verbosity : {"1", "-1"}) {
        OptionTestLog log(llInfo);
        auto task = NewTask({{"v", verbosity}});
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().VariableRate()));
        EXPECT_EQ(log.Has(llInfo, line), std::string(verbosity) == "1") << verbosity;
        EXPECT_EQ(av_cmp_q(task->Pending().frameRate, AVRational{25, 1}), 0);
    }
    // a constant-rate file says nothing
    OptionTestLog log(llInfo);
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    EXPECT_EQ(log.Count("codec frame rate differs"), 0);
}

TEST(InputSetup, InputsBeyondTheCapacityAreRefused)
{
    TCustomFFmpeg task(1);
    task.Reset();
    ASSERT_NO_THROW(task.OpenInputFile(SetupClips::Get().Mp4()));
    const std::string error = OpenError(task, SetupClips::Get().Wav());
    EXPECT_NE(error.find("too many input files"), std::string::npos) << error;
    EXPECT_EQ(task.Media().InputCount(), 1);
}

TEST(InputSetup, FormatIsDumpedThroughTheLibraryLog)
{
    OptionTestLog log(llInfo);
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    EXPECT_GE(log.Count("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from"), 1);
    auto quiet = NewTask({{"v", "-1"}});
    OptionTestLog quietLog(llInfo);
    ASSERT_NO_THROW(quiet->OpenInputFile(SetupClips::Get().Mp4()));
    EXPECT_EQ(quietLog.Count("Input #0"), 0);
}

}  // namespace
