#pragma once
// Plays a short wave file without waiting, on an SDL audio device of its own
// so the preview player's sound is unaffected. A new Play cuts the previous
// sound short.
#include <string>

class WavePlayer {
public:
    WavePlayer() = default;
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Starts playing `path`; false (with LastError) when the file cannot be
    // read or no sound device opens.
    bool Play(const std::string& path);
    const std::string& LastError() const { return lastError_; }

private:
    void CloseDevice();

    unsigned device_ = 0;  // SDL_AudioDeviceID, 0 when none is open
    bool audioStarted_ = false;
    std::string lastError_;
};
