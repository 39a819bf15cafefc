#include "media/FFHandles.h"
#include "media/MediaText.h"
#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

struct LoggedMessage {
    const void* sender;
    TLogLevel level;
    std::string msg;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
    return lines;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool HasLineContaining(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos)
            return true;
    }
    return false;
}

void WriteBytes(const std::string& path, size_t count, char value)
{
    std::ofstream(path, std::ios::binary) << std::string(count, value);
}

class ProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new qtest::ScratchDir;
        auto make = [](const std::string& name, const std::string& args) {
            qtest::MakeMedia(dir_->file(name), args);
            return dir_->file(name);
        };
        mp4_ = make("clip.mp4",
                    "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 -f lavfi -i sine=sample_rate=44100:duration=1"
                    " -ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest"
                    " -metadata title=Clip -metadata creation_time=2020-07-01T00:00:00Z");
        mkv_ =
            make("tagged.mkv", "-f lavfi -i testsrc=size=320x240:rate=30000/1001:duration=1 -f lavfi -i sine=duration=1"
                               " -c:v mpeg4 -c:a aac -metadata title=Hello -metadata TCOM=Someone"
                               " -metadata:s:v:0 language=eng -metadata:s:a:0 language=ger");
        mp3_ =
            make("tagged.mp3", "-f lavfi -i sine=duration=1 -c:a libmp3lame -metadata title=Song -metadata artist=Band"
                               " -metadata album=Disc -metadata genre=Rock -metadata track=3/12 -metadata date=2019");
        ts_ = make("two.ts",
                   "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 -f lavfi -i sine=duration=1"
                   " -c:v mpeg2video -c:a mp2 -metadata:s:a:0 language=eng"
                   " -program title=First:program_num=1:st=0 -program title=Second:program_num=2:st=1 -f mpegts");
        wav_ = make("tone.wav", "-f lavfi -i sine=duration=1 -c:a pcm_s16le");
        h264_ = make("raw.h264",
                     "-f lavfi -i testsrc=size=160x120:rate=25:duration=0.5 -c:v libx264 -preset ultrafast -f h264");
        const std::string base = make("base.mkv", "-f lavfi -i testsrc=size=320x240:rate=25:duration=0.5 -c:v mpeg4");
        wide_ = make("wide.mkv", "-i " + qtest::ShellQuote(base) + " -c copy -aspect 16:9");
        // starts a fifth of a second before zero
        early_ = make("early.mkv",
                      "-itsoffset -0.2 -i " + qtest::ShellQuote(base) + " -c copy -copyts -avoid_negative_ts disabled");
        png_ = make("pic.png", "-f lavfi -i testsrc=size=64x48 -frames:v 1");
        pcm1536_ = dir_->file("pcm1536.raw");
        pcm1024_ = dir_->file("pcm1024.raw");
        zeros_ = dir_->file("zeros.bin");
        junk_ = dir_->file("junk.xyz");  // no format claims this name or these bytes
        WriteBytes(junk_, 3, '\x01');
        WriteBytes(pcm1536_, 1536, 'a');
        WriteBytes(pcm1024_, 1024, 'a');
        WriteBytes(zeros_, 4000, '\0');
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
        GetFFLogger().SetLogLevel(llInfo);
        GetFFLogger().SetOnLog([this](const void* sender, uint32_t, TLogLevel level, const std::string& msg) {
            logged_.push_back({sender, level, msg});
        });
    }
    void TearDown() override { GetFFLogger().SetOnLog(nullptr); }

    // What the probe itself logged (library lines are sent by the logger).
    std::vector<LoggedMessage> ProbeMessages(const TAVProbe& probe) const
    {
        std::vector<LoggedMessage> own;
        for (const LoggedMessage& m : logged_) {
            if (m.sender == &probe)
                own.push_back(m);
        }
        return own;
    }
    std::vector<std::string> InfoLines(const std::string& path, const std::string& format = "")
    {
        TAVProbe probe;
        EXPECT_TRUE(probe.LoadFile(path, format)) << probe.LastErrMsg();
        return Lines(probe.GetInfoText());
    }

    static inline qtest::ScratchDir* dir_ = nullptr;
    static inline std::string mp4_, mkv_, mp3_, ts_, wav_, h264_, wide_, early_, png_, pcm1536_, pcm1024_, zeros_,
        junk_;
    std::vector<LoggedMessage> logged_;
};

