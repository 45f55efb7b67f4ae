// Where a disk bar paints a cell, for tests that read the bar's pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include "gui/views/KDiskMapItem.h"

namespace DiskMapProbe {

inline QImage Paint(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

// The left edge of cell i, in the bar's coordinates.
inline int CellLeft(const KDiskMapItem& item, int index)
{
    int x = KDiskMapItem::kDiskBoxWidth;
    for (int i = 0; i < index; ++i)
        x += item.CellWidth(i);
    return x;
}

// The middle of the colour strip of cell i, inside its bevels.
inline QPoint StripCentre(const KDiskMapItem& item, int index)
{
    const int left = CellLeft(item, index) + 2;
    const int stripWidth = item.CellWidth(index) - 1 - 6;
    return QPoint(left + stripWidth / 2, 8);
}

} // namespace DiskMapProbe
