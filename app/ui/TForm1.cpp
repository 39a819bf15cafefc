#include "app/ui/TForm1.h"

#include "app/MainWindowTables.h"
#include "app/ui/ConversionListView.h"
#include "app/ui/HoverPicture.h"
#include "app/ui/ToolbarButton.h"
#include "app/ui/VideoSurface.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr int kClientWidth = 851;
constexpr int kClientHeight = 628;
constexpr QSize kToolPictureSize(56, 56);
constexpr QSize kPlayerPictureSize(28, 28);
constexpr QSize kListPictureSize(16, 16);

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

TForm1::TForm1(const SettingsFile& settings, IShell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      pictures_(QString::fromStdString(settings.Paths().ProgramFile("pictures"))), skin_(this), dialogs_(this),
      controller_(std::make_unique<MainWindowController>(settings, dialogs_, shell, skin_))
{
    setObjectName(QStringLiteral("Form1"));
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    setWindowTitle(Text(kApplicationTitle));
    setWindowIcon(QIcon(pictures_.Pixmap(QStringLiteral("quorvex"), QSize(128, 128))));

    BuildToolbar();
    BuildPlayerGroup();
    BuildListGroup();
    BuildOptionsGroup();
    BuildMenus();
    BuildHiddenPanel();
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("suiStatusBar1"));
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setGeometry(0, kClientHeight - 22, kClientWidth, 22);
    listProgress_ = new QLabel(statusBar_);
    listProgress_->setObjectName(QStringLiteral("ListProgress"));
    statusBar_->addPermanentWidget(listProgress_);

    controller_->SetControlsChanged([this] { ShowControls(); });
    WireConversionList();
    controller_->FormCreate();
    dialogs_.SetOpenFilter(controller_->OpenDialogFilter());
    ShowControls();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

TForm1::~TForm1()
{
    delete listView_;  // it talks to the controller, which goes before the widgets
    listView_ = nullptr;
    // no termination, progress or log line may reach the window while it goes
    controller_->Run().SetPostToMainThread(nullptr);
    controller_->FormCloseQuery();
    controller_->Log().SetOnAppend(nullptr);
    controller_->Log().SetOnClear(nullptr);
    controller_->SetControlsChanged(nullptr);
}

void TForm1::WireConversionList()
{
    listView_ = new ConversionListView(conversionList_, controller_->List());
    ConversionList& list = controller_->List();
    RunControl& run = controller_->Run();
    const QList<QAction*> addItems = addMenu_->actions();
    connect(addItems.at(0), &QAction::triggered, this, [&list] { list.MenuItem15Click(); });
    connect(addItems.at(1), &QAction::triggered, this, [&list] { list.N2Click(); });
    connect(addItems.at(2), &QAction::triggered, this, [&list] { list.AddFolder(); });
    // right-click on a row: its format and settings again
    conversionList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(conversionList_, &QWidget::customContextMenuRequested, this, [this, &list](const QPoint& at) {
        QTreeWidgetItem* item = conversionList_->itemAt(at);
        if (!item || controller_->Converter().Working())
            return;
        conversionList_->setCurrentItem(item);
        rowMenu_->popup(conversionList_->viewport()->mapToGlobal(at));
    });
    connect(rowMenu_->actions().front(), &QAction::triggered, this, [this, &list] {
        const QList<QTreeWidgetItem*> selected = conversionList_->selectedItems();
        if (!selected.isEmpty())
            list.ChangeRowFormat(conversionList_->indexOfTopLevelItem(selected.first()));
    });
    auto tool = [this](ToolButton id) { return toolButtons_[static_cast<size_t>(id)]; };
    connect(tool(ToolButton::Remove), &QToolButton::clicked, this, [&list] { list.btnRemoveClick(); });
    connect(tool(ToolButton::Clear), &QToolButton::clicked, this, [&list] { list.btnClearClick(); });
    connect(tool(ToolButton::Start), &QToolButton::clicked, this, [&run] { run.btnStartClick(); });
    connect(tool(ToolButton::Pause), &QToolButton::clicked, this, [&run] { run.btnPauseClick(); });
    connect(tool(ToolButton::Stop), &QToolButton::clicked, this, [&run] { run.btnStopClick(); });
    auto listButton = [this](ListButton id) { return activeListButtons_[static_cast<size_t>(id)]; };
    connect(listButton(ListButton::Up), &QPushButton::clicked, this, [&list] { list.Button10Click(); });
    connect(listButton(ListButton::Down), &QPushButton::clicked, this, [&list] { list.Button11Click(); });
    connect(listButton(ListButton::Remove), &QPushButton::clicked, this, [&list] { list.btnRemoveClick(); });
    connect(listButton(ListButton::Clear), &QPushButton::clicked, this, [&list] { list.btnClearClick(); });

    MainWindowController* controller = controller_.get();
    connect(existingFileBox_, &QComboBox::currentIndexChanged, this,
            [controller](int index) { controller->suiComboBox4Change(index); });
    connect(afterCompletionBox_, &QComboBox::currentIndexChanged, this,
            [controller](int index) { controller->suiComboBox1Change(index); });
    connect(priorityBox_, &QComboBox::currentIndexChanged, this,
            [controller](int index) { controller->suiComboBox2Change(index); });
    connect(simultaneousBox_, &QComboBox::currentIndexChanged, this,
            [controller](int index) { controller->suiComboBox3Change(index); });

    controller_->Log().SetOnAppend(
        [this](const std::string& line) { logMemo_->appendPlainText(QString::fromStdString(line)); });
    controller_->Log().SetOnClear([this] { logMemo_->clear(); });
    // terminations come from the converter's delivery threads: queue them to the event loop
    run.SetPostToMainThread([this, &run] {
        QMetaObject::invokeMethod(
            this, [&run] { run.ApplyTerminations(); }, Qt::QueuedConnection);
    });
}

void TForm1::BuildToolbar()
{
    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("suiToolBar1"));
    toolbar_->setAttribute(Qt::WA_StyledBackground);
    toolbar_->setGeometry(0, 0, kClientWidth, 100);
    auto* row = new QHBoxLayout(toolbar_);
    row->setContentsMargins(10, 12, 10, 12);
    row->setSpacing(4);
    for (const ToolButtonInfo& info : ToolButtons()) {
        auto* button = new ToolbarButton(toolbar_);
        button->setObjectName(Text(info.name));
        button->setText(Text(info.caption));
        button->setIcon(pictures_.ToolIcon(Text(info.picture), kToolPictureSize));
        button->setIconSize(kToolPictureSize);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFixedSize(70, 76);
        button->setAutoRaise(true);
        button->installEventFilter(this);
        toolButtons_[static_cast<size_t>(info.id)] = button;
        row->addWidget(button);
        if (info.id == ToolButton::Clear || info.id == ToolButton::Stop) {
            auto* separator = new QFrame(toolbar_);
            separator->setFrameShape(QFrame::VLine);
            separator->setFrameShadow(QFrame::Sunken);
            row->addSpacing(6);
            row->addWidget(separator);
            row->addSpacing(6);
        }
    }
    row->addStretch(1);
    row->activate();
}

