// Every format of the chooser, confirmed with the option window's defaults,
// added through the main window's add path and converted in one run of two
// files at once; each output is read back with ffprobe and compared with a
// table of what that format must write.
#include "ListWindowFixture.h"
#include "formats/FormatCatalogue.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

constexpr double kClipSeconds = 3.0;
// Today's formats scale by the aspect and name their own pixel formats; the
// expectations here are those of the older pages.
constexpr int kTodaysFormatsBase = 300;

// One added file: what the option window handed over and where the row went.
struct AddedFormat {
    bool added = false;
    OutputSettings settings;
    std::string outputFile;
    int row = -1;
};

// The main window with all formats added and converted once for the suite.
class AllFormatsBatch : public ListWindowTest {
public:
    void TestBody() override {}

    std::map<int, AddedFormat> formats;
    bool runEnded = false;
    std::vector<std::string> logLines;

    void AddAndConvertAll()
    {
        const std::string source = dir.file("bars.mp4");
        if (!qtest::MakeMedia(source, "-f lavfi -i testsrc=s=320x240:r=25:d=3 -f lavfi -i sine=f=440:r=44100:d=3 "
                                      "-ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"))
            return;
        window.suiComboBox1Change(0);  // nothing after the run
        window.suiComboBox3Change(2);  // two files at once
        for (const CataloguePage& page : CataloguePages()) {
            if (page.base >= kTodaysFormatsBase)
                continue;  // converted by cli_ModernFormatsTest
            for (const CatalogueEntry& entry : page.entries) {
                // a source of its own per format, so outputs of the same extension do not collide
                const std::string copy = dir.file("clip" + std::to_string(entry.number) + ".mp4");
                fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
                chooser.formatNumber = entry.number;
                const int rowsBefore = List().RowCount();
                AddOne(copy);
                AddedFormat& added = formats[entry.number];
                added.settings = window.Session().Settings;
                if (List().RowCount() == rowsBefore + 1) {
                    added.added = true;
                    added.row = rowsBefore;
                    added.outputFile = List().Slot(rowsBefore).Output.FileName;
                }
            }
        }
        Run().btnStartClick();
        runEnded = PumpUntilRunEnded(15 * 60 * 1000);
        logLines = window.Log().Lines();
    }
    std::string RowStatus(int row) { return Status(row); }
};

std::unique_ptr<AllFormatsBatch> batch;

std::vector<int> CatalogueNumbers()
{
    std::vector<int> numbers;
    for (const CataloguePage& page : CataloguePages())
        if (page.base < kTodaysFormatsBase)
            for (const CatalogueEntry& entry : page.entries)
                numbers.push_back(entry.number);
    return numbers;
}

// ---- what each format must write, from a 320x240, 25 fps, stereo 44.1 kHz source
//
// Written by hand from what each target is for (the container its devices
// read, the codecs they decode, the picture and sound a disc or phone takes),
// not from the settings the option window hands over, so that a translation
// fault cannot agree with itself.
struct Expected {
    int number;
    const char* family;  // the demuxer ffprobe reads the file with (contained in format_name)
    const char* video;  // codec_name of v:0; "" for an audio-only target
    const char* tag;  // codec_tag_string of v:0, or "" when not checked
    int width, height;
    const char* rate;  // r_frame_rate
    const char* audio;
    int sampleRate, channels;
};

