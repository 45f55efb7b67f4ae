// One disk as a horizontal bar: the disk box (picture and capacity) followed by one cell per entry of
// the disk's pending partition list, each with its file-system colour strip and usage gauge. Used in
// the disk map and alone in dialogs and wizards, where the owner may restrict, dim or mark cells.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class IVirtualVolumeManager;
struct PartitionInfo;

class KDiskMapItem : public QWidget {
    Q_OBJECT
public:
    // Cell flags. Selected is worked out while painting and never stored.
    enum CellFlag {
        CellUnselectable = 1,
        CellSelected = 2,
        CellDimmed = 4,
        CellMarked = 16,
    };

    static constexpr int kMaxCells = 512;
    static constexpr int kBarHeight = 55;
    static constexpr int kDiskBoxWidth = 65;
    static constexpr int kMinimumCellWidth = 30;

    explicit KDiskMapItem(QWidget* parent = nullptr);
    KDiskMapItem(QWidget* parent, IVirtualVolumeManager* layout, int nDiskIndex);

    // Shows a disk of a layout. Clears every cell flag; the caller repaints.
    void SetDisk(IVirtualVolumeManager* layout, int nDiskIndex);
    int DiskIndex() const { return m_diskIndex; }
    IVirtualVolumeManager* Layout() const { return m_layout; }

    // -1 nothing, 0..n-1 an entry, n (the entry count) the disk itself. Repaints when it changes.
    void SetSelectedIndex(int nIndex);
    int SelectedIndex() const { return m_selectedIndex; }

    // The layout's entry count for the disk; 0 without a layout.
    int GetPartitionCount() const;

    void SetCellFlags(int nIndex, int nFlags);
    int GetCellFlags(int nIndex) const;

    // Presses are ignored entirely; tooltips still follow the mouse.
    void SetReadOnly(bool bReadOnly) { m_readOnly = bReadOnly; }
    bool IsReadOnly() const { return m_readOnly; }
    // The disk box cannot be selected.
    void SetPartitionsOnly(bool bPartitionsOnly) { m_partitionsOnly = bPartitionsOnly; }
    bool IsPartitionsOnly() const { return m_partitionsOnly; }

    // The width a cell had at the last paint (gap column included); -1 when it was not laid out.
    int CellWidth(int nIndex) const;
    // The two lines shown in a cell and as its tooltip.
    static QString CellText(const PartitionInfo& info, int nBytesPerSector);

signals:
    void diskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void init();
    int64_t diskTotalSectors() const;
    // The cell that contains x by the widths of the last paint, or -1.
    int cellAt(int x) const;

    int m_diskIndex = -1;
    IVirtualVolumeManager* m_layout = nullptr;
    int m_cellWidths[kMaxCells];
    int m_cellFlags[kMaxCells];
    int m_selectedIndex = -1;
    int m_bytesPerSector = 512;
    bool m_readOnly = false;
    bool m_partitionsOnly = false;
    QPixmap m_markPixmap;
    QPixmap m_diskPixmap;
};
