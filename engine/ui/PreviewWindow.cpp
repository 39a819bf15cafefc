#include "engine/ui/PreviewWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

PreviewWindow::PreviewWindow(std::function<void()> onCloseRequest)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      onCloseRequest_(std::move(onCloseRequest))
{
    setObjectName("Previewer");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWindow::ShowPicture(const Bitmap24* bitmap, const QString& caption)
{
    bitmap_ = bitmap;
    setWindowTitle(caption);
    const QSize size(bitmap->Width(), bitmap->Height());
    if (this->size() != size || !placed_)
        setFixedSize(size);
    if (!placed_) {
        show();
        // centred with its frame, which is known once the window is shown
        QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        placed_ = true;
    }
    update();
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!bitmap_ || bitmap_->Empty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QImage picture(bitmap_->Bytes(), bitmap_->Width(), bitmap_->Height(), bitmap_->Stride(),
                         QImage::Format_BGR888);
    painter.drawImage(QPoint(0, 0), picture);
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    if (onCloseRequest_)
        onCloseRequest_();
    event->accept();
}

void PreviewWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // the window manager moves the window when it can; otherwise we follow the cursor
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - pos();
}

void PreviewWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset_);
    else
        QWidget::mouseMoveEvent(event);
}

void PreviewWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}
