#pragma once
// Paints the 转换进度 cell of the conversion list as a progress bar with its
// percentage; a cell without a value (the row was just added) stays empty.
#include <QStyledItemDelegate>

class ProgressCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The percentage is read from this role; a missing or negative value draws nothing.
    static constexpr int kPercentRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
