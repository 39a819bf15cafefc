#pragma once
// The window "网上升级"; created once at start and shown modally from the main window.
#include <QDialog>

class TForm6 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
