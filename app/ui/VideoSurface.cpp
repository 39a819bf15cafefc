#include "app/ui/VideoSurface.h"

#include <QPainter>

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

void VideoSurface::SetPresenter(std::function<void()> present)
{
    present_ = std::move(present);
    const bool external = static_cast<bool>(present_);
    // the renderer owns the pixels: Qt must neither clear nor paint over them
    setAttribute(Qt::WA_PaintOnScreen, external);
    setAttribute(Qt::WA_NoSystemBackground, external);
    setAttribute(Qt::WA_OpaquePaintEvent, external);
    setAutoFillBackground(!external);
    update();
}

QPaintEngine* VideoSurface::paintEngine() const { return present_ ? nullptr : QWidget::paintEngine(); }

void VideoSurface::paintEvent(QPaintEvent*)
{
    if (present_) {
        present_();
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}
