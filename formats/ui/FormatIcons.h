#pragma once
// The chooser's 60×60 pictures, drawn at run time: the container or device
// name on a coloured tile, one per catalogue entry.
#include <QIcon>
#include <QVector>

inline constexpr int kFormatIconSize = 60;

// The image list of a chooser page (0 mobile, 1 PC, 2 audio, 3 today's), indexed by
// image index; indexes no entry uses hold null icons.
QVector<QIcon> FormatImageList(int page);
// The short name drawn on the tile of a format number.
QString FormatIconLabel(int number);
