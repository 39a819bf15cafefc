#pragma once
// The parts of the main window the conversion list and the run control work
// on: its converter, dialogs, shared settings, controls, log and flags.
#include "app/IDialogs.h"
#include "app/LogMemo.h"
#include "app/MainWindowControls.h"
#include "engine/TMediaConverter.h"
#include "formats/FormatSession.h"

#include <functional>
#include <string>

struct ListWindowParts {
    TMediaConverter& converter;  // MediaConverter1
    IDialogs& dialogs;
    FormatSession& session;  // OutputSettings and OutputFolder
    MainWindowControls& controls;
    LogMemo& log;  // mmoLog
    std::string& previewFile;  // PreviewFile
    bool& listBusy;  // ListBusy
    bool& pausedFlag;  // PausedFlag
    bool& stopRequested;  // StopRequested
    std::string programFolder;  // ProgramFolder, with a trailing "/"
    std::function<void()> controlsChanged;

    const std::string& OutputFolder() const { return session.OutputFolder; }
};
