#include "gui/common/DiskMapPainting.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey128(128, 128, 128);
const QColor kGrey192(192, 192, 192);
const QColor kLightYellow(255, 255, 200);

} // namespace

namespace DiskMapPainting {

int TruncatePixels(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double kLimit = 1 << 30;
    return int(std::clamp(value, -kLimit, kLimit));
}

bool ShiftValue(const QColor& color, int delta, QColor* out)
{
    int h = 0, s = 0, v = 0, a = 0;
    color.getHsv(&h, &s, &v, &a);
    const int value = v + delta;
    if (value < 0 || value > 255)
        return false;
    *out = QColor::fromHsv(h, s, value, a);
    return true;
}

void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color)
{
    p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
               color);
}

void Frame(QPainter& p, const QRect& r, const QColor& first, const QColor& second)
{
    const int left = r.x(), top = r.y();
    const int right = r.x() + r.width() - 1, bottom = r.y() + r.height() - 1;
    Line(p, left, top, right, top, first);
    Line(p, left, top, left, bottom, first);
    Line(p, right, top, right, bottom, second);
    Line(p, left, bottom, right, bottom, second);
}

void RaisedBox(QPainter& p, const QRect& r, const QColor& light, const QColor& dark, const QColor& fill,
               const QColor& shade)
{
    p.fillRect(r, fill);
    Frame(p, r, light, dark);
    QColor inner = shade;
    ShiftValue(shade, -30, &inner);
    QRect rect = r.adjusted(2, 2, -2, -2);
    Frame(p, rect, fill, inner);
    QColor middle = inner;
    ShiftValue(inner, -30, &middle);
    rect.adjust(-1, -1, 1, 1);
    Frame(p, rect, fill, middle);
}

void ColourStrip(QPainter& p, const QRect& r, const QColor& outer, const QColor& fill)
{
    p.fillRect(r, fill);
    Frame(p, r, outer, outer);
    QColor light = outer, dark = outer;
    ShiftValue(fill, 30, &light);
    ShiftValue(fill, -30, &dark);
    QRect rect = r.adjusted(2, 2, -2, -2);
    Frame(p, rect, light, dark);
    rect.adjust(-1, -1, 1, 1);
    Frame(p, rect, light, dark);
}

void UsageGauge(QPainter& p, const QRect& r, double usedRatio, const QString& text, const QColor& textColor)
{
    p.fillRect(r, kWhite);
    const double ratio = std::isfinite(usedRatio) ? std::clamp(usedRatio, 0.0, 1.0) : 0.0;
    const QRect used(r.left(), r.top(), TruncatePixels(r.width() * ratio), r.height());
    if (used.width() > 0) {
        p.fillRect(used, kLightYellow);
        Frame(p, used, kGrey128, kGrey128);
    }
    Frame(p, r, kBlack, kWhite);
    QRect ring = r.adjusted(2, 2, -2, -2);
    Frame(p, ring, kGrey192, kWhite);
    ring.adjust(-1, -1, 1, 1);
    Frame(p, ring, kGrey128, kWhite);

    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(textColor);
    p.drawText(r.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace DiskMapPainting
