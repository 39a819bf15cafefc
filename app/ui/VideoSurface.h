#pragma once
// The black video surface the player draws into through its native window.
#include <QWidget>
#include <functional>

class VideoSurface final : public QWidget {
    Q_OBJECT
public:
    explicit VideoSurface(QWidget* parent = nullptr);

    // Hands the surface to an external renderer: from then on Qt paints
    // nothing here and every paint request asks `present` to draw the last
    // picture again. An empty function gives the surface back to Qt (black).
    void SetPresenter(std::function<void()> present);
    bool HasPresenter() const { return static_cast<bool>(present_); }

    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> present_;
};
