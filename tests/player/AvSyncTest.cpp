// Audio and video stay together while a file plays.
#include "PlayerTestSupport.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>
#include <algorithm>
#include <thread>

using namespace ptest;

class AvSyncTest : public PlayerFixture {};

TEST_F(AvSyncTest, AudioAndVideoClocksStayWithinFortyMilliseconds)
{
    // pictures and tone carry the same timestamps from 0 on
    const std::string clip = MakeVideoClip(scratch.path(), 3.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return player.CurrentPosition() > 400000; }, 4000));
    std::vector<double> differences;  // audio clock - video clock, seconds
    while (player.CurrentPosition() < 2500000 && !events.Saw(psEnd)) {
        double difference = 0;
        if (player.AudioVideoClockDifference(difference))
            differences.push_back(difference);
        PumpFor(15);
    }
    player.Close(true);
    ASSERT_GE(differences.size(), 50u);
    std::vector<double> magnitudes;
    for (double d : differences)
        magnitudes.push_back(std::fabs(d));
    std::sort(magnitudes.begin(), magnitudes.end());
    const double median = magnitudes[magnitudes.size() / 2];
    const double typical = magnitudes[magnitudes.size() * 9 / 10];
    const double worst = magnitudes.back();
    const auto [lowest, highest] = std::minmax_element(differences.begin(), differences.end());
    std::printf("A/V clock difference over %zu samples: median %.1f ms, 90%% within %.1f ms, max %.1f ms "
                "(audio - video from %.1f to %.1f ms)\n",
                differences.size(), median * 1000, typical * 1000, worst * 1000, *lowest * 1000, *highest * 1000);
    // pictures are held back or hurried by whole frames (40 ms here) once the
    // clocks part by a frame, and single samples on two loaded cores may come
    // late: the clocks keep together within a frame, and never far apart
    EXPECT_LT(median, 0.040);
    EXPECT_LT(worst, 0.100);
}
