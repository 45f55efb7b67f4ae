#include "gui/dialogs/KPartitionResizeCtrl.h"

#include "gui/common/SizeText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "gui/common/DiskMapPainting.h"
#include "gui/common/FileSystemColors.h"

using namespace DiskMapPainting;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kHandleGrey(192, 192, 192);
const QColor kBlockFace(236, 237, 230);
const QColor kLightYellow(255, 255, 200);
const QColor kUsedEdge(104, 141, 202);

// Below this width the block has no room for its frame, strip and gauge.
constexpr int kFullBlockMinimumWidth = 11;
// Below this width the block is only its colour.
constexpr int kBareBlockMaximumWidth = 6;

// Sector count from a floating-point product, truncated toward zero; nonsense gives 0.
qint64 truncateSectors(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double kLimit = 9.0e18;
    return qint64(std::clamp(value, -kLimit, kLimit));
}

} // namespace

KPartitionResizeCtrl::KPartitionResizeCtrl(QWidget* parent) : QFrame(parent)
{
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, UnallocatedColor());
    setPalette(pal);
}

void KPartitionResizeCtrl::SetAll(qint64 n64Start, qint64 n64Size, qint64 n64Used, qint64 n64MinimumSize,
                                  qint64 n64MaximumSize, qint64 n64Total, int nFileSystemType)
{
    m_start = n64Start;
    m_size = n64Size;
    m_used = n64Used;
    m_minimumSize = n64MinimumSize;
    m_maximumSize = n64MaximumSize;
    m_total = n64Total;
    m_fileSystemType = nFileSystemType;
    normalise();
    layoutBlock();
    update();
}

void KPartitionResizeCtrl::SetStart(qint64 n64Start)
{
    m_start = n64Start;
    normalise();
    layoutBlock();
    update();
}

void KPartitionResizeCtrl::SetSize(qint64 n64Size)
{
    m_size = n64Size;
    normalise();
    layoutBlock();
    update();
}

void KPartitionResizeCtrl::SetStartAndSize(qint64 n64Start, qint64 n64Size)
{
    m_start = n64Start;
    m_size = n64Size;
    normalise();
    layoutBlock();
    update();
}

void KPartitionResizeCtrl::SetSizeLimits(qint64 n64MinimumSize, qint64 n64MaximumSize)
{
    m_minimumSize = n64MinimumSize;
    m_maximumSize = n64MaximumSize;
    normalise();
    layoutBlock();
    update();
}

void KPartitionResizeCtrl::SetFileSystemType(int nFileSystemType)
{
    m_fileSystemType = nFileSystemType;
    update();
}

void KPartitionResizeCtrl::normalise()
{
    const qint64 start = m_start;
    const qint64 size = m_size;
    if (m_size < m_minimumSize)
        m_size = m_minimumSize;
    if (m_size > m_maximumSize)
        m_size = m_maximumSize;
    // Limits that do not fit the stretch (a file system's minimum larger than the free area) must not
    // push the partition out of it: the stretch wins over the limits.
    if (m_size > m_total)
        m_size = std::max<qint64>(m_total, 0);
    if (m_start + m_size > m_total)
        m_start = m_total - m_size;
    if (m_start < 0)
        m_start = 0;
    if (m_start != start || m_size != size)
        emit partitionResized(m_start, m_size);
}

void KPartitionResizeCtrl::layoutBlock()
{
    const double track = TrackWidth();
    m_blockWidth = m_total > 0 ? TruncatePixels(track * double(m_size) / double(m_total) + kHandleWidth) : kHandleWidth;
    m_blockLeft = m_total > 1 ? TruncatePixels(track * double(m_start) / double(m_total - 1)) : 0;
}

