#include "app/ui/HoverPicture.h"

#include <QMouseEvent>

HoverPicture::HoverPicture(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignCenter);
}

void HoverPicture::SetPictures(const QPixmap& normal, const QPixmap& hover)
{
    normal_ = normal;
    hover_ = hover;
    showsHover_ ? ShowHover() : ShowNormal();
}

void HoverPicture::ShowNormal()
{
    showsHover_ = false;
    setPixmap(normal_);
}

void HoverPicture::ShowHover()
{
    showsHover_ = true;
    setPixmap(hover_);
}

void HoverPicture::enterEvent(QEnterEvent*) { ShowHover(); }

void HoverPicture::leaveEvent(QEvent*) { ShowNormal(); }

void HoverPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
