#pragma once
// The window "网上升级"; created once at start and shown modally from the main
// window. Shows the state of its UpdateCheck.
#include "app/CurlDownloader.h"
#include "app/UpdateCheck.h"
#include "app/ui/QtShell.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class TForm6 final : public QDialog {
    Q_OBJECT
public:
    // Saves the version file as `updateFile`; by default update.ini beside the program.
    explicit TForm6(QWidget* parent = nullptr, const std::string& updateFile = {});

    // Replace the download and the shell (tests); not owned.
    void SetServices(IDownloader* downloader, IShell* shell, const std::string& serverAddress);
    UpdateCheck& Check() { return *check_; }

    QPlainTextEdit* Memo() const { return memo_; }
    QLabel* StatusLabel() const { return status_; }
    QProgressBar* Progress() const { return progress_; }
    QPushButton* CheckButton() const { return checkButton_; }
    QPushButton* DownloadButton() const { return downloadButton_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void MakeCheck(IDownloader& downloader, IShell& shell, const std::string& serverAddress);
    void ShowState();

    std::string updateFile_;
    CurlDownloader ownDownloader_;
    QtShell ownShell_;
    std::unique_ptr<UpdateCheck> check_;
    QPlainTextEdit* memo_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
};
