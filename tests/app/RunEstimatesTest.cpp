#include "app/RunEstimates.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(RunEstimates, ExpectedSizeFromTheBitRatesOfThePartConverted) {
    auto output = [](int video, int audio) {
        TOutputOptions o;
        o.VideoBitrate = video;
        o.AudioBitrate = audio;
        return o;
    };
    TOutputOptions clip = output(800000, 128000);
    clip.Duration = 10'000'000;
    TOutputOptions noVideo = output(-1, 128000);
    noVideo.DisableVideo = true;
    const struct {
        const char* name;
        TOutputOptions output;
        int64_t durationUs;
        bool video, audio;
        int64_t bytes;
    } cases[] = {
        {"both streams", output(800000, 128000), 60'000'000, true, true, 60 * 928000 / 8 * 102 / 100},
        {"a clip of 10 s", clip, 60'000'000, true, true, 10 * 928000 / 8 * 102 / 100},
        {"audio-only source", output(800000, 128000), 60'000'000, false, true, 60 * 128000 / 8 * 102 / 100},
        {"video switched off", noVideo, 60'000'000, true, true, 60 * 128000 / 8 * 102 / 100},
        {"quality setting", output(-1, 128000), 60'000'000, true, true, -1},
        {"unknown duration", output(800000, 128000), -1, true, true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(static_cast<double>(ExpectedOutputBytes(c.output, c.durationUs, c.video, c.audio)),
                    static_cast<double>(c.bytes), 2.0);
    }
}

TEST(RunEstimates, SpeedRemainingTimeAndTheWholeList) {
    RunEstimates estimates;
    const auto t0 = RunEstimates::Clock::time_point{} + 100s;
    estimates.Start({10'000'000, 30'000'000}, t0);
    EXPECT_EQ(estimates.ListPercent(), 0);
    EXPECT_LT(estimates.ListRemainingSeconds(t0), 0);  // nothing known yet
    estimates.Report(0, 0, 10'000'000, t0);
    estimates.Report(0, 4'000'000, 10'000'000, t0 + 2s);  // 2 s of media per second
    EXPECT_DOUBLE_EQ(estimates.Speed(0), 2.0);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(0), 3.0);
    EXPECT_LT(estimates.RemainingSeconds(1), 0);
    EXPECT_EQ(estimates.ListPercent(), 10);
    EXPECT_DOUBLE_EQ(estimates.ListRemainingSeconds(t0 + 2s), 36.0 / 2.0);
    estimates.Ended(0, t0 + 2s);
    EXPECT_EQ(estimates.ListPercent(), 25);
    EXPECT_EQ(estimates.RemainingSeconds(0), 0);
    EXPECT_EQ(RemainingText(18), "00:18");
    EXPECT_EQ(RemainingText(3725), "1:02:05");
    EXPECT_EQ(RemainingText(-1), "");
    EXPECT_EQ(SpeedText(2.04), "2.0x");
    EXPECT_EQ(SpeedText(0), "");
}

TEST(RunEstimates, AReportThatRanAheadIsNoStartAndTheLastStretchOfEndedRowsCountsIntoTheRemainingTime) {
    RunEstimates estimates;
    const auto t0 = RunEstimates::Clock::time_point{} + 100s;
    estimates.Start({20'000'000, 20'000'000}, t0);
    // the first report tells the sound, which runs ahead; the next ones the pictures
    estimates.Report(0, 1'800'000, 20'000'000, t0 + 500ms);
    estimates.Report(0, 0, 20'000'000, t0 + 1s);
    estimates.Report(0, 10'000'000, 20'000'000, t0 + 11s);
    EXPECT_DOUBLE_EQ(estimates.Speed(0), 1.0);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(0), 10.0);  // nothing learned about the last stretch yet
    estimates.Report(0, 20'000'000, 20'000'000, t0 + 21s);
    estimates.Ended(0, t0 + 23s);  // 2 s after its last report, a tenth of its 20 s of work

    estimates.Report(1, 0, 20'000'000, t0 + 24s);
    estimates.Report(1, 5'000'000, 20'000'000, t0 + 34s);
    EXPECT_DOUBLE_EQ(estimates.Speed(1), 0.5);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(1), 15 / 0.5 + 0.1 * (20 / 0.5));

    // a row stopped halfway teaches nothing; what was learned holds in the next run
    estimates.Ended(1, t0 + 60s);
    const auto t1 = t0 + 100s;
    estimates.Start({10'000'000}, t1);
    estimates.Report(0, 0, 10'000'000, t1);
    estimates.Report(0, 4'000'000, 10'000'000, t1 + 4s);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(0), 6 + 0.1 * 10);
}

}  // namespace
