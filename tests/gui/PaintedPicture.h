// Whether a grabbed widget picture shows a painted form: the number of distinct colours on a 2-pixel grid.
#pragma once

#include <QImage>
#include <QSet>

inline int DistinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}
