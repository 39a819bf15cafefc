// Audio and video stay together while a file plays.
#include "PlayerTestSupport.h"

#include <chrono>
#include <cmath>
#include <cstdio>
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
    double worst = 0;
    double sum = 0;
    int samples = 0;
    while (player.CurrentPosition() < 2500000 && !events.Saw(psEnd)) {
        double difference = 0;
        if (player.AudioVideoClockDifference(difference)) {
            worst = std::max(worst, std::fabs(difference));
            sum += std::fabs(difference);
            ++samples;
        }
        PumpFor(15);
    }
    std::printf("A/V clock difference over %d samples: max %.1f ms, mean %.1f ms\n", samples, worst * 1000,
                samples ? sum / samples * 1000 : 0.0);
    ASSERT_GE(samples, 50);
    EXPECT_LT(worst, 0.040);
    player.Close(true);
}
