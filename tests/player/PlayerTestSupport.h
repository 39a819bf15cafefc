#pragma once
// Shared pieces of the player tests: generated clips, a main-thread queue the
// test pumps, and a recorder of the player's events.
#include "media/QueueMainThread.h"
#include "player/TFFPlayer.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ptest {

// H.264 + AAC, 320x240 at 25 fps, a key frame every 5 pictures, a 440 Hz tone.
std::string MakeVideoClip(const std::string& dir, double seconds = 2.0);
// A solid blue H.264 clip without audio.
std::string MakeBlueClip(const std::string& dir, double seconds = 2.0);
// A 16-bit stereo WAV tone.
std::string MakeToneClip(const std::string& dir, double seconds = 2.0);
// MPEG-2 in a transport stream: one second at 320x240, then one at 160x120.
std::string MakeSizeChangeClip(const std::string& dir);
// A Matroska file holding only a text subtitle stream.
std::string MakeSubtitleOnlyClip(const std::string& dir);

// Records states and positions delivered on the main thread.
struct EventRecorder {
    std::mutex lock;  // guards states, positions
    std::vector<TPlayState> states;
    std::vector<int64_t> positions;

    void Attach(TCustomPlayer& player);
    bool Saw(TPlayState state);
    int Count(TPlayState state);
    int64_t LastPosition();
    size_t PositionCount();
};

// Loads the libraries and installs a pumped main-thread queue.
class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Pumps main-thread calls until `done` or the timeout.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
    void PumpFor(int ms);

    QueueMainThread mainThread;
    qtest::ScratchDir scratch;
};

// Collects the logger's error lines while it lives (delivered on the
// logging thread, so no pumping is needed).
struct LogCapture {
    std::mutex lock;  // guards lines
    std::vector<std::string> lines;
    LogCapture();
    ~LogCapture();
    bool Has(const std::string& text);
    bool HasPrefix(const std::string& prefix);
};

// Mean colour of a square of the bitmap (blue, green, red).
struct Bgr {
    int b = 0, g = 0, r = 0;
};
Bgr MeanColour(const Bitmap24& bitmap, int x, int y, int size);

}  // namespace ptest
