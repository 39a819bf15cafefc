#include "app/MainWindowController.h"

#include "app/SkinActions.h"
#include "engine/CodecSelection.h"

#include <array>
#include <cstdlib>
#include <exception>
#include <filesystem>

namespace fs = std::filesystem;
using namespace SettingsKeys;

namespace {
constexpr std::array<const char*, 4> kSnapshotTypes{"BMP", "JPG", "GIF", "PNG"};
}

MainWindowController::MainWindowController(const SettingsFile& settings, IDialogs& dialogs, IShell& shell,
                                           ISkinTarget& windowSkin)
    : settings_(settings), dialogs_(dialogs), shell_(shell), windowSkin_(windowSkin), list_(ListParts()),
      keeper_(list_, dialogs_, settings.Paths().dataFolder), run_(ListParts(), list_)
{
    // the chooser offers today's formats only with encoders these libraries have
    session_.EncoderPresent = EncoderPresent;
    run_.SetOpenOutputFolder([this] { Button20Click(); });
}

MainWindowController::~MainWindowController() { run_.FormCloseQuery(); }

ListWindowParts MainWindowController::ListParts()
{
    return ListWindowParts{
        mediaConverter1_,     dialogs_,  session_,    controls_,      log_,
        previewFile_,         listBusy_, pausedFlag_, stopRequested_, settings_.Paths().programFolder,
        [this] { Changed(); }};
}

void MainWindowController::Changed()
{
    if (controlsChanged_)
        controlsChanged_();
}

template <class Step> void MainWindowController::Guarded(Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
    }
}

bool MainWindowController::CloseAllowed()
{
    if (!mediaConverter1_.Working())
        return true;
    return dialogs_.MessageBox("文件正在转换中。关闭窗口将停止转换，已转换完成的文件会保留。\n确实要关闭吗？", "提示",
                               MessageIcon::Question, MessageButtons::OkCancel) == MessageResult::Ok;
}

void MainWindowController::FormCreate()
{
    Guarded([&] { Button1Click(); });
    session_.Settings.OutputFile.clear();
    pausedFlag_ = false;
    list_.Button15Click();
    Guarded([&] { Button17Click(); });
    Button19Click();
    Guarded([&] { ReadFilesAtOnce(); });
    Button21Click();
    Guarded([&] { Button55Click(); });
    thumbDragging_ = false;
    listBusy_ = false;
    run_.AttachEvents();
    Guarded([&] { keeper_.Restore(); });
    Changed();
}

void MainWindowController::Button1Click() { ApplyStoredSkin(settings_, windowSkin_); }

void MainWindowController::Button16Click()
{
    std::error_code ec;
    if (!outputFolder_.empty() && fs::is_directory(outputFolder_, ec))
        settings_.Write(kOutPathSection, kOutPathKey, outputFolder_);
}

void MainWindowController::UseDefaultOutputFolder(bool createParents)
{
    const std::string& folder = settings_.Paths().defaultOutputFolder;
    if (!fs::exists(folder)) {
        if (createParents)
            fs::create_directories(folder);
        else
            fs::create_directory(folder);
    }
    settings_.Write(kOutPathSection, kOutPathKey, folder);
    SetOutputFolder(folder);
}

void MainWindowController::SetOutputFolder(const std::string& folder)
{
    outputFolder_ = folder;
    controls_.outputFolderText = folder;
    session_.OutputFolder = folder;
}

void MainWindowController::Button17Click()
{
    try {
        if (settings_.Exists()) {
            const std::string stored = settings_.Read(kOutPathSection, kOutPathKey);
            if (!stored.empty() && stored != kNotSet) {
                std::error_code ignored;  // a folder that cannot be created is still taken
                fs::create_directories(stored, ignored);
                SetOutputFolder(stored);
            } else {
                UseDefaultOutputFolder(false);
            }
        } else {
            UseDefaultOutputFolder(true);
        }
    } catch (const std::exception&) {
        // not shown: the default folder is taken instead
        std::error_code ignored;
        fs::create_directories(settings_.Paths().defaultOutputFolder, ignored);
        settings_.Write(kOutPathSection, kOutPathKey, settings_.Paths().defaultOutputFolder);
        SetOutputFolder(settings_.Paths().defaultOutputFolder);
    }
    Changed();
}

void MainWindowController::Button19Click()
{
    controls_.afterCompletionIndex = 2;
    controls_.priorityIndex = 3;
    controls_.simultaneousIndex = 0;
    Changed();
}

void MainWindowController::ReadFilesAtOnce()
{
    const std::string stored = settings_.Exists() ? settings_.Read(kConvertSection, kFilesAtOnceKey) : kNotSet;
    const int last = static_cast<int>(SimultaneousChoices().size()) - 1;
    int files = 0;
    if (stored != kFilesAtOnceAuto && stored != kNotSet) {
        char* end = nullptr;
        const long value = std::strtol(stored.c_str(), &end, 10);
        if (end != stored.c_str() && *end == '\0' && value >= 1 && value <= last)
            files = static_cast<int>(value);
    }
    controls_.simultaneousIndex = files;  // anything else stored reads as automatic
    Changed();
}

void MainWindowController::suiComboBox3Change(int index)
{
    if (index < 0 || index >= static_cast<int>(SimultaneousChoices().size()) || index == controls_.simultaneousIndex)
        return;
    controls_.simultaneousIndex = index;
    Guarded([&] {
        settings_.Write(kConvertSection, kFilesAtOnceKey, index == 0 ? kFilesAtOnceAuto : std::to_string(index));
    });
}

void MainWindowController::Button20Click() { shell_.OpenDefault(controls_.outputFolderText); }

void MainWindowController::Button21Click() { openDialogFilter_ = ::OpenDialogFilter(); }

void MainWindowController::Button55Click()
{
    if (settings_.Exists()) {
        const std::string stored = settings_.Read(kSnapShotSection, kSnapShotPictureKey);
        for (const char* type : kSnapshotTypes) {
            if (stored == type) {
                controls_.snapshotType = type;
                Changed();
                return;
            }
        }
    }
    settings_.Write(kSnapShotSection, kSnapShotPictureKey, "BMP");
    controls_.snapshotType = "BMP";
    Changed();
}

void MainWindowController::suiButton3Click()
{
    Guarded([&] {
        const std::optional<std::string> folder = dialogs_.ChooseFolder("选择输出文件存放目录", outputFolder_);
        if (!folder)
            return;
        SetOutputFolder(*folder);
        Changed();
        Button16Click();
    });
}

void MainWindowController::suiButton11Click() { Button20Click(); }

void MainWindowController::ToolButtonHover(ToolButton button)
{
    const std::string text(ToolButtonOf(button).statusText);
    if (controls_.statusText == text)
        return;
    controls_.statusText = text;
    Changed();
}

void MainWindowController::SkinMenuItemClick(const SkinEntry& entry)
{
    Guarded([&] { ChooseSkin(entry, settings_, windowSkin_); });
}

void MainWindowController::N3Click() { shell_.OpenDefault(settings_.Paths().ProgramFile(std::string(kHelpFileName))); }

void MainWindowController::N9Click() { shell_.OpenDefault(std::string(kMakerWebSite)); }

void MainWindowController::N5Click() { shell_.OpenDefault("mailto:" + std::string(kSupportMailAddress)); }
