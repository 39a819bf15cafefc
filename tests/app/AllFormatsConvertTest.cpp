// Every format of the chooser, confirmed with the option window's defaults,
// added through the main window's add path and converted in one run of two
// files at once; each output is read back with ffprobe and compared with the
// settings the option window handed over.
#include "ListWindowFixture.h"
#include "formats/FormatCatalogue.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
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
    std::string videoTag;  // the tag the add handed to the converter
    int row = -1;
};

// The main window with all formats added and converted once for the suite.
class AllFormatsBatch : public ListWindowTest {
public:
    void TestBody() override {}

    std::map<int, AddedFormat> formats;
    bool runEnded = false;
    std::vector<std::string> logLines;

    void AddAndConvertAll() {
        const std::string source = dir.file("bars.mp4");
        if (!qtest::MakeMedia(source, "-f lavfi -i testsrc=s=320x240:r=25:d=3 -f lavfi -i sine=f=440:r=44100:d=3 "
                                      "-ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"))
            return;
        window.suiComboBox1Change(0);  // nothing after the run
        window.suiComboBox3Change(2);  // two files at once
        for (const CataloguePage& page : CataloguePages()) {
            if (page.base >= kTodaysFormatsBase) continue;  // converted by cli_ModernFormatsTest
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
                    added.videoTag = List().Slot(rowsBefore).Output.VideoTag;
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

std::vector<int> CatalogueNumbers() {
    std::vector<int> numbers;
    for (const CataloguePage& page : CataloguePages())
        if (page.base < kTodaysFormatsBase)
            for (const CatalogueEntry& entry : page.entries) numbers.push_back(entry.number);
    return numbers;
}

// ---- expected values from the handed-over settings -------------------------

// The muxer the converter picks: the forced format, else the file name's.
std::string MuxerOf(const OutputSettings& settings, const std::string& outputFile) {
    const AVOutputFormat* format = settings.OutputFormat.empty()
                                       ? av_guess_format(nullptr, outputFile.c_str(), nullptr)
                                       : av_guess_format(settings.OutputFormat.c_str(), nullptr, nullptr);
    return format ? format->name : "";
}

// The name ffprobe reports for files of a muxer is that of the demuxer that
// reads them; several muxers write the same family of file.
std::string ProbedFormatName(const std::string& muxer) {
    static const std::map<std::string, std::string> families = {
        {"ipod", "mov"}, {"psp", "mov"},  {"3g2", "mov"},   {"mp4", "mov"},  {"3gp", "mov"},
        {"vob", "mpeg"}, {"vcd", "mpeg"}, {"svcd", "mpeg"}, {"dvd", "mpeg"}, {"mp2", "mp3"},
        {"adts", "aac"}, {"webm", "matroska"}, {"mpeg1video", "mpegvideo"}, {"mpeg2video", "mpegvideo"},
    };
    const auto family = families.find(muxer);
    return family == families.end() ? muxer : family->second;
}

// The codec name ffprobe shows for what an encoder writes.
// Two encoder names of the catalogue have no encoder in the packaged library;
// the converter writes the same codec with the native or its own encoder.
std::string CodecNameOfEncoder(const std::string& encoder) {
    if (encoder == "libfaac") return "aac";
    if (encoder == "libopencore_amrnb") return "amr_nb";
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    return codec ? avcodec_get_name(codec->id) : encoder;
}

std::string DefaultCodecName(const std::string& muxer, bool video) {
    const AVOutputFormat* format = av_guess_format(muxer.c_str(), nullptr, nullptr);
    if (!format) return "";
    const AVCodecID id = video ? format->video_codec : format->audio_codec;
    return id == AV_CODEC_ID_NONE ? "" : avcodec_get_name(id);
}

std::string ExpectedVideoCodec(const OutputSettings& s, const std::string& muxer) {
    if (!s.VideoCodec.empty()) return CodecNameOfEncoder(s.VideoCodec);
    if (s.TargetType == "vcd") return "mpeg1video";
    if (s.TargetType == "svcd" || s.TargetType == "dvd") return "mpeg2video";
    return DefaultCodecName(muxer, true);
}

std::string ExpectedAudioCodec(const OutputSettings& s, const std::string& muxer) {
    if (!s.AudioCodec.empty() && s.AudioCodec != "AUTO") return CodecNameOfEncoder(s.AudioCodec);
    if (s.TargetType == "vcd" || s.TargetType == "svcd") return "mp2";
    if (s.TargetType == "dvd") return "ac3";
    return DefaultCodecName(muxer, false);
}

std::optional<int> Number(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || text.empty()) return std::nullopt;
    (void)end;
    return value;
}

// "320*240 (QVGA)" or "320x240": width and height.
std::optional<std::pair<int, int>> FrameSizeOf(const std::string& text) {
    const auto star = text.find_first_of("*x");
    if (star == std::string::npos) return std::nullopt;
    const auto width = Number(text.substr(0, star));
    const auto height = Number(text.substr(star + 1));
    if (!width || !height) return std::nullopt;
    return std::pair{*width, *height};
}

std::string Field(const std::map<std::string, std::string>& fields, const char* key) {
    const auto found = fields.find(key);
    return found == fields.end() ? "" : found->second;
}

// "30000/1001" or "29.97"; 0 for text that is no number.
double Rational(const std::string& text) {
    const auto slash = text.find('/');
    const double num = std::strtod(text.substr(0, slash).c_str(), nullptr);
    if (slash == std::string::npos) return num;
    const double den = std::strtod(text.substr(slash + 1).c_str(), nullptr);
    return den == 0 ? 0 : num / den;
}

// The source clip: 320x240 at 25 frames a second, stereo at 44.1 kHz.
constexpr int kSourceWidth = 320;
constexpr int kSourceHeight = 240;
constexpr double kSourceRate = 25.0;
constexpr int kSourceSampleRate = 44100;

// Disc targets of a 25 fps source take the PAL sizes and the disc's audio rate.
struct DiscTarget {
    const char* type;
    int width;
    int height;
    int sampleRate;
};
constexpr DiscTarget kDiscTargets[] = {{"vcd", 352, 288, 44100}, {"svcd", 480, 576, 44100}, {"dvd", 720, 576, 48000}};

const DiscTarget* DiscOf(const OutputSettings& s) {
    for (const DiscTarget& disc : kDiscTargets)
        if (s.TargetType == disc.type) return &disc;
    return nullptr;
}

std::pair<int, int> ExpectedFrameSize(const OutputSettings& s) {
    if (const auto size = FrameSizeOf(s.FrameSize)) return *size;
    if (const DiscTarget* disc = DiscOf(s)) return {disc->width, disc->height};
    return {kSourceWidth, kSourceHeight};
}

double ExpectedFrameRate(const OutputSettings& s) {
    const double selected = Rational(s.FrameRate);
    return selected > 0 ? selected : kSourceRate;
}

int ExpectedSampleRate(const OutputSettings& s) {
    const double selected = Rational(s.AudioSampleRate);
    if (selected > 0) return static_cast<int>(selected);
    if (const DiscTarget* disc = DiscOf(s)) return disc->sampleRate;
    return kSourceSampleRate;
}

// The container's duration, or for a container that keeps none (SWF) the
// video packets counted at the stream's frame rate.
double DurationOf(const std::string& path, const std::map<std::string, std::string>& format) {
    const double stated = Rational(Field(format, "duration"));
    if (stated > 0) return stated;
    std::string packets;
    qtest::RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets "
                      "-of csv=p=0 " + qtest::ShellQuote(path) + " 2>/dev/null",
                      &packets);
    const double rate = Rational(Field(qtest::ProbeStream(path, "v:0"), "r_frame_rate"));
    return rate > 0 ? std::strtod(packets.c_str(), nullptr) / rate : 0;
}

// The run's log lines that tell of errors or name this output.
std::string LogText(const std::string& outputFile) {
    std::string log;
    for (const std::string& line : batch->logLines)
        if (line.find(outputFile) != std::string::npos || line.find("rror") != std::string::npos ||
            line.find("***") != std::string::npos)
            log += line + "\n";
    return log;
}

std::string Describe(const OutputSettings& s) {
    return "ext=" + s.OutputExt + " format=" + s.OutputFormat + " target=" + s.TargetType + " vcodec=" + s.VideoCodec +
           " acodec=" + s.AudioCodec + " size=" + s.FrameSize + " rate=" + s.FrameRate + " ar=" + s.AudioSampleRate +
           " ac=" + s.AudioChannels + " audioOnly=" + (s.AudioOnly ? "1" : "0");
}

class AllFormatsConvertTest : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        batch = std::make_unique<AllFormatsBatch>();
        batch->AddAndConvertAll();
    }
    static void TearDownTestSuite() { batch.reset(); }
};

