#include "app/ui/WindowSkin.h"

#include "app/ui/BuiltInSkins.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

void WindowSkin::ApplyBuiltInStyle(std::string_view styleName)
{
    const QString sheet = BuiltInStyleSheet(styleName);
    if (!sheet.isEmpty())
        window_->setStyleSheet(sheet);
}

void WindowSkin::ApplySkinFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    window_->setStyleSheet(QString::fromUtf8(file.readAll()));
}

void WindowSkin::RestoreWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isMinimized())
            window->showNormal();
    }
}
