#include "app/ui/TForm9.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>

TForm9::TForm9(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("视频信息提示"));
    setFixedSize(650, 543);

    AddGroup("文件格式信息",
             {"文件名：", "文件格式：", "播放时长：", "文件大小：", "比特率：", "文件格式全名：", "文件扩展名："}, 8,
             180);
    AddGroup("视频格式信息", {"视频分辨率：", "视频帧率：", "视频比特率：", "视频流信息："}, 192, 156);
    AddGroup("音频格式信息", {"音频采样率：", "音频声道：", "音频比特率：", "音频流信息："}, 352, 156);
    // The design text the channel label shows until a mono or stereo source replaces it.
    ValueLabel(QStringLiteral("音频声道："))->setText(QStringLiteral("1111111"));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("suiButton1"));
    ok->setGeometry(285, 512, 80, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* details = new QPushButton(QStringLiteral("显示详细信息"), this);
    details->setObjectName(QStringLiteral("suiButton2"));
    details->setGeometry(520, 512, 110, 26);
    details->hide();
    connect(details, &QPushButton::clicked, this,
            [this] { QMessageBox::information(this, windowTitle(), QString::fromStdString(info_.InfoText)); });
}

QGroupBox* TForm9::AddGroup(const char* title, const std::vector<const char*>& captions, int top, int height)
{
    auto* group = new QGroupBox(QString::fromUtf8(title), this);
    group->setGeometry(10, top, 630, height);
    int y = 20;
    for (const char* caption : captions) {
        auto* label = new QLabel(QString::fromUtf8(caption), group);
        label->setGeometry(12, y, 110, 20);
        auto* value = new QLabel(group);
        // a stream line runs long: it wraps, scrolls when it needs more than
        // three lines, and its tooltip holds all of it
        const bool streamLine = QString::fromUtf8(caption).endsWith(QStringLiteral("流信息："));
        const int height = streamLine ? 64 : 20;
        if (streamLine) {
            auto* scroll = new QScrollArea(group);
            scroll->setGeometry(124, y, 496, height);
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            scroll->setWidgetResizable(true);
            value->setWordWrap(true);
            scroll->setWidget(value);
        } else {
            value->setGeometry(124, y, 496, height);
        }
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        values_.emplace_back(label->text(), value);
        y += height + 2;
    }
    return group;
}

QLabel* TForm9::ValueLabel(const QString& caption) const
{
    for (const auto& [text, label] : values_) {
        if (text == caption)
            return label;
    }
    return nullptr;
}

void TForm9::SetInformation(const MediaInfoStrings& info)
{
    info_ = info;
    const MediaInfoLabels labels = MediaInfoLabels::From(info);
    // Line breaks the cuts keep are not shown.
    auto set = [this](const char* caption, const std::string& text) {
        QString shown = QString::fromStdString(text);
        shown.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        QLabel* value = ValueLabel(QString::fromUtf8(caption));
        value->setText(shown);
        if (value->wordWrap())
            value->setToolTip(shown);
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
    if (labels.channels)
        set("音频声道：", *labels.channels);
    set("音频比特率：", labels.audioKbps);
    set("音频流信息：", labels.audioStream);
}
