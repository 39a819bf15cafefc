#pragma once
// A toolbar button whose caption may carry blanks around it for alignment:
// text() keeps the caption as given, the label is drawn without the blanks so
// a narrow button never elides it.
#include <QToolButton>

class ToolbarButton final : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
    // Shows `menu` from this button; when it closes the button is drawn
    // raised again (the open menu held the mouse, so no leave arrived).
    void SetPopupMenu(QMenu* menu);

protected:
    void paintEvent(QPaintEvent* event) override;
};
