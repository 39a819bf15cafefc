#include "formats/ui/TForm7.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "formats/ChooserModel.h"
#include "formats/ui/FormatIcons.h"
#include "formats/ui/QtFormatsDialogs.h"
#include "formats/ui/TForm8.h"

TForm7::TForm7(FormatSession& session, QWidget* parent)
    : QDialog(parent), session_(session), qtDialogs_(std::make_unique<QtFormatsDialogs>(this))
{
    setObjectName("Form7");
    setWindowTitle(QStringLiteral("选择转换格式"));
    setFixedSize(834, 599);
    buildWidgets();
    // the lists are filled once, at creation: PC, mobile, audio
    model_ = std::make_unique<ChooserModel>(session_, dialogs());
    fillLists();
    showModelSelection();
}

TForm7::~TForm7() = default;

IFormatsDialogs& TForm7::dialogs() { return dialogs_ ? *dialogs_ : *qtDialogs_; }

void TForm7::SetOptionWindow(TForm8* optionWindow) { optionWindow_ = optionWindow; }

void TForm7::SetDialogs(IFormatsDialogs* dialogs)
{
    dialogs_ = dialogs;
    model_->SetDialogs(this->dialogs());
}

void TForm7::buildWidgets()
{
    promptLabel_ = new QLabel(QStringLiteral("请选择您要转换的影片格式："), this);
    promptLabel_->setObjectName("Label1");
    promptLabel_->setGeometry(16, 10, 400, 24);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("suiPageControl1");
    pages_->setGeometry(12, 38, 810, 500);
    for (int page = 0; page < kCataloguePageCount; ++page) {
        const CataloguePage& catalogue = CataloguePages()[page];
        auto* list = new QListWidget;
        list->setObjectName(catalogue.listName);
        list->setViewMode(QListView::IconMode);
        list->setIconSize(QSize(kFormatIconSize, kFormatIconSize));
        list->setGridSize(QSize(190, 110));
        list->setWordWrap(true);
        list->setMovement(QListView::Static);
        list->setResizeMode(QListView::Adjust);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->viewport()->installEventFilter(this);
        connect(list, &QListWidget::itemSelectionChanged, this, [this, page] { onSelectionChanged(page); });
        lists_[page] = list;
        pages_->addTab(list, QString::fromUtf8(catalogue.tabCaption));
    }
    connect(pages_, &QTabWidget::currentChanged, this, &TForm7::onTabChanged);

    nextButton_ = new QPushButton(QStringLiteral("下一步"), this);
    nextButton_->setObjectName("suiButton1");
    nextButton_->setGeometry(620, 552, 95, 30);
    cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
    cancelButton_->setObjectName("suiButton2");
    cancelButton_->setGeometry(725, 552, 95, 30);
    // Enter presses 下一步 wherever the focus is; a focused button does not take it over
    for (QPushButton* button : {nextButton_, cancelButton_})
        button->setAutoDefault(false);
    nextButton_->setDefault(true);
    connect(nextButton_, &QPushButton::clicked, this, &TForm7::onNextClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &TForm7::onCancelClicked);
}

void TForm7::fillLists()
{
    const QSignalBlocker blockTabs(pages_);
    for (int page = 0; page < kCataloguePageCount; ++page) {
        const QSignalBlocker blockList(lists_[page]);
        const QVector<QIcon> images = FormatImageList(page);
        lists_[page]->clear();
        for (const CatalogueEntry& entry : model_->Entries(page))
            new QListWidgetItem(images[entry.imageIndex], QString::fromUtf8(entry.caption), lists_[page]);
    }
    pages_->setCurrentIndex(0);
}

void TForm7::showModelSelection()
{
    syncing_ = true;
    pages_->setCurrentIndex(model_->ActivePage());
    for (int page = 0; page < kCataloguePageCount; ++page) {
        const int index = model_->SelectedIndex(page);
        if (index < 0) {
            lists_[page]->clearSelection();
            lists_[page]->setCurrentRow(-1, QItemSelectionModel::Clear);
        } else {
            lists_[page]->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        }
    }
    syncing_ = false;
}

int TForm7::exec()
{
    RunModal();
    return session_.Cancelled() ? QDialog::Rejected : QDialog::Accepted;
}

void TForm7::RunModal()
{
    model_->Shown();
    showModelSelection();
    for (;;) {
        nextRequested_ = false;
        QDialog::exec();
        if (!nextRequested_ || !optionWindow_)
            break;
        // confirmed: both windows are done; cancelled: the chooser comes back
        if (optionWindow_->exec() == QDialog::Accepted)
            break;
    }
    emit Closed();
}

void TForm7::ShowPage(int page)
{
    if (page < 0 || page >= kCataloguePageCount)
        return;
    model_->Shown();
    model_->PageChanged(page);
    showModelSelection();
    show();
}

void TForm7::onNextClicked()
{
    if (!model_->NextRequested())
        return;
    nextRequested_ = true;
    accept();
}

void TForm7::onCancelClicked() { reject(); }

void TForm7::reject()
{
    // 取消, the title bar's close button and Escape all mean "add nothing"
    model_->Cancelled();
    QDialog::reject();
}

void TForm7::onTabChanged(int index)
{
    if (syncing_ || index < 0)
        return;
    model_->PageChanged(index);
    showModelSelection();
}

void TForm7::onSelectionChanged(int page)
{
    if (syncing_)
        return;
    const QList<QListWidgetItem*> selected = lists_[page]->selectedItems();
    model_->SelectionChanged(page, selected.isEmpty() ? -1 : lists_[page]->row(selected.first()));
}

bool TForm7::eventFilter(QObject* watched, QEvent* event)
{
    for (int page = 0; page < kCataloguePageCount; ++page) {
        QListWidget* list = lists_[page];
        if (!list || watched != list->viewport())
            continue;
        auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (!mouse)
            break;  // the list handles every other event itself
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            ignoreRelease_ = false;
            // a press on empty space leaves no entry selected, as in a list view
            if (!list->itemAt(mouse->position().toPoint()))
                list->clearSelection();
            break;
        case QEvent::MouseButtonRelease:
            if (ignoreRelease_) {
                ignoreRelease_ = false;
                break;
            }
            if (mouse->button() == Qt::LeftButton)
                model_->Clicked(page);
            break;
        case QEvent::MouseButtonDblClick:
            if (mouse->button() != Qt::LeftButton)
                break;
            ignoreRelease_ = true;
            // the entry under the pointer is the one meant, whatever the press did
            if (QListWidgetItem* item = list->itemAt(mouse->position().toPoint()))
                list->setCurrentItem(item);
            else
                list->clearSelection();
            if (model_->DoubleClicked(page)) {
                nextRequested_ = true;
                accept();
            }
            return true;
        default:
            break;
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}