QLabel* TForm1::AddHiddenImage(QWidget* group, const char* name, const QPixmap& pixmap)
{
    auto* image = new QLabel(group);
    image->setObjectName(QString::fromLatin1(name));
    image->setPixmap(pixmap);
    image->hide();
    return image;
}

HoverPicture* TForm1::AddPictureButton(QWidget* group, const char* name, const char* hint, QPoint at,
                                       const char* normalImage, const char* hoverImage, const char* area,
                                       const QString& picture)
{
    const QPixmap normal = pictures_.Pixmap(picture, kPlayerPictureSize);
    const QPixmap hover = pictures_.Pixmap(picture + QStringLiteral("-hover"), kPlayerPictureSize);
    AddHiddenImage(group, normalImage, normal);
    AddHiddenImage(group, hoverImage, hover);

    // the larger transparent area around the button gives the normal picture back
    auto* restoreArea = new QLabel(group);
    restoreArea->setObjectName(QString::fromLatin1(area));
    restoreArea->setGeometry(at.x() - 5, at.y() - 5, kPlayerPictureSize.width() + 10, kPlayerPictureSize.height() + 10);
    restoreArea->setMouseTracking(true);
    restoreArea->installEventFilter(this);

    auto* button = new HoverPicture(group);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(hint));
    button->setGeometry(QRect(at, kPlayerPictureSize));
    button->SetPictures(normal, hover);
    button->raise();
    return button;
}

