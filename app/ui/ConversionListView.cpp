#include "app/ui/ConversionListView.h"

#include "app/ConversionList.h"
#include "app/SizeSampler.h"
#include "app/ui/ProgressCellDelegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <string>
#include <vector>

namespace {
QString Text(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> LocalFiles(const QMimeData* data)
{
    std::vector<std::string> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    return files;
}
}  // namespace

ConversionListView::ConversionListView(QTreeWidget* view, ConversionList& list)
    : QObject(view), view_(view), list_(list)
{
    view_->setItemDelegateForColumn(kProgressColumn, new ProgressCellDelegate(view_));
    view_->setAcceptDrops(true);
    view_->viewport()->setAcceptDrops(true);
    view_->viewport()->installEventFilter(this);
    view_->installEventFilter(this);
    QHeaderView* header = view_->header();
    header->setMinimumSectionSize(28);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);  // the file name takes what is left
    FitColumns();
    list_.SetRowsChanged([this](int row) { ShowRows(row); });
    connect(view_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (syncing_)
            return;
        const QList<QTreeWidgetItem*> selected = view_->selectedItems();
        list_.AdvListView1SelectItem(selected.isEmpty() ? -1 : view_->indexOfTopLevelItem(selected.first()));
    });
    ShowRows(-1);
    sampler_ = std::make_unique<SizeSampler>([this] {
        QMetaObject::invokeMethod(
            this, [this] { list_.ApplySampledSizes(); }, Qt::QueuedConnection);
    });
    list_.SetSizeSampler(sampler_.get());
}

ConversionListView::~ConversionListView()
{
    list_.SetSizeSampler(nullptr);
    sampler_.reset();
    list_.SetRowsChanged(nullptr);
}

void ConversionListView::ShowRow(QTreeWidgetItem* item, const ListRow& row)
{
    item->setText(0, Text(row.Caption));
    item->setText(1, QFileInfo(Text(row.SourceFile)).fileName());
    item->setToolTip(1, Text(row.SourceFile));
    item->setText(2, Text(row.SourceExt));
    item->setText(3, Text(row.TargetExt));
    item->setText(4, Text(row.TimeText));
    item->setData(kProgressColumn, ProgressCellDelegate::kPercentRole, row.Progress);
    item->setText(6, Text(row.StatusShown()));
    item->setText(kSizeColumn, Text(row.SizeText()));
    item->setToolTip(kSizeColumn, Text(row.SizeNote()));
    item->setText(kSpeedColumn, Text(row.SpeedText));
    item->setText(kRemainingColumn, Text(row.RemainingText));
    // where the extra columns are hidden, the progress cell tells the same
    QString times = Text(row.SpeedText);
    if (!row.RemainingText.empty())
        times += QStringLiteral("  剩余 ") + Text(row.RemainingText);
    item->setToolTip(kProgressColumn, times);
}

void ConversionListView::ShowRows(int row)
{
    syncing_ = true;
    const std::vector<ListRow>& rows = list_.Rows();
    if (row >= 0 && row < view_->topLevelItemCount() && row < static_cast<int>(rows.size())) {
        ShowRow(view_->topLevelItem(row), rows[static_cast<size_t>(row)]);
    } else {
        while (view_->topLevelItemCount() > static_cast<int>(rows.size()))
            delete view_->takeTopLevelItem(view_->topLevelItemCount() - 1);
        while (view_->topLevelItemCount() < static_cast<int>(rows.size()))
            view_->addTopLevelItem(new QTreeWidgetItem);
        for (int i = 0; i < static_cast<int>(rows.size()); ++i)
            ShowRow(view_->topLevelItem(i), rows[static_cast<size_t>(i)]);
        ShowSelection();
    }
    syncing_ = false;
}

void ConversionListView::ShowSelection()
{
    const int selected = list_.Selected();
    if (selected < 0 || selected >= view_->topLevelItemCount()) {
        view_->clearSelection();
        return;
    }
    QTreeWidgetItem* item = view_->topLevelItem(selected);
    if (view_->currentItem() != item || !item->isSelected()) {
        view_->setCurrentItem(item);
        view_->scrollToItem(item);
        view_->setFocus();
    }
}

void ConversionListView::FitColumns()
{
    // narrow lists keep the first seven columns; wide ones also show size, speed and time left
    const int width = view_->viewport()->width();
    const bool wide = width >= 700;
    for (int column : {kSizeColumn, kSpeedColumn, kRemainingColumn})
        view_->setColumnHidden(column, !wide);
    const int widths[] = {34, 0, 50, 58, 64, 110, 72, 80, 56, 70};
    for (int column = 0; column < view_->columnCount(); ++column)
        if (column != 1 && widths[column] > 0)
            view_->setColumnWidth(column, widths[column]);
}

bool ConversionListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_->viewport() && event->type() == QEvent::Resize)
        FitColumns();
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        list_.DeleteKey();
        return true;
    }
    if (watched == view_->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!LocalFiles(drag->mimeData()).empty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> files = LocalFiles(drop->mimeData());
            if (!files.empty()) {
                drop->acceptProposedAction();
                list_.AddDroppedFiles(files);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
