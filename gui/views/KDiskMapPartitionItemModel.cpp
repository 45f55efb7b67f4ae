#include "gui/views/KDiskMapPartitionItemModel.h"

#include "gui/common/FileSystemColors.h"
#include "gui/common/LabelText.h"
#include "gui/common/SizeText.h"

#include <iterator>

#include <QApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include "engine/DiskEngine.h"
#include "engine/IDisk.h"
#include "core/FileSystemTypes.h"
#include "model/IVirtualVolumeManager.h"
#include "core/PartitionInfo.h"

namespace {

const char* const kContext = "KDiskMapPartitionItemModel";

struct ColumnFormat {
    const char* header;
    int width;
    Qt::Alignment alignment;
};

const ColumnFormat kColumns[KDiskMapPartitionItemModel::ColumnCount] = {
    {"", 1, Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Partition"), 120, Qt::AlignLeft | Qt::AlignVCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "File System"), 100, Qt::AlignLeft | Qt::AlignVCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Capacity"), 90, Qt::AlignRight | Qt::AlignVCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Used"), 90, Qt::AlignRight | Qt::AlignVCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Unused"), 90, Qt::AlignRight | Qt::AlignVCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Status"), 145, Qt::AlignCenter},
    {QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Type"), 80, Qt::AlignLeft | Qt::AlignVCenter},
};

// The words of FileSystemListText and PartitionTypeText, listed here so that the translation tools
// find them in this context; the model passes the returned text through tr() at run time.
[[maybe_unused]] const char* const kSharedWords[] = {
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT Disk"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Dynamic Disk"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Bad Disk"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Unallocated"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "FAT"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "FAT32"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "NTFS"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Linux Swap"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Ext2"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Ext3"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Unformatted"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "Other"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT (Recovery Partition)"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT (Data Partition)"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT (Reserved Partition)"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT (EFI System partition)"),
    QT_TRANSLATE_NOOP("KDiskMapPartitionItemModel", "GPT"),
};

constexpr quint32 kDiskRowEntry = 0xFFFF;


} // namespace

// ---------------------------------------------------------------------------------------------------

KDiskMapPartitionItemModel::KDiskMapPartitionItemModel(QObject* parent, IVirtualVolumeManager* layout)
    : QAbstractItemModel(parent), m_layout(layout)
{
}

quint32 KDiskMapPartitionItemModel::makeInternalId(int nDiskIndex, int nEntryIndex)
{
    const quint32 entry = nEntryIndex < 0 ? kDiskRowEntry : (quint32(nEntryIndex) & 0xFFFFu);
    return (quint32(nDiskIndex) << 16) | entry;
}

int KDiskMapPartitionItemModel::diskIndexOf(const QModelIndex& index)
{
    if (!index.isValid())
        return -1;
    return int(quint32(index.internalId()) >> 16);
}

int KDiskMapPartitionItemModel::entryIndexOf(const QModelIndex& index)
{
    if (!index.isValid())
        return -1;
    return int(qint16(quint16(quint32(index.internalId()) & 0xFFFFu)));
}

int KDiskMapPartitionItemModel::columnCount(const QModelIndex&) const { return ColumnCount; }

int KDiskMapPartitionItemModel::rowCount(const QModelIndex&) const
{
    if (!m_layout)
        return 0;
    int rows = 0;
    const int disks = m_layout->GetDiskCount();
    for (int d = 0; d < disks; ++d)
        rows += m_layout->GetPartitionCount(d) + 1;
    return rows;
}

bool KDiskMapPartitionItemModel::hasChildren(const QModelIndex& parent) const { return !parent.isValid(); }

QModelIndex KDiskMapPartitionItemModel::parent(const QModelIndex&) const { return QModelIndex(); }

