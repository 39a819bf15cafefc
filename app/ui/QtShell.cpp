#include "app/ui/QtShell.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QUrl>

void QtShell::OpenDefault(const std::string& target)
{
    const QString text = QString::fromStdString(target);
    // web and mail addresses carry a scheme; anything else is a local path
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const QUrl url = scheme.match(text).hasMatch() ? QUrl(text) : QUrl::fromLocalFile(text);
    QDesktopServices::openUrl(url);
}
