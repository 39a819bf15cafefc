#pragma once
// Connects the main window's player group, its information button and the
// password lock to their logic and to the lock, update and information
// windows. Lives as long as the windows.
#include "app/FFPreviewPlayer.h"
#include "app/PlayerPanel.h"
#include "app/Snapshots.h"
#include "app/ui/QtDialogs.h"
#include "player/WavePlayer.h"

#include <QObject>
#include <memory>

class ProgramWindows;
class IShell;
class QSlider;
class QTreeWidget;

class WindowsWiring final : public QObject {
    Q_OBJECT
public:
    WindowsWiring(ProgramWindows& windows, const SettingsFile& settings, IShell& shell);
    ~WindowsWiring() override;

    PlayerPanel& Panel() { return *panel_; }
    FFPreviewPlayer& Player() { return player_; }

    // The lock check of the main window's first show: true when the user may
    // work, false when the program must end.
    bool PassLock();
    // suiButton12Click: gathers the selected row's facts and shows TForm9.
    void ShowMediaInformation();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WirePlayerGroup();
    void WireSnapshotMenu();
    // The preview follows the list's selection: the selected row's file, or
    // closed and black without one. Decided from the event loop, after the
    // list's change is complete, never from inside it: the player's waits
    // let queued events (further clicks, drops) run.
    void FollowSelectionSoon();
    void FollowSelection();
    void ShowBlackSurface();  // gives Panel2 back to Qt (black)
    int SelectedRow() const;
    void ShowSnapshotMenuNormal();
    void TickType(SnapshotType type);

    ProgramWindows& windows_;
    const SettingsFile& settings_;
    IShell& shell_;
    QtDialogs dialogs_;
    Snapshots snapshots_;
    FFPreviewPlayer player_;
    WavePlayer camera_;
    std::unique_ptr<PlayerPanel> panel_;
    QTreeWidget* list_ = nullptr;
    QSlider* seekBar_ = nullptr;
    bool followPending_ = false;
};
