#include "app/ui/PictureSet.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap PictureSet::Pixmap(const QString& name, QSize size) const
{
    QSvgRenderer renderer(folder_ + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!renderer.isValid())
        return QPixmap();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon PictureSet::ToolIcon(const QString& name, QSize size) const
{
    QIcon icon;
    const QPixmap enabled = Pixmap(name, size);
    const QPixmap disabled = Pixmap(name + QStringLiteral("-disabled"), size);
    if (!enabled.isNull())
        icon.addPixmap(enabled, QIcon::Normal);
    if (!disabled.isNull())
        icon.addPixmap(disabled, QIcon::Disabled);
    return icon;
}
