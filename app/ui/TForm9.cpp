#include "app/ui/TForm9.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("视频信息提示"));
    setFixedSize(650, 455);

    AddGroup("文件格式信息", {"文件名：", "文件格式：", "播放时长：", "文件大小：", "比特率：", "文件格式全名：", "文件扩展名："},
             8, 180);
    AddGroup("视频格式信息", {"视频分辨率：", "视频帧率：", "视频比特率：", "视频流信息："}, 192, 112);
    AddGroup("音频格式信息", {"音频采样率：", "音频声道：", "音频比特率：", "音频流信息："}, 308, 112);
    // The design text the channel label shows until a mono or stereo source replaces it.
    ValueLabel(QStringLiteral("音频声道："))->setText(QStringLiteral("1111111"));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("suiButton1"));
    ok->setGeometry(285, 424, 80, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* details = new QPushButton(QStringLiteral("显示详细信息"), this);
    details->setObjectName(QStringLiteral("suiButton2"));
    details->setGeometry(520, 424, 110, 26);
    details->hide();
    connect(details, &QPushButton::clicked, this,
            [this] { QMessageBox::information(this, windowTitle(), QString::fromStdString(info_.InfoText)); });
}

QGroupBox* TForm9::AddGroup(const char* title, const std::vector<const char*>& captions, int top, int height) {
    auto* group = new QGroupBox(QString::fromUtf8(title), this);
    group->setGeometry(10, top, 630, height);
    int y = 20;
    for (const char* caption : captions) {
        auto* label = new QLabel(QString::fromUtf8(caption), group);
        label->setGeometry(12, y, 110, 20);
        auto* value = new QLabel(group);
        value->setGeometry(124, y, 496, 20);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        values_.emplace_back(label->text(), value);
        y += 22;
    }
    return group;
}

QLabel* TForm9::ValueLabel(const QString& caption) const {
    for (const auto& [text, label] : values_) {
        if (text == caption) return label;
    }
    return nullptr;
}

void TForm9::SetInformation(const MediaInfoStrings& info) {
    info_ = info;
    const MediaInfoLabels labels = MediaInfoLabels::From(info);
    // Line breaks the cuts keep are not shown.
    auto set = [this](const char* caption, const std::string& text) {
        QString shown = QString::fromStdString(text);
        shown.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        ValueLabel(QString::fromUtf8(caption))->setText(shown);
    };
    set("文件名：", labels.fileName);
    set("文件格式：", labels.formatName);
    set("播放时长：", labels.duration);
    set("文件大小：", labels.fileSize);
    set("比特率：", labels.bitRate);
    set("文件格式全名：", labels.formatLongName);
    set("文件扩展名：", labels.extension);
    set("视频分辨率：", labels.resolution);
    set("视频帧率：", labels.frameRate);
    set("视频比特率：", labels.videoKbps);
    set("视频流信息：", labels.videoStream);
    set("音频采样率：", labels.sampleRate);
    if (labels.channels) set("音频声道：", *labels.channels);
    set("音频比特率：", labels.audioKbps);
    set("音频流信息：", labels.audioStream);
}