void TForm1::BuildPlayerGroup()
{
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("suiRadioGroup3"));
    group->setGeometry(16, 144, 329, 289);

    playerSurface_ = new VideoSurface(group);
    playerSurface_->setObjectName(QStringLiteral("Panel2"));
    playerSurface_->setGeometry(8, 18, 313, 190);

    seekBar_ = new QSlider(Qt::Horizontal, group);
    seekBar_->setObjectName(QStringLiteral("suiTrackBar1"));
    seekBar_->setGeometry(8, 214, 313, 22);

    const int y = 246;
    AddPictureButton(group, "Image3", "播放", {16, y}, "Image9", "Image6", "Image12", QStringLiteral("player-play"));
    AddPictureButton(group, "Image4", "暂停", {56, y}, "Image10", "Image7", "Image28", QStringLiteral("player-pause"));
    AddPictureButton(group, "Image5", "停止", {96, y}, "Image11", "Image8", "Image29", QStringLiteral("player-stop"));
    AddPictureButton(group, "Image14", "声音/静音", {205, y}, "Image18", "Image16", "Image19",
                     QStringLiteral("player-sound"));
    AddHiddenImage(group, "Image20", pictures_.Pixmap(QStringLiteral("player-muted"), kPlayerPictureSize));
    AddHiddenImage(group, "Image21", pictures_.Pixmap(QStringLiteral("player-muted-hover"), kPlayerPictureSize));
    AddPictureButton(group, "Image24", "捕捉快照", {245, y}, "Image1", "Image2", "Image25",
                     QStringLiteral("player-snapshot"));
    AddPictureButton(group, "Image26", "快照设置", {285, y}, "Image22", "Image23", "Image27",
                     QStringLiteral("player-snapshot-settings"));
}

