// The pictures quorvex-cli writes for catalogue formats, from the awkward
// sources phones and cameras give: rotated clips, 10-bit and 4:4:4 video,
// sizes an encoder refuses, NTSC rates and gaps in the source. Outputs are
// read back with ffprobe and compared with the ffmpeg tool's own conversion.
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>

namespace {

using namespace qtest;

std::string Program()
{
    const char* dir = std::getenv("QUORVEX_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/quorvex-cli";
}

class CliPictures : public ::testing::Test {
protected:
    ScratchDir dir;

    // Converts `source` with catalogue format `format` (and `--set` choices in
    // `sets`) into its own folder; returns the output file, empty on failure.
    std::string Convert(const std::string& source, int format, const std::string& sets = "")
    {
        const std::string out = dir.file("out" + std::to_string(++conversions_));
        std::string output;
        const int status = RunCommand(ShellQuote(Program()) + " convert -f " + std::to_string(format) + " -o " +
                                          ShellQuote(out) + " " + sets + " " + ShellQuote(source) + " 2>&1 </dev/null",
                                      &output);
        EXPECT_EQ(status, 0) << output;
        // "<source> -> <output>"
        const std::string arrow = source + " -> ";
        const size_t at = output.find(arrow);
        if (status != 0 || at == std::string::npos) {
            ADD_FAILURE() << "no output named: " << output;
            return {};
        }
        const size_t from = at + arrow.size();
        return output.substr(from, output.find('\n', from) - from);
    }

private:
    int conversions_ = 0;
};

int Number(const std::map<std::string, std::string>& fields, const char* key)
{
    const auto found = fields.find(key);
    return found == fields.end() ? -1 : std::atoi(found->second.c_str());
}

// Frames ffprobe decodes in the first video stream.
int DecodedFrames(const std::string& path)
{
    std::string out;
    RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 " +
                   ShellQuote(path) + " 2>/dev/null",
               &out);
    return std::atoi(out.c_str());
}

// The ffmpeg tool's SSIM of the two files' video, both scaled to width x height.
double Similarity(const std::string& a, const std::string& b, int width, int height)
{
    const std::string scale =
        "scale=" + std::to_string(width) + ":" + std::to_string(height) + ",setsar=1,format=yuv420p";
    std::string out;
    RunCommand("ffmpeg -v info -nostats -i " + ShellQuote(a) + " -i " + ShellQuote(b) + " -lavfi " +
                   ShellQuote("[0:v]" + scale + "[a];[1:v]" + scale + "[b];[a][b]ssim=shortest=1") + " -f null - 2>&1",
               &out);
    std::smatch found;
    if (!std::regex_search(out, found, std::regex(R"(SSIM .* All:([0-9.]+))")))
        return -1;
    return std::stod(found[1]);
}

// Display rotation that ffprobe reads from the stream's side data ("" when none).
std::string ProbedRotation(const std::string& path)
{
    std::string out;
    RunCommand("ffprobe -v error -select_streams v:0 -show_entries stream_side_data=rotation -of csv=p=0 " +
                   ShellQuote(path) + " 2>/dev/null",
               &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == ','))
        out.pop_back();
    return out;
}

