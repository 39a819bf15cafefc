// Stream creation rules: sample rates and formats the encoder takes, tags,
// sample aspect, frame-rate snapping, quantiser settings, stream ids,
// languages, global headers and the streams added to the last output.
#include "OptionTestLog.h"
#include "SetupTestMedia.h"

#include <gtest/gtest.h>

namespace {

using setuptest::NewTask;
using setuptest::OutputSetup;
using setuptest::SetupClips;

using Options = std::vector<std::pair<std::string, std::string>>;

// A task with the mp4 clip open, `options` applied, and one output `file`
// in a scratch folder that lives as long as the fixture.
class OneOutput {
public:
    OneOutput(const std::string& input, const Options& options, const std::string& file) : task(NewTask())
    {
        EXPECT_NO_THROW(task->OpenInputFile(input));
        setuptest::Apply(*task, options);
        result = task->AddOutputFile(out.file(file));
    }
    const OutputStreamSetup& Stream(int index) const { return OutputSetup(*task, 0).streams.at(index); }
    AVCodecContext* Encoder(int index) const { return Stream(index).encoder->Context(); }
    std::string Path(const std::string& file) const { return out.file(file); }

    qtest::ScratchDir out;
    std::unique_ptr<TCustomFFmpeg> task;
    int result = 0;
};

const char* kWarning = "Requested sampling rate unsupported using closest supported";

TEST(StreamCreation, SampleRateBecomesTheNearestTheEncoderTakes)
{
    struct Case {
        const char* codec;
        const char* rate;
        int expected;
        bool warns;
    };
    const Case cases[] = {
        {"ac3", "22050", 32000, true},       {"ac3", "44100", 44100, false},
        {"mp2", "11025", 16000, true},       {"libopencore_amrnb", "44100", 8000, true},
        {"libmp3lame", "8000", 8000, false}, {"pcm_s16le", "12345", 12345, false},  // takes any rate
    };
    for (const Case& c : cases) {
        OptionTestLog log(llWarning);
        OneOutput o(SetupClips::Get().Wav(), {{"acodec", c.codec}, {"ar", c.rate}, {"ac", "1"}}, "out.mkv");
        ASSERT_EQ(o.result, 1) << c.codec << ": " << o.task->LastError();
        EXPECT_EQ(o.Encoder(0)->sample_rate, c.expected) << c.codec;
        EXPECT_EQ(av_cmp_q(o.Encoder(0)->time_base, AVRational{1, c.expected}), 0) << c.codec;
        const std::string warning = std::string(kWarning) + " (" + std::to_string(c.expected) + ")";
        EXPECT_EQ(log.Has(llWarning, warning), c.warns) << c.codec;
    }
}

TEST(StreamCreation, FormatsFallBackToTheEncodersFirst)
{
    struct Case {
        Options options;
        AVPixelFormat pixel;
        AVSampleFormat sample;
    };
    const Case cases[] = {
        // the input's yuv420p and fltp are kept where the encoder takes them
        {{{"vcodec", "mpeg4"}, {"acodec", "aac"}}, AV_PIX_FMT_YUV420P, AV_SAMPLE_FMT_FLTP},
        {{{"vcodec", "mpeg4"}, {"pix_fmt", "yuv444p"}, {"acodec", "mp2"}}, AV_PIX_FMT_YUV420P, AV_SAMPLE_FMT_S16},
        {{{"vcodec", "ffv1"}, {"pix_fmt", "yuv444p"}, {"acodec", "libmp3lame"}, {"sample_fmt", "s16"}},
         AV_PIX_FMT_YUV444P,
         AV_SAMPLE_FMT_S32P},  // lame lists s32p first
    };
    for (const Case& c : cases) {
        OneOutput o(SetupClips::Get().Mp4(), c.options, "out.mkv");
        ASSERT_EQ(o.result, 1) << o.task->LastError();
        EXPECT_EQ(o.Encoder(0)->pix_fmt, c.pixel) << c.options[0].second;
        EXPECT_EQ(o.Encoder(1)->sample_fmt, c.sample) << c.options[0].second;
    }
}

TEST(StreamCreation, VideoTagReachesTheAviFile)
{
    OneOutput o(SetupClips::Get().VideoOnly(), {{"vcodec", "mpeg4"}, {"vtag", "DX50"}}, "tagged.avi");
    ASSERT_EQ(o.result, 1) << o.task->LastError();
    EXPECT_EQ(o.Encoder(0)->codec_tag, MKTAG('D', 'X', '5', '0'));
    ASSERT_TRUE(setuptest::WriteSilentOutput(*o.task, 0));
    o.task.reset();
    auto probed = qtest::ProbeStream(o.Path("tagged.avi"), "v:0");
    EXPECT_EQ(probed["codec_tag_string"], "DX50");
    EXPECT_EQ(probed["codec_name"], "mpeg4");
}

TEST(StreamCreation, SampleAspectComesFromTheFrameAspect)
{
    struct Case {
        const char* size;
        const char* aspect;
        AVRational expected;
    };
    const Case cases[] = {
        {"320x240", "4:3", {1, 1}},
        {"720x576", "16:9", {64, 45}},
        {"352x288", "4:3", {12, 11}},
        {"640x480", "16:9", {4, 3}},
    };
    for (const Case& c : cases) {
        OneOutput o(SetupClips::Get().Mp4(), {{"s", c.size}, {"aspect", c.aspect}}, "out.avi");
        ASSERT_EQ(o.result, 1) << o.task->LastError();
        const AVRational sar = o.Encoder(0)->sample_aspect_ratio;
        EXPECT_EQ(av_cmp_q(sar, c.expected), 0) << c.size << " " << c.aspect << " gave " << sar.num << ":" << sar.den;
        EXPECT_EQ(av_cmp_q(o.Stream(0).stream->sample_aspect_ratio, c.expected), 0) << c.size;
    }
    // without an input the frame size is unknown: aspect × 3/4
    auto task = NewTask({{"aspect", "16:9"}, {"vcodec", "mpeg4"}});
    qtest::ScratchDir out;
    ASSERT_EQ(task->AddOutputFile(out.file("noinput.avi")), 1) << task->LastError();
    const AVRational sar = OutputSetup(*task, 0).streams.at(0).encoder->Context()->sample_aspect_ratio;
    EXPECT_EQ(av_cmp_q(sar, AVRational{4, 3}), 0);
}

TEST(StreamCreation, FrameRateSnapsToTheEncodersListUnlessForced)
{
    struct Case {
        Options options;
        AVRational expected;
    };
    const Case cases[] = {
        {{{"vcodec", "mpeg2video"}, {"r", "26"}}, {25, 1}},
        {{{"vcodec", "mpeg2video"}, {"r", "29.9"}}, {30000, 1001}},
        {{{"vcodec", "mpeg2video"}, {"r", "26"}, {"force_fps", ""}}, {26, 1}},
        {{{"vcodec", "mpeg4"}, {"r", "12"}}, {12, 1}},
    };
    for (const Case& c : cases) {
        OneOutput o(SetupClips::Get().VideoOnly(), c.options, "out.mkv");
        ASSERT_EQ(o.result, 1) << o.task->LastError();
        EXPECT_EQ(av_cmp_q(o.Stream(0).frameRate, c.expected), 0) << c.options[1].second;
        EXPECT_EQ(av_cmp_q(o.Encoder(0)->time_base, av_inv_q(c.expected)), 0) << c.options[1].second;
    }
}

TEST(StreamCreation, VideoEncoderSettingsFromThePendingState)
{
    OneOutput o(SetupClips::Get().VideoOnly(),
                {{"vcodec", "mpeg4"},
                 {"qscale", "5"},
                 {"intra", ""},
                 {"pass", "1"},
                 {"psnr", ""},
                 {"dc", "9"},
                 {"rc_override", "0,10,2/11,20,-50"},
                 {"vlang", "eng"}},
                "out.avi");
    ASSERT_EQ(o.result, 1) << o.task->LastError();
    const AVCodecContext* ctx = o.Encoder(0);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_EQ(ctx->global_quality, 5 * FF_QP2LAMBDA);
    EXPECT_EQ(ctx->gop_size, 0);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_PASS1);
    EXPECT_FALSE(ctx->flags & AV_CODEC_FLAG_PASS2);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_PSNR);
    EXPECT_EQ(ctx->intra_dc_precision, 1);
    ASSERT_EQ(ctx->rc_override_count, 2);
    EXPECT_EQ(ctx->rc_override[0].start_frame, 0);
    EXPECT_EQ(ctx->rc_override[0].end_frame, 10);
    EXPECT_EQ(ctx->rc_override[0].qscale, 2);
    EXPECT_EQ(ctx->rc_override[1].qscale, 0);
    EXPECT_FLOAT_EQ(ctx->rc_override[1].quality_factor, 0.5f);
    EXPECT_EQ(ctx->width, 160);
    EXPECT_EQ(ctx->height, 120);
    const AVDictionaryEntry* language = av_dict_get(o.Stream(0).stream->metadata, "language", nullptr, 0);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->value, "eng");
    EXPECT_TRUE(o.task->Pending().videoLanguage.empty());

    OneOutput broken(SetupClips::Get().VideoOnly(), {{"vcodec", "mpeg4"}, {"rc_override", "0,10"}}, "bad.avi");
    EXPECT_EQ(broken.result, -1);
    EXPECT_EQ(broken.task->LastError(), "new_video_stream fail: error parsing rc_override");
    EXPECT_EQ(broken.task->Media().OutputCount(), 0);
}