KPartitionResizeCtrl::DragMode KPartitionResizeCtrl::HitTest(int x) const
{
    const int blockStart = m_blockLeft + kHandleWidth;
    const int blockEnd = blockStart + m_blockWidth;
    if (x >= blockStart && x < blockEnd)
        return DragBlock;
    if (x >= m_blockLeft && x < blockStart)
        return DragLeftHandle;
    if (x >= blockEnd && x < blockEnd + kHandleWidth)
        return DragRightHandle;
    return DragNothing;
}

bool KPartitionResizeCtrl::moveBy(int dx)
{
    const int track = TrackWidth();
    if (track <= 0 || m_total <= 1)
        return false;
    const int body = m_blockWidth - kHandleWidth;
    int newLeft = std::max(m_blockLeft + dx, 0);
    if (newLeft + body > track)
        newLeft = track - body;
    if (newLeft == m_blockLeft)
        return false;

    m_blockLeft = newLeft;
    m_start = truncateSectors(double(newLeft) / track * double(m_total - 1));
    if (m_start + m_size > m_total)
        m_start = m_total - m_size;
    m_start = std::max<qint64>(m_start, 0);
    update();
    emit partitionResized(m_start, m_size);
    return true;
}

bool KPartitionResizeCtrl::resizeBy(DragMode mode, int dx)
{
    const int track = TrackWidth();
    if (track <= 0 || m_total <= 1)
        return false;
    const double total = double(m_total);
    const int minimumWidth = TruncatePixels(double(m_minimumSize) / total * track);
    const int maximumWidth = TruncatePixels(double(m_maximumSize) / total * track);
    const qint64 lastSector = m_start + m_size - 1;
    int left = m_blockLeft;
    int right = m_blockLeft + m_blockWidth - kHandleWidth;

    if (mode == DragLeftHandle) {
        left = std::max(left + dx, 0);
        if (left == m_blockLeft)
            return false;
    } else {
        right = std::min(right + dx, track);
    }

    int width = right - left;
    bool limitHit = false;
    qint64 limit = 0;
    if (width < minimumWidth) {
        width = minimumWidth;
        limit = m_minimumSize;
        limitHit = true;
    } else if (width > maximumWidth) {
        width = maximumWidth;
        limit = m_maximumSize;
        limitHit = true;
    }
    if (left + width < 0)
        left = 0;
    else if (left + width > track)
        left = track - width;

    qint64 newStart = m_start;
    qint64 newSize = 0;
    if (mode == DragLeftHandle) {
        if (!limitHit) {
            // The right end stays on its sector.
            newStart = truncateSectors(double(left) / track * double(m_total - 1));
            newSize = lastSector - newStart + 1;
        } else {
            newStart = lastSector - limit + 1;
            newSize = limit;
            width = TruncatePixels(double(limit) / total * track);
            left = TruncatePixels(double(newStart) / double(m_total - 1) * track);
            m_anchor = left;
        }
        // A maximum beyond the start of the stretch keeps the block at its first sector.
        if (newStart < 0) {
            newStart = 0;
            newSize = lastSector + 1;
        }
    } else if (limitHit) {
        newSize = limit;
        width = TruncatePixels(double(limit) / total * track);
        m_anchor = left + width + kTrackMargin;
    } else {
        newSize = truncateSectors(double(width) / track * total);
    }

    if (newSize > m_maximumSize || newSize < m_minimumSize)
        return false;
    if (newStart == m_start && newSize == m_size)
        return false;
    if (newStart + newSize > m_total)
        newStart = std::max<qint64>(m_total - newSize, 0);

    m_blockLeft = left;
    m_blockWidth = width + kHandleWidth;
    m_size = newSize;
    m_start = newStart;
    update();
    emit partitionResized(m_start, m_size);
    return !limitHit;
}

void KPartitionResizeCtrl::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutBlock();
}

void KPartitionResizeCtrl::mousePressEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int x = event->position().toPoint().x();
    m_dragMode = HitTest(x);
    if (m_dragMode != DragNothing)
        m_anchor = x;
}

void KPartitionResizeCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (!(event->buttons() & Qt::LeftButton)) {
        switch (HitTest(x)) {
        case DragBlock:
            setCursor(Qt::SizeAllCursor);
            break;
        case DragLeftHandle:
        case DragRightHandle:
            setCursor(Qt::SizeHorCursor);
            break;
        case DragNothing:
            setCursor(Qt::ArrowCursor);
            break;
        }
        return;
    }

    const int dx = x - m_anchor;
    switch (m_dragMode) {
    case DragBlock:
        setCursor(Qt::SizeAllCursor);
        if (moveBy(dx))
            m_anchor = x;
        break;
    case DragLeftHandle:
    case DragRightHandle:
        setCursor(Qt::SizeHorCursor);
        if (resizeBy(m_dragMode, dx))
            m_anchor = std::clamp(x, 0, width());
        break;
    case DragNothing:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

QString KPartitionResizeCtrl::SizeText(qint64 n64Sectors)
{
    const double gigabytes = double(n64Sectors) / 2048.0 / 1024.0;
    if (gigabytes > 1.0)
        return QStringLiteral("%1 GB").arg(SizeText::Decimal(gigabytes, 2));
    return QStringLiteral("%1 MB").arg(SizeText::Decimal(double(n64Sectors) / 2048.0, 2));
}

void KPartitionResizeCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.save();
    const int h = height();
    paintBlock(p, QRect(m_blockLeft + kHandleWidth, 0, m_blockWidth, h));
    paintHandle(p, QRect(m_blockLeft, 0, kHandleWidth, h), true);
    paintHandle(p, QRect(m_blockLeft + m_blockWidth + kHandleWidth, 0, kHandleWidth, h), false);
    p.restore();
}

void KPartitionResizeCtrl::paintBlock(QPainter& p, const QRect& block)
{
    const QColor colour = FileSystemColor(m_fileSystemType);
    const QString text = SizeText(m_size);
    const double usedRatio = m_size > 0 ? double(m_used) / double(m_size) : 0.0;

    if (block.width() >= kFullBlockMinimumWidth) {
        RaisedBox(p, block, kWhite, kBlack, kBlockFace, kBlockFace);
        const QRect strip(block.left() + 2, block.top() + 1, block.width() - 6, 14);
        ColourStrip(p, strip, kNavy, colour);
        const QRect gauge(strip.left(), strip.bottom() + 2, strip.width(), block.height() - 18);
        UsageGauge(p, gauge, usedRatio, text, kBlack);
        return;
    }

    // Too narrow for the cell look: the colour, a white field with the used part, and the size.
    p.fillRect(block, colour);
    if (block.width() > kBareBlockMaximumWidth) {
        const QRect field = block.adjusted(3, 3, -3, -3);
        p.fillRect(field, kWhite);
        if (field.width() > 1 && m_used > 0) {
            const int usedWidth = TruncatePixels(field.width() * std::clamp(usedRatio, 0.0, 1.0));
            p.fillRect(QRect(field.left(), field.top(), usedWidth, field.height()), kLightYellow);
            const int boundary = std::min(field.left() + usedWidth, field.right());
            Line(p, boundary, field.top(), boundary, field.bottom(), kUsedEdge);
        }
    }
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(kBlack);
    p.drawText(block, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void KPartitionResizeCtrl::paintHandle(QPainter& p, const QRect& handle, bool bPointsLeft)
{
    p.fillRect(handle, kHandleGrey);
    Frame(p, handle, kWhite, kBlack);

    const int middle = handle.height() / 2;
    const int left = handle.left();
    const int right = handle.right();
    QPolygon arrow;
    if (bPointsLeft)
        arrow << QPoint(left, middle) << QPoint(right, middle - 4) << QPoint(right, middle + 4);
    else
        arrow << QPoint(left, middle - 4) << QPoint(left, middle + 4) << QPoint(right, middle);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kBlack);
    p.setBrush(kBlack);
    p.drawPolygon(arrow);
}
