#include "app/ui/WindowsWiring.h"

#include "app/MediaInfo.h"
#include "app/PasswordLock.h"
#include "app/ui/HoverPicture.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TForm1.h"
#include "app/ui/TForm5.h"
#include "app/ui/TForm9.h"
#include "app/ui/VideoSurface.h"
#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

namespace {

// A control of the main window itself; the secondary windows are its
// children too and reuse some of the names.
template <class T = QWidget> T* Find(QWidget* main, const char* name)
{
    for (T* found : main->findChildren<T*>(QString::fromLatin1(name))) {
        QObject* owner = found->parent();
        while (owner && owner != main && !qobject_cast<QDialog*>(owner))
            owner = owner->parent();
        if (owner == main)
            return found;
    }
    return nullptr;
}

}  // namespace

WindowsWiring::WindowsWiring(ProgramWindows& windows, const SettingsFile& settings, IShell& shell)
    : QObject(&windows.Main()), windows_(windows), settings_(settings), shell_(shell), dialogs_(&windows.Main()),
      snapshots_(settings)
{
    TForm1& main = windows_.Main();
    PlayerPanel::Hooks hooks;
    hooks.hostWindow = [&main] { return static_cast<uintptr_t>(main.PlayerSurface()->winId()); };
    hooks.appendLog = [&main](const std::string& text) { main.Controller().Log().Append(text); };
    hooks.showStatus = [&main](const std::string& text) {
        if (auto* bar = Find<QStatusBar>(&main, "suiStatusBar1"))
            bar->showMessage(QString::fromStdString(text));
    };
    hooks.playSound = [this](const std::string& path) { camera_.Play(path); };
    hooks.showError = [this](const std::string& text) { dialogs_.ShowError(text); };
    hooks.waitMs = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    hooks.showSeekPosition = [this](int position) {
        if (seekBar_ && !seekBar_->isSliderDown())
            seekBar_->setValue(position);
    };
    hooks.showNoPicture = [this] { ShowBlackSurface(); };
    const ProgramPaths& paths = settings.Paths();
    panel_ = std::make_unique<PlayerPanel>(player_, snapshots_, paths.programFolder + "LibAV",
                                           paths.ProgramFile("sounds/cam.wav"), hooks);

    if (auto* info = Find<QPushButton>(&main, "suiButton12"))
        connect(info, &QPushButton::clicked, this, &WindowsWiring::ShowMediaInformation);
    list_ = Find<QTreeWidget>(&main, "AdvListView1");
    if (list_) {
        connect(list_, &QTreeWidget::itemSelectionChanged, this, &WindowsWiring::FollowSelectionSoon);
        connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { ShowMediaInformation(); });
    }
    WirePlayerGroup();
    WireSnapshotMenu();
}

WindowsWiring::~WindowsWiring()
{
    player_.DetachEvents();
    player_.Close();
    windows_.Main().PlayerSurface()->SetPresenter({});
}

bool WindowsWiring::PassLock() { return windows_.Lock().PassLock(); }

int WindowsWiring::SelectedRow() const
{
    const ConversionList& list = windows_.Main().Controller().List();
    const int row = list.Selected();
    return row >= 0 && row < list.RowCount() ? row : -1;
}

void WindowsWiring::ShowMediaInformation()
{
    ConversionList& list = windows_.Main().Controller().List();
    if (list.RowCount() == 0 || !list_ || list_->selectedItems().isEmpty())
        return;
    const int row = list_->indexOfTopLevelItem(list_->selectedItems().first());
    if (row < 0 || row >= list.RowCount())
        return;
    const std::string path = list.Rows()[static_cast<size_t>(row)].SourceFile;
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
        return;
    if (!GetFFmpegLoader().Loaded(ConverterLibraries))
        GetFFmpegLoader().Load(ConverterLibraries);
    TAVProbe probe;
    windows_.MediaInformation().SetInformation(GatherMediaInfo(probe, path));
    windows_.MediaInformation().exec();
}

void WindowsWiring::FollowSelectionSoon()
{
    if (followPending_)
        return;
    followPending_ = true;
    QTimer::singleShot(0, this, [this] {
        followPending_ = false;
        FollowSelection();
    });
}

void WindowsWiring::FollowSelection()
{
    if (!list_)
        return;
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    ConversionList& list = windows_.Main().Controller().List();
    if (selected.isEmpty()) {
        // a click that leaves no row selected, a remove and a clear close the preview
        panel_->ClosePreview();
        return;
    }
    const int row = list_->indexOfTopLevelItem(selected.first());
    if (row < 0 || row >= list.RowCount())
        return;
    const std::string& file = list.Rows()[static_cast<size_t>(row)].SourceFile;
    if (seekBar_ && file != panel_->PreviewFile())
        seekBar_->setValue(0);
    panel_->SelectRow(file, windows_.Main().Controller().ListBusy());
}

