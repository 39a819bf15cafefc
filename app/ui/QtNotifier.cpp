#include "app/ui/QtNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

void QtNotifier::Notify(const std::string& title, const std::string& text)
{
    const QString summary = QString::fromStdString(title);
    const QString body = QString::fromStdString(text);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        NotifySend(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Quorvex") << 0u << QStringLiteral("video-x-generic") << summary << body << QStringList()
         << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
        watcher->deleteLater();
        if (watcher->isError())
            NotifySend(summary, body);  // no notification service on the bus
        else
            emit sent(true);
    });
}

void QtNotifier::NotifySend(const QString& title, const QString& text)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (program.isEmpty())
        return;
    if (QProcess::startDetached(program, {QStringLiteral("--app-name=Quorvex"), title, text}))
        emit sent(false);
}
