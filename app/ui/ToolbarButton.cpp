#include "app/ui/ToolbarButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

void ToolbarButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = option.text.trimmed();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}