TEST_P(AllFormatsConvertTest, DefaultSelectionsGiveTheChosenStreams) {
    const int number = GetParam();
    ASSERT_TRUE(batch->runEnded) << "the run did not end";
    const AddedFormat& added = batch->formats.at(number);
    const OutputSettings& s = added.settings;
    SCOPED_TRACE("format " + std::to_string(number) + ": " + Describe(s));
    if (!added.added) FAIL() << "not added; log:\n" << LogText(s.OutputFile);
    EXPECT_EQ(batch->RowStatus(added.row), kStatusFinished) << "log:\n" << LogText(added.outputFile);
    const std::string& path = added.outputFile;
    ASSERT_TRUE(fs::exists(path)) << path;

    const std::string muxer = MuxerOf(s, path);
    ASSERT_FALSE(muxer.empty()) << path;
    const auto format = qtest::ProbeFormat(path);
    EXPECT_NE(Field(format, "format_name").find(ProbedFormatName(muxer)), std::string::npos)
        << path << " muxer " << muxer << " probed as " << Field(format, "format_name");
    EXPECT_NEAR(DurationOf(path, format), kClipSeconds, 0.35) << path;

    if (s.AudioOnly) {
        EXPECT_EQ(qtest::CountStreams(path, 'v'), 0) << path;
    } else {
        EXPECT_EQ(qtest::CountStreams(path, 'v'), 1) << path;
        const auto video = qtest::ProbeStream(path, "v:0");
        EXPECT_EQ(Field(video, "codec_name"), ExpectedVideoCodec(s, muxer)) << path;
        if (!added.videoTag.empty()) {
            EXPECT_EQ(Field(video, "codec_tag_string"), added.videoTag) << path;
        }
        const auto [width, height] = ExpectedFrameSize(s);
        EXPECT_EQ(Field(video, "width"), std::to_string(width)) << path;
        EXPECT_EQ(Field(video, "height"), std::to_string(height)) << path;
        const std::string rate = Field(video, "r_frame_rate");
        EXPECT_NEAR(Rational(rate), ExpectedFrameRate(s), 0.01) << path << " r_frame_rate " << rate;
    }

    EXPECT_EQ(qtest::CountStreams(path, 'a'), 1) << path;
    const auto audio = qtest::ProbeStream(path, "a:0");
    EXPECT_EQ(Field(audio, "codec_name"), ExpectedAudioCodec(s, muxer)) << path;
    EXPECT_EQ(Field(audio, "sample_rate"), std::to_string(ExpectedSampleRate(s))) << path;
    EXPECT_EQ(Field(audio, "channels"), s.AudioChannels.empty() ? "2" : s.AudioChannels) << path;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, AllFormatsConvertTest, testing::ValuesIn(CatalogueNumbers()),
                         [](const testing::TestParamInfo<int>& info) { return "Format" + std::to_string(info.param); });

}  // namespace
