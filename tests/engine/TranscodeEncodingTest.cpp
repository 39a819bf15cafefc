// Encoder settings the run must carry to every picture (fixed quantiser,
// two passes), the run's log lines, subtitles and sources with reordered
// pictures.
#include "OptionTestLog.h"
#include "TranscodeRunSupport.h"

#include <fstream>
#include <sstream>

namespace {

using runtest::Options;
using runtest::RunClips;

runtest::RunResult Convert(const std::string& source, const std::string& output, const Options& options,
                           const RunHooks& hooks = {}, int verbosity = -1)
{
    auto task = runtest::PrepareTask(source, {}, output, options);
    task->SetVerbosity(verbosity);
    const runtest::RunResult result = runtest::RunTask(*task, hooks);
    EXPECT_FALSE(result.error) << result.message;
    return result;
}

TEST(Encoding, AFixedQuantiserHoldsForEveryPicture)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    std::vector<float> qualities;
    RunHooks hooks;
    hooks.onProgress = [&](const TProgressInfo& info) { qualities.push_back(info.Quality); };
    Convert(clips.Mp4(), out.file("fine.avi"), {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", ""}});
    Convert(clips.Mp4(), out.file("coarse.avi"), {{"vcodec", "mpeg4"}, {"qscale", "12"}, {"an", ""}}, hooks);
    ASSERT_FALSE(qualities.empty());
    EXPECT_NEAR(qualities.back(), 12.0f, 0.5f);
    // a quantiser lost on the way collapses both files to the finest one
    EXPECT_LT(qtest::FileBytes(out.file("coarse.avi")) * 3 / 2, qtest::FileBytes(out.file("fine.avi")));
}

struct ShapeCase {
    const char* name;
    Options options;
    int width, height;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class PictureShape : public ::testing::TestWithParam<ShapeCase> {};

// Cropping and resizing happen in the run itself, or in the filter graph when
// the user gave filters; either way every picture arrives in the encoder's size.
TEST_P(PictureShape, EveryPictureReachesTheEncoderInItsSize)
{
    const ShapeCase& c = GetParam();
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string output = out.file("shaped.avi");
    Options options = c.options;
    options.emplace_back("vcodec", "mpeg4");
    options.emplace_back("an", "");
    Convert(clips.Mp4(), output, options);
    const auto v = qtest::ProbeStream(output, "v:0");
    EXPECT_EQ(runtest::Number(v, "width"), c.width);
    EXPECT_EQ(runtest::Number(v, "height"), c.height);
    EXPECT_EQ(runtest::VideoFrames(output), runtest::VideoFrames(clips.Mp4()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureShape,
    ::testing::Values(ShapeCase{"Resize", {{"s", "160x128"}}, 160, 128},
                      ShapeCase{"Crop", {{"croptop", "40"}, {"cropbottom", "40"}, {"s", "320x160"}}, 320, 160},
                      ShapeCase{"CropAndResize", {{"cropleft", "80"}, {"cropright", "80"}, {"s", "320x240"}}, 320, 240},
                      ShapeCase{"Filters", {{"vf", "hflip"}}, 320, 240},
                      ShapeCase{"FiltersWithCropAndSize",
                                {{"vf", "negate"}, {"croptop", "40"}, {"cropbottom", "40"}, {"s", "160x80"}},
                                160,
                                80}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

// One second at 160x120, then one at 320x240, in one H.264 stream.
std::string SizeChangingClip()
{
    RunClips& clips = RunClips::Get();
    const std::string small = clips.Once("small.h264", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                                                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p");
    const std::string large = clips.Once("large.h264", "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 "
                                                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p");
    const std::string joined = clips.dir().file("joined.h264");
    if (qtest::FileBytes(joined) <= 0)
        qtest::RunCommand("cat " + qtest::ShellQuote(small) + " " + qtest::ShellQuote(large) + " > " +
                          qtest::ShellQuote(joined));
    return joined;
}

class SizeChange : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(SizeChange, PicturesOfANewSizeAreScaledToTheEncodersSize)
{
    const ShapeCase& c = GetParam();
    const std::string source = SizeChangingClip();
    ASSERT_EQ(runtest::VideoFrames(source), 50);
    qtest::ScratchDir out;
    const std::string output = out.file("resized.avi");
    Options options = c.options;
    options.emplace_back("vcodec", "mpeg4");
    OptionTestLog log;
    Convert(source, output, options);
    EXPECT_TRUE(log.Has(llVerbose, "Input Stream #0.0 frame size changed to 320x240, yuv420p"));
    const auto v = qtest::ProbeStream(output, "v:0");
    EXPECT_EQ(runtest::Number(v, "width"), c.width);
    EXPECT_EQ(runtest::Number(v, "height"), c.height);
    EXPECT_EQ(runtest::VideoFrames(output), 50);
}

INSTANTIATE_TEST_SUITE_P(Cases, SizeChange,
                         ::testing::Values(ShapeCase{"Scaler", {{"s", "160x120"}}, 160, 120},
                                           ShapeCase{"FilterGraph", {{"vf", "hflip"}, {"s", "160x120"}}, 160, 120}),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

TEST(Encoding, VideoStatisticsHaveALinePerEncodedFrame)
{
    qtest::ScratchDir out;
    const std::string stats = out.file("vstats.log");
    Convert(RunClips::Get().Mp4(), out.file("stats.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"vstats_file", stats}});
    std::ifstream in(stats);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        if (count == 1) {
            EXPECT_EQ(line.rfind("frame=     1 q= ", 0), 0u) << line;
            EXPECT_NE(line.find(" f_size= "), std::string::npos);
            EXPECT_NE(line.find(" avg_br= "), std::string::npos);
            EXPECT_NE(line.find("type= I"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(count, runtest::VideoFrames(out.file("stats.avi")));
}

TEST(Encoding, TwoPassesShareTheLogFileAndTheSecondMeetsTheBitRate)
{
    RunClips& clips = RunClips::Get();
    qtest::ScratchDir out;
    const std::string log = out.file("passlog");
    const Options common{{"vcodec", "mpeg4"}, {"b", "300k"}, {"an", ""}, {"passlogfile", log}};
    Options first = common;
    first.emplace_back("pass", "1");
    Convert(clips.Mp4(), out.file("pass1.avi"), first);
    std::ifstream stats(log + "-0.log");
    std::stringstream text;
    text << stats.rdbuf();
    // one statistics line per picture, as the encoder wrote them
    const std::string lines = text.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), runtest::VideoFrames(clips.Mp4()));

    Options second = common;
    second.emplace_back("pass", "2");
    Convert(clips.Mp4(), out.file("pass2.avi"), second);
    const auto v = qtest::ProbeStream(out.file("pass2.avi"), "v:0");
    EXPECT_EQ(v.at("codec_name"), "mpeg4");
    EXPECT_EQ(runtest::VideoFrames(out.file("pass2.avi")), runtest::VideoFrames(clips.Mp4()));
    const double bytesPerSecond = static_cast<double>(qtest::FileBytes(out.file("pass2.avi"))) / 2.0;
    EXPECT_NEAR(bytesPerSecond * 8, 300000, 300000 * 0.25);
}

TEST(Encoding, TheRunLogsItsMappingDuplicatesAndTotals)
{
    const std::string source =
        RunClips::Get().Once("hole.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 "
                                         "-vf \"select='not(between(n\\,3\\,4))'\" -vsync vfr -c:v mpeg4");
    qtest::ScratchDir out;
    OptionTestLog log;
    Convert(source, out.file("logged.avi"), {{"vcodec", "mpeg4"}}, {}, 3);
    EXPECT_TRUE(log.Has(llVerbose, "Stream mapping:"));
    EXPECT_TRUE(log.Has(llVerbose, "  Stream #0.0 -> #0.0 (Video)"));
    // the two missing pictures are filled with the one before them
    EXPECT_TRUE(log.Has(llVerbose, "*** 2 dup!"));
    // the last status line carries the "L" mark and the counters
    EXPECT_TRUE(log.Has(llVerbose, "frame=   50 "));
    EXPECT_TRUE(log.Has(llVerbose, "L"));
    EXPECT_TRUE(log.Has(llVerbose, " dup=2 drop=0"));
    EXPECT_TRUE(log.Has(llVerbose, "global headers:"));
    EXPECT_TRUE(log.Has(llVerbose, "muxing overhead"));
}

TEST(Encoding, SubtitlesAreDecodedAndEncodedWithTheirTimes)
{
    RunClips& clips = RunClips::Get();
    const std::string srt = clips.dir().file("two.srt");
    {
        std::ofstream f(srt);
        f << "1\n00:00:00,500 --> 00:00:01,000\nHello\n\n2\n00:00:01,200 --> 00:00:01,800\nWorld\n";
    }
    const std::string source = clips.Once("subs.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -i " +
                                                          qtest::ShellQuote(srt) + " -c:v mpeg4 -c:s srt");
    qtest::ScratchDir out;
    const std::string output = out.file("subs.mkv");
    Convert(source, output, {{"vcodec", "mpeg4"}, {"scodec", "ass"}});
    EXPECT_EQ(qtest::ProbeStream(output, "s:0").at("codec_name"), "ass");
    std::string events;
    qtest::RunCommand("ffprobe -v error -select_streams s:0 -show_entries packet=pts_time -of csv=p=0 " +
                          qtest::ShellQuote(output),
                      &events);
    EXPECT_EQ(events, "0.500000\n1.200000\n");
}

TEST(Encoding, ASourceWithReorderedPicturesKeepsEveryPictureInOrder)
{
    // H.264 with B-frames: decoding order differs from presentation order
    const std::string source = RunClips::Get().Once(
        "bframes.mp4", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -c:v libx264 -preset medium -bf 3");
    qtest::ScratchDir out;
    const std::string output = out.file("reordered.avi");
    Convert(source, output, {{"vcodec", "mpeg4"}});
    EXPECT_EQ(runtest::VideoFrames(output), 50);
    EXPECT_NEAR(runtest::VideoSeconds(output), 2.0, 0.04);
}

}  // namespace
