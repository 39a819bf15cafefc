#pragma once
// The main window: toolbar, player group, conversion list group, options
// group and status bar. It only builds and wires widgets; the logic is
// MainWindowController's.
#include "app/MainWindowController.h"
#include "app/ui/PictureSet.h"
#include "app/ui/QtDialogs.h"
#include "app/ui/WindowSkin.h"

#include <QWidget>
#include <array>
#include <memory>

class ConversionListView;
class HoverPicture;
class QAction;
class QActionGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QResizeEvent;
class QCloseEvent;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class VideoSurface;

class TForm1 final : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs its creation handler.
    TForm1(const SettingsFile& settings, IShell& shell, QWidget* parent = nullptr);
    ~TForm1() override;

    MainWindowController& Controller() { return *controller_; }
    QTreeWidget* ConversionListWidget() const { return conversionList_; }
    VideoSurface* PlayerSurface() const { return playerSurface_; }

signals:
    void aboutRequested();  // 关于软件
    void updateRequested();  // 网上升级...

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // During a run it asks first; closing stops the run, finished files stay.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildToolbar();
    void BuildPlayerGroup();
    void BuildListGroup();
    void BuildOptionsGroup();
    void BuildMenus();
    void BuildHiddenPanel();
    HoverPicture* AddPictureButton(QWidget* group, const char* name, const char* hint, QPoint at,
                                   const char* normalImage, const char* hoverImage, const char* area,
                                   const QString& picture);
    QLabel* AddHiddenImage(QWidget* group, const char* name, const QPixmap& pixmap);
    QComboBox* AddComboBox(QWidget* group, const char* name, const std::vector<std::string_view>& items,
                           QRect geometry);
    QLabel* AddLabel(QWidget* group, const char* text, QRect geometry);
    // Shows the controller's control state.
    void ShowControls();
    // The conversion list, run control and log: the view, the buttons and menus, the hand-overs.
    void WireConversionList();

    PictureSet pictures_;
    WindowSkin skin_;
    QtDialogs dialogs_;
    std::unique_ptr<MainWindowController> controller_;

    QWidget* toolbar_ = nullptr;
    std::array<QToolButton*, kToolButtonCount> toolButtons_{};
    std::array<QPushButton*, kListButtonCount> activeListButtons_{};
    std::array<QPushButton*, kListButtonCount> inactiveListButtons_{};
    QPushButton* infoButton_ = nullptr;
    QTreeWidget* conversionList_ = nullptr;
    VideoSurface* playerSurface_ = nullptr;
    QSlider* seekBar_ = nullptr;
    QLineEdit* outputFolderEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* openFolderButton_ = nullptr;
    QComboBox* existingFileBox_ = nullptr;
    QComboBox* afterCompletionBox_ = nullptr;
    QComboBox* priorityBox_ = nullptr;
    QComboBox* simultaneousBox_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* listProgress_ = nullptr;  // the whole list's progress
    QGroupBox* listGroup_ = nullptr;
    QGroupBox* optionsGroup_ = nullptr;
    QMenu* skinMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QMenu* addMenu_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    QMenu* snapshotMenu_ = nullptr;
    QActionGroup* snapshotTypes_ = nullptr;
    QPlainTextEdit* logMemo_ = nullptr;
    ConversionListView* listView_ = nullptr;
};
