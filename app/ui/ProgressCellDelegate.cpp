#include "app/ui/ProgressCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

void ProgressCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant value = index.data(kPercentRole);
    if (!value.isValid() || value.toInt() < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // the row's selection background first, then the bar inside the cell
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);

    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = qBound(0, value.toInt(), 100);
    bar.text = QString::number(bar.progress) + QLatin1Char('%');
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    bar.palette = option.palette;
    QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}
