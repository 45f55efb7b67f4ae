#include "gui/views/KLegendBar.h"

#include <QFontMetrics>
#include <QPainter>
#include <iterator>

namespace {

struct Key {
    const char* name;
    int r, g, b;
};

constexpr Key kKeys[] = {
    {QT_TRANSLATE_NOOP("KLegendBar", "FAT"), 141, 195, 205},
    {QT_TRANSLATE_NOOP("KLegendBar", "FAT32"), 107, 204, 73},
    {QT_TRANSLATE_NOOP("KLegendBar", "NTFS"), 6, 120, 191},
    {QT_TRANSLATE_NOOP("KLegendBar", "Ext2"), 215, 178, 31},
    {QT_TRANSLATE_NOOP("KLegendBar", "Ext3"), 205, 135, 5},
    {QT_TRANSLATE_NOOP("KLegendBar", "Linux Swap"), 192, 119, 216},
    {QT_TRANSLATE_NOOP("KLegendBar", "Unformatted"), 127, 127, 0},
    {QT_TRANSLATE_NOOP("KLegendBar", "Unallocated"), 140, 140, 140},
    {QT_TRANSLATE_NOOP("KLegendBar", "Other"), 132, 2, 4},
    {QT_TRANSLATE_NOOP("KLegendBar", "Used"), 255, 255, 200},
    {QT_TRANSLATE_NOOP("KLegendBar", "Unused"), 255, 255, 255},
};

} // namespace

KLegendBar::KLegendBar(QWidget* parent) : QFrame(parent) {}

std::vector<KLegendBar::Entry> KLegendBar::Entries()
{
    std::vector<Entry> entries;
    entries.reserve(std::size(kKeys));
    for (const Key& key : kKeys)
        entries.push_back({tr(key.name), QColor(key.r, key.g, key.b)});
    return entries;
}

void KLegendBar::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.setPen(QPen(QBrush(Qt::black), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        const QFontMetrics metrics(font());
        int x = 20;
        for (const Entry& entry : Entries()) {
            const int w = metrics.horizontalAdvance(entry.strName) + 10;
            p.setBrush(QBrush(entry.color, Qt::SolidPattern));
            p.drawRect(x, 7, 10, 10);
            p.drawText(QRect(x + 15, 0, w, 24), Qt::AlignLeft | Qt::AlignVCenter, entry.strName);
            x += w + 25;
        }
    }
    QFrame::paintEvent(event);
}
