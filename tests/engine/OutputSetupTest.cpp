// Preparing an output: which streams it gets, the format texts, stream copy
// consumed per output, encoder names the engine serves itself, meta-data and
// the file itself.
#include "SetupTestMedia.h"

#include <gtest/gtest.h>

#include <fstream>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

using setuptest::NewTask;
using setuptest::OutputSetup;
using setuptest::SetupClips;

// The media types of an output's streams, in order.
std::vector<AVMediaType> StreamTypes(const TCustomFFmpeg& task, int index)
{
    std::vector<AVMediaType> types;
    const AVFormatContext* oc = task.Media().outputs.at(index).get();
    for (unsigned i = 0; i < oc->nb_streams; ++i)
        types.push_back(oc->streams[i]->codecpar->codec_type);
    return types;
}

struct StreamsCase {
    // "mp4" (video+audio), "video", "wav", "subs" (video+text subtitles),
    // "picsubs" (picture subtitles only)
    const char* input;
    const char* output;
    std::vector<std::pair<std::string, std::string>> options;  // before the output
    std::vector<AVMediaType> expected;
};

class OutputStreams : public ::testing::TestWithParam<StreamsCase> {};

TEST_P(OutputStreams, FollowTheFormatTheOptionsAndTheInputs)
{
    const StreamsCase& c = GetParam();
    SetupClips& clips = SetupClips::Get();
    const std::string kind = c.input;
    const std::string input = kind == "mp4"       ? clips.Mp4()
                              : kind == "video"   ? clips.VideoOnly()
                              : kind == "subs"    ? clips.WithSubtitles()
                              : kind == "picsubs" ? clips.PictureSubtitles()
                                                  : clips.Wav();
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(input));
    setuptest::Apply(*task, c.options);
    ASSERT_EQ(task->AddOutputFile(out.file(c.output)), 1) << task->LastError();
    EXPECT_EQ(StreamTypes(*task, 0), c.expected);
    EXPECT_EQ(OutputSetup(*task, 0).streams.size(), c.expected.size());
}

constexpr auto V = AVMEDIA_TYPE_VIDEO;
constexpr auto A = AVMEDIA_TYPE_AUDIO;
constexpr auto S = AVMEDIA_TYPE_SUBTITLE;

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputStreams,
    ::testing::Values(StreamsCase{"mp4", "out.avi", {}, {V, A}},
                      // no audio in the input: no audio stream, although mp4 has a default audio codec
                      StreamsCase{"video", "out.mp4", {}, {V}},
                      StreamsCase{"video", "out.mp4", {{"acodec", "aac"}}, {V}}, StreamsCase{"wav", "out.avi", {}, {A}},
                      StreamsCase{"mp4", "out.mkv", {{"vn", ""}}, {A}},
                      StreamsCase{"mp4", "out.mkv", {{"an", ""}}, {V}},
                      // mp3 and aiff name a picture codec as their video default: audio only
                      StreamsCase{"mp4", "out.mp3", {}, {A}}, StreamsCase{"mp4", "out.aiff", {}, {A}},
                      StreamsCase{"mp4", "out.amr", {{"ar", "8000"}, {"ac", "1"}}, {A}},
                      // subtitles where the format has a subtitle codec or one is asked for
                      StreamsCase{"subs", "out.mkv", {}, {V, S}}, StreamsCase{"subs", "out.mkv", {{"sn", ""}}, {V}},
                      StreamsCase{"subs", "out.avi", {}, {V}}, StreamsCase{"subs", "out.ts", {}, {V}},
                      // Matroska's default subtitle encoder writes text: picture subtitles
                      // are left out rather than failing the conversion, unless copied
                      StreamsCase{"picsubs", "out.mkv", {}, {}},
                      StreamsCase{"picsubs", "out.mkv", {{"scodec", "copy"}}, {S}},
                      StreamsCase{"picsubs", "out.mkv", {{"scodec", "dvdsub"}}, {S}},
                      StreamsCase{"subs", "out.mp4", {{"scodec", "mov_text"}}, {V, S}},
                      StreamsCase{"mp4", "out.mkv", {{"scodec", "ass"}}, {V, A}}));

