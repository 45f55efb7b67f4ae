#include "gui/views/KDiskMapItem.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/common/DiskMapPainting.h"
#include "gui/common/FileSystemColors.h"
#include "gui/common/LabelText.h"
#include "gui/common/SizeText.h"
#include "engine/DiskEngine.h"
#include "engine/IDisk.h"
#include "core/FileSystemTypes.h"
#include "model/IVirtualVolumeManager.h"
#include "core/PartitionInfo.h"

using namespace DiskMapPainting;

namespace {

// The disk picture is drawn for a box 48 pixels wide; the capacity text sits below it.
constexpr int kDiskPictureWidth = 48;
constexpr int kDiskPictureHeight = 36;
constexpr int kMarkSize = 16;

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey128(128, 128, 128);

// A hard disk seen from the front, in greys with a green activity light.
QPixmap drawDiskPicture()
{
    QPixmap pixmap(kDiskPictureWidth, kDiskPictureHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QRectF body(5.5, 9.5, 37, 19);
    QLinearGradient metal(body.topLeft(), body.bottomLeft());
    metal.setColorAt(0.0, QColor(236, 236, 236));
    metal.setColorAt(0.55, QColor(176, 178, 182));
    metal.setColorAt(1.0, QColor(112, 114, 120));
    p.setPen(QPen(QColor(64, 66, 72), 1));
    p.setBrush(metal);
    p.drawRoundedRect(body, 3, 3);

    // The top face, seen slightly from above.
    QPainterPath top;
    top.moveTo(8.5, 9.5);
    top.lineTo(12.5, 5.5);
    top.lineTo(43.5, 5.5);
    top.lineTo(40.5, 9.5);
    top.closeSubpath();
    p.setBrush(QColor(206, 208, 212));
    p.drawPath(top);

    // Front panel: a dark slot and the light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 72, 78));
    p.drawRoundedRect(QRectF(9, 20, 22, 3), 1, 1);
    p.setBrush(QColor(40, 200, 60));
    p.drawEllipse(QRectF(35, 19.5, 4, 4));
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.drawLine(QPointF(8, 12), QPointF(40, 12));
    return pixmap;
}

// A green tick on a white disc, for marked cells.
QPixmap drawMarkPicture()
{
    QPixmap pixmap(kMarkSize, kMarkSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(20, 110, 30), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QPen tick(QColor(20, 150, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(4.5, 8.5);
    path.lineTo(7, 11);
    path.lineTo(11.5, 5);
    p.drawPath(path);
    return pixmap;
}

QString typeText(const PartitionInfo& info)
{
    switch (info.PartitionTypeId) {
    case kPlaceholderGptUnsupported:
        return KDiskMapItem::tr("GPT Disk");
    case kPlaceholderDynamic:
        return KDiskMapItem::tr("Dynamic Disk");
    case kPlaceholderBadDisk:
        return KDiskMapItem::tr("Bad Disk");
    case 0:
        return KDiskMapItem::tr("Unallocated");
    default:
        break;
    }
    switch (info.FileSystemType) {
    case kFsNone:
        return KDiskMapItem::tr("Unformatted");
    case kFsFat12:
    case kFsFat16:
        return KDiskMapItem::tr("FAT");
    case kFsNtfs:
        return KDiskMapItem::tr("NTFS");
    case kFsFat32:
        return KDiskMapItem::tr("FAT32");
    case kFsExt2:
        return KDiskMapItem::tr("Ext2");
    case kFsExt3:
        return KDiskMapItem::tr("Ext3");
    case kFsLinuxSwap:
        return KDiskMapItem::tr("Linux Swap");
    default:
        return KDiskMapItem::tr("Other");
    }
}

} // namespace

KDiskMapItem::KDiskMapItem(QWidget* parent) : QWidget(parent)
{
    init();
}

KDiskMapItem::KDiskMapItem(QWidget* parent, IVirtualVolumeManager* layout, int nDiskIndex) : QWidget(parent)
{
    init();
    SetDisk(layout, nDiskIndex);
}

void KDiskMapItem::init()
{
    std::fill(std::begin(m_cellWidths), std::end(m_cellWidths), -1);
    std::fill(std::begin(m_cellFlags), std::end(m_cellFlags), 0);
    setFixedHeight(kBarHeight);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMouseTracking(true);
    m_markPixmap = drawMarkPicture();
    m_diskPixmap = drawDiskPicture();
}

void KDiskMapItem::SetDisk(IVirtualVolumeManager* layout, int nDiskIndex)
{
    m_layout = layout;
    m_diskIndex = nDiskIndex;
    m_bytesPerSector = 512;
    if (IDisk* disk = layout ? layout->GetDisk(nDiskIndex) : nullptr) {
        DiskGeometry geometry{};
        if (disk->GetGeometry(&geometry) && geometry.BytesPerSector > 0)
            m_bytesPerSector = geometry.BytesPerSector;
    }
    std::fill(std::begin(m_cellFlags), std::end(m_cellFlags), 0);
}

void KDiskMapItem::SetSelectedIndex(int nIndex)
{
    if (nIndex == m_selectedIndex)
        return;
    m_selectedIndex = nIndex;
    update();
}

int KDiskMapItem::GetPartitionCount() const
{
    return m_layout ? m_layout->GetPartitionCount(m_diskIndex) : 0;
}

void KDiskMapItem::SetCellFlags(int nIndex, int nFlags)
{
    if (nIndex >= 0 && nIndex < kMaxCells)
        m_cellFlags[nIndex] = nFlags;
}

int KDiskMapItem::GetCellFlags(int nIndex) const
{
    return nIndex >= 0 && nIndex < kMaxCells ? m_cellFlags[nIndex] : 0;
}

int KDiskMapItem::CellWidth(int nIndex) const
{
    return nIndex >= 0 && nIndex < kMaxCells ? m_cellWidths[nIndex] : -1;
}

int64_t KDiskMapItem::diskTotalSectors() const
{
    IDisk* disk = m_layout ? m_layout->GetDisk(m_diskIndex) : nullptr;
    return disk ? disk->GetTotalSectors() : 0;
}

QString KDiskMapItem::CellText(const PartitionInfo& info, int nBytesPerSector)
{
    QString letter;
    if (info.DriveLetter != 0)
        letter = QString(QLatin1Char(info.DriveLetter)) + QLatin1Char(':');
    const QString label = LabelText::FromEntry(info).trimmed();
    // One pass over the pattern: a label holding "%3" stays as it is.
    return QStringLiteral("%1%2(%3)\n%4")
        .arg(letter, label, typeText(info), SizeText::DiskMapSize(info.TotalSectors, nBytesPerSector));
}

int KDiskMapItem::cellAt(int x) const
{
    const int count = std::min(GetPartitionCount(), kMaxCells);
    int x0 = kDiskBoxWidth;
    for (int i = 0; i < count && m_cellWidths[i] >= 0; ++i) {
        if (x0 <= x && x < x0 + m_cellWidths[i])
            return i;
        x0 += m_cellWidths[i];
    }
    return -1;
}

void KDiskMapItem::paintEvent(QPaintEvent*)
{
    std::fill(std::begin(m_cellWidths), std::end(m_cellWidths), -1);
    QPainter p(this);
    p.setBackgroundMode(Qt::TransparentMode);
    if (!m_layout)
        return;

    const int partitionCount = GetPartitionCount();
    const int count = std::clamp(partitionCount, 0, kMaxCells);
    std::vector<PartitionInfo> entries(size_t(count), MakeEmptyPartitionInfo());
    for (int i = 0; i < count; ++i)
        m_layout->GetPartition(m_diskIndex, i, &entries[size_t(i)]);
    const int64_t totalSectors = diskTotalSectors();
    const QColor background = palette().color(QPalette::Window);

    // The disk box.
    const QRect diskBox(0, 0, kDiskBoxWidth, kBarHeight);
    RaisedBox(p, diskBox, kWhite, kBlack, background, background);
    p.drawPixmap((kDiskBoxWidth - kDiskPictureWidth) / 2, 0, m_diskPixmap);
    p.setPen(kBlack);
    p.drawText(QRect(0, kBarHeight - 18, kDiskBoxWidth, 16), Qt::AlignHCenter | Qt::AlignVCenter,
               SizeText::DiskMapCapacity(totalSectors, m_bytesPerSector));
    if (m_selectedIndex >= partitionCount)
        p.fillRect(QRect(1, kBarHeight - 5, kDiskBoxWidth - 4, 4), kRed);

    // Widths: proportional first; entries under the minimum get it and the rest share what is left.
    const int areaWidth = width() - kDiskBoxWidth;
    int64_t remaining = totalSectors;
    int available = areaWidth;
    for (int i = 0; i < count; ++i) {
        const int64_t size = entries[size_t(i)].TotalSectors;
        m_cellWidths[i] = totalSectors != 0 ? TruncatePixels(double(areaWidth) * double(size) / double(totalSectors)) : 0;
        if (m_cellWidths[i] < kMinimumCellWidth) {
            remaining -= size;
            available -= kMinimumCellWidth;
        }
    }
    if (remaining > 0 && available > 0) {
        for (int i = 0; i < count; ++i) {
            if (m_cellWidths[i] < kMinimumCellWidth)
                m_cellWidths[i] = kMinimumCellWidth;
            else
                m_cellWidths[i] = TruncatePixels(double(entries[size_t(i)].TotalSectors) / double(remaining) *
                                                double(available));
        }
    }

    // The cells, one pixel column apart.
    int x = 0;
    for (int i = 0; i < count; ++i) {
        const int cellWidth = m_cellWidths[i];
        const QRect cell(kDiskBoxWidth + x, 0, cellWidth - 1, kBarHeight);
        x += cellWidth;
        if (cell.width() < 1)
            continue; // squeezed to nothing: only its column is walked by the hit test
        const PartitionInfo& info = entries[size_t(i)];
        int flags = m_cellFlags[i] & ~CellSelected;
        if (i == m_selectedIndex)
            flags |= CellSelected;
        const bool dimmed = (flags & CellDimmed) != 0;

        const QString text = CellText(info, m_bytesPerSector);
        QColor colour = FileSystemColor(info.FileSystemType);
        if (dimmed) {
            int h = 0, s = 0, v = 0, a = 0;
            colour.getHsv(&h, &s, &v, &a);
            colour = QColor::fromHsv(h, s / 8, v, a);
        }
        if (info.PartitionTypeId == 0)
            colour = UnallocatedColor();

        RaisedBox(p, cell, kWhite, kBlack, background, background);
        const QRect strip(cell.left() + 2, cell.top() + 1, cell.width() - 6, 14);
        ColourStrip(p, strip, kNavy, colour);

        const QRect gauge(strip.left(), strip.bottom() + 2, strip.width(), cell.height() - 18);
        double usedRatio = 0.0;
        if (info.TotalSectors > 0)
            usedRatio = 1.0 - double(info.FreeSectors) / double(info.TotalSectors);
        UsageGauge(p, gauge, usedRatio, text, dimmed ? kGrey128 : kBlack);
        if (flags & CellMarked)
            p.drawPixmap(gauge.right() - kMarkSize, gauge.top(), m_markPixmap);

        if (flags & CellSelected)
            p.fillRect(QRect(cell.left() + 2, cell.bottom() - 4, cell.width() - 6, 4), kRed);
    }
}

void KDiskMapItem::mousePressEvent(QMouseEvent* event)
{
    if (m_readOnly)
        return;
    const int oldIndex = m_selectedIndex;
    const int count = GetPartitionCount();
    const QPoint pos = event->position().toPoint();
    m_selectedIndex = -1;
    if (pos.x() < kDiskBoxWidth && !m_partitionsOnly) {
        m_selectedIndex = count;
    } else {
        const int cell = cellAt(pos.x());
        if (cell >= 0) {
            if (m_cellFlags[cell] & CellUnselectable) {
                m_selectedIndex = oldIndex;
                return;
            }
            m_selectedIndex = cell;
        }
    }
    if (m_selectedIndex == -1)
        m_selectedIndex = m_partitionsOnly ? oldIndex : count;
    update();
    emit diskMapItemSelected(m_diskIndex, m_selectedIndex, (event->buttons() & Qt::RightButton) != 0, pos);
}

void KDiskMapItem::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (x < kDiskBoxWidth + 1 || !m_layout)
        return;
    const int cell = cellAt(x);
    if (cell < 0)
        return;
    PartitionInfo info = MakeEmptyPartitionInfo();
    m_layout->GetPartition(m_diskIndex, cell, &info);
    setToolTip(CellText(info, m_bytesPerSector));
}
