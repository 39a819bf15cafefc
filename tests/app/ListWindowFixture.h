#pragma once
// The main window's logic with a real converter, scripted dialogs, a format
// chooser that confirms the option window's defaults of one format, and a
// hand-over queue the test pumps in place of an event loop.
#include "AppFakes.h"
#include "app/IFormatChooser.h"
#include "app/IShutdown.h"
#include "app/MainWindowController.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"
#include "media/QueueMainThread.h"
#include "support/TestMedia.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace apptest {

struct ShownBox {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons;
};

class ScriptedDialogs : public FakeDialogs {
public:
    std::deque<std::optional<std::string>> openFileAnswers;
    std::deque<std::vector<std::string>> openFilesAnswers;
    MessageResult confirmAnswer = MessageResult::Ok;  // answer of OK/Cancel boxes
    std::vector<ShownBox> boxes;

    std::optional<std::string> OpenFile(const std::vector<FileFilter>&) override
    {
        if (openFileAnswers.empty())
            return std::nullopt;
        auto answer = openFileAnswers.front();
        openFileAnswers.pop_front();
        return answer;
    }
    std::vector<std::string> OpenFiles(const std::vector<FileFilter>&) override
    {
        if (openFilesAnswers.empty())
            return {};
        auto answer = openFilesAnswers.front();
        openFilesAnswers.pop_front();
        return answer;
    }
    MessageResult MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override
    {
        boxes.push_back({text, caption, icon, buttons});
        return buttons == MessageButtons::OkCancel ? confirmAnswer : MessageResult::Ok;
    }
    std::vector<ShownBox> BoxesCaptioned(const std::string& caption) const
    {
        std::vector<ShownBox> found;
        for (const ShownBox& box : boxes)
            if (box.caption == caption)
                found.push_back(box);
        return found;
    }
};

class SilentFormatsDialogs : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string&) override {}
    void OpenWithDefaultApplication(const std::string&) override {}
};

// Confirms the option window of `formatNumber` with its default entries.
class DefaultsChooser : public IFormatChooser {
public:
    explicit DefaultsChooser(FormatSession& session) : session_(session) {}
    int formatNumber = 1;
    bool cancel = false;
    // A clip the option window confirms with the defaults: start and length in ms.
    std::optional<std::pair<int64_t, int64_t>> clipMs;
    std::vector<bool> clipEnabled;  // every ResetClipCheck
    int shown = 0;

    void ResetClipCheck(bool enabled) override { clipEnabled.push_back(enabled); }
    void RunModal() override
    {
        ++shown;
        if (cancel) {
            session_.ChooserResult = kChooserCancelled;
            return;
        }
        session_.ChooserResult = kChooserGoOn;
        session_.FormatNumber = formatNumber;
        SilentFormatsDialogs dialogs;
        OptionWindowModel options(session_, dialogs);
        options.Shown();
        options.Confirm();
        if (clipMs) {
            session_.Settings.CutMode = "Select";
            session_.Settings.CutStart = clipMs->first;
            session_.Settings.CutLength = clipMs->second;
        }
    }

private:
    FormatSession& session_;
};

class CountingShutdown : public IShutdown {
public:
    int calls = 0;
    bool PowerOff() override
    {
        ++calls;
        return false;  // refused: nothing else happens
    }
};

// Installs the queue as the process's main-thread hand-over for its lifetime.
struct MainThreadInstall {
    explicit MainThreadInstall(IMainThread& queue) { SetMainThread(&queue); }
    ~MainThreadInstall() { SetMainThread(nullptr); }
};

class ListWindowTest : public testing::Test {
protected:
    ListWindowTest()
        : paths(PrepareFolders(dir.path())), settings(paths), install(queue), window(settings, dialogs, shell, skin),
          chooser(window.Session())
    {
        window.FormCreate();
        window.SetFormatChooser(&chooser);
        window.SetShutdown(&shutdown);
    }

    static ProgramPaths PrepareFolders(const std::string& root)
    {
        ProgramPaths prepared = PathsUnder(root);
        std::filesystem::create_directories(prepared.programFolder);
        std::filesystem::create_directories(std::filesystem::path(prepared.defaultOutputFolder).parent_path());
        return prepared;
    }

    ConversionList& List() { return window.List(); }
    RunControl& Run() { return window.Run(); }
    const std::string& OutputFolder() const { return window.OutputFolder(); }
    std::string Output(const std::string& name) const { return OutputFolder() + "/" + name; }
    std::string Status(int row) { return List().Rows().at(static_cast<size_t>(row)).Status; }
    int Progress(int row) { return List().Rows().at(static_cast<size_t>(row)).Progress; }
    std::vector<std::string> Statuses()
    {
        std::vector<std::string> statuses;
        for (const ListRow& row : List().Rows())
            statuses.push_back(row.Status);
        return statuses;
    }
    std::vector<std::string> Sources()
    {
        std::vector<std::string> sources;
        for (const ListRow& row : List().Rows())
            sources.push_back(row.SourceFile);
        return sources;
    }

    void AddOne(const std::string& file)
    {
        dialogs.openFileAnswers.push_back(file);
        List().MenuItem15Click();
    }
    void AddMany(const std::vector<std::string>& files)
    {
        dialogs.openFilesAnswers.push_back(files);
        List().N2Click();
    }
    // `count` copies of one short clip under distinct names.
    std::vector<std::string> Clips(int count, double seconds = 1.0)
    {
        const std::string clip = qtest::MakeMp4Clip(dir.path(), seconds);
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            const std::string copy = dir.file("source" + std::to_string(i) + ".mp4");
            std::filesystem::copy_file(clip, copy, std::filesystem::copy_options::overwrite_existing);
            files.push_back(copy);
        }
        return files;
    }
    // Pumps the hand-overs (the program's event loop) until `done`.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        return queue.pumpUntil(
            [&] {
                Run().ApplyTerminations();
                return done();
            },
            timeoutMs);
    }
    bool RunEnded()
    {
        const MainWindowControls& c = window.Controls();
        return !window.Converter().Working() && !c.ToolEnabled(ToolButton::Stop) && c.ToolEnabled(ToolButton::Start);
    }
    bool PumpUntilRunEnded(int timeoutMs = 60000)
    {
        return PumpUntil([&] { return RunEnded(); }, timeoutMs);
    }

    qtest::ScratchDir dir;
    ProgramPaths paths;
    SettingsFile settings;
    ScriptedDialogs dialogs;
    FakeShell shell;
    FakeSkinTarget skin;
    CountingShutdown shutdown;
    QueueMainThread queue;
    MainThreadInstall install;
    MainWindowController window;
    DefaultsChooser chooser;
};

}  // namespace apptest
