#pragma once
// IPreviewPlayer on the real player component.
#include "app/IPreviewPlayer.h"
#include "player/TFFPlayer.h"

class FFPreviewPlayer final : public IPreviewPlayer {
public:
    FFPreviewPlayer();
    TFFPlayer& Player() { return player_; }

    bool LibrariesLoaded() const override { return player_.AVLibLoaded(); }
    bool LoadLibraries(const std::string& folder) override { return player_.LoadAVLib(folder); }
    bool OpenPaused(const std::string& file, uintptr_t host) override;
    void Close() override { player_.Close(true); }
    void Pause() override { player_.Pause(); }
    void Resume() override { player_.Resume(); }
    void TogglePause() override { player_.TogglePause(); }
    bool Paused() const override { return player_.State() == psPause; }
    void Seek(int64_t positionUs) override { player_.Seek(0, false, positionUs); }
    const Bitmap24* CurrentFrame() override { return player_.GetCurrentFrame(); }
    bool Mute() const override { return player_.Mute(); }
    void SetMute(bool mute) override { player_.SetMute(mute); }
    std::string LastErrMsg() const override { return player_.LastErrMsg(); }
    void DetachEvents() override;
    void SetFileOpened(std::function<void(int64_t)> opened) override { opened_ = std::move(opened); }
    void SetPositionChanged(std::function<void(int64_t)> changed) override { position_ = std::move(changed); }

private:
    TFFPlayer player_;
    std::function<void(int64_t)> opened_;
    std::function<void(int64_t)> position_;
};
