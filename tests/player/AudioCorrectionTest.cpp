// Audio correction when the video (or an external) clock leads: buffers are
// shortened or stretched by at most a tenth, after 20 measurements.
#include "player/PlaybackEngine.h"
#include "player/TFFPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// An engine state whose clocks stand still: paused, so the video clock is the
// current picture time and the audio clock ignores the device buffer.
struct FrozenClocks {
    TFFPlayer player;
    PlaybackState is;
    AVStream stream{};

    FrozenClocks(int master, double audioSeconds, double videoSeconds)
    {
        is.Player = &player;
        is.MasterClockChoice = master;
        is.AudioStream = &stream;
        is.VideoStream = &stream;
        is.AudioChannels = 2;
        is.AudioSampleRate = 44100;
        is.AudioDiffAvgCoef = std::exp(std::log(0.01) / 20);
        is.AudioDiffThreshold = 2.0 * 1024 / 44100;
        is.Paused = true;
        is.AudioClock = audioSeconds;
        is.VideoCurrentPts = videoSeconds;
    }
};

std::vector<int16_t> Block(int frames)
{
    std::vector<int16_t> samples(size_t(frames) * 2 * 2);  // room for growth
    for (int i = 0; i < frames; ++i) {
        samples[2 * i] = int16_t(i);
        samples[2 * i + 1] = int16_t(-i);
    }
    return samples;
}

}  // namespace

TEST(AudioCorrection, BuffersFollowTheMasterClockWithinTenPercent)
{
    constexpr int Frames = 50000;
    constexpr int Bytes = Frames * 4;
    struct Case {
        const char* name;
        int master;
        double audioSeconds, videoSeconds;
        int expectedBytes;
    };
    const Case cases[] = {
        {"audio is the master: unchanged", scAudioMaster, 5.0, 4.0, Bytes},
        {"audio ahead by 50 ms: 2205 frames longer", scVideoMaster, 5.05, 5.0, Bytes + 2205 * 4},
        {"audio behind by 50 ms: 2205 frames shorter", scVideoMaster, 4.95, 5.0, Bytes - 2205 * 4},
        {"audio ahead by 1 s: a tenth longer", scVideoMaster, 6.0, 5.0, Bytes + Bytes / 10},
        {"audio behind by 1 s: a tenth shorter", scVideoMaster, 4.0, 5.0, Bytes - Bytes / 10},
        {"within the threshold: unchanged", scVideoMaster, 5.02, 5.0, Bytes},
        {"10 s apart: not corrected", scVideoMaster, 15.0, 5.0, Bytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrozenClocks clocks(c.master, c.audioSeconds, c.videoSeconds);
        std::vector<int16_t> block = Block(Frames);
        const int capacity = static_cast<int>(block.size() * 2);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(SynchronizeAudio(&clocks.is, block.data(), Bytes, capacity), Bytes) << "measurement " << i;
        EXPECT_EQ(SynchronizeAudio(&clocks.is, block.data(), Bytes, capacity), c.expectedBytes);
    }
}

TEST(AudioCorrection, StretchingRepeatsTheLastSampleFrame)
{
    FrozenClocks clocks(scVideoMaster, 6.0, 5.0);
    std::vector<int16_t> block = Block(1000);
    for (int i = 0; i < 20; ++i)
        SynchronizeAudio(&clocks.is, block.data(), 4000, static_cast<int>(block.size() * 2));
    ASSERT_EQ(SynchronizeAudio(&clocks.is, block.data(), 4000, static_cast<int>(block.size() * 2)), 4400);
    for (int frame = 1000; frame < 1100; ++frame) {
        EXPECT_EQ(block[2 * frame], 999) << frame;
        EXPECT_EQ(block[2 * frame + 1], -999) << frame;
    }
    EXPECT_EQ(block[2 * 998], 998) << "the samples before stay as they were";
}