TEST(OutputSetup, SubtitleCopyIsMarkedAndEncodedSubtitlesGetTheirEncoder)
{
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().WithSubtitles()));
    setuptest::Apply(*task, {{"scodec", "copy"}, {"slang", "chi"}});
    ASSERT_EQ(task->AddOutputFile(out.file("copy.mkv")), 1) << task->LastError();
    ASSERT_EQ(task->AddOutputFile(out.file("encoded.mkv")), 2) << task->LastError();
    const OutputStreamSetup& copied = OutputSetup(*task, 0).streams.at(1);
    EXPECT_TRUE(copied.streamCopy);
    const AVDictionaryEntry* language = av_dict_get(copied.stream->metadata, "language", nullptr, 0);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->value, "chi");
    const OutputStreamSetup& encoded = OutputSetup(*task, 1).streams.at(1);
    EXPECT_FALSE(encoded.streamCopy);
    ASSERT_NE(encoded.encoder, nullptr);
    EXPECT_EQ(encoded.encoder->Context()->codec_id, AV_CODEC_ID_ASS);  // Matroska's default
    EXPECT_EQ(av_dict_get(encoded.stream->metadata, "language", nullptr, 0), nullptr);
}

TEST(OutputSetup, UnknownFormatFailsAndKeepsEarlierFiles)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> options;
        std::string name;
        std::string error;  // "%s" stands for the file's path
    };
    const Case cases[] = {
        {{}, "out.nosuchext", "Unable to find a suitable output format for '%s'"},
        {{{"f", "nosuchformat"}}, "out.avi", "Requested output format 'nosuchformat' is not a suitable output format"},
        {{{"f", "ffm"}},
         "feed.ffm",
         "Requested output format 'ffm' is not a suitable output format (ffm feeds are not supported)"},
    };
    for (const Case& c : cases) {
        qtest::ScratchDir out;
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
        ASSERT_EQ(task->AddOutputFile(out.file("first.avi")), 1) << task->LastError();
        setuptest::Apply(*task, c.options);
        const std::string path = out.file(c.name);
        EXPECT_EQ(task->AddOutputFile(path), -1);
        std::string expected = c.error;
        if (const auto at = expected.find("%s"); at != std::string::npos)
            expected.replace(at, 2, path);
        EXPECT_EQ(task->LastError(), expected);
        EXPECT_EQ(task->Media().InputCount(), 1);
        EXPECT_EQ(task->Media().OutputCount(), 1);
        EXPECT_EQ(task->Media().outputSetups.size(), 1u);
        EXPECT_TRUE(task->Pending().forcedFormat.empty());
    }
}

TEST(OutputSetup, VideoCopyIsConsumedByOneOutput)
{
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    task->SetOption("vcodec", "copy");
    ASSERT_EQ(task->AddOutputFile(out.file("copy.mkv")), 1) << task->LastError();
    ASSERT_EQ(task->AddOutputFile(out.file("encoded.mkv")), 2) << task->LastError();

    const OutputStreamSetup& copied = OutputSetup(*task, 0).streams.at(0);
    EXPECT_EQ(copied.type, AVMEDIA_TYPE_VIDEO);
    EXPECT_TRUE(copied.streamCopy);
    EXPECT_EQ(copied.encoder, nullptr);
    const OutputStreamSetup& encoded = OutputSetup(*task, 1).streams.at(0);
    EXPECT_EQ(encoded.type, AVMEDIA_TYPE_VIDEO);
    EXPECT_FALSE(encoded.streamCopy);
    ASSERT_NE(encoded.encoder, nullptr);
    EXPECT_FALSE(task->Pending().videoStreamCopy);
    // audio was not copied in either
    EXPECT_FALSE(OutputSetup(*task, 0).streams.at(1).streamCopy);
}