QModelIndex KDiskMapPartitionItemModel::index(int row, int column, const QModelIndex&) const
{
    if (!m_layout || row < 0 || column < 0 || column >= ColumnCount)
        return QModelIndex();
    const int disks = m_layout->GetDiskCount();
    if (disks <= 0)
        return QModelIndex();
    int sum = 0;
    for (int d = 0; d < disks; ++d) {
        const int entries = m_layout->GetPartitionCount(d);
        if (row == sum)
            return createIndex(row, column, quintptr(makeInternalId(d, -1)));
        if (row > sum && row <= sum + entries)
            return createIndex(row, column, quintptr(makeInternalId(d, row - sum - 1)));
        sum += entries + 1;
    }
    // Past the end: the title row of the last disk.
    return createIndex(row, column, quintptr(makeInternalId(disks - 1, -1)));
}

QVariant KDiskMapPartitionItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() < 0 || index.column() >= ColumnCount)
        return QVariant();
    const int column = index.column();
    const int disk = diskIndexOf(index);
    const int entry = entryIndexOf(index);
    const bool diskRow = entry < 0;

    switch (role) {
    case Qt::SizeHintRole:
        return QSize(kColumns[column].width, diskRow ? kDiskRowHeight : kEntryRowHeight);
    case Qt::TextAlignmentRole:
        return int(kColumns[column].alignment);
    case Qt::FontRole: {
        if (!diskRow)
            return QVariant();
        const QWidget* owner = qobject_cast<const QWidget*>(QObject::parent());
        QFont font = owner ? owner->font() : QApplication::font();
        font.setPointSize(12);
        font.setWeight(QFont::Bold);
        return font;
    }
    case Qt::DisplayRole:
        if (diskRow)
            return column == ColumnPartition ? tr("Disk %1").arg(disk + 1) : QString();
        return entryText(disk, entry, column);
    default:
        return QVariant();
    }
}

QVariant KDiskMapPartitionItemModel::headerData(int section, Qt::Orientation, int role) const
{
    if (section < 0 || section >= ColumnCount)
        return QVariant();
    switch (role) {
    case Qt::SizeHintRole:
        return QSize(kColumns[section].width, kHeaderHeight);
    case Qt::DisplayRole:
        return *kColumns[section].header ? tr(kColumns[section].header) : QString();
    case Qt::TextAlignmentRole:
        return int(kColumns[section].alignment);
    default:
        return QVariant();
    }
}

void KDiskMapPartitionItemModel::revert()
{
    beginResetModel();
    endResetModel();
}

int KDiskMapPartitionItemModel::bytesPerSector(int nDiskIndex) const
{
    IDisk* disk = m_layout ? m_layout->GetDisk(nDiskIndex) : nullptr;
    DiskGeometry geometry{};
    if (disk && disk->GetGeometry(&geometry) && geometry.BytesPerSector > 0)
        return geometry.BytesPerSector;
    return 512;
}

bool KDiskMapPartitionItemModel::readEntry(int nDiskIndex, int nEntryIndex, PartitionInfo* info) const
{
    *info = MakeEmptyPartitionInfo();
    if (!m_layout || nDiskIndex < 0 || nDiskIndex >= m_layout->GetDiskCount() || nEntryIndex < 0 ||
        nEntryIndex >= m_layout->GetPartitionCount(nDiskIndex))
        return false;
    if (!m_layout->GetPartition(nDiskIndex, nEntryIndex, info))
        *info = MakeEmptyPartitionInfo(); // a failed query shows as an empty record
    return true;
}

QString KDiskMapPartitionItemModel::capacityText(qint64 n64Bytes)
{
    return SizeText::ListCapacityOfBytes(n64Bytes);
}

QString KDiskMapPartitionItemModel::usageText(qint64 n64Bytes)
{
    return SizeText::ListUsedOfBytes(n64Bytes);
}

QString KDiskMapPartitionItemModel::statusText(const PartitionInfo& info) const
{
    QStringList words;
    if (info.Active)
        words << tr("Active");
    if (info.BootVolume)
        words << tr("Boot");
    if (info.SystemVolume)
        words << tr("System");
    if (info.Hidden)
        words << tr("Hidden");
    if (info.ReadOnly)
        words << tr("ReadOnly");
    return words.isEmpty() ? tr("None") : words.join(QStringLiteral(" & "));
}

