#pragma once
// The converter's preview window: a small tool window that stays on top,
// shows one picture at its natural size and is moved by dragging anywhere in
// it. Lives on the main thread; TPreviewer drives it.
#include "media/Bitmap24.h"

#include <QPoint>
#include <QWidget>

#include <functional>

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    // `onCloseRequest` runs when the user asks to close the window.
    explicit PreviewWindow(std::function<void()> onCloseRequest);

    // Shows `bitmap` (kept by reference: the caller keeps it alive and
    // unchanged while the window may paint) under the caption `caption`.
    void ShowPicture(const Bitmap24* bitmap, const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> onCloseRequest_;
    const Bitmap24* bitmap_ = nullptr;
    bool placed_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;  // cursor position minus window position at the press
};