TEST_F(ProbeTest, CountsAndFirstIndexes)
{
    struct Case {
        std::string* path;
        int streams, programs, audio, video, subtitle, firstAudio, firstVideo;
    };
    const Case cases[] = {
        {&mp4_, 2, 0, 1, 1, 0, 1, 0},  {&ts_, 2, 2, 1, 1, 0, 1, 0},    {&mp3_, 1, 0, 1, 0, 0, 0, -1},
        {&wav_, 1, 0, 1, 0, 0, 0, -1}, {&h264_, 1, 0, 0, 1, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.path);
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(*c.path));
        EXPECT_TRUE(probe.OwnsContext());
        EXPECT_EQ(probe.StreamCount(), c.streams);
        EXPECT_EQ(probe.ProgramCount(), c.programs);
        EXPECT_EQ(probe.AudioStreamCount(), c.audio);
        EXPECT_EQ(probe.VideoStreamCount(), c.video);
        EXPECT_EQ(probe.SubtitleStreamCount(), c.subtitle);
        EXPECT_EQ(probe.FirstAudioStream(), c.firstAudio);
        EXPECT_EQ(probe.FirstVideoStream(), c.firstVideo);
        EXPECT_EQ(probe.FirstSubtitleStream(), -1);
        EXPECT_EQ(probe.FileSize(), qtest::FileBytes(*c.path));

        probe.Close();
        EXPECT_EQ(probe.FormatContext(), nullptr);
        EXPECT_EQ(probe.FileSize(), -1);
        EXPECT_EQ(probe.StreamCount(), -1);
        EXPECT_EQ(probe.AudioStreamCount(), -1);
        EXPECT_EQ(probe.FirstVideoStream(), -1);
    }
}

TEST_F(ProbeTest, StreamRecordsAgreeWithAnIndependentReader)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(mp4_));
    const auto video = qtest::ProbeStream(mp4_, "v:0");
    const auto audio = qtest::ProbeStream(mp4_, "a:0");

    TVideoStreamInfo v;
    ASSERT_TRUE(probe.GetVideoStreamInfo(-1, v));
    EXPECT_EQ(v.CodecName, "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)");
    EXPECT_EQ(v.Width, std::stoi(video.at("width")));
    EXPECT_EQ(v.Height, std::stoi(video.at("height")));
    EXPECT_EQ(std::to_string(v.FrameRateNum) + "/" + std::to_string(v.FrameRateDen), video.at("r_frame_rate"));
    EXPECT_FLOAT_EQ(v.DisplayAspectRatio, 320.0f / 240.0f);
    EXPECT_EQ(v.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_NEAR(v.DurationUS, std::stod(video.at("duration")) * 1e6, 1000);
    EXPECT_EQ(v.StartTimeUS, 0);
    EXPECT_GT(v.BitRate, 0);

    TAudioStreamInfo a;
    ASSERT_TRUE(probe.GetAudioStreamInfo(-1, a));
    EXPECT_EQ(a.CodecName, "aac(AAC (Advanced Audio Coding))");
    EXPECT_EQ(a.Channels, 2);
    EXPECT_EQ(a.SampleRate, 44100);
    EXPECT_EQ(a.SampleFormat, AV_SAMPLE_FMT_FLTP);
    EXPECT_NEAR(a.DurationUS, std::stod(audio.at("duration")) * 1e6, 1000);
    EXPECT_EQ(a.Duration, std::stoll(audio.at("duration_ts")));
    EXPECT_NEAR(a.BitRate, 96000, 8000);

    // An explicit index selects that stream.
    TAudioStreamInfo byIndex;
    ASSERT_TRUE(probe.GetAudioStreamInfo(1, byIndex));
    EXPECT_EQ(byIndex.Duration, a.Duration);
}