void WindowsWiring::WirePlayerGroup()
{
    TForm1& main = windows_.Main();
    auto button = [&main](const char* name) { return Find<HoverPicture>(&main, name); };
    auto focusList = [this] {
        if (list_)
            list_->setFocus();
    };
    if (auto* play = button("Image3"))
        connect(play, &HoverPicture::clicked, this, [this, focusList] {
            panel_->Image3Click();
            focusList();
        });
    if (auto* pause = button("Image4"))
        connect(pause, &HoverPicture::clicked, this, [this, focusList] {
            panel_->Image4Click();
            focusList();
        });
    if (auto* stop = button("Image5"))
        connect(stop, &HoverPicture::clicked, this, [this] { panel_->Image5Click(SelectedRow() >= 0); });
    if (auto* mute = button("Image14")) {
        connect(mute, &HoverPicture::clicked, this, [this, mute, &main] {
            panel_->Image14Click();
            const bool muted = std::string(panel_->MutePicture()) == "Image20";
            auto* normal = Find<QLabel>(&main, muted ? "Image20" : "Image18");
            auto* hover = Find<QLabel>(&main, muted ? "Image21" : "Image16");
            if (normal && hover) {
                mute->SetPictures(normal->pixmap(), hover->pixmap());
                mute->ShowHover();
            }
        });
    }
    if (auto* snapshot = button("Image24"))
        connect(snapshot, &HoverPicture::clicked, this, [this] { panel_->Image24Click(); });
    if (auto* settingsButton = button("Image26"))
        settingsButton->installEventFilter(this);

    seekBar_ = Find<QSlider>(&main, "suiTrackBar1");
    // the mouse anywhere on the bar, not only on its thumb
    if (seekBar_)
        seekBar_->installEventFilter(this);
    player_.SetFileOpened([this](int64_t duration) {
        panel_->FileOpened(duration);
        // from now on the player draws into Panel2 and repaints it on request
        windows_.Main().PlayerSurface()->SetPresenter([this] { player_.Player().Repaint(); });
        if (seekBar_) {
            seekBar_->setTickInterval(panel_->SeekTickFrequency());
            seekBar_->setMaximum(panel_->SeekMaximum());
            seekBar_->setValue(0);
        }
    });
    // Remove and clear close the preview and leave the surface black
    for (const char* name : {"ToolButton12", "ToolButton2", "suiButton6", "suiButton7", "suiButton2", "suiButton8"}) {
        if (auto* pressable = Find<QAbstractButton>(&main, name))
            connect(pressable, &QAbstractButton::clicked, this, &WindowsWiring::FollowSelectionSoon);
    }
}

void WindowsWiring::ShowBlackSurface()
{
    windows_.Main().PlayerSurface()->SetPresenter({});
    windows_.Main().PlayerSurface()->update();
}

void WindowsWiring::TickType(SnapshotType type)
{
    const char* names[] = {"BMP1", "JPEG1", "GIF1", "PNG1"};
    if (auto* item = Find<QAction>(&windows_.Main(), names[static_cast<int>(type)]))
        item->setChecked(true);
}

void WindowsWiring::ShowSnapshotMenuNormal()
{
    if (auto* settingsButton = Find<HoverPicture>(&windows_.Main(), "Image26"))
        settingsButton->ShowNormal();
}

void WindowsWiring::WireSnapshotMenu()
{
    TForm1& main = windows_.Main();
    auto guarded = [this](auto step) {
        return [this, step] {
            try {
                step();
            } catch (const std::exception& error) {
                dialogs_.ShowError(error.what());
            }
        };
    };
    if (auto* open = Find<QAction>(&main, "N6"))
        connect(open, &QAction::triggered, this, guarded([this] {
                    const std::string folder = snapshots_.DetermineFolder();
                    ShowSnapshotMenuNormal();
                    shell_.OpenDefault(folder);
                }));
    if (auto* choose = Find<QAction>(&main, "N7"))
        connect(choose, &QAction::triggered, this, guarded([this] {
                    ShowSnapshotMenuNormal();
                    snapshots_.ChooseFolder(dialogs_);
                }));
    const std::pair<const char*, SnapshotType> types[] = {{"BMP1", SnapshotType::BMP},
                                                          {"JPEG1", SnapshotType::JPG},
                                                          {"GIF1", SnapshotType::GIF},
                                                          {"PNG1", SnapshotType::PNG}};
    for (const auto& [name, type] : types) {
        if (auto* item = Find<QAction>(&main, name))
            connect(item, &QAction::triggered, this, guarded([this, type = type] {
                        snapshots_.SetType(type);
                        TickType(type);
                        ShowSnapshotMenuNormal();
                    }));
    }
    if (auto* menu = Find<QMenu>(&main, "suiPopupMenu4"))
        connect(menu, &QMenu::aboutToShow, this, [&main] {
            if (auto* settingsButton = Find<HoverPicture>(&main, "Image26"))
                settingsButton->ShowHover();
        });
}

bool WindowsWiring::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == seekBar_ && event->type() == QEvent::MouseButtonPress) {
        panel_->SeekMouseDown();
        return false;
    }
    if (watched == seekBar_ && event->type() == QEvent::MouseButtonRelease) {
        // after the bar has taken its new position
        QTimer::singleShot(0, this, [this] { panel_->SeekMouseUp(seekBar_->value()); });
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && watched->objectName() == QLatin1String("Image26")) {
        auto* press = static_cast<QMouseEvent*>(event);
        try {
            TickType(snapshots_.DetermineType());
        } catch (const std::exception& error) {
            dialogs_.ShowError(error.what());
        }
        if (auto* menu = Find<QMenu>(&windows_.Main(), "suiPopupMenu4")) {
            if (press->button() == Qt::LeftButton || press->button() == Qt::RightButton)
                menu->exec(press->globalPosition().toPoint());
        }
        ShowSnapshotMenuNormal();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
