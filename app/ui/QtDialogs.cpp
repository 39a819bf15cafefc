#include "app/ui/QtDialogs.h"

#include "app/MainWindowTables.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

namespace {

// The desktop's own dialogs where there is a desktop; Qt's (translated) elsewhere.
QFileDialog::Options DialogOptions()
{
    return UseNativeDialogs() ? QFileDialog::Options() : QFileDialog::DontUseNativeDialog;
}

QFileDialog* MakeOpenDialog(QWidget* owner, const char* name, QFileDialog::FileMode mode)
{
    auto* dialog = new QFileDialog(owner);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setFileMode(mode);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setSizeGripEnabled(true);
    dialog->setOptions(DialogOptions() | QFileDialog::HideNameFilterDetails);
    return dialog;
}

}  // namespace

bool UseNativeDialogs()
{
    return !qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP") &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

QString QtNameFilter(const FileFilter& entry)
{
    QStringList patterns = QString::fromStdString(entry.patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    patterns.removeDuplicates();
    return QString::fromStdString(entry.description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
           QLatin1Char(')');
}

QtDialogs::QtDialogs(QWidget* owner)
    : owner_(owner), oneFile_(MakeOpenDialog(owner, "OpenDialog1", QFileDialog::ExistingFile)),
      manyFiles_(MakeOpenDialog(owner, "OpenDialog2", QFileDialog::ExistingFiles))
{}

void QtDialogs::SetOpenFilter(const std::vector<FileFilter>& filter)
{
    QStringList names;
    for (const FileFilter& entry : filter)
        names << QtNameFilter(entry);
    for (QFileDialog* dialog : {oneFile_, manyFiles_}) {
        dialog->setNameFilters(names);
        if (!names.isEmpty())
            dialog->selectNameFilter(names.front());
    }
}

std::vector<std::string> QtDialogs::Run(QFileDialog* dialog, const std::vector<FileFilter>& filter)
{
    SetOpenFilter(filter);  // the first entry is selected whenever a dialog opens
    if (!lastFolder_.isEmpty())
        dialog->setDirectory(lastFolder_);
    std::vector<std::string> chosen;
    if (dialog->exec() != QDialog::Accepted)
        return chosen;
    for (const QString& file : dialog->selectedFiles())
        chosen.push_back(file.toStdString());
    if (!chosen.empty())
        lastFolder_ = QFileInfo(QString::fromStdString(chosen.front())).absolutePath();
    return chosen;
}

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title, const std::string& startFolder)
{
    // a caller without a folder of its own starts where the last dialog ended
    const QString start = startFolder.empty() ? lastFolder_ : QString::fromStdString(startFolder);
    const QString folder = QFileDialog::getExistingDirectory(owner_, QString::fromStdString(title), start,
                                                             DialogOptions() | QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    lastFolder_ = folder;
    return folder.toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(const std::vector<FileFilter>& filter)
{
    const std::vector<std::string> chosen = Run(oneFile_, filter);
    if (chosen.empty())
        return std::nullopt;
    return chosen.front();
}

std::vector<std::string> QtDialogs::OpenFiles(const std::vector<FileFilter>& filter) { return Run(manyFiles_, filter); }

MessageResult QtDialogs::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                    MessageButtons buttons)
{
    QMessageBox box(owner_);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == MessageButtons::OkCancel)
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    else
        box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);  // Enter answers 确定
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

void QtDialogs::ShowError(const std::string& text)
{
    MessageBox(text, std::string(kApplicationTitle), MessageIcon::Error, MessageButtons::Ok);
}
