// Today's formats (numbers from 300) converted by quorvex-cli from a 3 s
// Matroska source with subtitles, chapters and tags; every output is read
// back with ffprobe (the animated WebP, which this libavformat cannot
// decode, by its RIFF chunks).
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace qtest;

constexpr double kSourceSeconds = 3.0;

std::string Program()
{
    const char* dir = std::getenv("QUORVEX_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/quorvex-cli";
}

std::string Field(const std::map<std::string, std::string>& fields, const std::string& key)
{
    const auto found = fields.find(key);
    return found == fields.end() ? "" : found->second;
}

double Rational(const std::string& text)
{
    const auto slash = text.find('/');
    const double num = std::strtod(text.substr(0, slash).c_str(), nullptr);
    if (slash == std::string::npos)
        return num;
    const double den = std::strtod(text.substr(slash + 1).c_str(), nullptr);
    return den == 0 ? 0 : num / den;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The sum of the sizes of the first video stream's packets.
long long VideoBytes(const std::string& path)
{
    std::string sizes;
    RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 " + ShellQuote(path) +
                   " 2>/dev/null",
               &sizes);
    long long total = 0;
    const char* p = sizes.c_str();
    while (*p) {
        char* end = nullptr;
        total += std::strtoll(p, &end, 10);
        if (end == p)
            ++p;
        else
            p = end;
    }
    return total;
}

// One ffprobe value of the output: "-show_entries <entries>" as plain text.
std::string ProbeValues(const std::string& path, const std::string& args)
{
    std::string text;
    RunCommand("ffprobe -v error " + args + " -of default=nw=1 " + ShellQuote(path) + " 2>/dev/null", &text);
    return text;
}

// A shared source and one conversion per (format, --set list); outputs are
// made once and reused by the tests that read them.
class ModernFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<ScratchDir>();
        const std::string srt = dir_->file("text.srt");
        std::ofstream(srt) << "1\n00:00:00,500 --> 00:00:01,400\n你好\n\n2\n00:00:01,800 --> 00:00:02,600\nWorld\n";
        const std::string meta = dir_->file("meta.txt");
        std::ofstream(meta) << ";FFMETADATA1\ntitle=Test Clip\nartist=Someone\ndate=2024\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=One\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=Two\n";
        source_ = dir_->file("source.mkv");
        sourceMade_ =
            MakeMedia(source_, "-f lavfi -i testsrc=s=320x180:r=25:d=3 -f lavfi -i sine=f=440:r=44100:d=3 -i " +
                                   ShellQuote(srt) + " -i " + ShellQuote(meta) +
                                   " -map 0 -map 1 -map 2 -map_metadata 3 -map_chapters 3 -ac 2 -c:v libx264"
                                   " -preset ultrafast -pix_fmt yuv420p -c:a aac -c:s srt");
    }
    static void TearDownTestSuite()
    {
        outputs_.clear();
        dir_.reset();
    }

    // The output of format `number` with the --set arguments `sets`; empty
    // (and a failure) when the conversion failed.
    static std::string Convert(int number, const std::vector<std::string>& sets = {})
    {
        std::string key = std::to_string(number);
        for (const std::string& set : sets)
            key += "|" + set;
        if (const auto found = outputs_.find(key); found != outputs_.end())
            return found->second;
        const std::string out = dir_->file("out" + std::to_string(outputs_.size()));
        std::string args = "convert -f " + std::to_string(number) + " -o " + ShellQuote(out);
        for (const std::string& set : sets)
            args += " --set " + ShellQuote(set);
        std::string log;
        const int status =
            RunCommand(ShellQuote(Program()) + " " + args + " " + ShellQuote(source_) + " 2>&1 </dev/null", &log);
        std::string file;
        std::string listing;
        RunCommand("ls " + ShellQuote(out) + " 2>/dev/null", &listing);
        if (status == 0 && !listing.empty())
            file = out + "/" + listing.substr(0, listing.find('\n'));
        EXPECT_FALSE(file.empty()) << "format " << key << " exit " << status << "\n" << log;
        outputs_[key] = file;
        return file;
    }

    static inline std::unique_ptr<ScratchDir> dir_;
    static inline std::string source_;
    static inline bool sourceMade_ = false;
    static inline std::map<std::string, std::string> outputs_;
};

