#include "app/PlayerPanel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {
// Positions this close to a seek's target come from the new place; others
// were reported before the player got there.
constexpr int64_t kSeekArrivalUs = 1'000'000;
}  // namespace

PlayerPanel::PlayerPanel(IPreviewPlayer& player, const Snapshots& snapshots, std::string libraryFolder,
                         std::string soundFile, Hooks hooks)
    : player_(player), snapshots_(snapshots), libraryFolder_(std::move(libraryFolder)),
      soundFile_(std::move(soundFile)), hooks_(std::move(hooks))
{
    player_.SetFileOpened([this](int64_t duration) { FileOpened(duration); });
    player_.SetPositionChanged([this](int64_t position) { PositionChanged(position); });
}

void PlayerPanel::InTurn(std::function<void()> request)
{
    waitingRequests_.push_back(std::move(request));
    if (requestRunning_)
        return;
    requestRunning_ = true;
    try {
        while (!waitingRequests_.empty()) {
            const std::function<void()> next = std::move(waitingRequests_.front());
            waitingRequests_.pop_front();
            next();
        }
    } catch (...) {
        waitingRequests_.clear();
        requestRunning_ = false;
        throw;
    }
    requestRunning_ = false;
}

void PlayerPanel::SelectRow(const std::string& sourcePath, bool listBusy)
{
    InTurn([this, sourcePath, listBusy] {
        if (previewOpen_ && sourcePath == previewFile_)
            return;
        seekPosition_ = 0;
        previewFile_ = sourcePath;
        previewOpen_ = false;
        if (!listBusy)
            Button31Click();
    });
}

void PlayerPanel::ClosePreview()
{
    InTurn([this] {
        player_.Close();
        previewOpen_ = false;
        if (hooks_.showNoPicture)
            hooks_.showNoPicture();
    });
}

void PlayerPanel::Button31Click()
{
    InTurn([this] {
        player_.DetachEvents();
        if (!player_.LibrariesLoaded() && !player_.LoadLibraries(libraryFolder_))
            return;
        if (!player_.Paused())
            player_.Pause();
        if (hooks_.waitMs)
            hooks_.waitMs(50);
        OpenPreview();
    });
}

void PlayerPanel::Image3Click()
{
    InTurn([this] { player_.Resume(); });
}

void PlayerPanel::Image4Click()
{
    InTurn([this] { player_.Pause(); });
}

void PlayerPanel::OpenPreview()
{
    const uintptr_t host = hooks_.hostWindow ? hooks_.hostWindow() : 0;
    previewOpen_ = player_.OpenPaused(previewFile_, host);
    if (previewOpen_)
        return;
    // the surface must not keep the picture of the file shown before
    if (hooks_.showNoPicture)
        hooks_.showNoPicture();
    if (hooks_.appendLog)
        hooks_.appendLog(player_.LastErrMsg());
}

void PlayerPanel::Image5Click(bool rowSelected)
{
    if (!rowSelected)
        return;
    InTurn([this] {
        player_.Close();
        OpenPreview();
    });
}

void PlayerPanel::Image14Click()
{
    player_.SetMute(!player_.Mute());
    muted_ = player_.Mute();
}

void PlayerPanel::FileOpened(int64_t durationUs)
{
    playerDurationUs_ = durationUs;
    seekTickFrequency_ = 5;
    seekMaximum_ = kSeekBarWidth;
    seekPosition_ = 0;
    seekTargetUs_ = -1;
}

void PlayerPanel::PositionChanged(int64_t positionUs)
{
    if (thumbDragging_ || playerDurationUs_ <= 0)
        return;
    if (seekTargetUs_ >= 0) {
        if (std::llabs(positionUs - seekTargetUs_) > kSeekArrivalUs)
            return;
        seekTargetUs_ = -1;
    }
    const int64_t clamped = std::clamp<int64_t>(positionUs, 0, playerDurationUs_);
    const int position = static_cast<int>(clamped * seekMaximum_ / playerDurationUs_);
    if (position == seekPosition_)
        return;
    seekPosition_ = position;
    if (hooks_.showSeekPosition)
        hooks_.showSeekPosition(position);
}

void PlayerPanel::SeekMouseDown()
{
    thumbDragging_ = true;
    InTurn([this] { player_.TogglePause(); });
}

void PlayerPanel::SeekMouseUp(int position)
{
    InTurn([this, position] {
        thumbDragging_ = false;
        seekPosition_ = position;
        player_.Pause();
        const int64_t target = seekMaximum_ > 0 ? playerDurationUs_ * position / seekMaximum_ : 0;
        seekTargetUs_ = target;
        player_.Seek(target);
        player_.Resume();
    });
}

Snapshots::Outcome PlayerPanel::Image24Click()
{
    Bitmap24 picture;
    if (const Bitmap24* frame = player_.CurrentFrame())
        picture = *frame;
    Snapshots::Outcome outcome = snapshots_.Take(picture, previewFile_);
    if (!outcome.saved) {
        if (!outcome.error.empty() && hooks_.showError)
            hooks_.showError(outcome.error);
        return outcome;
    }
    std::error_code ignored;
    if (std::filesystem::exists(soundFile_, ignored) && hooks_.playSound)
        hooks_.playSound(soundFile_);
    if (hooks_.showStatus)
        hooks_.showStatus(Snapshots::kTakenText);
    return outcome;
}