TEST_F(ProbeTest, LanguageAndStartTimesOfStreams)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(ts_));
    TAudioStreamInfo a;
    ASSERT_TRUE(probe.GetAudioStreamInfo(-1, a));
    EXPECT_EQ(a.Language, "eng");
    EXPECT_GT(a.StartTime, 0);
    EXPECT_NEAR(a.StartTimeUS, a.StartTime * 100 / 9, 1);  // 1/90000 time base

    TAVProbe raw;
    ASSERT_TRUE(raw.LoadFile(h264_));
    TVideoStreamInfo v;
    ASSERT_TRUE(raw.GetVideoStreamInfo(0, v));
    EXPECT_EQ(v.StartTime, AV_NOPTS_VALUE);  // kept as the library gives it
    EXPECT_EQ(v.StartTimeUS, -1);
    EXPECT_EQ(v.DurationUS, -1);
}

TEST_F(ProbeTest, StartTimesBeforeZeroAreKeptWithTheirSign)
{
    ASSERT_EQ(qtest::ProbeFormat(early_).at("start_time"), "-0.200000");
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(early_)) << probe.LastErrMsg();
    TFileStreamInfo file;
    ASSERT_TRUE(probe.GetFileStreamInfo(file));
    EXPECT_EQ(file.StartTime, -200000);  // not the -1 of a file without a start time
    TVideoStreamInfo video;
    ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
    EXPECT_EQ(video.StartTime, -200);  // 1/1000 time base
    EXPECT_EQ(video.StartTimeUS, -200000);

    const auto lines = Lines(probe.GetInfoText());
    // the file's own StartTime line is written only for a start at or after zero
    EXPECT_EQ(IndexOf(lines, "StartTime:"), -1);
    EXPECT_TRUE(HasLineContaining(lines, ", StartTime: -0.200000, Duration: ")) << lines.back();
}

TEST_F(ProbeTest, UnsetSampleAspectMeansSquarePixels)
{
    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, mkv_.c_str(), nullptr, nullptr), 0);
    AVFormatInputPtr context{raw};
    ASSERT_GE(avformat_find_stream_info(context.get(), nullptr), 0);
    AVStream* stream = context->streams[0];
    ASSERT_EQ(stream->codecpar->width, 320);
    ASSERT_EQ(stream->codecpar->height, 240);

    struct Case {
        AVRational codecAspect;  // of the pictures
        AVRational containerAspect;  // of the stream in the container
        float displayAspect;
        const char* lineHas;  // "" when the line shows no pixel aspect
    };
    const Case cases[] = {
        {{0, 1}, {0, 1}, 4.0f / 3.0f, ""},
        {{0, 0}, {0, 0}, 4.0f / 3.0f, ""},
        {{1, 0}, {0, 1}, 4.0f / 3.0f, ""},
        {{0, 1}, {0, 0}, 4.0f / 3.0f, ""},
        {{4, 3}, {0, 1}, 16.0f / 9.0f, ""},
        {{0, 1}, {4, 3}, 4.0f / 3.0f, ", PAR 4:3 DAR 16:9"},  // only the container's differs
    };
    TAVProbe probe;
    probe.Attach(context.get());
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.codecAspect.num) + "/" + std::to_string(c.codecAspect.den) + " in " +
                                 std::to_string(c.containerAspect.num) + "/" + std::to_string(c.containerAspect.den);
        stream->codecpar->sample_aspect_ratio = c.codecAspect;
        stream->sample_aspect_ratio = c.containerAspect;
        TVideoStreamInfo info;
        ASSERT_TRUE(probe.GetVideoStreamInfo(0, info)) << name;
        EXPECT_FLOAT_EQ(info.DisplayAspectRatio, c.displayAspect) << name;

        const auto lines = Lines(probe.GetInfoText());
        const int line = IndexOf(lines, "Stream #0");
        ASSERT_GE(line, 0) << name;
        const std::string& text = lines[static_cast<size_t>(line)];
        if (*c.lineHas)
            EXPECT_NE(text.find(c.lineHas), std::string::npos) << name << ": " << text;
        else
            EXPECT_EQ(text.find("PAR "), std::string::npos) << name << ": " << text;
        EXPECT_EQ(text.find("nan"), std::string::npos) << name << ": " << text;
        EXPECT_EQ(text.find("inf"), std::string::npos) << name << ": " << text;
    }
}