// The RIFF chunks of an animated WebP: canvas size, animation flag, frames.
struct WebpAnimation {
    bool animated = false;
    int width = 0;
    int height = 0;
    int frames = 0;
};

std::optional<WebpAnimation> ReadWebp(const std::string& path)
{
    const std::string data = FileText(path);
    if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WEBP") != 0)
        return std::nullopt;
    const auto le = [&data](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
        return value;
    };
    WebpAnimation result;
    for (size_t at = 12; at + 8 <= data.size();) {
        const std::string type = data.substr(at, 4);
        const uint32_t size = le(at + 4, 4);
        if (type == "VP8X" && size >= 10 && at + 18 <= data.size()) {
            result.animated = (static_cast<unsigned char>(data[at + 8]) & 0x02) != 0;
            result.width = static_cast<int>(le(at + 12, 3)) + 1;
            result.height = static_cast<int>(le(at + 15, 3)) + 1;
        } else if (type == "ANMF") {
            ++result.frames;
        }
        at += 8 + size + (size & 1);
    }
    return result;
}

TEST_F(ModernFormats, EveryEntryAtItsDefaultsGivesItsStreams)
{
    ASSERT_TRUE(sourceMade_);
    struct Case {
        int number;
        std::vector<std::string> sets;  // --set overrides (only the size, to keep the test small)
        const char* extension;
        const char* videoCodec;  // "" for audio-only outputs
        const char* videoTag;  // "" when any tag will do
        const char* pixelFormat;
        int width, height;
        double rate;
        const char* audioCodec;  // "" for outputs without sound
        int sampleRate;
        const char* bitsPerSample;  // "" when not checked
        const char* subtitleCodec;  // the source's text subtitles, converted; "" for none
    };
    const Case cases[] = {
        {300,
         {"frame-size=640*自动 (360p)"},
         ".mp4",
         "h264",
         "avc1",
         "yuv420p",
         640,
         360,
         25,
         "aac",
         48000,
         "",
         "mov_text"},
        {301, {}, ".mp4", "hevc", "hvc1", "yuv420p", 320, 180, 25, "aac", 48000, "", "mov_text"},
        {302, {}, ".mkv", "hevc", "", "yuv420p", 320, 180, 25, "aac", 48000, "", "ass"},
        {303, {}, ".webm", "vp9", "", "yuv420p", 320, 180, 25, "opus", 48000, "", "webvtt"},
        {304, {}, ".webm", "av1", "", "yuv420p", 320, 180, 25, "opus", 48000, "", "webvtt"},
        {305, {}, ".mp4", "av1", "av01", "yuv420p", 320, 180, 25, "aac", 48000, "", "mov_text"},
        {306, {}, ".mov", "prores", "apcn", "yuv422p10le", 320, 180, 25, "pcm_s16le", 48000, "", "mov_text"},
        {307, {}, ".mov", "dnxhd", "AVdh", "yuv422p", 320, 180, 25, "pcm_s16le", 48000, "", "mov_text"},
        {308, {}, ".gif", "gif", "", "", 480, 270, 10, "", 0, "", ""},
        {310, {}, ".opus", "", "", "", 0, 0, 0, "opus", 48000, "", ""},
        {311, {}, ".m4a", "", "", "", 0, 0, 0, "alac", 48000, "", ""},
        {312, {}, ".flac", "", "", "", 0, 0, 0, "flac", 48000, "16", ""},
        {313, {}, ".mp3", "", "", "", 0, 0, 0, "mp3", 44100, "", ""},
        {314, {}, ".wav", "", "", "", 0, 0, 0, "pcm_s24le", 48000, "24", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.number));
        const std::string path = Convert(c.number, c.sets);
        if (path.empty())
            continue;
        EXPECT_EQ(path.substr(path.rfind('.')), c.extension);
        EXPECT_NEAR(Rational(Field(ProbeFormat(path), "duration")), kSourceSeconds, 0.2) << path;
        if (*c.videoCodec) {
            ASSERT_EQ(CountStreams(path, 'v'), 1) << path;
            const auto video = ProbeStream(path, "v:0");
            EXPECT_EQ(Field(video, "codec_name"), c.videoCodec);
            if (*c.videoTag) {
                EXPECT_EQ(Field(video, "codec_tag_string"), c.videoTag);
            }
            if (*c.pixelFormat) {
                EXPECT_EQ(Field(video, "pix_fmt"), c.pixelFormat);
            }
            EXPECT_EQ(Field(video, "width"), std::to_string(c.width));
            EXPECT_EQ(Field(video, "height"), std::to_string(c.height));
            EXPECT_NEAR(Rational(Field(video, "r_frame_rate")), c.rate, 0.01);
        } else {
            EXPECT_EQ(CountStreams(path, 'v'), 0) << path;
        }
        if (*c.audioCodec) {
            ASSERT_EQ(CountStreams(path, 'a'), 1) << path;
            const auto audio = ProbeStream(path, "a:0");
            EXPECT_EQ(Field(audio, "codec_name"), c.audioCodec);
            EXPECT_EQ(Field(audio, "sample_rate"), std::to_string(c.sampleRate));
            EXPECT_EQ(Field(audio, "channels"), "2");
            if (*c.bitsPerSample) {
                EXPECT_EQ(Field(audio, "bits_per_raw_sample"), c.bitsPerSample);
            }
        } else {
            EXPECT_EQ(CountStreams(path, 'a'), 0) << path;
        }
        if (*c.subtitleCodec) {
            ASSERT_EQ(CountStreams(path, 's'), 1) << path;
            EXPECT_EQ(Field(ProbeStream(path, "s:0"), "codec_name"), c.subtitleCodec);
        }
    }
}

