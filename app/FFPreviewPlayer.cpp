#include "app/FFPreviewPlayer.h"

FFPreviewPlayer::FFPreviewPlayer()
{
    player_.TriggerEventInMainThread = true;
    player_.OnFileOpen = [this](TCustomPlayer*, int64_t duration, int, int, int&, int&) {
        if (opened_)
            opened_(duration);
    };
}

bool FFPreviewPlayer::OpenPaused(const std::string& file, uintptr_t host)
{
    player_.OnPosition = [this](TCustomPlayer*, int64_t position) {
        if (position_)
            position_(position);
    };
    return player_.Open(file, static_cast<TWindowHandle>(host), true);
}

void FFPreviewPlayer::DetachEvents()
{
    player_.OnPosition = nullptr;
    player_.OnState = nullptr;
    player_.OnHook = nullptr;
}
