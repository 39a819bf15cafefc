#include "app/RunEstimates.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(RunEstimates, ExpectedSizeFromTheBitRatesOfThePartConverted)
{
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

TEST(RunEstimates, SpeedRemainingTimeAndTheWholeList)
{
    RunEstimates estimates;
    const auto t0 = RunEstimates::Clock::time_point{} + 100s;
    estimates.Start({{10'000'000}, {30'000'000}}, 1);
    EXPECT_EQ(estimates.ListPercent(), 0);
    EXPECT_LT(estimates.ListRemainingSeconds(t0), 0);  // nothing known yet
    estimates.Report(0, 0, 10'000'000, t0);
    estimates.Report(0, 4'000'000, 10'000'000, t0 + 2s);  // 2 s of media per second
    EXPECT_DOUBLE_EQ(estimates.Speed(0), 2.0);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(0), 3.0);
    EXPECT_LT(estimates.RemainingSeconds(1), 0);
    EXPECT_EQ(estimates.ListPercent(), 10);
    // the waiting row is expected at the running one's speed
    EXPECT_DOUBLE_EQ(estimates.ListRemainingSeconds(t0 + 2s), 3.0 + 30.0 / 2.0);
    EXPECT_DOUBLE_EQ(estimates.ListRemainingSeconds(t0 + 3s), 2.0 + 30.0 / 2.0);  // a second went by since
    estimates.Ended(0, t0 + 2s);
    EXPECT_EQ(estimates.ListPercent(), 25);
    EXPECT_EQ(estimates.RemainingSeconds(0), 0);
    EXPECT_EQ(RemainingText(18), "00:18");
    EXPECT_EQ(RemainingText(3725), "1:02:05");
    EXPECT_EQ(RemainingText(-1), "");
    EXPECT_EQ(SpeedText(2.04), "2.0x");
    EXPECT_EQ(SpeedText(0), "");
}

TEST(RunEstimates, AReportThatRanAheadIsNoStartAndTheLastStretchOfEndedRowsCountsIntoTheRemainingTime)
{
    RunEstimates estimates;
    const auto t0 = RunEstimates::Clock::time_point{} + 100s;
    estimates.Start({{20'000'000}, {20'000'000}}, 1);
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
    estimates.Start({{10'000'000}}, 1);
    estimates.Report(0, 0, 10'000'000, t1);
    estimates.Report(0, 4'000'000, 10'000'000, t1 + 4s);
    EXPECT_DOUBLE_EQ(estimates.RemainingSeconds(0), 6 + 0.1 * 10);
}

RowPace Done(int target = 1, int64_t leftUs = 0)
{
    RowPace row;
    row.state = RowPace::State::Done;
    row.leftUs = leftUs;
    row.target = target;
    return row;
}
RowPace Running(double leftSeconds, double speed, int target = 1, double sampleSpeed = 0, int64_t leftUs = 10'000'000)
{
    RowPace row;
    row.state = RowPace::State::Running;
    row.leftUs = leftUs;
    row.leftSeconds = leftSeconds;
    row.speed = speed;
    row.target = target;
    row.sampleSpeed = sampleSpeed;
    return row;
}
RowPace Waiting(int64_t leftUs, int target = 1, double sampleSpeed = 0)
{
    RowPace row;
    row.leftUs = leftUs;
    row.target = target;
    row.sampleSpeed = sampleSpeed;
    return row;
}
RowPace WithSpeed(RowPace row, double speed)
{
    row.speed = speed;
    return row;
}

TEST(RunEstimates, TheWholeListFromWhatEachRowDoes)
{
    const struct {
        const char* name;
        std::vector<RowPace> rows;
        int filesAtOnce;
        double tailShare;
        double seconds;
    } cases[] = {
        {"every row done", {Done(), Done()}, 1, 0, 0},
        {"a running row and a waiting one at its speed", {Running(5, 2), Waiting(20'000'000)}, 1, 0, 5 + 10},
        {"the same, two at once", {Running(5, 2), Waiting(20'000'000)}, 2, 0, 10},
        {"two running, two waiting, two at once",
         {Running(4, 1), Running(6, 1), Waiting(10'000'000), Waiting(10'000'000)},
         2,
         0,
         6 + 10},
        {"the same, one at a time",
         {Running(4, 1), Running(6, 1), Waiting(10'000'000), Waiting(10'000'000)},
         1,
         0,
         4 + 6 + 10 + 10},
        {"a sample scaled as the running row of its target compares with its own",
         {Running(5, 2, 1, 1), Waiting(20'000'000, 1, 4)},
         1,
         0,
         5 + 20 / 8.0},
        {"a sample scaled by a row of another target when none of its own ran",
         {Running(5, 2, 1, 1), Waiting(20'000'000, 2, 4)},
         1,
         0,
         5 + 20 / 8.0},
        {"a sample as it is when no row that ran had one", {Running(5, 2), Waiting(20'000'000, 1, 4)}, 1, 0, 5 + 5},
        {"no sample: the finished rows of its target",
         {WithSpeed(Done(), 4), Running(5, 1, 2), Waiting(20'000'000)},
         1,
         0,
         5 + 5},
        {"no sample nor its target: the list's average",
         {WithSpeed(Done(1), 4), Running(5, 2, 2), Waiting(20'000'000, 3)},
         1,
         0,
         5 + 20 / 3.0},
        {"a running row without a speed yet holds its place",
         {Running(-1, 0, 1, 2), Waiting(10'000'000, 1, 2)},
         2,
         0,
         5},
        {"the work after the last report", {Running(5, 2), Waiting(20'000'000)}, 1, 0.1, 5 + 10 * 1.1},
        {"a waiting row of unknown length", {Running(5, 2), Waiting(-1)}, 1, 0, -1},
        {"a row of unknown length that is done", {Done(1, -1), Running(5, 2)}, 1, 0, 5},
        {"nothing that tells a speed", {Waiting(10'000'000), Waiting(10'000'000)}, 1, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(ListRemainingSeconds(c.rows, c.filesAtOnce, c.tailShare), c.seconds, 1e-9);
    }
}

// Two clips of one target, one slow to convert and one quick: at the end of
// the first the list expects the second at its sample's speed, scaled as the
// first ran against its sample.
TEST(RunEstimates, TheListExpectsAWaitingRowAtItsSamplesSpeed)
{
    RunEstimates estimates;
    const auto t0 = RunEstimates::Clock::time_point{} + 100s;
    estimates.Start({{20'000'000, 300, 0.5}, {20'000'000, 300, 3.0}}, 1);
    EXPECT_DOUBLE_EQ(estimates.ListRemainingSeconds(t0), 20 / 0.5 + 20 / 3.0);  // the samples alone
    estimates.Report(0, 0, 20'000'000, t0 + 1s);  // the row's own start, after its opening
    estimates.Report(0, 10'000'000, 20'000'000, t0 + 11s);
    EXPECT_DOUBLE_EQ(estimates.Speed(0), 1.0);
    EXPECT_DOUBLE_EQ(estimates.ListRemainingSeconds(t0 + 11s), 10 + 20 / 6.0);
}

}  // namespace