void TForm1::BuildListGroup()
{
    auto* group = new QGroupBox(this);
    listGroup_ = group;
    group->setObjectName(QStringLiteral("suiRadioGroup1"));
    group->setGeometry(352, 144, 481, 289);

    conversionList_ = new QTreeWidget(group);
    conversionList_->setObjectName(QStringLiteral("AdvListView1"));
    conversionList_->setGeometry(8, 18, 465, 217);
    conversionList_->setRootIsDecorated(false);
    conversionList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    conversionList_->setSelectionMode(QAbstractItemView::SingleSelection);
    conversionList_->setUniformRowHeights(true);
    conversionList_->setAllColumnsShowFocus(true);
    const std::array<std::pair<const char*, int>, 10> columns{{{"序号", 40},
                                                               {"视频源文件", 120},
                                                               {"源格式", 60},
                                                               {"目标格式", 60},
                                                               {"当前时间", 80},
                                                               {"转换进度", 150},
                                                               {"状态", 64},
                                                               {"大小", 80},
                                                               {"速度", 56},
                                                               {"剩余时间", 70}}};
    QStringList captions;
    for (const auto& column : columns)
        captions << QString::fromUtf8(column.first);
    conversionList_->setHeaderLabels(captions);
    conversionList_->header()->setStretchLastSection(false);
    conversionList_->header()->setSectionsMovable(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        conversionList_->setColumnWidth(i, columns[i].second);

    const int y = 248;
    int x = 8;
    for (const ListButtonInfo& info : ListButtons()) {
        const QIcon icon(pictures_.Pixmap(Text(info.picture), kListPictureSize));
        const QIcon hover(pictures_.Pixmap(Text(info.picture) + QStringLiteral("-hover"), kListPictureSize));
        for (bool active : {true, false}) {
            auto* button = new QPushButton(icon, Text(info.caption), group);
            button->setObjectName(Text(active ? info.activeName : info.inactiveName));
            button->setGeometry(x, y, 84, 28);
            button->setIconSize(kListPictureSize);
            button->setEnabled(active);  // the inactive twin is drawn greyed
            if (active) {
                button->setProperty("hoverIcon", hover);
                button->setProperty("normalIcon", icon);
                button->installEventFilter(this);
                activeListButtons_[static_cast<size_t>(info.id)] = button;
            } else {
                inactiveListButtons_[static_cast<size_t>(info.id)] = button;
            }
        }
        x += 92;
    }
    infoButton_ = new QPushButton(QIcon(pictures_.Pixmap(QStringLiteral("list-info"), kListPictureSize)),
                                  QStringLiteral("信息"), group);
    infoButton_->setObjectName(QStringLiteral("suiButton12"));
    infoButton_->setGeometry(x, y, 84, 28);
    infoButton_->setProperty("hoverIcon", QIcon(pictures_.Pixmap(QStringLiteral("list-info-hover"), kListPictureSize)));
    infoButton_->setProperty("normalIcon", infoButton_->icon());
    infoButton_->installEventFilter(this);
}

QLabel* TForm1::AddLabel(QWidget* group, const char* text, QRect geometry)
{
    auto* label = new QLabel(QString::fromUtf8(text), group);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return label;
}

QComboBox* TForm1::AddComboBox(QWidget* group, const char* name, const std::vector<std::string_view>& items,
                               QRect geometry)
{
    auto* box = new QComboBox(group);
    box->setObjectName(QString::fromLatin1(name));
    for (std::string_view item : items)
        box->addItem(Text(item));
    box->setGeometry(geometry);
    return box;
}

void TForm1::BuildOptionsGroup()
{
    auto* group = new QGroupBox(this);
    optionsGroup_ = group;
    group->setObjectName(QStringLiteral("suiRadioGroup2"));
    group->setGeometry(16, 440, 817, 145);

    AddLabel(group, "输出文件存放目录：", QRect(10, 22, 140, 26));
    outputFolderEdit_ = new QLineEdit(group);
    outputFolderEdit_->setObjectName(QStringLiteral("suiEdit1"));
    outputFolderEdit_->setReadOnly(true);
    outputFolderEdit_->setGeometry(156, 22, 452, 26);
    browseButton_ = new QPushButton(QStringLiteral("浏览..."), group);
    browseButton_->setObjectName(QStringLiteral("suiButton3"));
    browseButton_->setGeometry(618, 21, 88, 28);
    openFolderButton_ = new QPushButton(QStringLiteral("打开"), group);
    openFolderButton_->setObjectName(QStringLiteral("suiButton11"));
    openFolderButton_->setGeometry(716, 21, 88, 28);

    AddLabel(group, "如果输出文件存在：", QRect(10, 62, 140, 26));
    existingFileBox_ = AddComboBox(group, "suiComboBox4", ExistingFileChoices(), QRect(156, 62, 220, 26));
    AddLabel(group, "全部文件转换完毕后：", QRect(400, 62, 150, 26));
    afterCompletionBox_ = AddComboBox(group, "suiComboBox1", AfterCompletionChoices(), QRect(556, 62, 248, 26));

    AddLabel(group, "同时进行转换的文件个数：", QRect(10, 102, 176, 26));
    simultaneousBox_ = AddComboBox(group, "suiComboBox3", SimultaneousChoices(), QRect(192, 102, 184, 26));

    // kept at its start value and read by the run; never shown
    AddLabel(group, "CPU占用率修改项目：", QRect(10, 62, 140, 26))->hide();
    priorityBox_ = AddComboBox(group, "suiComboBox2", PriorityChoices(), QRect(156, 62, 150, 26));
    priorityBox_->hide();

    connect(browseButton_, &QPushButton::clicked, this, [this] { controller_->suiButton3Click(); });
    connect(openFolderButton_, &QPushButton::clicked, this, [this] { controller_->suiButton11Click(); });
}

void TForm1::BuildMenus()
{
    addMenu_ = new QMenu(this);
    addMenu_->setObjectName(QStringLiteral("suiPopupMenu3"));
    addMenu_->addAction(QStringLiteral("添加一个视频文件"))->setObjectName(QStringLiteral("MenuItem15"));
    addMenu_->addAction(QStringLiteral("添加多个视频文件"))->setObjectName(QStringLiteral("N2"));
    addMenu_->addAction(QStringLiteral("添加一个文件夹（包括子文件夹）"))->setObjectName(QStringLiteral("AddFolder1"));

    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName(QStringLiteral("RowMenu"));
    rowMenu_->addAction(QStringLiteral("更改输出格式和设置..."))->setObjectName(QStringLiteral("ChangeFormat1"));

    skinMenu_ = new QMenu(this);
    skinMenu_->setObjectName(QStringLiteral("suiPopupMenu1"));
    for (const SkinEntry* entry : SkinMenuEntries()) {
        QAction* item = skinMenu_->addAction(Text(entry->caption));
        item->setObjectName(Text(entry->menuItem));
        connect(item, &QAction::triggered, this, [this, entry] { controller_->SkinMenuItemClick(*entry); });
    }

    helpMenu_ = new QMenu(this);
    helpMenu_->setObjectName(QStringLiteral("suiPopupMenu2"));
    QAction* help = helpMenu_->addAction(QStringLiteral("帮助系统?"));
    help->setObjectName(QStringLiteral("N3"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);  // F1 works without opening the menu
    connect(help, &QAction::triggered, this, [this] { controller_->N3Click(); });
    QAction* update = helpMenu_->addAction(QStringLiteral("网上升级..."));
    update->setObjectName(QStringLiteral("N12"));
    connect(update, &QAction::triggered, this, &TForm1::updateRequested);
    helpMenu_->addSeparator();
    QAction* site = helpMenu_->addAction(QStringLiteral("软件网站"));
    site->setObjectName(QStringLiteral("N9"));
    connect(site, &QAction::triggered, this, [this] { controller_->N9Click(); });
    QAction* mail = helpMenu_->addAction(QStringLiteral("作者联系信箱"));
    mail->setObjectName(QStringLiteral("N5"));
    connect(mail, &QAction::triggered, this, [this] { controller_->N5Click(); });
    helpMenu_->addSeparator();
    QAction* about = helpMenu_->addAction(QStringLiteral("关于软件"));
    about->setObjectName(QStringLiteral("N4"));
    connect(about, &QAction::triggered, this, &TForm1::aboutRequested);

    snapshotMenu_ = new QMenu(this);
    snapshotMenu_->setObjectName(QStringLiteral("suiPopupMenu4"));
    snapshotMenu_->addAction(QStringLiteral("打开快照目录"))->setObjectName(QStringLiteral("N6"));
    snapshotMenu_->addAction(QStringLiteral("设置快照目录"))->setObjectName(QStringLiteral("N7"));
    snapshotMenu_->addSeparator();
    QMenu* types = snapshotMenu_->addMenu(QStringLiteral("快照保存类型"));
    types->setObjectName(QStringLiteral("N16"));
    snapshotTypes_ = new QActionGroup(this);
    snapshotTypes_->setExclusive(true);
    const std::array<std::pair<const char*, const char*>, 4> typeItems{
        {{"BMP1", "BMP图片"}, {"JPEG1", "JPG图片"}, {"GIF1", "GIF图片"}, {"PNG1", "PNG图片"}}};
    for (const auto& [name, caption] : typeItems) {
        QAction* item = types->addAction(QString::fromUtf8(caption));
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        snapshotTypes_->addAction(item);
    }

    auto attach = [](QToolButton* button, QMenu* menu) { static_cast<ToolbarButton*>(button)->SetPopupMenu(menu); };
    attach(toolButtons_[static_cast<size_t>(ToolButton::Add)], addMenu_);
    attach(toolButtons_[static_cast<size_t>(ToolButton::Skin)], skinMenu_);
    attach(toolButtons_[static_cast<size_t>(ToolButton::Help)], helpMenu_);
}

void TForm1::BuildHiddenPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("HiddenPanel"));
    panel->setGeometry(0, 100, 300, 40);
    auto* threadMode = new QCheckBox(QStringLiteral("Thread Mode"), panel);
    threadMode->setObjectName(QStringLiteral("chkThreadMode"));
    threadMode->setChecked(true);
    logMemo_ = new QPlainTextEdit(panel);
    logMemo_->setObjectName(QStringLiteral("mmoLog"));
    logMemo_->setReadOnly(true);
    panel->hide();
}