TEST_F(ModernFormats, ChoicesBesideTheDefaultsReachTheFile)
{
    ASSERT_TRUE(sourceMade_);
    struct Case {
        int number;
        std::vector<std::string> sets;
        const char* stream;
        std::map<std::string, std::string> expected;
    };
    const Case cases[] = {
        {301,
         {"video-encoder=H.265/HEVC 视频编码器(10位)"},
         "v:0",
         {{"pix_fmt", "yuv420p10le"}, {"profile", "Main 10"}, {"codec_tag_string", "hvc1"}}},
        {302,
         {"video-encoder=H.265/HEVC 视频编码器(10位)", "audio-encoder=Opus音频编码器"},
         "v:0",
         {{"pix_fmt", "yuv420p10le"}, {"codec_name", "hevc"}}},
        {302, {"audio-encoder=FLAC无损音频编码器(16位)"}, "a:0", {{"codec_name", "flac"}}},
        {305, {"audio-encoder=Opus音频编码器", "sample-rate=48000"}, "a:0", {{"codec_name", "opus"}}},
        {306,
         {"video-encoder=ProRes 422 HQ 视频编码器", "audio-encoder=PCM 24位音频编码器"},
         "v:0",
         {{"profile", "HQ"}, {"codec_tag_string", "apch"}}},
        {306, {"audio-encoder=PCM 24位音频编码器"}, "a:0", {{"codec_name", "pcm_s24le"}}},
        {304, {"frame-size=640*自动 (360p)"}, "v:0", {{"width", "640"}, {"height", "360"}}},
        {308,
         {"frame-size=240*自动", "frame-rate=20"},
         "v:0",
         {{"width", "240"}, {"height", "135"}, {"r_frame_rate", "20/1"}}},
        {312, {"audio-encoder=FLAC无损音频编码器(24位)"}, "a:0", {{"bits_per_raw_sample", "24"}}},
        {313, {"audio-bitrate=320"}, "a:0", {{"bit_rate", "320000"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.number) + " " + c.sets[0]);
        const std::string path = Convert(c.number, c.sets);
        if (path.empty())
            continue;
        const auto stream = ProbeStream(path, c.stream);
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(Field(stream, key), value) << key;
    }
}

// A quality entry reaches the encoder: x264 and x265 write their rate
// control into the stream, and every encoder spends more bytes at a lower
// CRF than at its default.
TEST_F(ModernFormats, QualityEntriesSetTheEncodersCrf)
{
    ASSERT_TRUE(sourceMade_);
    struct Case {
        int number;
        std::vector<std::string> defaultSets;
        const char* quality;  // the quality entry chosen
        const char* writtenDefault;  // the encoder's own record of the default ("" when it writes none)
        const char* written;  // and of the chosen entry
    };
    const Case cases[] = {
        {300, {"frame-size=640*自动 (360p)"}, "恒定质量 CRF 18 (高质量)", "crf=20.0", "crf=18.0"},
        {301, {}, "恒定质量 CRF 18 (高质量)", "crf=24.0", "crf=18.0"},
        {302, {}, "恒定质量 CRF 18 (高质量)", "crf=24.0", "crf=18.0"},
        {303, {}, "恒定质量 CRF 24 (高质量)", "", ""},
        {304, {}, "恒定质量 CRF 24 (高质量)", "", ""},
        {305, {}, "恒定质量 CRF 24 (高质量)", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.number));
        const std::string atDefault = Convert(c.number, c.defaultSets);
        std::vector<std::string> sets = c.defaultSets;
        sets.push_back(std::string("video-bitrate=") + c.quality);
        const std::string chosen = Convert(c.number, sets);
        if (atDefault.empty() || chosen.empty())
            continue;
        if (*c.written) {
            EXPECT_NE(FileText(atDefault).find(c.writtenDefault), std::string::npos) << atDefault;
            EXPECT_NE(FileText(chosen).find(c.written), std::string::npos) << chosen;
        }
        const long long defaultBytes = VideoBytes(atDefault);
        const long long chosenBytes = VideoBytes(chosen);
        EXPECT_GT(defaultBytes, 0);
        EXPECT_GT(chosenBytes, defaultBytes * 11 / 10) << "default " << defaultBytes << ", chosen " << chosenBytes;
    }
}

