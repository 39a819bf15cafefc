#pragma once
// The window "密码窗口"; created once at start and shown modally from the main window.
#include <QDialog>

class TForm5 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};
