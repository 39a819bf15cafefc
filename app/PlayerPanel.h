#pragma once
// The player group of the main window without any toolkit: the preview of
// the selected row's file in FFPlayer2, its buttons, the seek bar (which
// follows playback unless the user holds it) and the snapshots.
#include "app/IPreviewPlayer.h"
#include "app/Snapshots.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class PlayerPanel {
public:
    static constexpr int kSeekBarWidth = 313;  // suiTrackBar1, in pixels

    struct Hooks {
        std::function<uintptr_t()> hostWindow;  // native window of Panel2
        std::function<void(const std::string&)> appendLog;  // mmoLog
        std::function<void(const std::string&)> showStatus;  // status bar
        std::function<void(const std::string&)> playSound;  // a wave file, without waiting
        std::function<void(const std::string&)> showError;  // the system's error of a failed save
        std::function<void(int)> waitMs;  // a short wait before opening
        std::function<void(int)> showSeekPosition;  // the bar follows playback
        std::function<void()> showNoPicture;  // nothing opened: the surface goes black
    };

    // `libraryFolder` is ProgramFolder + "LibAV"; `soundFile` the camera sound.
    PlayerPanel(IPreviewPlayer& player, const Snapshots& snapshots, std::string libraryFolder, std::string soundFile,
                Hooks hooks);

    const std::string& PreviewFile() const { return previewFile_; }
    int64_t PlayerDuration() const { return playerDurationUs_; }
    bool ThumbDragging() const { return thumbDragging_; }
    int SeekPosition() const { return seekPosition_; }
    int SeekMaximum() const { return seekMaximum_; }
    int SeekTickFrequency() const { return seekTickFrequency_; }
    // The mute button's normal picture: "Image18" (sound) or "Image20" (muted).
    const char* MutePicture() const { return muted_ ? "Image20" : "Image18"; }

    // What the player is asked to do runs one request at a time, in order: a
    // request made while another waits for the player (its waits let queued
    // events run, such as further clicks) runs when that one is done.

    // A row was selected: preview its source file unless a remove or move
    // runs or the file is already open (a move keeps the row's file).
    void SelectRow(const std::string& sourcePath, bool listBusy);
    // The list lost its selection, a row was removed, the list was cleared:
    // the preview closes and the surface goes black.
    void ClosePreview();
    void DetachEvents() { player_.DetachEvents(); }  // add reset and window closing

    void Button31Click();  // open the preview
    void Image3Click();  // 播放
    void Image4Click();  // 暂停
    void Image5Click(bool rowSelected);  // 停止: back to the first picture
    void Image14Click();  // 声音/静音
    void FileOpened(int64_t durationUs);  // FFPlayer2FileOpen
    // The player's position: the bar follows it, except while the user holds
    // the bar and while a seek is still on its way to its target.
    void PositionChanged(int64_t positionUs);
    void SeekMouseDown();
    // The bar's position when the button is released (0..SeekMaximum).
    void SeekMouseUp(int position);
    // 捕捉快照
    Snapshots::Outcome Image24Click();

private:
    void OpenPreview();
    // Runs `request` now, or after the request under way when there is one.
    void InTurn(std::function<void()> request);

    IPreviewPlayer& player_;
    const Snapshots& snapshots_;
    std::string libraryFolder_;
    std::string soundFile_;
    Hooks hooks_;
    std::string previewFile_;
    int64_t playerDurationUs_ = 0;
    bool thumbDragging_ = false;
    bool muted_ = false;
    int seekPosition_ = 0;
    int seekMaximum_ = 10;
    int seekTickFrequency_ = 1;
    int64_t seekTargetUs_ = -1;  // where the last drag sent the player, until it reports from there
    bool previewOpen_ = false;  // previewFile_ is open in the player
    bool requestRunning_ = false;
    std::deque<std::function<void()>> waitingRequests_;
};
