// The drawing primitives of the disk bars, shared with the resize control: two-colour frames, the
// raised box of a cell, the colour strip on top of it and the usage gauge below the strip.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

namespace DiskMapPainting {

// Truncation toward zero of a pixel quantity worked out in floating point; nonsense (a division by
// an empty disk) gives 0, and huge values are held to a range QRect can take.
int TruncatePixels(double value);

// The colour with its HSV value moved by delta, or false (and out untouched) when that would leave
// 0..255.
bool ShiftValue(const QColor& color, int delta, QColor* out);

// One-pixel line between two points of the same row or column, in either direction.
void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color);

// Top and left edges in the first colour, right and bottom edges in the second.
void Frame(QPainter& p, const QRect& r, const QColor& first, const QColor& second);

// Filled box with an outer frame (light, dark) and two inner bevels darkened from the shade colour.
void RaisedBox(QPainter& p, const QRect& r, const QColor& light, const QColor& dark, const QColor& fill,
               const QColor& shade);

// The file-system colour band at the top of a cell, framed in the outer colour and bevelled.
void ColourStrip(QPainter& p, const QRect& r, const QColor& outer, const QColor& fill);

// White field with the used part in light yellow (ratio clamped to 0..1), sunken rings, and the text
// left-aligned 5 pixels in and vertically centred.
void UsageGauge(QPainter& p, const QRect& r, double usedRatio, const QString& text, const QColor& textColor);

} // namespace DiskMapPainting
