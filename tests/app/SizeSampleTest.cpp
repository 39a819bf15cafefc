// The sample-based size estimate against the real conversion of generated
// clips, the background sampler and its cancellation.
#include "app/OutputOptionsCopy.h"
#include "app/RunEstimates.h"
#include "app/SizeSample.h"
#include "app/SizeSampler.h"
#include "engine/CodecSelection.h"
#include "engine/TMediaConverter.h"
#include "formats/FormatSession.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"
#include "support/TestMedia.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

class SilentFormatsDialogs : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string&) override {}
    void OpenWithDefaultApplication(const std::string&) override {}
};

// What the list hands over for `source` with the option window's defaults of `format`.
struct RowOptions {
    TInputOptions input;
    TOutputOptions output;
};

RowOptions DefaultsOf(int format, const std::string& source, const std::string& outputFolder)
{
    FormatSession session;
    session.FormatNumber = format;
    session.EncoderPresent = EncoderPresent;
    session.OutputFolder = outputFolder;
    session.Settings.Reset();
    session.Settings.SourceFile = source;
    SilentFormatsDialogs dialogs;
    OptionWindowModel model(session, dialogs);
    model.ResetClipCheck(true);
    model.Shown();
    // today's formats scale up to 1080p by default: the clips keep their own small size
    const ComboState& sizes = model.List(OptionList::FrameSize);
    for (size_t i = 0; i < sizes.items.size(); ++i)
        if (sizes.enabled && sizes.items[i] == "保持原分辨率")
            model.UserSelected(OptionList::FrameSize, static_cast<int>(i));
    EXPECT_EQ(model.Confirm(), ConfirmOutcome::Closed);
    RowOptions row;
    row.input.FileName = source;
    row.output.FileName = session.Settings.OutputFile;
    CopyOutputSettings(session.Settings, row.output);
    row.output.StartTime = 0;
    return row;
}

// The real conversion through the engine; the written file's name, empty on failure.
std::string Convert(const RowOptions& row)
{
    TMediaConverter converter;
    std::string written;
    converter.SetOnTerminate([&](TCustomMediaConverter*, const TTerminateInfo& info) {
        if (info.TaskIndex == 0 && info.Finished && !info.Exception && !info.OutputFiles.empty())
            written = info.OutputFiles.front();
    });
    const int task = converter.AddTask(row.input.FileName, &row.input);
    if (task < 0 || !converter.SetOutputFile(task, row.output.FileName, &row.output))
        return {};
    converter.StartTask(0);
    return written;
}

class SizeSampleTest : public testing::Test {
protected:
    void SetUp() override
    {
        TMediaConverter loader;
        ASSERT_TRUE(loader.LoadAVLib("LibAV"));
        fs::create_directories(scratch());
        fs::create_directories(outputs());
    }
    // Noise-like detail that keeps moving (encoders spend what they are given),
    // or one flat colour (they spend far less than any bit rate).
    std::string Source(const std::string& kind, double seconds)
    {
        const std::string path = dir.file(kind + std::to_string(static_cast<int>(seconds)) + ".mp4");
        if (fs::exists(path))
            return path;
        const std::string picture = kind == "busy" ? "testsrc2=s=320x240:r=25" : "color=c=navy:s=320x240:r=25";
        const std::string d = std::to_string(seconds);
        qtest::MakeMedia(path, "-f lavfi -i " + picture + ":d=" + d + " -f lavfi -i sine=frequency=440:d=" + d +
                                   " -c:v libx264 -preset ultrafast -c:a aac -shortest");
        return path;
    }
    std::string scratch() const { return dir.file("scratch"); }
    std::string outputs() const { return dir.file("out"); }

    qtest::ScratchDir dir;
};

TEST_F(SizeSampleTest, TheSampleEstimateIsWithinATenthOfTheRealOutput)
{
    const struct {
        const char* kind;
        double seconds;
        int format;
        bool quality;  // a constant-quality target: no bit rate to go by
    } cases[] = {
        {"busy", 10, 1, false},   {"plain", 10, 1, false},  // AVI at 528 kbit/s
        {"busy", 10, 300, true},  {"plain", 10, 300, true},  // H.264 at constant quality
        {"busy", 10, 310, false},  // Opus, audio only
        {"busy", 3, 300, true},  // short: converted whole
    };
    for (const auto& c : cases) {
        const std::string source = Source(c.kind, c.seconds);
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.seconds) + " s, format " + std::to_string(c.format));
        const std::string folder = outputs() + "/" + std::to_string(c.format);
        fs::create_directories(folder);
        const RowOptions row = DefaultsOf(c.format, source, folder);
        SizeSample sample(row.input, row.output, scratch());
        const int64_t estimate = sample.Run();
        ASSERT_GT(estimate, 0);
        EXPECT_GT(sample.SampledSeconds(), 0);
        EXPECT_GT(sample.SampledSpeed(), 0);
        EXPECT_TRUE(fs::is_empty(scratch()));  // the pieces are gone again
        const std::string written = Convert(row);
        ASSERT_FALSE(written.empty());
        const double seconds = std::stod(qtest::ProbeFormat(written)["duration"]);
        EXPECT_NEAR(seconds, c.seconds, 0.5);  // the comparison is with a whole output
        const double real = static_cast<double>(qtest::FileBytes(written));
        EXPECT_LE(std::fabs(estimate - real) / real, 0.10) << "estimate " << estimate << ", real " << real;
        // a quality target gets its estimate from the sample alone
        if (c.quality) {
            EXPECT_LT(ExpectedOutputBytes(row.output, static_cast<int64_t>(c.seconds * 1e6), true, true), 0);
        }
        fs::remove(written);
    }
}

TEST_F(SizeSampleTest, ASourceThatCannotBeOpenedGivesNoEstimate)
{
    const std::string broken = dir.file("broken.mp4");
    std::FILE* file = std::fopen(broken.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("not a movie", file);
    std::fclose(file);
    RowOptions row = DefaultsOf(1, Source("busy", 3), outputs());
    row.input.FileName = broken;
    SizeSample sample(row.input, row.output, scratch());
    EXPECT_EQ(sample.Run(), -1);
    EXPECT_TRUE(fs::is_empty(scratch()));
}

TEST_F(SizeSampleTest, ACancelledRequestStopsAndGivesNoResultWhileLaterOnesStillGetTheirs)
{
    int readyCalls = 0;
    std::mutex lock;
    SizeSampler sampler([&] {
        std::lock_guard guard(lock);
        ++readyCalls;
    });
    ASSERT_FALSE(sampler.ScratchFolder().empty());
    // long enough for three spots at constant quality: the sample takes a while
    const RowOptions slow = DefaultsOf(300, Source("busy", 61), outputs());
    const RowOptions quick = DefaultsOf(1, Source("plain", 3), outputs());
    sampler.Request(1, slow.input, slow.output);
    sampler.Request(2, quick.input, quick.output);
    sampler.Request(3, quick.input, quick.output);
    sampler.Cancel(3);  // still queued: dropped
    ASSERT_TRUE(sampler.WaitSampling(1, 30000));
    sampler.Cancel(1);  // under way: stopped
    ASSERT_TRUE(sampler.WaitIdle(60000));
    const std::vector<SampledSize> results = sampler.TakeResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Key, 2u);
    EXPECT_GT(results[0].Bytes, 0);
    EXPECT_GT(results[0].Speed, 0);
    EXPECT_TRUE(fs::is_empty(sampler.ScratchFolder()));
    std::lock_guard guard(lock);
    EXPECT_EQ(readyCalls, 1);
}

}  // namespace