TEST_F(ProbeTest, FileRecordFromTags)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(mp3_));
    TFileStreamInfo info;
    ASSERT_TRUE(probe.GetFileStreamInfo(info));
    EXPECT_EQ(info.Title, "Song");
    EXPECT_EQ(info.Author, "Band");
    EXPECT_EQ(info.Album, "Disc");
    EXPECT_EQ(info.Genre, "Rock");
    EXPECT_EQ(info.Track, 3);
    EXPECT_EQ(info.Year, 2019);
    EXPECT_EQ(info.Copyright, "");
    EXPECT_EQ(info.Timestamp, 0);
    EXPECT_GT(info.BitRate, 0);
    EXPECT_NEAR(info.Duration, std::stod(qtest::ProbeFormat(mp3_).at("duration")) * 1e6, 1000);

    TAVProbe mp4;
    ASSERT_TRUE(mp4.LoadFile(mp4_));
    ASSERT_TRUE(mp4.GetFileStreamInfo(info));
    EXPECT_EQ(info.Title, "Clip");
    EXPECT_EQ(info.Timestamp, 1593561600);  // 2020-07-01T00:00:00Z
    EXPECT_EQ(info.StartTime, 0);

    TAVProbe raw;
    ASSERT_TRUE(raw.LoadFile(h264_));
    ASSERT_TRUE(raw.GetFileStreamInfo(info));
    EXPECT_EQ(info.Duration, -1);
    EXPECT_EQ(info.StartTime, -1);
    EXPECT_EQ(info.BitRate, 0);
}

TEST_F(ProbeTest, InfoTextHeadOfAFile)
{
    const auto lines = InfoLines(wav_);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "File Name: " + wav_);
    EXPECT_EQ(lines[1], "Format Name: wav");
    EXPECT_EQ(lines[2], "Format Long Name: WAV / WAVE (Waveform Audio)");
    EXPECT_EQ(lines[3], "File Size: " + SizeText(qtest::FileBytes(wav_)));
    EXPECT_EQ(lines[4], "Duration: 00:00:01.000");
    EXPECT_EQ(lines[5], "Bit Rate: 706 kb/s");
    EXPECT_EQ(lines.back(), "Stream #0, 1/44100: Audio: pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, 1 channels, s16, "
                            "705 kb/s, Duration: 00:00:01.000");
}

TEST_F(ProbeTest, InfoTextFileSizeForms)
{
    const auto small = InfoLines(pcm1536_, "s16le");
    EXPECT_EQ(small[3], "File Size: 1.50 KB");
    const auto exact = InfoLines(pcm1024_, "s16le");
    EXPECT_EQ(exact[3], "File Size: 1024 Byte");
}

TEST_F(ProbeTest, InfoTextWithoutDurationOrBitRate)
{
    const auto lines = InfoLines(h264_);
    EXPECT_EQ(lines[4], "Duration: N/A");
    EXPECT_EQ(lines[5], "Bit Rate: N/A");  // no StartTime line in between: the file has none
    EXPECT_EQ(IndexOf(lines, "StartTime:"), -1);
    EXPECT_TRUE(HasLineContaining(lines, ", 25 fps, 25 tbr, 1200k tbn, Duration: N/A"));
}

TEST_F(ProbeTest, InfoTextProgramsShowEachStreamOnceUnderItsProgram)
{
    const auto lines = InfoLines(ts_);
    const int first = IndexOf(lines, "Program 1 FFmpeg@First");
    const int second = IndexOf(lines, "Program 2 FFmpeg@Second");
    const int video = IndexOf(lines, "Stream #0[0x100], 1/90000: Video: mpeg2video");
    const int audio = IndexOf(lines, "Stream #1[0x101](eng), 1/90000: Audio: mp2");
    ASSERT_NE(first, -1);
    ASSERT_NE(second, -1);
    ASSERT_NE(video, -1);
    ASSERT_NE(audio, -1);
    EXPECT_LT(first, video);
    EXPECT_LT(video, second);
    EXPECT_LT(second, audio);
    EXPECT_EQ(lines[first + 1], "  Metadata:");
    EXPECT_EQ(lines[first + 2], "    service_name    : First");
    int streamLines = 0;
    for (const std::string& line : lines)
        streamLines += line.rfind("Stream #", 0) == 0 ? 1 : 0;
    EXPECT_EQ(streamLines, 2);
    EXPECT_NE(lines[video].find(", 25 fps, 25 tbr, 90k tbn, StartTime: 1.4"), std::string::npos) << lines[video];
    // The audio stream's metadata holds only "language": no metadata block follows it.
    EXPECT_EQ(static_cast<size_t>(audio), lines.size() - 1);
    EXPECT_NE(IndexOf(lines, "StartTime: 1.4"), -1);
}

