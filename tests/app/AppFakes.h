#pragma once
// Fakes of the desktop interfaces for the main window's logic.
#include "app/IDialogs.h"
#include "app/IShell.h"
#include "app/ISkinTarget.h"
#include "app/ProgramPaths.h"

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace apptest {

class FakeDialogs : public IDialogs {
public:
    std::deque<std::optional<std::string>> folderAnswers;  // next answers of ChooseFolder
    std::vector<std::string> folderTitles;
    std::vector<std::string> errors;

    std::optional<std::string> ChooseFolder(const std::string& title, const std::string&) override
    {
        folderTitles.push_back(title);
        if (folderAnswers.empty())
            return std::nullopt;
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> OpenFile(const std::vector<FileFilter>&) override { return std::nullopt; }
    std::vector<std::string> OpenFiles(const std::vector<FileFilter>&) override { return {}; }
    MessageResult MessageBox(const std::string&, const std::string&, MessageIcon, MessageButtons) override
    {
        return MessageResult::Ok;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
};

class FakeShell : public IShell {
public:
    std::vector<std::string> opened;
    void OpenDefault(const std::string& target) override { opened.push_back(target); }
};

// Records what the theme engine was asked to do, one line per call.
class FakeSkinTarget : public ISkinTarget {
public:
    std::vector<std::string> calls;
    void ApplyBuiltInStyle(std::string_view styleName) override { calls.push_back("style " + std::string(styleName)); }
    void ApplySkinFile(const std::string& path) override { calls.push_back("file " + path); }
    void RestoreWindows() override { calls.push_back("restore"); }
};

// Paths of a program living in `root`/program with its home in `root`/home.
inline ProgramPaths PathsUnder(const std::string& root)
{
    ProgramPaths paths;
    paths.programFolder = root + "/program/";
    paths.configFolder = root + "/config/quorvex/";
    paths.defaultOutputFolder = root + "/home/Video_Directory";
    paths.defaultSnapshotFolder = root + "/home/Video_Directory/快照";
    paths.dataFolder = root + "/data/quorvex/";
    return paths;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace apptest
