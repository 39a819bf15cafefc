#include "player/WavePlayer.h"

#include <SDL.h>

WavePlayer::~WavePlayer()
{
    CloseDevice();
    if (audioStarted_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void WavePlayer::CloseDevice()
{
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    device_ = 0;
}

bool WavePlayer::Play(const std::string& path)
{
    if (!audioStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            lastError_ = SDL_GetError();
            return false;
        }
        audioStarted_ = true;
    }
    CloseDevice();
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &samples, &length)) {
        lastError_ = SDL_GetError();
        return false;
    }
    spec.callback = nullptr;  // queued, not pulled
    device_ = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    const bool started = device_ != 0 && SDL_QueueAudio(device_, samples, length) == 0;
    if (!started)
        lastError_ = SDL_GetError();
    SDL_FreeWAV(samples);
    if (!started) {
        CloseDevice();
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}
