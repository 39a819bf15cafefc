#pragma once
// The logic of the main window TForm1, free of any toolkit: its state, the
// rules that enable its controls and its handlers. The window calls the
// handlers and shows Controls() whenever they change.
#include "app/ConversionList.h"
#include "app/IDialogs.h"
#include "app/IFormatChooser.h"
#include "app/IShutdown.h"
#include "app/IShell.h"
#include "app/ISkinTarget.h"
#include "app/ListKeeper.h"
#include "app/LogMemo.h"
#include "app/MainWindowControls.h"
#include "app/RunControl.h"
#include "app/SettingsFile.h"
#include "app/SkinTable.h"
#include "engine/TMediaConverter.h"
#include "formats/FormatSession.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MainWindowController {
public:
    MainWindowController(const SettingsFile& settings, IDialogs& dialogs, IShell& shell, ISkinTarget& windowSkin);
    // Detaches the converter's and the logger's events and stops the run.
    ~MainWindowController();

    const MainWindowControls& Controls() const { return controls_; }
    // Called after every change of Controls().
    void SetControlsChanged(std::function<void()> changed) { controlsChanged_ = std::move(changed); }

    // Window state.
    const std::string& OutputFolder() const { return outputFolder_; }
    const std::string& PreviewFile() const { return previewFile_; }
    bool PausedFlag() const { return pausedFlag_; }
    bool StopRequested() const { return stopRequested_; }
    bool ThumbDragging() const { return thumbDragging_; }
    bool ListBusy() const { return listBusy_; }
    int64_t PlayerDuration() const { return playerDurationUs_; }
    const std::vector<FileFilter>& OpenDialogFilter() const { return openDialogFilter_; }
    const SettingsFile& Settings() const { return settings_; }
    // What the format chooser and the option window read and write: the
    // chosen format, the chooser's outcome, OutputFolder and OutputSettings.
    FormatSession& Session() { return session_; }

    // The conversion list, its run, the converter MediaConverter1 and the log mmoLog.
    ConversionList& List() { return list_; }
    RunControl& Run() { return run_; }
    TMediaConverter& Converter() { return mediaConverter1_; }
    const LogMemo& Log() const { return log_; }
    LogMemo& Log() { return log_; }
    // The format chooser the add operations show and the shutdown of the
    // after-run action (neither owned).
    void SetFormatChooser(IFormatChooser* chooser) { list_.SetChooser(chooser); }
    void SetShutdown(IShutdown* shutdown) { run_.SetShutdown(shutdown); }
    // Whether the window may close: during a run only when the user agrees.
    bool CloseAllowed();
    // Closing: the converter's and the logger's closing steps.
    void FormCloseQuery() { run_.FormCloseQuery(); }

    // Creation of the window. A step that fails shows its error and the
    // remaining steps still run, so the window is never left half set up.
    void FormCreate();

    // Operations other parts of the window call as plain procedures; they let
    // a refused settings write (IniWriteError) through to the caller.
    void Button1Click();  // apply the stored skin
    void Button16Click();  // write OutputFolder to the settings file
    void Button17Click();  // read OutputFolder from the settings file
    void Button19Click();  // drop-down defaults
    void Button20Click();  // open the output folder
    void Button21Click();  // the file-open dialogs' filter
    void Button55Click();  // read the snapshot picture type and tick its entry
    void ReadFilesAtOnce();  // the stored files-at-once choice; automatic when none is stored

    // User actions; a refused settings write is shown through IDialogs::ShowError.
    void suiButton3Click();  // 浏览...
    void suiButton11Click();  // 打开
    void ToolButtonHover(ToolButton button);
    // The user picked an entry of a drop-down list of the options group.
    void suiComboBox4Change(int index) { controls_.existingFileIndex = index; }  // 如果输出文件存在
    void suiComboBox1Change(int index) { controls_.afterCompletionIndex = index; }  // 全部文件转换完毕后
    void suiComboBox2Change(int index) { controls_.priorityIndex = index; }  // thread priority
    // files at once; the choice is kept in the settings file (a refused write is shown)
    void suiComboBox3Change(int index);
    void SkinMenuItemClick(const SkinEntry& entry);
    void N3Click();  // 帮助系统?
    void N9Click();  // 软件网站
    void N5Click();  // 作者联系信箱

private:
    void Changed();
    ListWindowParts ListParts();
    template <class Step> void Guarded(Step step);
    void UseDefaultOutputFolder(bool createParents);
    // OutputFolder, the edit suiEdit1 and the folder the option window sees.
    void SetOutputFolder(const std::string& folder);

    const SettingsFile& settings_;
    IDialogs& dialogs_;
    IShell& shell_;
    ISkinTarget& windowSkin_;
    std::function<void()> controlsChanged_;

    MainWindowControls controls_ = MainWindowControls::AtDesign();
    std::vector<FileFilter> openDialogFilter_;
    std::string outputFolder_;
    FormatSession session_;
    std::string previewFile_;
    bool pausedFlag_ = false;
    bool stopRequested_ = false;
    bool thumbDragging_ = false;
    bool listBusy_ = false;
    int64_t playerDurationUs_ = 0;

    LogMemo log_;
    ConversionList list_;
    ListKeeper keeper_;  // the list kept in the data folder across runs
    RunControl run_;
    // Declared last, so it goes first: its destructor waits for termination
    // records still on their way to run_, which must outlive them.
    TMediaConverter mediaConverter1_;
};
