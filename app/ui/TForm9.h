#pragma once
// The window "视频信息提示"; created once at start and shown modally from the
// main window with the information strings it gathered.
#include "app/MediaInfo.h"

#include <QDialog>

class QGridLayout;
class QGroupBox;
class QLabel;

class TForm9 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    // Fills the value labels from `info` (Button2Click); shown by the caller.
    void SetInformation(const MediaInfoStrings& info);
    // The value label after the label `caption` ("文件名：" ...).
    QLabel* ValueLabel(const QString& caption) const;

private:
    QGroupBox* AddGroup(const char* title, const std::vector<const char*>& captions, int top, int height);

    MediaInfoStrings info_;
    std::vector<std::pair<QString, QLabel*>> values_;
};
