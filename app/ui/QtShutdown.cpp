#include "app/ui/QtShutdown.h"

#include <QProcess>
#include <QStringList>

bool QtShutdown::PowerOff() {
    // logind checks the user's right to power off; without it the request is refused
    QProcess systemctl;
    systemctl.start(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
    if (!systemctl.waitForFinished(30000)) return false;
    return systemctl.exitStatus() == QProcess::NormalExit && systemctl.exitCode() == 0;
}