// Encoder names the packaged library lacks still give the stream the
// catalogue means, and the muxer takes it.
TEST(OutputSetup, EncoderNamesServedByTheEngine)
{
    struct Case {
        const char* codecName;
        const char* file;
        AVCodecID id;
        int sampleRate;
        int channels;
        int bitRate;
        const char* probedCodec;
    };
    const Case cases[] = {
        {"libfaac", "out.m4a", AV_CODEC_ID_AAC, 44100, 2, 96000, "aac"},
        {"libopencore_amrnb", "out.amr", AV_CODEC_ID_AMR_NB, 8000, 1, 10200, "amr_nb"},
        {"libopencore_amrnb", "out.3gp", AV_CODEC_ID_AMR_NB, 8000, 1, 7400, "amr_nb"},
    };
    for (const Case& c : cases) {
        qtest::ScratchDir out;
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Wav()));
        setuptest::Apply(*task, {{"acodec", c.codecName},
                                 {"ac", std::to_string(c.channels)},
                                 {"ar", std::to_string(c.sampleRate)},
                                 {"ab", std::to_string(c.bitRate)}});
        const std::string path = out.file(c.file);
        ASSERT_EQ(task->AddOutputFile(path), 1) << task->LastError();
        const auto& streams = OutputSetup(*task, 0).streams;
        ASSERT_EQ(streams.size(), 1u) << c.file;
        ASSERT_NE(streams[0].encoder, nullptr);
        const AVCodecContext* ctx = streams[0].encoder->Context();
        EXPECT_EQ(ctx->codec_id, c.id) << c.file;
        EXPECT_EQ(ctx->sample_rate, c.sampleRate) << c.file;
        EXPECT_EQ(ctx->ch_layout.nb_channels, c.channels) << c.file;
        EXPECT_EQ(ctx->bit_rate, c.bitRate) << c.file;

        ASSERT_TRUE(setuptest::WriteSilentOutput(*task, 0)) << c.file;
        EXPECT_EQ(ctx->bit_rate, c.bitRate) << c.file;  // a rate the encoder has a mode for
        task.reset();  // closes the file
        auto probed = qtest::ProbeStream(path, "a:0");
        EXPECT_EQ(probed["codec_name"], c.probedCodec) << c.file;
        EXPECT_EQ(probed["sample_rate"], std::to_string(c.sampleRate)) << c.file;
        EXPECT_EQ(probed["channels"], std::to_string(c.channels)) << c.file;
    }
}

TEST(OutputSetup, MetadataFirstDefinitionWinsAndIsConsumed)
{
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    setuptest::Apply(*task, {{"metadata", "title=First"},
                             {"metadata", "title=Second"},
                             {"metadata", "author=Someone"},
                             {"metadata", "comment=a=b"},
                             {"timestamp", "2020-01-02T03:04:05Z"}});
    ASSERT_EQ(task->AddOutputFile(out.file("tagged.mkv")), 1) << task->LastError();
    const AVDictionary* metadata = task->Media().outputs[0]->metadata;
    auto value = [&](const char* key) {
        const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
        return e ? std::string(e->value) : std::string("<none>");
    };
    EXPECT_EQ(value("title"), "First");
    EXPECT_EQ(value("artist"), "Someone");  // the muxers know the author as artist
    EXPECT_EQ(value("comment"), "a=b");
    EXPECT_EQ(value("creation_time"), "2020-01-02T03:04:05.000000Z");
    EXPECT_TRUE(task->Pending().metadata.empty());
}

// An existing file is replaced by the run that writes it, not by the set-up:
// a task that never runs (removed, or a run stopped before its turn) must
// not cost the user the file.
TEST(OutputSetup, ExistingFileKeepsItsContentUntilTheRunWrites)
{
    qtest::ScratchDir out;
    const std::string path = out.file("existing.avi");
    std::ofstream(path) << std::string(5000, 'x');
    const std::string before = qtest::FileDigest(path);
    {
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
        ASSERT_EQ(task->AddOutputFile(path), 1) << task->LastError();
        EXPECT_EQ(qtest::FileDigest(path), before);
    }
    EXPECT_EQ(qtest::FileDigest(path), before) << "a task freed without a run touched the file";
}

