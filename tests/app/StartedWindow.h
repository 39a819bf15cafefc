#pragma once
// The main window's logic as the program starts it: paths from the
// environment (HOME, XDG_DATA_HOME), scripted dialogs, a hand-over queue as
// the main thread, FormCreate done.
#include "ListWindowFixture.h"

namespace apptest {

struct StartedWindow {
    explicit StartedWindow(const std::string& programFolder)
        : paths(ProgramPaths::FromEnvironment(programFolder)), settings(paths), install(queue),
          window(settings, dialogs, shell, skin)
    {
        window.FormCreate();
        window.suiComboBox1Change(0);  // nothing after the run
    }
    // Pumps the hand-overs until the run has ended.
    bool PumpUntilRunEnded(int timeoutMs)
    {
        return queue.pumpUntil(
            [&] {
                window.Run().ApplyTerminations();
                return !window.Converter().Working() && window.Controls().ToolEnabled(ToolButton::Start);
            },
            timeoutMs);
    }

    ProgramPaths paths;
    SettingsFile settings;
    ScriptedDialogs dialogs;
    FakeShell shell;
    FakeSkinTarget skin;
    QueueMainThread queue;
    MainThreadInstall install;
    MainWindowController window;
};

}  // namespace apptest
