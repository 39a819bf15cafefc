#pragma once
// Dialogs and message boxes, as the windows' logic needs them. The program
// shows them with Qt; tests answer them with a fake.
#include <optional>
#include <string>
#include <vector>

// One entry of a file-open dialog's filter list.
struct FileFilter {
    std::string description;  // "AVI文件 (*.avi)"
    std::string patterns;  // "*.avi;*.AVI", separated by ";"
};

enum class MessageIcon { Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok, Cancel };

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // A folder-selection dialog; nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) = 0;
    // A file-open dialog for one existing file, the first filter entry selected;
    // nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const std::vector<FileFilter>& filter) = 0;
    // The same for several files, in the order the dialog lists them; empty when cancelled.
    virtual std::vector<std::string> OpenFiles(const std::vector<FileFilter>& filter) = 0;
    virtual MessageResult MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons) = 0;
    // The program's default handling of an error that ended a handler.
    virtual void ShowError(const std::string& text) = 0;
};