TEST_F(CliPictures, RotatedPhoneClipsComeOutUpright)
{
    // a still, lopsided picture (bars from black on the left to white on the
    // right), so that a picture the wrong way round cannot look alike
    const std::string plain = dir.file("plain.mp4");
    ASSERT_TRUE(MakeMedia(plain, "-f lavfi -i testsrc=s=640x360:r=1:d=1 -f lavfi -i sine=f=440:r=48000:d=1.5 "
                                 "-vf fps=25 -t 1.5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"));
    struct Case {
        int format;
        int rotate;  // the phone's "rotate" tag
        std::string sets;
        int width, height;  // of the output
    };
    const Case cases[] = {
        {1, 90, "", 320, 240},
        // the source's own size is the upright picture's
        {1, 90, "--set frame-size=保持原分辨率", 360, 640},
        {1, 270, "--set frame-size=保持原分辨率", 360, 640},
        {1, 180, "--set frame-size=保持原分辨率", 640, 360},
        {126, 90, "", 320, 240},
        {19, 90, "", 720, 576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + ", rotate " + std::to_string(c.rotate) + " " + c.sets);
        const std::string source = dir.file("phone" + std::to_string(c.rotate) + ".mp4");
        ASSERT_TRUE(MakeMedia(source, "-i " + ShellQuote(plain) +
                                          " -c copy -metadata:s:v:0 rotate=" + std::to_string(c.rotate)));
        ASSERT_FALSE(ProbedRotation(source).empty()) << "the clip has no display matrix";

        const std::string result = Convert(source, c.format, c.sets);
        ASSERT_FALSE(result.empty());
        const auto video = ProbeStream(result, "v:0");
        EXPECT_EQ(Number(video, "width"), c.width);
        EXPECT_EQ(Number(video, "height"), c.height);
        EXPECT_EQ(ProbedRotation(result), "") << "the picture itself is turned, not flagged";

        // the ffmpeg tool turns the picture by itself before it scales
        const std::string reference = dir.file("reference.mkv");
        ASSERT_TRUE(MakeMedia(reference, "-i " + ShellQuote(source) + " -an -s " + std::to_string(c.width) + "x" +
                                             std::to_string(c.height) + " -c:v ffv1"));
        EXPECT_GE(Similarity(result, reference, c.width, c.height), 0.9);
    }
}

TEST_F(CliPictures, CopiedVideoKeepsItsRotation)
{
    const std::string plain = dir.file("plain.mp4");
    ASSERT_TRUE(MakeMedia(plain, "-f lavfi -i testsrc=s=320x240:r=25:d=1 -c:v libx264 -preset ultrafast"));
    const std::string phone = dir.file("phone.mp4");
    ASSERT_TRUE(MakeMedia(phone, "-i " + ShellQuote(plain) + " -c copy -metadata:s:v:0 rotate=90"));
    const std::string copied = dir.file("copied.mp4");
    std::string output;
    ASSERT_EQ(RunCommand(ShellQuote(Program()) + " transcode --output " + ShellQuote("vcodec=copy") + " " +
                             ShellQuote(phone) + " " + ShellQuote(copied) + " 2>&1 </dev/null",
                         &output),
              0)
        << output;
    EXPECT_EQ(ProbedRotation(copied), ProbedRotation(phone));
    EXPECT_EQ(Number(ProbeStream(copied, "v:0"), "width"), 320);
}

TEST_F(CliPictures, DeviceTargetsGetEightBitFourTwoZeroFromAnySource)
{
    struct Case {
        const char* name;
        std::string encode;  // how the source is written
        int format;
        const char* pixelFormat;
        int frames;  // one second at the format's rate
    };
    const Case cases[] = {
        {"10-bit", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p10le", 126, "yuv420p", 30},
        {"4:4:4", "-c:v libx264 -preset ultrafast -pix_fmt yuv444p", 126, "yuv420p", 30},
        {"10-bit 4:2:2 to Motion JPEG", "-c:v prores_ks -pix_fmt yuv422p10le", 24, "yuvj420p", 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir.file(std::string("source") + std::to_string(c.format) + ".mov");
        ASSERT_TRUE(MakeMedia(source, "-f lavfi -i testsrc=s=320x240:r=25:d=1 -f lavfi -i sine=r=44100:d=1 " +
                                          c.encode + " -c:a aac"));
        const std::string result = Convert(source, c.format);
        ASSERT_FALSE(result.empty());
        const auto video = ProbeStream(result, "v:0");
        EXPECT_EQ(video.at("pix_fmt"), c.pixelFormat);
        if (video.at("codec_name") == "h264") {
            const std::string profile = video.at("profile");
            EXPECT_TRUE(profile == "High" || profile == "Main" || profile == "Baseline" ||
                        profile == "Constrained Baseline")
                << profile;
        }
        EXPECT_EQ(DecodedFrames(result), c.frames);
    }
}

TEST_F(CliPictures, RealMediaTakesSizesThatAreNoMultipleOfSixteen)
{
    struct Case {
        const char* size;
        std::string sets;
        int width, height;  // the multiples of 16 next below
    };
    const Case cases[] = {
        {"640x360", "", 640, 352},
        {"330x250", "", 320, 240},
        {"320x240", "", 320, 240},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.size) + " " + c.sets);
        const std::string source = dir.file(std::string("clip") + c.size + ".avi");
        ASSERT_TRUE(MakeMedia(source, std::string("-f lavfi -i testsrc=s=") + c.size +
                                          ":r=25:d=1 -f lavfi -i sine=r=44100:d=1 -c:v mpeg4 -c:a mp3"));
        const std::string result = Convert(source, 15, c.sets);
        ASSERT_FALSE(result.empty());
        const auto video = ProbeStream(result, "v:0");
        EXPECT_EQ(video.at("codec_name"), "rv10");
        EXPECT_EQ(Number(video, "width"), c.width);
        EXPECT_EQ(Number(video, "height"), c.height);
        EXPECT_GE(DecodedFrames(result), 24);
    }
}

