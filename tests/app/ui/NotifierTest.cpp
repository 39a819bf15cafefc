// The desktop notification at the end of a list goes out over the session
// bus as a freedesktop Notify call naming the program, the title and the
// counts. The bus is a private one started for the test, the notification
// service a fake registered on it.
#include "app/ui/QtNotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QVariantMap>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;  // application, summary, body of each call

public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        received << application << summary << body;
        return 1;
    }
};

TEST(DesktopNotification, TheEndOfAListIsAnnouncedOverTheSessionBus)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "no session bus: " << qgetenv("DBUS_SESSION_BUS_ADDRESS").toStdString();
    FakeNotifications service;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    QtNotifier notifier;
    QSignalSpy sent(&notifier, &QtNotifier::sent);
    notifier.Notify("转换列表已完成", "成功 2 个，失败 1 个。");
    ASSERT_TRUE(sent.wait(5000));
    EXPECT_TRUE(sent.front().front().toBool()) << "over the bus, not the command";
    EXPECT_EQ(service.received, (QStringList{QStringLiteral("Quorvex"), QStringLiteral("转换列表已完成"),
                                             QStringLiteral("成功 2 个，失败 1 个。")}));
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
}

}  // namespace

// A session bus of the test's own, started before anything connects to one,
// and ended with the test.
int main(int argc, char** argv)
{
    long daemonPid = 0;
    if (FILE* daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r")) {
        char address[512] = {};
        if (fgets(address, sizeof address, daemon)) {
            address[strcspn(address, "\n")] = 0;
            setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
        }
        if (fscanf(daemon, "%ld", &daemonPid) != 1)
            daemonPid = 0;
        pclose(daemon);
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (daemonPid > 0)
        kill(static_cast<pid_t>(daemonPid), SIGTERM);
    return result;
}

#include "NotifierTest.moc"
