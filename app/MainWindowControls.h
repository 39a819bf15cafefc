#pragma once
// The state of the main window's controls that its logic decides; the window
// shows whatever this holds.
#include "app/MainWindowTables.h"

#include <array>
#include <string>

struct MainWindowControls {
    std::array<bool, kToolButtonCount> toolEnabled{};  // by ToolButton
    std::array<bool, kListButtonCount> listActive{};  // by ListButton; 信息 (suiButton12) is always active
    bool browseEnabled = true;  // "浏览..." (suiButton3)

    int existingFileIndex = 0;  // suiComboBox4
    int afterCompletionIndex = 0;  // suiComboBox1
    int priorityIndex = 0;  // suiComboBox2 (hidden)
    int simultaneousIndex = 0;  // suiComboBox3: 0 automatic, n: n files at once
    bool existingFileEnabled = true;
    bool priorityEnabled = true;
    bool simultaneousEnabled = true;

    std::string outputFolderText;  // suiEdit1
    std::string statusText;  // suiStatusBar1
    std::string listProgressText;  // the whole list's progress, at the status bar's right
    std::string snapshotType = "BMP";  // the ticked entry of 快照保存类型

    bool ToolEnabled(ToolButton id) const { return toolEnabled[static_cast<size_t>(id)]; }
    bool ListActive(ListButton id) const { return listActive[static_cast<size_t>(id)]; }

    // The design values: what the window shows before its creation handler runs.
    static MainWindowControls AtDesign();
};