TEST_F(CliPictures, NtscRatesAreThousandOneBased)
{
    const std::string source = MakeMp4Clip(dir.path(), 1.0);
    struct Case {
        int format;
        const char* rate;  // the caption chosen
        const char* written;
    };
    const Case cases[] = {
        {126, "29.97", "30000/1001"},
        {1, "29.97", "30000/1001"},
        {1, "23.97", "24000/1001"},
        {1, "25.00", "25/1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.format) + " " + c.rate);
        const std::string result = Convert(source, c.format, std::string("--set frame-rate=") + c.rate);
        ASSERT_FALSE(result.empty());
        EXPECT_EQ(ProbeStream(result, "v:0").at("r_frame_rate"), c.written);
    }
}

TEST_F(CliPictures, OutputsLastAsLongAsTheSource)
{
    struct Case {
        const char* name;
        std::string source;  // how the source is written
        std::string sets;
        const char* rate;  // the rate format 126 writes
        bool likeTheTool;  // the ffmpeg tool writes as many frames (else: the source's length at the rate)
    };
    const Case cases[] = {
        // frames 1 and 2 are missing: the first picture stands for three
        {"29.97 fps AVI with a gap after its first picture",
         "-f lavfi -i testsrc=s=320x240:r=30000/1001:d=2 -vf select='not(between(n\\,1\\,2))' -vsync passthrough "
         "-c:v mpeg4",
         "", "30000/1001", true},
        {"25 fps to 29.97", "-f lavfi -i testsrc=s=320x240:r=25:d=2 -c:v mpeg4", "", "30000/1001", true},
        {"12 fps to 25", "-f lavfi -i testsrc=s=320x240:r=12:d=2 -c:v mpeg4", "--set frame-rate=25", "25/1", true},
        // the tool runs up to two frames over the source's end here
        {"29.97 fps to 15", "-f lavfi -i testsrc=s=320x240:r=30000/1001:d=2 -c:v mpeg4", "--set frame-rate=15", "15/1",
         false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir.file("source" + std::to_string(++index) + ".avi");
        ASSERT_TRUE(MakeMedia(source, c.source + " -an"));
        const std::string result = Convert(source, 126, c.sets);
        ASSERT_FALSE(result.empty());
        const auto video = ProbeStream(result, "v:0");
        ASSERT_FALSE(video.empty());
        EXPECT_EQ(video.at("r_frame_rate"), c.rate);
        int expected = 0;
        if (c.likeTheTool) {
            const std::string reference = dir.file("reference" + std::to_string(index) + ".mp4");
            ASSERT_TRUE(MakeMedia(reference, "-i " + ShellQuote(source) + " -r " + c.rate +
                                                 " -s 320x240 -c:v libx264 -preset ultrafast"));
            expected = DecodedFrames(reference);
        } else {
            const std::string rate = c.rate;
            const double perSecond =
                std::stod(rate.substr(0, rate.find('/'))) / std::stod(rate.substr(rate.find('/') + 1));
            expected = static_cast<int>(std::lround(std::stod(ProbeFormat(source).at("duration")) * perSecond));
        }
        ASSERT_GT(expected, 0);
        EXPECT_EQ(DecodedFrames(result), expected);
    }
}

}  // namespace
