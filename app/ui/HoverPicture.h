#pragma once
// A picture button: shows its hover picture while the mouse is over it and
// its normal picture otherwise, and reports clicks.
#include <QLabel>
#include <QPixmap>

class HoverPicture final : public QLabel {
    Q_OBJECT
public:
    explicit HoverPicture(QWidget* parent = nullptr);
    void SetPictures(const QPixmap& normal, const QPixmap& hover);
    void ShowNormal();
    void ShowHover();
    bool ShowsHover() const { return showsHover_; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap normal_;
    QPixmap hover_;
    bool showsHover_ = false;
};