TEST(StreamCreation, UnknownEncoderFailsTheOutputWithTheStreamKind)
{
    struct Case {
        Options options;
        std::string error;
    };
    const Case cases[] = {
        {{{"vcodec", "nosuch"}}, "new_video_stream fail: Unknown encoder 'nosuch'"},
        {{{"acodec", "mpeg4"}}, "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
        {{{"acodec", "vorbis"}},
         "new_audio_stream fail: encoder 'vorbis' is experimental and might produce bad results.\r\n"
         "Add '-strict experimental' if you want to use it.\r\n"
         "Or use the non experimental encoder 'libvorbis'."},
    };
    for (const Case& c : cases) {
        OneOutput o(SetupClips::Get().Mp4(), c.options, "out.mkv");
        EXPECT_EQ(o.result, -1);
        EXPECT_EQ(o.task->LastError(), c.error);
        EXPECT_EQ(o.task->Media().OutputCount(), 0);
    }
    // after a good output: the failed one goes with the streams it had made, the
    // good one stays as it was and the next output takes the failed one's place
    for (const Case& c : cases) {
        qtest::ScratchDir out;
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
        ASSERT_EQ(task->AddOutputFile(out.file("good.mkv")), 1) << task->LastError();
        setuptest::Apply(*task, c.options);
        EXPECT_EQ(task->AddOutputFile(out.file("failed.mkv")), -1) << c.error;
        EXPECT_EQ(task->LastError(), c.error);
        ASSERT_EQ(task->Media().OutputCount(), 1) << c.error;
        EXPECT_EQ(std::string(task->Media().outputs[0]->url), out.file("good.mkv")) << c.error;
        EXPECT_EQ(task->Media().outputs[0]->nb_streams, 2u) << c.error;
        ASSERT_EQ(OutputSetup(*task, 0).streams.size(), 2u) << c.error;
        EXPECT_EQ(OutputSetup(*task, 0).streams[0].stream, task->Media().outputs[0]->streams[0]) << c.error;
        setuptest::Apply(*task, {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
        EXPECT_EQ(task->AddOutputFile(out.file("next.mkv")), 2) << c.error << ": " << task->LastError();
    }
}

TEST(StreamCreation, StreamIdsApplyToTheNextOutputOnly)
{
    qtest::ScratchDir out;
    auto task = NewTask({{"streamid", "0:33"}, {"streamid", "1:34"}});
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    ASSERT_EQ(task->AddOutputFile(out.file("first.ts")), 1) << task->LastError();
    const AVFormatContext* first = task->Media().outputs[0].get();
    ASSERT_EQ(first->nb_streams, 2u);
    EXPECT_EQ(first->streams[0]->id, 33);
    EXPECT_EQ(first->streams[1]->id, 34);
    for (int id : task->Pending().streamIdMap)
        EXPECT_EQ(id, 0);
    ASSERT_EQ(task->AddOutputFile(out.file("second.ts")), 2) << task->LastError();
    const AVFormatContext* second = task->Media().outputs[1].get();
    EXPECT_EQ(second->streams[0]->id, 0);
    EXPECT_EQ(second->streams[1]->id, 0);
}

TEST(StreamCreation, GlobalHeaderWhereTheFormatWantsIt)
{
    struct Case {
        const char* file;
        const char* vglobal;
        bool global;
        bool local;
    };
    const Case cases[] = {
        {"out.mp4", "0", true, false},
        {"out.avi", "0", false, false},
        {"out.avi", "1", true, false},
        {"out.avi", "2", false, true},
    };
    for (const Case& c : cases) {
        OneOutput o(SetupClips::Get().Mp4(), {{"vglobal", c.vglobal}, {"vcodec", "mpeg4"}}, c.file);
        ASSERT_EQ(o.result, 1) << o.task->LastError();
        EXPECT_EQ((o.Encoder(0)->flags & AV_CODEC_FLAG_GLOBAL_HEADER) != 0, c.global) << c.file << c.vglobal;
        EXPECT_EQ((o.Encoder(0)->flags2 & AV_CODEC_FLAG2_LOCAL_HEADER) != 0, c.local) << c.file << c.vglobal;
    }
}

TEST(StreamCreation, NewStreamsGoToTheLastOutput)
{
    auto task = NewTask();
    try {
        task->SetOption("newaudio", "");
        FAIL() << "newaudio without an output was accepted";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "At least one output file must be specified");
    }
    qtest::ScratchDir out;
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    ASSERT_EQ(task->AddOutputFile(out.file("first.mkv")), 1) << task->LastError();
    ASSERT_EQ(task->AddOutputFile(out.file("second.mkv")), 2) << task->LastError();
    setuptest::Apply(*task, {{"acodec", "libmp3lame"}, {"alang", "fre"}, {"newaudio", ""}});
    EXPECT_EQ(task->Media().outputs[0]->nb_streams, 2u);
    const AVFormatContext* last = task->Media().outputs[1].get();
    ASSERT_EQ(last->nb_streams, 3u);
    const OutputStreamSetup& added = OutputSetup(*task, 1).streams.at(2);
    EXPECT_EQ(added.stream, last->streams[2]);
    EXPECT_EQ(added.encoder->Context()->codec_id, AV_CODEC_ID_MP3);
    const AVDictionaryEntry* language = av_dict_get(added.stream->metadata, "language", nullptr, 0);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->value, "fre");
    EXPECT_TRUE(task->Pending().audioCodecName.empty());
}

TEST(StreamCreation, AudioCopyTakesThePendingRateAndChannels)
{
    OneOutput o(SetupClips::Get().Mp4(), {{"acodec", "copy"}}, "out.mkv");
    ASSERT_EQ(o.result, 1) << o.task->LastError();
    const OutputStreamSetup& audio = o.Stream(1);
    EXPECT_TRUE(audio.streamCopy);
    EXPECT_EQ(audio.encoder, nullptr);
    EXPECT_EQ(audio.stream->codecpar->sample_rate, 44100);
    EXPECT_EQ(audio.stream->codecpar->ch_layout.nb_channels, 2);
    EXPECT_FALSE(o.Stream(0).streamCopy);
}

TEST(StreamCreation, BitstreamFiltersGoToTheNextStreamOfTheirType)
{
    OneOutput o(SetupClips::Get().Mp4(), {{"vbsf", "h264_mp4toannexb"}, {"vcodec", "copy"}}, "out.ts");
    ASSERT_EQ(o.result, 1) << o.task->LastError();
    ASSERT_EQ(o.Stream(0).bitstreamFilters.size(), 1u);
    EXPECT_EQ(o.Stream(0).bitstreamFilters[0].name, "h264_mp4toannexb");
    EXPECT_TRUE(o.Stream(1).bitstreamFilters.empty());
    EXPECT_TRUE(o.task->Pending().videoBitstreamFilters.empty());
}

}  // namespace
