// The slider with which the user places and sizes one partition inside a stretch of disk space: the
// stretch is the grey track, the partition a coloured block with its usage gauge, with a handle on
// each side. Dragging the block moves the partition, dragging a handle resizes it from that side.
// Everything is counted in sectors from the first sector of the stretch; the control aligns nothing.
#pragma once

#include <QFrame>
#include <QtGlobal>

class KPartitionResizeCtrl : public QFrame {
    Q_OBJECT
public:
    // What a press at some x grabs.
    enum DragMode {
        DragBlock = 0,
        DragLeftHandle = 1,
        DragRightHandle = 2,
        DragNothing = 3,
    };

    static constexpr int kHandleWidth = 8;
    // Widget width minus track width: both handles and the block's minimum body.
    static constexpr int kTrackMargin = 24;

    explicit KPartitionResizeCtrl(QWidget* parent = nullptr);

    // Every setter but SetFileSystemType keeps the invariants (below), lays the block out again and
    // repaints; a value it has to correct is reported through partitionResized, one that needs no
    // correction is not echoed.
    void SetAll(qint64 n64Start, qint64 n64Size, qint64 n64Used, qint64 n64MinimumSize, qint64 n64MaximumSize,
                qint64 n64Total, int nFileSystemType);
    void SetStart(qint64 n64Start);
    void SetSize(qint64 n64Size);
    void SetStartAndSize(qint64 n64Start, qint64 n64Size);
    void SetSizeLimits(qint64 n64MinimumSize, qint64 n64MaximumSize);
    // Only the block colour changes.
    void SetFileSystemType(int nFileSystemType);

    qint64 GetTotal() const { return m_total; }
    qint64 GetUsed() const { return m_used; }
    qint64 GetMinimumSize() const { return m_minimumSize; }
    qint64 GetMaximumSize() const { return m_maximumSize; }
    qint64 GetSize() const { return m_size; }
    qint64 GetStart() const { return m_start; }
    int GetFileSystemType() const { return m_fileSystemType; }

    // Pixel layout: the left handle covers [BlockLeft, BlockLeft + 8), the block [BlockLeft + 8,
    // BlockLeft + 8 + BlockWidth) and the right handle the 8 pixels after it. TrackWidth is the widget
    // width minus 24; a partition filling the stretch spans the whole widget.
    int TrackWidth() const { return width() - kTrackMargin; }
    int BlockLeft() const { return m_blockLeft; }
    int BlockWidth() const { return m_blockWidth; }
    // What a press at x would grab.
    DragMode HitTest(int x) const;
    DragMode CurrentDragMode() const { return m_dragMode; }
    int Anchor() const { return m_anchor; }

    // The text drawn on the block: "%1 GB" above 1 GB, else "%1 MB", two decimals.
    static QString SizeText(qint64 n64Sectors);

signals:
    void partitionResized(qint64 n64StartingOffset, qint64 n64Size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // minimum <= size <= maximum (the maximum wins a contradiction), 0 <= start, start + size <= total;
    // reports a correction.
    void normalise();
    void layoutBlock();
    void paintBlock(QPainter& p, const QRect& block);
    void paintHandle(QPainter& p, const QRect& handle, bool bPointsLeft);
    // One drag step; true when the block moved.
    bool moveBy(int dx);
    // One handle step; true when the size changed without reaching a limit (at a limit the anchor has
    // already been put on the limit edge).
    bool resizeBy(DragMode mode, int dx);

    qint64 m_total = 0;
    qint64 m_used = 0;
    qint64 m_minimumSize = 0;
    qint64 m_maximumSize = 0;
    qint64 m_size = 0;
    qint64 m_start = 0;
    int m_fileSystemType = 255;
    int m_blockLeft = 0;
    // Body width plus 8: the block is drawn this wide, so even an empty partition shows.
    int m_blockWidth = 0;
    int m_anchor = 0;
    DragMode m_dragMode = DragNothing;
};
