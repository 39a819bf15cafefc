#pragma once
// Switches the computer off after a countdown the user can cancel: a small
// window counts the seconds down, then asks systemd-logind (the same request
// `systemctl poweroff` makes) without waiting for the answer, so the main
// thread never blocks. A refused request changes nothing.
#include "app/IShutdown.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QDialog;
class QLabel;
class QProcess;
class QTimer;

class QtShutdown final : public QObject, public IShutdown {
    Q_OBJECT
public:
    // `seconds` ticks of `tickMs` each; `command` is what runs at the end.
    explicit QtShutdown(QWidget* owner = nullptr, int seconds = 30, int tickMs = 1000,
                        QStringList command = {QStringLiteral("systemctl"), QStringLiteral("poweroff")});
    ~QtShutdown() override;

    // Shows the countdown and returns at once; true while it runs.
    bool PowerOff() override;
    void Cancel();

    QDialog* CountdownWindow() const { return window_; }
    int SecondsLeft() const { return left_; }

signals:
    void commandStarted();  // the request went out

private:
    void Tick();
    void ShowLeft();

    QWidget* owner_;
    int seconds_;
    QStringList command_;
    QPointer<QDialog> window_;  // a child of the owner, which may go first
    QLabel* text_ = nullptr;
    QTimer* timer_ = nullptr;
    QPointer<QProcess> process_;
    int left_ = 0;
};
