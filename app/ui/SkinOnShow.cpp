#include "app/ui/SkinOnShow.h"

#include "app/SkinActions.h"

#include <QEvent>
#include <QWidget>

SkinOnShow::SkinOnShow(QWidget* window, const SettingsFile& settings)
    : QObject(window), settings_(settings), skin_(window)
{}

void SkinOnShow::Install(QWidget* window, const SettingsFile& settings)
{
    window->installEventFilter(new SkinOnShow(window, settings));
}

bool SkinOnShow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched == parent())
        ApplyStoredSkin(settings_, skin_);
    return QObject::eventFilter(watched, event);
}
