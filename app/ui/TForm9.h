#pragma once
// The window "视频信息提示"; created once at start and shown modally from the main window.
#include <QDialog>

class TForm9 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);
};
