#pragma once
// The SDL2 video output: a window made from the host's native window (or a
// window of our own), a renderer and a streaming YV12 texture. Every call
// happens on the play thread, which initialised SDL's video.
#include "player/AspectFit.h"
#include "player/TCustomPlayer.h"

#include <SDL.h>

#include <string>

struct PlaybackState;
struct VideoPicture;

class SdlDisplay {
public:
    ~SdlDisplay();
    // Starts SDL's video inside `handle` (0: a window of our own, hidden
    // under the dummy driver). False with the reason in `error`.
    bool Start(TWindowHandle handle, std::string& error);
    void Stop();
    bool Started() const { return window_ != nullptr; }
    // Size of the window when it was taken over (the host's client area).
    int InitialWidth() const { return initialWidth_; }
    int InitialHeight() const { return initialHeight_; }

    // Sizes the video surface (ScreenWidth x ScreenHeight, else the picture,
    // else 640 x 480). Without `force` an unchanged size is kept.
    bool SetVideoMode(PlaybackState* is, bool force);
    // Uploads `vp` (blending the due subtitle into it) and presents it.
    void ShowPicture(PlaybackState* is, VideoPicture& vp);
    // Presents the last picture (or the waveform) again.
    void Redraw(PlaybackState* is);
    // Draws the waveform of the audio now playing.
    void ShowWaveform(PlaybackState* is);

private:
    void Present(PlaybackState* is);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    AVRational textureAspect_{0, 1};
    bool foreignWindow_ = false;
    bool videoStarted_ = false;
    int initialWidth_ = 0;
    int initialHeight_ = 0;
};