QString KDiskMapPartitionItemModel::entryText(int nDiskIndex, int nEntryIndex, int nColumn) const
{
    PartitionInfo info;
    if (!readEntry(nDiskIndex, nEntryIndex, &info))
        return QString();
    const qint64 sectorBytes = bytesPerSector(nDiskIndex);

    switch (nColumn) {
    case ColumnPartition: {
        const QString letter = info.DriveLetter ? QString(QLatin1Char(info.DriveLetter)) : QStringLiteral("*");
        return QStringLiteral("%1:%2").arg(letter, LabelText::FromEntry(info).trimmed());
    }
    case ColumnFileSystem:
        return QCoreApplication::translate(kContext, FileSystemListText(info));
    case ColumnCapacity:
        return capacityText(info.TotalSectors * sectorBytes);
    case ColumnUsed:
        return usageText((info.TotalSectors - info.FreeSectors) * sectorBytes);
    case ColumnUnused:
        return usageText(info.FreeSectors * sectorBytes);
    case ColumnStatus:
        return statusText(info);
    case ColumnType:
        // Only an entry marked exactly 1 is a GPT entry here.
        if (info.IsGptEntry == 1)
            return QCoreApplication::translate(kContext, PartitionTypeText(info));
        return info.IsPrimary ? tr("Primary") : tr("Logical");
    default:
        return QString();
    }
}

// ---------------------------------------------------------------------------------------------------

KDiskMapPartitionItemDelegate::KDiskMapPartitionItemDelegate(QObject* parent, IVirtualVolumeManager* layout)
    : QItemDelegate(parent), m_layout(layout)
{
}

QColor KDiskMapPartitionItemDelegate::fileSystemColor(int nPartitionTypeId, int nFileSystemType)
{
    return nPartitionTypeId == 0 ? UnallocatedColor() : FileSystemColor(nFileSystemType);
}

void KDiskMapPartitionItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const
{
    painter->save();
    const int disk = KDiskMapPartitionItemModel::diskIndexOf(index);
    const int entry = KDiskMapPartitionItemModel::entryIndexOf(index);
    const int column = index.column();
    const QRect cell = option.rect;

    if (entry < 0 && column == KDiskMapPartitionItemModel::ColumnPartition) {
        QItemDelegate::paint(painter, option, index);
        // Underline the disk title across the first three columns.
        const QRect line(cell.left(), cell.bottom() - 1, cell.width() * 3, 1);
        QLinearGradient gradient(line.topLeft(), line.topRight());
        gradient.setColorAt(0, QColor(0, 0, 64));
        gradient.setColorAt(1, Qt::white);
        painter->fillRect(line, gradient);
    } else if (entry >= 0 && (column == KDiskMapPartitionItemModel::ColumnFileSystem ||
                              column == KDiskMapPartitionItemModel::ColumnPartition)) {
        const bool fileSystem = column == KDiskMapPartitionItemModel::ColumnFileSystem;
        const QStyleOptionViewItem opt = setOptions(index, option);
        drawBackground(painter, opt, index);
        QRect textRect = cell;
        textRect.setLeft(cell.left() + (fileSystem ? 20 : 10));
        drawDisplay(painter, opt, textRect, index.data(Qt::DisplayRole).toString());
        if (fileSystem) {
            PartitionInfo info = MakeEmptyPartitionInfo();
            if (!m_layout || !m_layout->GetPartition(disk, entry, &info))
                info = MakeEmptyPartitionInfo();
            const QRect square(cell.left() + 5, cell.top() + (cell.height() - 20) / 2 + 5, 9, 9);
            painter->setPen(QPen(Qt::black));
            painter->setBrush(QBrush(fileSystemColor(info.PartitionTypeId, info.FileSystemType), Qt::SolidPattern));
            painter->drawRect(square);
        }
    } else {
        QItemDelegate::paint(painter, option, index);
    }
    painter->restore();
}
