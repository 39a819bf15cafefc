// The waveform trace starts at a falling zero crossing, so it stands still.
#include "player/PlaybackEngine.h"
#include "player/TFFPlayer.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Waveform, TheTraceStartsAtAFallingZeroCrossingBeforeTheNewestSamples)
{
    TFFPlayer player;
    PlaybackState is;
    is.Player = &player;
    is.AudioChannels = 2;
    is.AudioSampleRate = 44100;
    player.AudioCallbackTimeUs = SystemTimeUs();
    const int frames = 8000;
    const double period = 73.0;  // frames per cycle, not a divisor of anything used here
    for (int i = 0; i < frames; ++i) {
        const int16_t value = int16_t(std::lrint(20000 * std::sin(2 * M_PI * i / period)));
        is.VisualisationRing[2 * i] = value;
        is.VisualisationRing[2 * i + 1] = value;
    }
    is.VisualisationIndex = 2 * frames;
    const int width = 300;
    std::lock_guard guard(is.VisualisationLock);
    const int start = WaveformStartIndex(&is, width);
    ASSERT_EQ(start % 2, 0) << "the trace starts on a sample frame";
    const int frame = start / 2;
    // at least a window's width back from the newest sample
    EXPECT_LE(frame, frames - width);
    EXPECT_GE(frame, frames - 2 * width - 500 - 1);
    const int16_t before = is.VisualisationRing[2 * (frame + 4)];
    const int16_t after = is.VisualisationRing[2 * (frame + 5)];
    EXPECT_GT(before, 0);
    EXPECT_LE(after, 0);
    EXPECT_GT(is.VisualisationRing[2 * frame], is.VisualisationRing[2 * (frame + 9)]);
}
