#include "app/ui/ToolbarButton.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QStyleOptionToolButton>
#include <QStylePainter>

void ToolbarButton::SetPopupMenu(QMenu* menu)
{
    setMenu(menu);
    setPopupMode(QToolButton::InstantPopup);
    connect(menu, &QMenu::aboutToHide, this, [this] {
        setDown(false);
        if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(this, &leave);
            setAttribute(Qt::WA_UnderMouse, false);
        }
        update();
    });
}

void ToolbarButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = option.text.trimmed();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}