TEST_F(ProbeTest, InfoTextMetadataBlocksAndRates)
{
    const auto lines = InfoLines(mkv_);
    const int metadata = IndexOf(lines, "Metadata:");
    ASSERT_NE(metadata, -1);
    EXPECT_EQ(lines[metadata + 1], "  title           : Hello");
    EXPECT_EQ(lines[metadata + 2], "  composer        : Someone");  // tag frame name shown by meaning
    const int video = IndexOf(lines, "Stream #0(eng), 1/1000: Video: mpeg4");
    ASSERT_NE(video, -1);
    EXPECT_NE(lines[video].find(", 29.97 fps, 29.97 tbr, 1k tbn, StartTime: 0."), std::string::npos) << lines[video];
    EXPECT_EQ(lines[video + 1], "  Metadata:");
    EXPECT_EQ(IndexOf(lines, "    language"), -1);
    EXPECT_NE(IndexOf(lines, "Stream #1(ger), 1/1000: Audio: aac"), -1);

    const auto mp3 = InfoLines(mp3_);
    const int tags = IndexOf(mp3, "Metadata:");
    ASSERT_NE(tags, -1);
    EXPECT_EQ(mp3[tags + 1], "  title           : Song");
    EXPECT_EQ(mp3[tags + 2], "  artist          : Band");
}

TEST_F(ProbeTest, InfoTextPixelAspectOfTheContainer)
{
    const auto lines = InfoLines(wide_);
    EXPECT_TRUE(HasLineContaining(lines, ", PAR 4:3 DAR 16:9, 25 fps")) << lines.back();
}

TEST_F(ProbeTest, RotationOfThePicturesInTheRecordAndTheStreamLine)
{
    // the muxer's "rotate" tag turns the other way round from the matrix it writes
    const struct {
        int rotateTag;
        int clockwise;
        const char* words;
    } cases[] = {{90, 270, ", 顺时针旋转270°, "}, {180, 180, ", 顺时针旋转180°, "}, {270, 90, ", 顺时针旋转90°, "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rotateTag);
        const std::string path = dir_->file("turned" + std::to_string(c.rotateTag) + ".mp4");
        ASSERT_TRUE(qtest::MakeMedia(path, "-i " + qtest::ShellQuote(mp4_) +
                                               " -c copy -metadata:s:v:0 rotate=" + std::to_string(c.rotateTag)));
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrMsg();
        TVideoStreamInfo video;
        ASSERT_TRUE(probe.GetVideoStreamInfo(probe.FirstVideoStream(), video));
        EXPECT_EQ(video.RotationClockwise, c.clockwise);
        EXPECT_FALSE(video.Mirrored);
        EXPECT_EQ(video.Width, 320);  // the coded size
        const auto lines = Lines(probe.GetInfoText());
        const int line = IndexOf(lines, "Stream #0");
        ASSERT_NE(line, -1);
        EXPECT_NE(lines[line].find(c.words), std::string::npos) << lines[line];
        EXPECT_LT(lines[line].find(c.words), lines[line].find("StartTime:")) << "the window cuts the line there";
    }
    TVideoStreamInfo upright;
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(mp4_));
    ASSERT_TRUE(probe.GetVideoStreamInfo(probe.FirstVideoStream(), upright));
    EXPECT_EQ(upright.RotationClockwise, 0);
    EXPECT_FALSE(HasLineContaining(Lines(probe.GetInfoText()), "旋转"));
}

TEST_F(ProbeTest, InfoTextTimeStampInStandardLocalTime)
{
    const char* previous = getenv("TZ");
    const std::string saved = previous ? previous : "";
    // A zone one hour east with summer time: the time stamp uses the standard offset only.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    const auto lines = InfoLines(mp4_);
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_NE(IndexOf(lines, "Time Stamp: 2020-07-01 01:00:00"), -1);
    EXPECT_EQ(lines[5], "StartTime: 0.000000");
}

