#pragma once
// Dialogs and message boxes of the main window, shown with Qt. Owns the two
// file-open dialogs OpenDialog1 (one file) and OpenDialog2 (several files).
#include "app/IDialogs.h"

#include <QString>

class QFileDialog;
class QWidget;

class QtDialogs final : public IDialogs {
public:
    explicit QtDialogs(QWidget* owner);

    // Gives both file-open dialogs `filter`.
    void SetOpenFilter(const std::vector<FileFilter>& filter);

    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override;
    std::optional<std::string> OpenFile(const std::vector<FileFilter>& filter) override;
    std::vector<std::string> OpenFiles(const std::vector<FileFilter>& filter) override;
    MessageResult MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    void ShowError(const std::string& text) override;

private:
    std::vector<std::string> Run(QFileDialog* dialog, const std::vector<FileFilter>& filter);

    QWidget* owner_;
    QFileDialog* oneFile_;
    QFileDialog* manyFiles_;
    QString lastFolder_;  // the folder of the last file or folder chosen, where the next dialog starts
};

// Whether the desktop's own file dialogs are used (a desktop session on X).
bool UseNativeDialogs();

// A filter entry as Qt reads it: the description, then the patterns in
// parentheses (shown without them).
QString QtNameFilter(const FileFilter& entry);
