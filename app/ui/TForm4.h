#pragma once
// The window "关于"; created once at start and shown modally from the main window.
#include <QDialog>

class TForm4 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