TEST_F(ProbeTest, SizeFromTheFileSystemWhenTheContainerHasNone)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(png_, "image2"));
    EXPECT_EQ(probe.FormatContext()->pb, nullptr);
    EXPECT_EQ(probe.FileSize(), qtest::FileBytes(png_));
    EXPECT_EQ(probe.InputFormatName(), "image2");
}

TEST_F(ProbeTest, QueriesWithoutAFileReportFileNotLoaded)
{
    TAVProbe probe;
    TFileStreamInfo file;
    TAudioStreamInfo audio;
    TVideoStreamInfo video;
    file.Duration = 5;
    audio.Channels = 2;
    video.DisplayAspectRatio = 2.0f;
    EXPECT_FALSE(probe.GetFileStreamInfo(file));
    EXPECT_FALSE(probe.GetAudioStreamInfo(-1, audio));
    EXPECT_FALSE(probe.GetVideoStreamInfo(0, video));
    EXPECT_EQ(probe.GetInfoText(), "");
    EXPECT_EQ(probe.FileName(), "");
    EXPECT_EQ(probe.FormatName(), "");
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.Timestamp, -1);
    EXPECT_EQ(audio.Channels, -1);
    EXPECT_EQ(video.DisplayAspectRatio, -1.0f);
    EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
    const auto own = ProbeMessages(probe);
    ASSERT_EQ(own.size(), 6u);
    for (const LoggedMessage& m : own) {
        EXPECT_EQ(m.level, llWarning);
        EXPECT_EQ(m.msg, "file not loaded.");
    }
}

TEST_F(ProbeTest, StreamQueryErrorsLeaveTheFileOpenAndTheRecordReset)
{
    struct Case {
        std::string* path;
        bool video;
        int index;
        std::string error;
    };
    const Case cases[] = {
        {&h264_, false, -1, "no audio stream."},
        {&wav_, true, -1, "no video stream."},
        {&mp4_, true, 5, "stream index #5 is invalid."},
        {&mp4_, false, 2, "stream index #2 is invalid."},
        {&mp4_, true, 1, "stream #1 is not video stream."},
        {&mp4_, false, 0, "stream #0 is not audio stream."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        logged_.clear();
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(*c.path));
        bool ok;
        if (c.video) {
            TVideoStreamInfo info;
            ok = probe.GetVideoStreamInfo(c.index, info);
            EXPECT_EQ(info.Width, -1);
            EXPECT_EQ(info.FrameRateNum, -1);
            EXPECT_EQ(info.DisplayAspectRatio, -1.0f);
        } else {
            TAudioStreamInfo info;
            ok = probe.GetAudioStreamInfo(c.index, info);
            EXPECT_EQ(info.Channels, -1);
            EXPECT_EQ(info.StartTimeUS, -1);
            EXPECT_EQ(info.CodecName, "");
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(probe.LastErrMsg(), c.error);
        const auto own = ProbeMessages(probe);
        ASSERT_EQ(own.size(), 1u);
        EXPECT_EQ(own[0].level, llError);
        EXPECT_EQ(own[0].msg, c.error);
        EXPECT_NE(probe.FormatContext(), nullptr);
    }
}

TEST_F(ProbeTest, OpenFailuresAreLoggedAndStored)
{
    const std::pair<std::string, std::string> cases[] = {
        {dir_->file("missing.avi"), "No such file or directory"},
        {junk_, "Invalid data found when processing input"},
    };
    for (const auto& [path, reason] : cases) {
        logged_.clear();
        TAVProbe probe;
        EXPECT_FALSE(probe.LoadFile(path));
        EXPECT_EQ(probe.LastErrMsg(), path + ": " + reason);
        const auto own = ProbeMessages(probe);
        ASSERT_EQ(own.size(), 1u);
        EXPECT_EQ(own[0].level, llError);
        EXPECT_EQ(own[0].msg, path + ": " + reason);
        EXPECT_EQ(probe.FormatContext(), nullptr);
        EXPECT_EQ(probe.StreamCount(), -1);
    }
}

TEST_F(ProbeTest, FileListsAreFollowedOnlyWhenNamedAsTheFormat)
{
    // a list that names itself used to open itself until the process ran out
    // of file handles; a live playlist whose entry does not open held the
    // probe for as long as it reloaded; a list of other files is refused the
    // same way
    const std::string selfList = dir_->file("self_list.avi");
    const std::string livePlaylist = dir_->file("live.avi");
    const std::string toneList = dir_->file("tone_list.avi");
    std::ofstream(selfList, std::ios::binary) << "ffconcat version 1.0\nfile self_list.avi\n";
    std::ofstream(livePlaylist, std::ios::binary) << "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nfile:.avi\n";
    std::ofstream(toneList, std::ios::binary) << "ffconcat version 1.0\nfile tone.wav\n";
    for (const std::string& list : {selfList, livePlaylist, toneList}) {
        SCOPED_TRACE(list);
        TAVProbe probe;
        EXPECT_FALSE(probe.LoadFile(list));
        EXPECT_EQ(probe.LastErrMsg(), list + ": Invalid data found when processing input");
        EXPECT_EQ(probe.FormatContext(), nullptr);
    }
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(toneList, "concat")) << probe.LastErrMsg();
    EXPECT_EQ(probe.AudioStreamCount(), 1);
    EXPECT_EQ(probe.InputFormatName(), "concat");
}