void TForm1::ShowControls()
{
    const MainWindowControls& c = controller_->Controls();
    for (const ToolButtonInfo& info : ToolButtons())
        toolButtons_[static_cast<size_t>(info.id)]->setEnabled(c.ToolEnabled(info.id));
    for (const ListButtonInfo& info : ListButtons()) {
        const bool active = c.ListActive(info.id);
        activeListButtons_[static_cast<size_t>(info.id)]->setVisible(active);
        inactiveListButtons_[static_cast<size_t>(info.id)]->setVisible(!active);
    }
    browseButton_->setEnabled(c.browseEnabled);
    existingFileBox_->setEnabled(c.existingFileEnabled);
    priorityBox_->setEnabled(c.priorityEnabled);
    simultaneousBox_->setEnabled(c.simultaneousEnabled);
    existingFileBox_->setCurrentIndex(c.existingFileIndex);
    afterCompletionBox_->setCurrentIndex(c.afterCompletionIndex);
    priorityBox_->setCurrentIndex(c.priorityIndex);
    simultaneousBox_->setCurrentIndex(c.simultaneousIndex);
    outputFolderEdit_->setText(QString::fromStdString(c.outputFolderText));
    if (listProgress_)
        listProgress_->setText(QString::fromStdString(c.listProgressText));
    if (statusBar_ && statusBar_->currentMessage() != QString::fromStdString(c.statusText))
        statusBar_->showMessage(QString::fromStdString(c.statusText));
    const QString ticked =
        c.snapshotType == "JPG" ? QStringLiteral("JPEG1") : QString::fromStdString(c.snapshotType) + QLatin1Char('1');
    for (QAction* item : snapshotTypes_->actions())
        item->setChecked(item->objectName() == ticked);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!toolbar_ || !listGroup_ || !optionsGroup_ || !statusBar_)
        return;
    // the player group keeps its size; the list grows with the window, the options widen
    const int w = width();
    const int h = height();
    toolbar_->setGeometry(0, 0, w, 100);
    listGroup_->setGeometry(352, 144, w - 370, h - 339);
    conversionList_->setGeometry(8, 18, listGroup_->width() - 16, listGroup_->height() - 72);
    for (QPushButton* button : listGroup_->findChildren<QPushButton*>())
        button->move(button->x(), listGroup_->height() - 41);
    optionsGroup_->setGeometry(16, h - 188, w - 34, 145);
    const int ow = optionsGroup_->width();
    outputFolderEdit_->setGeometry(156, 22, ow - 365, 26);
    browseButton_->move(ow - 199, 21);
    openFolderButton_->move(ow - 101, 21);
    statusBar_->setGeometry(0, h - 22, w, 22);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!controller_->CloseAllowed()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::MouseMove || type == QEvent::HoverMove) {
        for (const ToolButtonInfo& info : ToolButtons()) {
            if (watched == toolButtons_[static_cast<size_t>(info.id)])
                controller_->ToolButtonHover(info.id);
        }
    }
    if (auto* button = qobject_cast<QPushButton*>(watched); button && button->property("hoverIcon").isValid()) {
        if (type == QEvent::Enter)
            button->setIcon(button->property("hoverIcon").value<QIcon>());
        if (type == QEvent::Leave)
            button->setIcon(button->property("normalIcon").value<QIcon>());
    }
    if (type == QEvent::Enter || type == QEvent::MouseMove) {
        // a restore area around a picture button: show the button's normal picture
        if (auto* area = qobject_cast<QLabel*>(watched); area && area->parentWidget()) {
            for (HoverPicture* picture : area->parentWidget()->findChildren<HoverPicture*>()) {
                if (area->geometry().contains(picture->geometry().center()) && picture->ShowsHover())
                    picture->ShowNormal();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
