// Where the waveform of the audio now playing starts in the sample ring.
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

#include <cstdlib>

int WaveformStartIndex(PlaybackState* is, int windowWidth)
{
    const int ringSize = PlaybackState::kVisualisationSamples;
    const int channels = std::max(is->AudioChannels.load(), 1);
    const int bufferedFrames = (is->AudioBufSize - is->AudioBufIndex) / (2 * channels);
    const int64_t sincecallbackUs = SystemTimeUs() - is->Player->AudioCallbackTimeUs;
    const int playedFrames = static_cast<int>(sincecallbackUs * is->AudioSampleRate / 1000000);
    int delay = bufferedFrames - playedFrames + 2 * windowWidth;
    if (delay < windowWidth)
        delay = windowWidth;
    const int writeIndex = is->VisualisationIndex;
    int start = ((writeIndex - delay * channels) % ringSize + ringSize) % ringSize;
    // look back for a falling zero crossing, so the trace stands still
    int best = start;
    int bestScore = -1;
    for (int i = 0; i < 1000; i += channels) {
        const int idx = (start - i + ringSize) % ringSize;
        const int a = is->VisualisationRing[idx];
        const int b = is->VisualisationRing[(idx + 4 * channels) % ringSize];
        const int c = is->VisualisationRing[(idx + 5 * channels) % ringSize];
        const int d = is->VisualisationRing[(idx + 9 * channels) % ringSize];
        const int score = a - d;
        if (b * c <= 0 && score > bestScore) {
            bestScore = score;
            best = idx;
        }
    }
    return best;
}