TEST_F(ModernFormats, Mp3VbrEntriesWriteVariableBitRate)
{
    ASSERT_TRUE(sourceMade_);
    const std::string v2 = Convert(313);
    const std::string v0 = Convert(313, {"audio-bitrate=VBR V0 (约245 kbps, 最高质量)"});
    const std::string cbr = Convert(313, {"audio-bitrate=128"});
    ASSERT_FALSE(v2.empty() || v0.empty() || cbr.empty());
    // LAME marks a variable-rate stream "Xing", a constant one "Info"
    EXPECT_NE(FileText(v2).find("Xing"), std::string::npos);
    EXPECT_NE(FileText(v0).find("Xing"), std::string::npos);
    EXPECT_EQ(FileText(cbr).find("Xing"), std::string::npos);
    EXPECT_GT(FileBytes(v0), FileBytes(v2));
}

TEST_F(ModernFormats, GifIsAnimatedWithColoursOfTheClip)
{
    ASSERT_TRUE(sourceMade_);
    const std::string gif = Convert(308);
    ASSERT_FALSE(gif.empty());
    const std::string counted =
        ProbeValues(gif, "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames");
    const int frames = std::atoi(counted.substr(counted.find('=') + 1).c_str());
    EXPECT_NEAR(frames, 30, 2) << counted;  // 3 s at 10 frames a second

    // the first picture against the source's, both at the GIF's size
    std::string log;
    RunCommand("ffmpeg -hide_banner -nostats -i " + ShellQuote(gif) + " -i " + ShellQuote(source_) +
                   " -filter_complex \"[0:v]format=rgb24[a];[1:v]scale=480:270,format=rgb24[b];[a][b]psnr\""
                   " -frames:v 1 -f null - 2>&1",
               &log);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(log, match, std::regex(R"(PSNR .*average:([0-9.]+|inf))"))) << log;
    const double psnr = match[1] == "inf" ? 99.0 : std::stod(match[1]);
    EXPECT_GE(psnr, 25.0) << log;
}

