#include "gui/mainframe/Artwork.h"

#include <QCoreApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>

#include "gui/common/FileSystemColors.h"

namespace {

// File-system codes whose colours make up the partition motif: FAT32, NTFS, Ext3, FAT16, swap.
constexpr std::array<int, 5> kMotifFileSystems = {11, 7, 50, 6, 51};

QPixmap transparentPixmap(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A platter seen from above, its ring divided into coloured partitions, with a hub in the middle.
void drawPlatter(QPainter& p, const QRectF& r)
{
    QRadialGradient metal(r.center(), r.width() / 2);
    metal.setColorAt(0, QColor(0xf4, 0xf6, 0xf8));
    metal.setColorAt(1, QColor(0xa9, 0xb4, 0xc0));
    p.setPen(QPen(QColor(0x1c, 0x2b, 0x3a, 160), r.width() / 40));
    p.setBrush(metal);
    p.drawEllipse(r);

    const std::array<int, 5> shares = {5, 4, 3, 2, 2}; // sixteenths of a turn
    int start = 90 * 16; // from twelve o'clock, clockwise
    const QRectF ring = r.adjusted(r.width() * 0.07, r.height() * 0.07, -r.width() * 0.07, -r.height() * 0.07);
    p.setPen(QPen(QColor(255, 255, 255, 200), r.width() / 50));
    for (size_t i = 0; i < shares.size(); ++i) {
        const int span = -shares[i] * 360;
        p.setBrush(FileSystemColor(kMotifFileSystems[i]));
        p.drawPie(ring, start, span);
        start += span;
    }
    // The unused middle of the platter and its hub.
    const qreal inner = ring.width() * 0.30;
    p.setBrush(metal);
    p.setPen(Qt::NoPen);
    p.drawEllipse(r.center(), inner, inner);
    p.setBrush(QColor(0x2a, 0x3d, 0x52));
    p.drawEllipse(r.center(), inner * 0.35, inner * 0.35);
}

// A bar of partitions, as the disk map draws a disk.
void drawDiskBar(QPainter& p, const QRectF& r)
{
    const std::array<qreal, 6> shares = {0.28, 0.22, 0.08, 0.18, 0.14, 0.10};
    qreal x = r.left();
    const qreal gap = r.height() * 0.12;
    for (size_t i = 0; i < shares.size(); ++i) {
        const qreal w = r.width() * shares[i];
        const QRectF cell(x + gap / 2, r.top(), w - gap, r.height());
        const QColor color = i == 2 ? UnallocatedColor() : FileSystemColor(kMotifFileSystems[i % kMotifFileSystems.size()]);
        QLinearGradient shade(cell.topLeft(), cell.bottomLeft());
        shade.setColorAt(0, color.lighter(135));
        shade.setColorAt(1, color.darker(115));
        p.setPen(QPen(QColor(255, 255, 255, 110), 1));
        p.setBrush(shade);
        p.drawRoundedRect(cell, r.height() * 0.18, r.height() * 0.18);
        x += w;
    }
}

} // namespace

namespace Artwork {

QPixmap ApplicationIcon(int size)
{
    QPixmap pixmap = transparentPixmap(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, QColor(0x1f, 0x5f, 0x8b));
    tile.setColorAt(1, QColor(0x0e, 0x2c, 0x47));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94), s * 0.2, s * 0.2);

    drawPlatter(p, QRectF(s * 0.14, s * 0.10, s * 0.72, s * 0.72));
    // A short partition bar along the bottom edge, when there is room for one.
    if (size >= 24)
        drawDiskBar(p, QRectF(s * 0.14, s * 0.80, s * 0.72, s * 0.09));
    return pixmap;
}

QPixmap SplashPicture()
{
    const int w = kSplashWidth;
    const int h = kSplashHeight;
    QPixmap pixmap(w, h);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(0x0e, 0x2c, 0x47));
    sky.setColorAt(1, QColor(0x1d, 0x6a, 0x8f));
    p.fillRect(pixmap.rect(), sky);

    // Faint concentric tracks behind the icon.
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 6; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 14 + i * 3), 1));
        p.drawEllipse(QPointF(w * 0.82, h * 0.30), 40.0 * i, 40.0 * i);
    }

    p.drawPixmap(36, 54, ApplicationIcon(112));

    QFont title = p.font();
    title.setPixelSize(58);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0xf2, 0xf6, 0xfa));
    p.drawText(QRect(168, 62, w - 180, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Volmara"));

    QFont subtitle = p.font();
    subtitle.setPixelSize(17);
    subtitle.setBold(false);
    p.setFont(subtitle);
    p.setPen(QColor(0xbf, 0xd6, 0xe6));
    p.drawText(QRect(170, 128, w - 180, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QCoreApplication::translate("Artwork", "Disk partition manager"));

    drawDiskBar(p, QRectF(36, 206, w - 72, 26));

    QFont small = p.font();
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(0xbf, 0xd6, 0xe6, 200));
    p.drawText(QRect(36, h - 44, w - 72, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QCoreApplication::translate("Artwork", "Loading disks..."));
    return pixmap;
}

QPixmap BugIcon(int size)
{
    QPixmap pixmap = transparentPixmap(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QColor ink(0x26, 0x1c, 0x1c);

    // Legs and antennae first, under the body.
    p.setPen(QPen(ink, s / 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (int side : {-1, 1}) {
        for (int i = 0; i < 3; ++i) {
            const qreal y = s * (0.46 + i * 0.14);
            QPainterPath leg;
            leg.moveTo(s * 0.5 + side * s * 0.18, y);
            leg.lineTo(s * 0.5 + side * s * 0.34, y - s * 0.04 + i * s * 0.03);
            leg.lineTo(s * 0.5 + side * s * 0.42, y + s * 0.04 + i * s * 0.04);
            p.drawPath(leg);
        }
        QPainterPath antenna;
        antenna.moveTo(s * 0.5 + side * s * 0.05, s * 0.22);
        antenna.quadTo(s * 0.5 + side * s * 0.10, s * 0.06, s * 0.5 + side * s * 0.22, s * 0.06);
        p.drawPath(antenna);
    }

    // Head, then the shell in two halves with spots.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(s * 0.38, s * 0.16, s * 0.24, s * 0.20));
    QRadialGradient shell(QPointF(s * 0.42, s * 0.45), s * 0.40);
    shell.setColorAt(0, QColor(0xf2, 0x5b, 0x4c));
    shell.setColorAt(1, QColor(0xa8, 0x1c, 0x12));
    p.setBrush(shell);
    p.setPen(QPen(ink, s / 28));
    const QRectF body(s * 0.24, s * 0.28, s * 0.52, s * 0.62);
    p.drawEllipse(body);
    p.drawLine(QPointF(s * 0.5, body.top() + s * 0.02), QPointF(s * 0.5, body.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal spot = s * 0.09;
    for (const QPointF& c : {QPointF(0.38, 0.46), QPointF(0.62, 0.46), QPointF(0.36, 0.66), QPointF(0.64, 0.66),
                             QPointF(0.44, 0.80), QPointF(0.56, 0.80)})
        p.drawEllipse(QPointF(s * c.x(), s * c.y()), spot / 2, spot / 2);
    return pixmap;
}

} // namespace Artwork
