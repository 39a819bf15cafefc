// The main window's logic in a process of its own, for the test that kills
// it: adds three rows of three formats (the second with a clip), writes what
// it added to <scratch>/added.json, starts the run and, once the first row is
// finished and the second converting, says "ready" on stdout and waits to be
// killed. Paths come from HOME and XDG_DATA_HOME as in the program.
#include "StartedWindow.h"
#include "app/ListStore.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

using namespace apptest;

namespace {
int Fail(const std::string& why)
{
    std::cout << "failed: " << why << std::endl;
    return 1;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return Fail("usage: app_list_keep_child SCRATCH AVI_SOURCE CLIP_SOURCE MP3_SOURCE");
    const std::string scratch = argv[1];
    StartedWindow started(scratch + "/program");
    ScriptedDialogs& dialogs = started.dialogs;
    MainWindowController& window = started.window;
    DefaultsChooser chooser(window.Session());
    window.SetFormatChooser(&chooser);
    window.Converter().SetProgressInterval(100);
    window.suiComboBox3Change(1);  // one file at a time: the first row ends before the second starts
    ConversionList& list = window.List();

    chooser.formatNumber = 1;  // AVI for computers
    dialogs.openFilesAnswers.push_back({argv[2]});
    list.N2Click();
    chooser.formatNumber = 12;  // MP4 for computers, 1 s from 1 s on
    chooser.clipMs = std::make_pair(int64_t{1000}, int64_t{1000});
    dialogs.openFileAnswers.push_back(std::string(argv[3]));
    list.MenuItem15Click();
    chooser.clipMs.reset();
    chooser.formatNumber = 200;  // MP3
    dialogs.openFilesAnswers.push_back({argv[4]});
    list.N2Click();
    if (list.RowCount() != 3)
        return Fail("rows added: " + std::to_string(list.RowCount()));
    for (const ShownBox& box : dialogs.boxes)
        std::cout << "box: " << box.text << "\n";
    WriteText(scratch + "/added.json", ListToJson(list.KeptRows()));

    window.Run().btnStartClick();
    const bool reached = started.queue.pumpUntil(
        [&] {
            window.Run().ApplyTerminations();
            return list.Rows()[0].Status == kStatusFinished && list.Rows()[1].Status == kStatusConverting;
        },
        120000);
    if (!reached)
        return Fail("statuses " + list.Rows()[0].Status + " / " + list.Rows()[1].Status);
    std::cout << "ready" << std::endl;
    // no more hand-overs are run: the second row stays converting until the kill
    char ignored;
    while (read(STDIN_FILENO, &ignored, 1) > 0) {}
    return Fail("not killed");
}
