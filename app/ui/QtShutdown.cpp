#include "app/ui/QtShutdown.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

QtShutdown::QtShutdown(QWidget* owner, int seconds, int tickMs, QStringList command)
    : owner_(owner), seconds_(seconds), command_(std::move(command))
{
    window_ = new QDialog(owner_);
    window_->setObjectName(QStringLiteral("ShutdownCountdown"));
    window_->setWindowTitle(QStringLiteral("关闭计算机"));
    window_->setModal(false);
    auto* column = new QVBoxLayout(window_);
    text_ = new QLabel(window_);
    text_->setObjectName(QStringLiteral("CountdownText"));
    column->addWidget(text_);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* now = new QPushButton(QStringLiteral("立即关闭"), window_);
    now->setObjectName(QStringLiteral("PowerOffNow"));
    auto* cancel = new QPushButton(QStringLiteral("取消关闭"), window_);
    cancel->setObjectName(QStringLiteral("CancelPowerOff"));
    cancel->setDefault(true);
    row->addWidget(now);
    row->addWidget(cancel);
    column->addLayout(row);
    timer_ = new QTimer(this);
    timer_->setInterval(tickMs);
    connect(timer_, &QTimer::timeout, this, &QtShutdown::Tick);
    connect(cancel, &QPushButton::clicked, this, &QtShutdown::Cancel);
    connect(window_, &QDialog::rejected, this, &QtShutdown::Cancel);  // Esc or the close button
    connect(now, &QPushButton::clicked, this, [this] {
        left_ = 1;
        Tick();
    });
}

QtShutdown::~QtShutdown()
{
    timer_->stop();
    delete window_.data();
}

bool QtShutdown::PowerOff()
{
    left_ = seconds_;
    ShowLeft();
    window_->show();
    window_->raise();
    timer_->start();
    return true;
}

void QtShutdown::Cancel()
{
    timer_->stop();
    if (window_)
        window_->hide();
}

void QtShutdown::ShowLeft()
{
    text_->setText(QStringLiteral("全部文件已转换完毕，计算机将在 %1 秒后关闭。").arg(left_));
}

void QtShutdown::Tick()
{
    if (--left_ > 0) {
        ShowLeft();
        return;
    }
    timer_->stop();
    if (window_)
        window_->hide();
    if (command_.isEmpty() || process_)
        return;
    // logind checks the user's right to power off; the answer is not waited for
    process_ = new QProcess(this);
    connect(process_, &QProcess::finished, process_, &QObject::deleteLater);
    connect(process_, &QProcess::errorOccurred, process_, &QObject::deleteLater);
    process_->start(command_.front(), command_.mid(1));
    emit commandStarted();
}