TEST_F(ProbeTest, StoredButUnloggedErrors)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(wav_));
    EXPECT_FALSE(probe.LoadFile(wav_, "nosuchformat"));
    EXPECT_EQ(probe.LastErrMsg(), "Unknown input format: nosuchformat");
    EXPECT_EQ(probe.FormatContext(), nullptr);  // the earlier file was closed first

    // Zeros read as H.264 open, but no stream parameters can be found in them.
    EXPECT_FALSE(probe.LoadFile(zeros_, "h264"));
    EXPECT_EQ(probe.LastErrMsg(), zeros_ + ": could not find codec parameters");
    EXPECT_EQ(probe.FormatContext(), nullptr);
    EXPECT_EQ(probe.InputFormatName(), "");
    EXPECT_TRUE(ProbeMessages(probe).empty());
}

TEST_F(ProbeTest, LibrariesMustBeLoadedBeforeOpening)
{
    const std::pair<TLibrary, const char*> cases[] = {{libAVCodec, "LibAVCodec not loaded."},
                                                      {libAVFormat, "LibAVFormat not loaded."},
                                                      {libAVUtil, "LibAVUtil not loaded."},
                                                      {libSwScale, "LibSwScale not loaded."}};
    for (const auto& [library, text] : cases) {
        GetFFmpegLoader().Unload({library});
        TAVProbe probe;
        try {
            probe.LoadFile(wav_);
            ADD_FAILURE() << "opened without " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), text);
        }
        EXPECT_THROW(probe.Attach(nullptr), std::runtime_error);
        ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    }
}

TEST_F(ProbeTest, AttachedContextsAreDescribedButNotClosed)
{
    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, wav_.c_str(), nullptr, nullptr), 0);
    AVFormatInputPtr context{raw};
    ASSERT_GE(avformat_find_stream_info(context.get(), nullptr), 0);
    {
        TAVProbe probe;
        probe.Attach(context.get());
        EXPECT_FALSE(probe.OwnsContext());
        EXPECT_EQ(probe.FormatContext(), context.get());
        EXPECT_EQ(probe.AudioStreamCount(), 1);
        EXPECT_EQ(probe.FileName(), wav_);
        EXPECT_EQ(probe.FormatName(), "wav");

        // A zero time-base denominator is repaired before rescaling.
        AVStream* stream = context->streams[0];
        stream->time_base = AVRational{1, 0};
        TAudioStreamInfo info;
        ASSERT_TRUE(probe.GetAudioStreamInfo(0, info));
        EXPECT_EQ(stream->time_base.den, 1);
        EXPECT_EQ(info.DurationUS, info.Duration * 1000000);
        stream->time_base = AVRational{1, 44100};
    }
    // The probe is gone; the context is still ours and still reads.
    AVPacketPtr packet{av_packet_alloc()};
    EXPECT_EQ(av_read_frame(context.get(), packet.get()), 0);
}

}  // namespace
