#pragma once
// The format chooser "选择转换格式": four pages of large icons; 下一步 opens
// the option window. The main window calls RunModal() and then reads the
// session's ChooserResult ("2" = cancelled).
#include <QDialog>
#include <memory>

#include "formats/FormatCatalogue.h"
#include "formats/FormatSession.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class TForm8;
class IFormatsDialogs;
class ChooserModel;

class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(FormatSession& session, QWidget* parent = nullptr);
    ~TForm7() override;

    // The option window 下一步 opens (not owned). Without one 下一步 only closes.
    void SetOptionWindow(TForm8* optionWindow);
    // Message boxes go here (not owned); nullptr restores the Qt boxes.
    void SetDialogs(IFormatsDialogs* dialogs);

    // Shows the chooser modally until it is left forwards (through the option
    // window's confirmation) or cancelled; ChooserResult tells which.
    void RunModal();

    ChooserModel& Model() { return *model_; }

    // Shows the chooser without waiting, on `page` (0-based) with its first
    // entry chosen: for screenshots of a page.
    void ShowPage(int page);

signals:
    // The chooser was closed by any route; the main window repaints.
    void Closed();

public slots:
    // The same as RunModal(); Accepted when the user went on, Rejected after 取消.
    int exec() override;
    // 取消, the title bar's close button and Escape: ChooserResult "2".
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void fillLists();
    void showModelSelection();
    void onNextClicked();
    void onCancelClicked();
    void onTabChanged(int index);
    void onSelectionChanged(int page);
    IFormatsDialogs& dialogs();

    FormatSession& session_;
    std::unique_ptr<ChooserModel> model_;
    std::unique_ptr<IFormatsDialogs> qtDialogs_;
    IFormatsDialogs* dialogs_ = nullptr;
    TForm8* optionWindow_ = nullptr;
    bool syncing_ = false;  // true while the window mirrors the model into the lists
    bool nextRequested_ = false;  // 下一步 ended the current modal round
    bool ignoreRelease_ = false;  // the release after a double click is no click

    QLabel* promptLabel_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QListWidget* lists_[kCataloguePageCount] = {};
    QPushButton* nextButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