TEST(OutputSetup, TheInputIsNeverOverwritten)
{
    qtest::ScratchDir dir;
    const std::string source = dir.file("source.mp4");
    ASSERT_TRUE(qtest::MakeMedia(source, "-f lavfi -i testsrc=size=64x48:rate=5:duration=1 -c:v mpeg4"));
    const std::string digest = qtest::FileDigest(source);
    // the same file by its own name and by another spelling of its path
    for (const std::string& name : {source, dir.path() + "/./source.mp4"}) {
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(source));
        EXPECT_EQ(task->AddOutputFile(name), -1);
        EXPECT_EQ(task->LastError(), name + ": the output file is an input file of this conversion");
        EXPECT_EQ(task->Media().OutputCount(), 0);
        EXPECT_EQ(qtest::FileDigest(source), digest);
    }
}

TEST(OutputSetup, FileFailuresUseTheLibraryErrorText)
{
    qtest::ScratchDir out;
    struct Case {
        std::string name;
        std::string error;
    };
    const std::string noFolder = out.file("no/such/folder/out.avi");
    const std::string noNumber = out.file("frame.png");
    const Case cases[] = {
        {noFolder, noFolder + ": No such file or directory"},
        {noNumber, noNumber + ": Number syntax expected in filename"},
    };
    for (const Case& c : cases) {
        auto task = NewTask();
        ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().VideoOnly()));
        EXPECT_EQ(task->AddOutputFile(c.name), -1);
        EXPECT_EQ(task->LastError(), c.error);
        EXPECT_EQ(task->Media().OutputCount(), 0);
    }
    auto numbered = NewTask();
    ASSERT_NO_THROW(numbered->OpenInputFile(SetupClips::Get().VideoOnly()));
    EXPECT_EQ(numbered->AddOutputFile(out.file("frame%03d.png")), 1) << numbered->LastError();
}

TEST(OutputSetup, MuxingParametersReachTheOutput)
{
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    setuptest::Apply(*task, {{"muxpreload", "0.25"}, {"muxdelay", "0.4"}});
    ASSERT_EQ(task->AddOutputFile(out.file("out.mpg")), 1) << task->LastError();
    const AVFormatContext* oc = task->Media().outputs[0].get();
    EXPECT_EQ(oc->max_delay, 400000);
    EXPECT_TRUE(oc->flags & AVFMT_FLAG_NONBLOCK);
    const AVDictionaryEntry* preload = av_dict_get(OutputSetup(*task, 0).muxerOptions.get(), "preload", nullptr, 0);
    ASSERT_NE(preload, nullptr);
    EXPECT_STREQ(preload->value, "250000");
    // formats without a preload option get none
    ASSERT_EQ(task->AddOutputFile(out.file("out.mkv")), 2) << task->LastError();
    EXPECT_EQ(OutputSetup(*task, 1).muxerOptions, nullptr);

    // the output loop count is the gif muxer's "loop"
    task->SetOption("loop_output", "3");
    ASSERT_EQ(task->AddOutputFile(out.file("out.gif")), 3) << task->LastError();
    int64_t loop = -1;
    ASSERT_EQ(av_opt_get_int(task->Media().outputs[2]->priv_data, "loop", 0, &loop), 0);
    EXPECT_EQ(loop, 3);
}

TEST(OutputSetup, FilterTextMarksFiltersInUse)
{
    qtest::ScratchDir out;
    auto task = NewTask();
    ASSERT_NO_THROW(task->OpenInputFile(SetupClips::Get().Mp4()));
    ASSERT_EQ(task->AddOutputFile(out.file("plain.avi")), 1);
    EXPECT_FALSE(task->Media().filtersInUse);
    task->SetOption("vf", "hflip");
    ASSERT_EQ(task->AddOutputFile(out.file("flipped.avi")), 2);
    EXPECT_TRUE(task->Media().filtersInUse);
}

}  // namespace
