#pragma once
#include "player/TCustomPlayer.h"

// The published player component.
class TFFPlayer : public TCustomPlayer {
public:
    using TCustomPlayer::TCustomPlayer;
};