constexpr Expected kExpected[] = {
    // computers, players, discs
    {1, "avi", "mpeg4", "DX50", 320, 240, "25", "mp3", 44100, 2},
    {2, "avi", "mpeg4", "DX50", 320, 240, "25", "mp3", 44100, 2},
    {3, "avi", "mpeg4", "DX50", 320, 240, "25", "mp3", 44100, 2},
    {4, "mp4", "mpeg4", "", 320, 240, "30000/1001", "aac", 24000, 2},
    {5, "mp4", "mpeg4", "", 720, 480, "30000/1001", "aac", 48000, 2},
    {6, "mp4", "mpeg4", "", 320, 240, "25", "aac", 48000, 2},
    {7, "mp4", "mpeg4", "", 320, 240, "25", "aac", 48000, 2},
    {8, "mp4", "mpeg4", "", 320, 240, "25", "aac", 48000, 2},
    {9, "mp4", "mpeg4", "", 320, 240, "25", "aac", 48000, 2},
    {10, "mp4", "mpeg4", "", 320, 240, "25", "mp3", 44100, 2},
    {11, "mp4", "h264", "", 320, 240, "25", "mp3", 48000, 2},
    {12, "mp4", "mpeg4", "", 320, 240, "25", "mp3", 44100, 2},
    {13, "swf", "flv1", "", 320, 240, "25", "mp3", 22050, 2},
    {14, "flv", "flv1", "", 320, 240, "25", "mp3", 22050, 2},
    {15, "rm", "rv10", "", 320, 240, "25", "ac3", 44100, 2},
    {16, "matroska", "mpeg4", "", 320, 240, "25", "mp3", 22050, 2},
    {17, "mov", "h264", "", 320, 240, "25", "aac", 22050, 2},
    {18, "mpeg", "mpeg1video", "", 320, 240, "25", "mp2", 44100, 2},
    // DVD-Video: AC-3 at 48 kHz; SVCD and VCD: MPEG-1 layer II at 44.1 kHz (PAL pictures)
    {19, "mpeg", "mpeg2video", "", 720, 576, "25", "ac3", 48000, 2},
    {20, "mpeg", "mpeg2video", "", 480, 576, "25", "mp2", 44100, 2},
    {21, "mpeg", "mpeg1video", "", 352, 288, "25", "mp2", 44100, 2},
    {22, "asf", "wmv2", "", 320, 240, "25", "wmav2", 48000, 2},
    {23, "asf", "msmpeg4v3", "", 320, 240, "25", "wmav2", 48000, 2},
    {24, "avi", "mjpeg", "", 320, 240, "25", "mp3", 44100, 2},
    // phones and portable players
    {100, "3gp", "mpeg4", "", 176, 144, "12", "aac", 8000, 1},
    {101, "3g2", "mpeg4", "", 176, 144, "12", "aac", 32000, 2},
    {102, "mp4", "mpeg4", "", 176, 144, "15", "aac", 44100, 2},
    {103, "mp4", "mpeg4", "", 176, 144, "12", "aac", 32000, 2},
    {104, "3gp", "mpeg4", "", 176, 144, "12", "amr_nb", 8000, 1},
    {105, "3gp", "mpeg4", "", 320, 240, "15", "aac", 16000, 2},
    {106, "avi", "h263", "", 352, 288, "15", "mp3", 44100, 2},
    {107, "mp4", "mpeg4", "", 352, 288, "15", "aac", 44100, 2},
    {108, "amr", "", "", 0, 0, "", "amr_nb", 8000, 1},
    {109, "avi", "mpeg4", "DX50", 320, 240, "25", "mp3", 44100, 2},
    {110, "asf", "wmv2", "", 320, 240, "25", "wmav2", 48000, 2},
    {111, "asf", "msmpeg4v3", "", 320, 240, "25", "wmav2", 48000, 2},
    {112, "mp4", "mpeg4", "", 176, 144, "15", "aac", 44100, 2},
    {113, "mov", "h264", "", 320, 240, "25", "aac", 22050, 2},
    {114, "mpeg", "mpeg1video", "", 320, 240, "25", "mp2", 44100, 2},
    {115, "mp4", "", "", 0, 0, "", "aac", 48000, 2},
    {116, "mp3", "", "", 0, 0, "", "mp3", 48000, 2},
    {117, "asf", "", "", 0, 0, "", "wmav2", 48000, 2},
    {118, "wav", "", "", 0, 0, "", "pcm_s16le", 48000, 2},
    {119, "amr", "", "", 0, 0, "", "amr_nb", 8000, 1},
    // H.263 codes 352x288 but not 320x240
    {120, "3gp", "h263", "", 352, 288, "15", "aac", 16000, 2},
    {121, "mp4", "mpeg4", "", 352, 288, "15", "aac", 44100, 2},
    {122, "mp4", "mpeg4", "", 720, 576, "30000/1001", "aac", 24000, 2},
    {123, "mp4", "mpeg4", "", 480, 320, "30000/1001", "aac", 48000, 2},
    {124, "mp4", "mpeg4", "", 320, 240, "30000/1001", "aac", 48000, 2},
    {125, "mp4", "mpeg4", "", 320, 240, "30000/1001", "aac", 24000, 2},
    {126, "mp4", "h264", "", 320, 240, "30000/1001", "aac", 44100, 2},
    {127, "mp4", "mpeg4", "", 320, 240, "25", "mp3", 44100, 2},
    // audio
    {200, "mp3", "", "", 0, 0, "", "mp3", 48000, 2},
    {201, "asf", "", "", 0, 0, "", "wmav2", 48000, 2},
    {202, "wav", "", "", 0, 0, "", "pcm_s16le", 48000, 2},
    {203, "mp4", "", "", 0, 0, "", "aac", 48000, 2},
    {204, "ac3", "", "", 0, 0, "", "ac3", 48000, 2},
    {205, "ogg", "", "", 0, 0, "", "vorbis", 48000, 2},
    // ffprobe reads MPEG audio layer II with its mp3 demuxer
    {206, "mp3", "", "", 0, 0, "", "mp2", 44100, 2},
    {207, "flac", "", "", 0, 0, "", "flac", 48000, 2},
    {208, "rm", "", "", 0, 0, "", "ac3", 48000, 2},
    {209, "amr", "", "", 0, 0, "", "amr_nb", 8000, 1},
};

const Expected* ExpectedOf(int number)
{
    for (const Expected& e : kExpected)
        if (e.number == number)
            return &e;
    return nullptr;
}

