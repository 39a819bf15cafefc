#include "player/Display.h"

#include "media/TFFLogger.h"
#include "player/PlaybackEngine.h"
#include "player/SubpictureQueue.h"
#include "player/VideoFilter.h"

#include <vector>

SdlDisplay::~SdlDisplay() { Stop(); }

bool SdlDisplay::Start(TWindowHandle handle, std::string& error)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    if (SDL_GetNumVideoDisplays() < 1) {
        error = "SDL_GetVideoInfo() failed";
        Stop();
        return false;
    }
    if (handle) {
        window_ = SDL_CreateWindowFrom(reinterpret_cast<const void*>(handle));
        foreignWindow_ = window_ != nullptr;
    }
    if (!window_) {
        // no host window, or a driver that cannot take one over (dummy)
        Uint32 flags = SDL_WINDOW_RESIZABLE;
        const char* driver = SDL_GetCurrentVideoDriver();
        if (handle || (driver && std::string(driver) == "dummy"))
            flags |= SDL_WINDOW_HIDDEN;
        window_ = SDL_CreateWindow("FFPlayer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 480, flags);
    }
    if (!window_) {
        error = SDL_GetError();
        Stop();
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_)
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        error = SDL_GetError();
        Stop();
        return false;
    }
    SDL_GetWindowSize(window_, &initialWidth_, &initialHeight_);
    // a host window still shows what was drawn into it last, another file's
    // picture: a file without pictures must not inherit it
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return true;
}

void SdlDisplay::Stop()
{
    if (texture_)
        SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    if (window_)
        SDL_DestroyWindow(window_);  // a foreign window stays alive
    window_ = nullptr;
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
}

bool SdlDisplay::SetVideoMode(PlaybackState* is, bool force)
{
    TCustomPlayer* player = is->Player;
    int width = 640;
    int height = 480;
    if (player->ScreenWidth > 0 && player->ScreenHeight > 0) {
        width = player->ScreenWidth;
        height = player->ScreenHeight;
    } else if (is->Filter && is->Filter->OutputWidth() > 0) {
        width = is->Filter->OutputWidth() & ~1;
        height = is->Filter->OutputHeight() & ~1;
    } else if (is->Pictures.Pictures[is->Pictures.WriteIndex].Width > 0) {
        width = is->Pictures.Pictures[is->Pictures.WriteIndex].Width;
        height = is->Pictures.Pictures[is->Pictures.WriteIndex].Height;
    }
    if (!force && width == is->WindowWidth && height == is->WindowHeight)
        return true;
    if (!window_ || !renderer_) {
        GetFFLogger().Log(player, llError, "SDL: could not set video mode.");
        return false;
    }
    int current[2] = {0, 0};
    SDL_GetWindowSize(window_, &current[0], &current[1]);
    if (current[0] != width || current[1] != height)
        SDL_SetWindowSize(window_, width, height);
    if (!foreignWindow_)
        SDL_SetWindowTitle(window_, "FFPlayer");
    SDL_RenderSetViewport(renderer_, nullptr);
    is->WindowWidth = width;
    is->WindowHeight = height;
    return true;
}

void SdlDisplay::ShowPicture(PlaybackState* is, VideoPicture& vp)
{
    if (!window_ || !renderer_ || !vp.Overlay)
        return;
    if (is->WindowWidth == 0)
        SetVideoMode(is, false);
    YuvOverlay& overlay = *vp.Overlay;
    if (!texture_ || textureWidth_ != overlay.Width() || textureHeight_ != overlay.Height()) {
        if (texture_)
            SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_YV12, SDL_TEXTUREACCESS_STREAMING, overlay.Width(),
                                     overlay.Height());
        textureWidth_ = texture_ ? overlay.Width() : 0;
        textureHeight_ = texture_ ? overlay.Height() : 0;
    }
    if (!texture_)
        return;
    {
        std::lock_guard subtitles(is->Subpictures.Lock);
        SubpictureQueue& sq = is->Subpictures;
        if (is->SubtitleStream && sq.Count > 0) {
            SubPicture& sp = sq.Pictures[sq.ReadIndex];
            if (vp.Pts >= sp.Pts + sp.Sub.start_display_time / 1000.0) {
                std::lock_guard pixels(overlay.Lock());
                BlendSubtitle(overlay, sp.Sub);
            }
        }
    }
    {
        std::lock_guard pixels(overlay.Lock());
        SDL_UpdateYUVTexture(texture_, nullptr, overlay.Plane(0), overlay.Pitch(0), overlay.Plane(2), overlay.Pitch(2),
                             overlay.Plane(1), overlay.Pitch(1));
    }
    textureAspect_ = vp.SampleAspect;
    Present(is);
}

void SdlDisplay::Present(PlaybackState* is)
{
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_) {
        const double aspect = DisplayAspect(is->Player->AspectRatio(), textureAspect_, textureWidth_, textureHeight_,
                                            is->WindowWidth, is->WindowHeight);
        const DisplayRect fit = FitPicture(aspect, is->WindowLeft, is->WindowTop, is->WindowWidth, is->WindowHeight);
        const SDL_Rect rect{fit.X, fit.Y, fit.Width, fit.Height};
        SDL_RenderCopy(renderer_, texture_, nullptr, &rect);
    }
    SDL_RenderPresent(renderer_);
}

void SdlDisplay::Redraw(PlaybackState* is)
{
    if (!window_ || !renderer_)
        return;
    if (!is->VideoStream && is->AudioStream) {
        ShowWaveform(is);
        return;
    }
    if (is->WindowWidth == 0)
        SetVideoMode(is, false);
    Present(is);
}

void SdlDisplay::ShowWaveform(PlaybackState* is)
{
    if (!window_ || !renderer_ || is->VisualisationMode != 1)
        return;
    if (is->WindowWidth == 0)
        SetVideoMode(is, false);
    const int width = is->WindowWidth;
    const int height = is->WindowHeight;
    const int channels = std::max(is->AudioChannels.load(), 1);
    // copy the trace out, so the audio thread is held up only for the copy
    std::vector<int16_t> trace(size_t(std::max(width, 0)) * channels);
    {
        std::lock_guard guard(is->VisualisationLock);
        if (!is->Paused)
            is->LastWaveStart = WaveformStartIndex(is, width);
        int index = is->LastWaveStart;
        for (int16_t& sample : trace) {
            sample = is->VisualisationRing[index];
            index = (index + 1) % PlaybackState::kVisualisationSamples;
        }
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_SetRenderDrawColor(renderer_, 255, 255, 255, 255);
    const int band = height / channels;
    const int scale = band * 9 / 20;
    for (int ch = 0; ch < channels; ++ch) {
        const int centre = is->WindowTop + ch * band + band / 2;
        for (int x = 0; x < width; ++x) {
            const int length = (trace[size_t(x) * channels + ch] * scale) >> 15;
            if (length > 0)
                SDL_RenderDrawLine(renderer_, is->WindowLeft + x, centre, is->WindowLeft + x, centre + length - 1);
            else if (length < 0)
                SDL_RenderDrawLine(renderer_, is->WindowLeft + x, centre + length, is->WindowLeft + x, centre - 1);
        }
    }
    for (int ch = 1; ch < channels; ++ch) {
        const int y = is->WindowTop + ch * band;
        SDL_RenderDrawLine(renderer_, is->WindowLeft, y, is->WindowLeft + width - 1, y);
    }
    SDL_RenderPresent(renderer_);
}
