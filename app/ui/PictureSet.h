#pragma once
// The program's pictures: SVG files in the "pictures" folder beside the program.
#include <QIcon>
#include <QPixmap>
#include <QString>

class PictureSet {
public:
    explicit PictureSet(QString folder) : folder_(std::move(folder)) {}
    // <name>.svg drawn at `size`; a null pixmap when the file is missing.
    QPixmap Pixmap(const QString& name, QSize size) const;
    // <name>.svg for the enabled state and <name>-disabled.svg for the disabled one.
    QIcon ToolIcon(const QString& name, QSize size) const;

private:
    QString folder_;
};