std::string Field(const std::map<std::string, std::string>& fields, const char* key)
{
    const auto found = fields.find(key);
    return found == fields.end() ? "" : found->second;
}

// "30000/1001" or "29.97"; 0 for text that is no number.
double Rational(const std::string& text)
{
    const auto slash = text.find('/');
    const double num = std::strtod(text.substr(0, slash).c_str(), nullptr);
    if (slash == std::string::npos)
        return num;
    const double den = std::strtod(text.substr(slash + 1).c_str(), nullptr);
    return den == 0 ? 0 : num / den;
}

// The container's duration, or for a container that keeps none (SWF) the
// video packets counted at the stream's frame rate.
double DurationOf(const std::string& path, const std::map<std::string, std::string>& format)
{
    const double stated = Rational(Field(format, "duration"));
    if (stated > 0)
        return stated;
    std::string packets;
    qtest::RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets "
                      "-of csv=p=0 " +
                          qtest::ShellQuote(path) + " 2>/dev/null",
                      &packets);
    const double rate = Rational(Field(qtest::ProbeStream(path, "v:0"), "r_frame_rate"));
    return rate > 0 ? std::strtod(packets.c_str(), nullptr) / rate : 0;
}

// The run's log lines that tell of errors or name this output.
std::string LogText(const std::string& outputFile)
{
    std::string log;
    for (const std::string& line : batch->logLines)
        if (line.find(outputFile) != std::string::npos || line.find("rror") != std::string::npos ||
            line.find("***") != std::string::npos)
            log += line + "\n";
    return log;
}

std::string Describe(const OutputSettings& s)
{
    return "ext=" + s.OutputExt + " format=" + s.OutputFormat + " target=" + s.TargetType + " vcodec=" + s.VideoCodec +
           " acodec=" + s.AudioCodec + " size=" + s.FrameSize + " rate=" + s.FrameRate + " ar=" + s.AudioSampleRate +
           " ac=" + s.AudioChannels + " audioOnly=" + (s.AudioOnly ? "1" : "0");
}

class AllFormatsConvertTest : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        batch = std::make_unique<AllFormatsBatch>();
        batch->AddAndConvertAll();
    }
    static void TearDownTestSuite() { batch.reset(); }
};

TEST_P(AllFormatsConvertTest, DefaultSelectionsGiveTheChosenStreams)
{
    const int number = GetParam();
    ASSERT_TRUE(batch->runEnded) << "the run did not end";
    const AddedFormat& added = batch->formats.at(number);
    const OutputSettings& s = added.settings;
    SCOPED_TRACE("format " + std::to_string(number) + ": " + Describe(s));
    if (!added.added)
        FAIL() << "not added; log:\n" << LogText(s.OutputFile);
    EXPECT_EQ(batch->RowStatus(added.row), kStatusFinished) << "log:\n" << LogText(added.outputFile);
    const std::string& path = added.outputFile;
    ASSERT_TRUE(fs::exists(path)) << path;

    const Expected* expected = ExpectedOf(number);
    ASSERT_NE(expected, nullptr) << "no expectation written for format " << number;
    const auto format = qtest::ProbeFormat(path);
    EXPECT_NE(Field(format, "format_name").find(expected->family), std::string::npos)
        << path << " probed as " << Field(format, "format_name");
    EXPECT_NEAR(DurationOf(path, format), kClipSeconds, 0.35) << path;

    if (!*expected->video) {
        EXPECT_EQ(qtest::CountStreams(path, 'v'), 0) << path;
    } else {
        EXPECT_EQ(qtest::CountStreams(path, 'v'), 1) << path;
        const auto video = qtest::ProbeStream(path, "v:0");
        EXPECT_EQ(Field(video, "codec_name"), expected->video) << path;
        if (*expected->tag) {
            EXPECT_EQ(Field(video, "codec_tag_string"), expected->tag) << path;
        }
        EXPECT_EQ(Field(video, "width"), std::to_string(expected->width)) << path;
        EXPECT_EQ(Field(video, "height"), std::to_string(expected->height)) << path;
        const std::string rate = Field(video, "r_frame_rate");
        EXPECT_NEAR(Rational(rate), Rational(expected->rate), 0.01) << path << " r_frame_rate " << rate;
    }

    EXPECT_EQ(qtest::CountStreams(path, 'a'), 1) << path;
    const auto audio = qtest::ProbeStream(path, "a:0");
    EXPECT_EQ(Field(audio, "codec_name"), expected->audio) << path;
    EXPECT_EQ(Field(audio, "sample_rate"), std::to_string(expected->sampleRate)) << path;
    EXPECT_EQ(Field(audio, "channels"), std::to_string(expected->channels)) << path;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, AllFormatsConvertTest, testing::ValuesIn(CatalogueNumbers()),
                         [](const testing::TestParamInfo<int>& info) { return "Format" + std::to_string(info.param); });

}  // namespace