TEST_F(ModernFormats, WebpIsAnAnimationOfTheChosenSize)
{
    ASSERT_TRUE(sourceMade_);
    const std::string webp = Convert(309);
    ASSERT_FALSE(webp.empty());
    const auto animation = ReadWebp(webp);
    ASSERT_TRUE(animation) << webp;
    EXPECT_TRUE(animation->animated);
    EXPECT_EQ(animation->width, 480);
    EXPECT_EQ(animation->height, 270);
    EXPECT_NEAR(animation->frames, 45, 2);  // 3 s at 15 frames a second
}

// A 10-bit 4:4:4 source of odd size: the 4:2:0 encoders get an even picture
// in the format they were asked for (10-bit stays 10-bit when chosen).
TEST_F(ModernFormats, OddSizedDeepColourSourcesGiveEvenPictures)
{
    ScratchDir odd;
    const std::string source = odd.file("odd.mkv");
    ASSERT_TRUE(MakeMedia(source, "-f lavfi -i testsrc=s=321x181:r=25:d=1 -f lavfi -i sine=d=1 -c:v ffv1 "
                                  "-pix_fmt yuv444p10le -c:a flac"));
    struct Case {
        int number;
        std::vector<std::string> sets;
        const char* pixelFormat;
    };
    const Case cases[] = {
        {300, {"frame-size=保持原分辨率"}, "yuv420p"},
        {301, {}, "yuv420p"},
        {301, {"video-encoder=H.265/HEVC 视频编码器(10位)"}, "yuv420p10le"},
        {304, {}, "yuv420p"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.number) + (c.sets.empty() ? "" : " " + c.sets[0]));
        const std::string out = odd.file("out" + std::to_string(&c - cases));
        std::string args = "convert -f " + std::to_string(c.number) + " -o " + ShellQuote(out);
        for (const std::string& set : c.sets)
            args += " --set " + ShellQuote(set);
        std::string log;
        ASSERT_EQ(RunCommand(ShellQuote(Program()) + " " + args + " " + ShellQuote(source) + " 2>&1 </dev/null", &log),
                  0)
            << log;
        std::string listing;
        RunCommand("ls " + ShellQuote(out), &listing);
        const auto video = ProbeStream(out + "/" + listing.substr(0, listing.find('\n')), "v:0");
        // the nearest even size: one column and row less, or (where the
        // encoder's multiple is applied to the source's size) one more
        const int width = std::atoi(Field(video, "width").c_str());
        const int height = std::atoi(Field(video, "height").c_str());
        EXPECT_TRUE(width == 320 || width == 322) << width;
        EXPECT_TRUE(height == 180 || height == 182) << height;
        EXPECT_EQ(Field(video, "pix_fmt"), c.pixelFormat);
    }
}

TEST_F(ModernFormats, TagsAndChaptersOfTheSourceArriveInMp4AndMkv)
{
    ASSERT_TRUE(sourceMade_);
    for (int number : {301, 302}) {
        SCOPED_TRACE("format " + std::to_string(number));
        const std::string path = Convert(number);
        if (path.empty())
            continue;
        const std::string chapters = ProbeValues(path, "-show_chapters");
        EXPECT_NE(chapters.find("TAG:title=One"), std::string::npos) << chapters;
        EXPECT_NE(chapters.find("TAG:title=Two"), std::string::npos) << chapters;
        EXPECT_NE(chapters.find("start_time=1.500000"), std::string::npos) << chapters;
        // Matroska writes its tag names in capitals
        std::string tags = ProbeValues(path, "-show_entries format_tags");
        std::transform(tags.begin(), tags.end(), tags.begin(), [](unsigned char ch) { return std::tolower(ch); });
        for (const char* tag : {"tag:title=test clip", "tag:artist=someone", "tag:date=2024"})
            EXPECT_NE(tags.find(tag), std::string::npos) << tags;
    }
}

}  // namespace
