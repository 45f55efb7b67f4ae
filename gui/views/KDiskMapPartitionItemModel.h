// The partition list: every disk of the pending layout as a bold title row followed by one row per entry
// of its partition list, in eight columns. The model is flat (no row has children) and keeps nothing
// but the layout pointer; every cell reads its entry again.
#pragma once

#include <QAbstractItemModel>
#include <QItemDelegate>

struct PartitionInfo;
class IVirtualVolumeManager;

class KDiskMapPartitionItemModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Column {
        ColumnIndent = 0,
        ColumnPartition = 1,
        ColumnFileSystem = 2,
        ColumnCapacity = 3,
        ColumnUsed = 4,
        ColumnUnused = 5,
        ColumnStatus = 6,
        ColumnType = 7,
        ColumnCount = 8,
    };

    // Row heights of the size hints.
    static constexpr int kDiskRowHeight = 35;
    static constexpr int kEntryRowHeight = 25;
    static constexpr int kHeaderHeight = 20;

    KDiskMapPartitionItemModel(QObject* parent, IVirtualVolumeManager* layout);

    IVirtualVolumeManager* layout() const { return m_layout; }

    // The internal id of an index: disk index in the high 16 bits, entry index in the low 16 bits
    // (0xFFFF for the disk row).
    static quint32 makeInternalId(int nDiskIndex, int nEntryIndex);
    // Disk of an index, -1 for an invalid one.
    static int diskIndexOf(const QModelIndex& index);
    // Entry of an index; negative for a disk row (and for an invalid index).
    static int entryIndexOf(const QModelIndex& index);
    static bool isDiskRow(const QModelIndex& index) { return index.isValid() && entryIndexOf(index) < 0; }

    // The texts of one entry as the list shows them; empty when the disk or entry does not exist.
    QString entryText(int nDiskIndex, int nEntryIndex, int nColumn) const;
    // The size texts of the list ("1.00 GB", "512.00 MB", "3.50 KB", "512 B"); not translated.
    static QString capacityText(qint64 n64Bytes);
    static QString usageText(qint64 n64Bytes);

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

public slots:
    // Resets the whole model; the owner calls it after the layout changed.
    void revert() override;

private:
    int bytesPerSector(int nDiskIndex) const;
    bool readEntry(int nDiskIndex, int nEntryIndex, PartitionInfo* info) const;
    QString statusText(const PartitionInfo& info) const;

    IVirtualVolumeManager* m_layout;
};

// Paints the underline of a disk title, the file-system colour square before the file-system name and
// the indentation of the partition name.
class KDiskMapPartitionItemDelegate : public QItemDelegate {
    Q_OBJECT

public:
    KDiskMapPartitionItemDelegate(QObject* parent, IVirtualVolumeManager* layout);

    IVirtualVolumeManager* layout() const { return m_layout; }

    // Colour of the square for an entry: grey for unallocated space, else by file-system code.
    static QColor fileSystemColor(int nPartitionTypeId, int nFileSystemType);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    IVirtualVolumeManager* m_layout;
};
