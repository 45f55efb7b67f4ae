// The partition list: rows and ids over the pending layout, the texts and units of every column, the
// header, and the delegate's painting.
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTranslator>
#include <QTreeView>
#include <QWidget>

#include <gtest/gtest.h>

#include "gui/views/KDiskMapPartitionItemModel.h"
#include "core/FileSystemTypes.h"
#include "model/IVirtualVolumeManager.h"
#include "model/KVirtualVolumeManager.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"
#include "support/TestSupport.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

#include "support/StubDisk.h"

namespace {

// A disk that only knows its geometry.
class GeometryDisk : public TestSupport::StubDisk {
public:
    explicit GeometryDisk(int bytesPerSector) : m_bytesPerSector(bytesPerSector) {}
    int GetGeometry(DiskGeometry* geometry) override
    {
        *geometry = DiskGeometry{};
        geometry->Cylinders = 1000;
        geometry->TracksPerCylinder = 255;
        geometry->SectorsPerTrack = 63;
        geometry->BytesPerSector = m_bytesPerSector;
        geometry->TotalSectors = 1000 * 255 * 63;
        return 1;
    }
    int64_t GetTotalSectors() override { return 1000 * 255 * 63; }

private:
    int m_bytesPerSector;
};

// A pending layout held in plain lists; it counts the record queries and can be told to fail them.
class ListLayout : public IVirtualVolumeManager {
public:
    struct Disk {
        PartitionList entries;
        std::unique_ptr<GeometryDisk> disk;
    };

    int addDisk(PartitionList entries = {}, int bytesPerSector = 512, bool withDisk = true)
    {
        Disk d;
        d.entries = std::move(entries);
        if (withDisk)
            d.disk = std::make_unique<GeometryDisk>(bytesPerSector);
        m_disks.push_back(std::move(d));
        return int(m_disks.size()) - 1;
    }
    PartitionInfo& entry(int disk, int index) { return m_disks[size_t(disk)].entries[size_t(index)]; }

    bool failQueries = false;
    int queries = 0;

    int Load(IVolumeManager*) override { return 1; }
    int Clear() override
    {
        m_disks.clear();
        return 1;
    }
    int Reload() override { return 1; }
    int GetUndoCount() override { return 0; }
    int Undo(int) override { return 0; }
    int GetDiskCount() override { return int(m_disks.size()); }
    int GetPartitionCount(int disk) override
    {
        return disk >= 0 && disk < GetDiskCount() ? int(m_disks[size_t(disk)].entries.size()) : 0;
    }
    int GetPartition(int disk, int index, PartitionInfo* out) override
    {
        ++queries;
        if (failQueries || index < 0 || index >= GetPartitionCount(disk))
            return 0;
        *out = m_disks[size_t(disk)].entries[size_t(index)];
        return 1;
    }
    int DeletePartition(int, int) override { return 0; }
    int UpdatePartition(int, int, const PartitionInfo*) override { return 0; }
    int InsertPartition(int, const PartitionInfo*) override { return 0; }
    IDisk* GetDisk(int disk) override
    {
        return disk >= 0 && disk < GetDiskCount() ? m_disks[size_t(disk)].disk.get() : nullptr;
    }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    IVolumeManager* GetSource() override { return nullptr; }
    int IsGptDisk(int) override { return 0; }
    void SetGptDisk(int, int) override {}
    int ToPartitionIndex(int, int) override { return -1; }
    int IsDynamicDisk(int) override { return 0; }
    void SetDynamicDisk(int, int) override {}
    int PushUndo(int, int, int) override { return 0; }

private:
    std::vector<Disk> m_disks;
};

PartitionInfo Entry(int16_t typeId, int16_t fileSystem, int64_t totalSectors = 2048, int64_t freeSectors = 0)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.PartitionTypeId = typeId;
    p.FileSystemType = fileSystem;
    p.SectorCount = totalSectors;
    p.TotalSectors = totalSectors;
    p.FreeSectors = freeSectors;
    p.IsPrimary = 1;
    return p;
}

PartitionInfo Unallocated(int64_t sectors)
{
    PartitionInfo p = Entry(0, kFsNone, sectors, sectors);
    p.EntryFlags = kEntryUnallocated;
    p.IsPrimary = 0;
    return p;
}

using Model = KDiskMapPartitionItemModel;

QString Text(const Model& model, int row, int column)
{
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

// Wraps every text of the list's context in brackets, so that a test can see what went through tr().
class BracketTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* = nullptr, int = -1) const override
    {
        if (std::strcmp(context, "KDiskMapPartitionItemModel") != 0)
            return QString();
        return QStringLiteral("[%1]").arg(QString::fromUtf8(sourceText));
    }
};

} // namespace

// ----- rows, ids and the flat-model contract ------------------------------------------------------

TEST(PartitionListRows, NoDisksMeansNoRows)
{
    ListLayout layout;
    Model model(nullptr, &layout);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 1).isValid());
    EXPECT_EQ(model.columnCount(), 8);

    Model detached(nullptr, nullptr);
    EXPECT_EQ(detached.rowCount(), 0);
    EXPECT_FALSE(detached.index(0, 0).isValid());
}

TEST(PartitionListRows, DiskWithoutEntriesKeepsItsTitleRow)
{
    ListLayout layout;
    layout.addDisk();
    layout.addDisk({Entry(7, kFsNtfs), Unallocated(4096)});
    Model model(nullptr, &layout);
    ASSERT_EQ(model.rowCount(), 1 + 3);
    EXPECT_TRUE(Model::isDiskRow(model.index(0, 0)));
    EXPECT_EQ(Model::diskIndexOf(model.index(0, 0)), 0);
    EXPECT_TRUE(Model::isDiskRow(model.index(1, 0)));
    EXPECT_EQ(Model::diskIndexOf(model.index(1, 0)), 1);
    EXPECT_EQ(Model::entryIndexOf(model.index(2, 3)), 0);
    EXPECT_EQ(Model::entryIndexOf(model.index(3, 3)), 1);
    EXPECT_EQ(Text(model, 0, 1), "Disk 1");
    EXPECT_EQ(Text(model, 1, 1), "Disk 2");
}

TEST(PartitionListRows, RowsWalkTheDisksAndCarryDiskAndEntryInTheirIds)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs), Entry(0x0b, kFsFat32)});
    layout.addDisk();
    layout.addDisk({Entry(7, kFsNtfs), Unallocated(100), Entry(0x83, kFsExt3)});
    Model model(nullptr, &layout);
    ASSERT_EQ(model.rowCount(), 3 + 1 + 4);

    struct Expected {
        int disk;
        int entry;
        quint32 id;
    };
    const Expected rows[] = {
        {0, -1, 0x0000FFFF}, {0, 0, 0x00000000}, {0, 1, 0x00000001}, {1, -1, 0x0001FFFF},
        {2, -1, 0x0002FFFF}, {2, 0, 0x00020000}, {2, 1, 0x00020001}, {2, 2, 0x00020002},
    };
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const QModelIndex index = model.index(row, column);
            ASSERT_TRUE(index.isValid()) << row << "," << column;
            EXPECT_EQ(index.row(), row);
            EXPECT_EQ(index.column(), column);
            EXPECT_EQ(quint32(index.internalId()), rows[row].id) << "row " << row;
            EXPECT_EQ(Model::diskIndexOf(index), rows[row].disk) << "row " << row;
            EXPECT_EQ(Model::entryIndexOf(index), rows[row].entry) << "row " << row;
        }
    }
    EXPECT_EQ(Model::makeInternalId(3, 7), 0x00030007u);
    EXPECT_EQ(Model::makeInternalId(3, -1), 0x0003FFFFu);

    // Past the end: the title row of the last disk.
    const QModelIndex beyond = model.index(42, 2);
    ASSERT_TRUE(beyond.isValid());
    EXPECT_EQ(Model::diskIndexOf(beyond), 2);
    EXPECT_TRUE(Model::isDiskRow(beyond));
    EXPECT_FALSE(model.index(0, 8).isValid());
    EXPECT_FALSE(model.index(-1, 0).isValid());
}

TEST(PartitionListRows, TheModelIsFlat)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    layout.addDisk({Entry(7, kFsNtfs)});
    Model model(nullptr, &layout);
    const QModelIndex disk = model.index(0, 0);
    const QModelIndex entry = model.index(1, 1);
    EXPECT_TRUE(model.hasChildren(QModelIndex()));
    EXPECT_FALSE(model.hasChildren(disk));
    EXPECT_FALSE(model.hasChildren(entry));
    EXPECT_FALSE(model.parent(disk).isValid());
    EXPECT_FALSE(model.parent(entry).isValid());
    // The parent is not consulted.
    EXPECT_EQ(model.rowCount(disk), 4);
    EXPECT_EQ(model.columnCount(entry), 8);
}

TEST(PartitionListRows, RevertResetsTheModelAndDropsTheSelection)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    Model model(nullptr, &layout);
    QTreeView view;
    view.setModel(&model);
    view.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(view.selectionModel()->hasSelection());

    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&resets] { ++resets; });
    layout.addDisk({Entry(7, kFsNtfs), Unallocated(64)});
    model.revert();
    EXPECT_EQ(resets, 1);
    EXPECT_FALSE(view.selectionModel()->hasSelection());
    EXPECT_EQ(model.rowCount(), 2 + 3);
    EXPECT_EQ(view.model()->rowCount(), 5);
}

// ----- columns, header and the roles of a cell ----------------------------------------------------

TEST(PartitionListColumns, SizeHintsAndAlignmentsFollowTheColumnTable)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    Model model(nullptr, &layout);
    const int widths[8] = {1, 120, 100, 90, 90, 90, 145, 80};
    const Qt::Alignment alignments[8] = {
        Qt::AlignLeft,
        Qt::AlignLeft | Qt::AlignVCenter,
        Qt::AlignLeft | Qt::AlignVCenter,
        Qt::AlignRight | Qt::AlignVCenter,
        Qt::AlignRight | Qt::AlignVCenter,
        Qt::AlignRight | Qt::AlignVCenter,
        Qt::AlignCenter,
        Qt::AlignLeft | Qt::AlignVCenter,
    };
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(model.data(model.index(0, c), Qt::SizeHintRole).toSize(), QSize(widths[c], 35)) << c;
        EXPECT_EQ(model.data(model.index(1, c), Qt::SizeHintRole).toSize(), QSize(widths[c], 25)) << c;
        EXPECT_EQ(Qt::Alignment(model.data(model.index(1, c), Qt::TextAlignmentRole).toInt()), alignments[c]) << c;
        EXPECT_EQ(Qt::Alignment(model.data(model.index(0, c), Qt::TextAlignmentRole).toInt()), alignments[c]) << c;
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            EXPECT_EQ(model.headerData(c, o, Qt::SizeHintRole).toSize(), QSize(widths[c], 20)) << c;
            EXPECT_EQ(Qt::Alignment(model.headerData(c, o, Qt::TextAlignmentRole).toInt()), alignments[c]) << c;
        }
        EXPECT_FALSE(model.headerData(c, Qt::Horizontal, Qt::ToolTipRole).isValid());
        EXPECT_FALSE(model.data(model.index(1, c), Qt::ToolTipRole).isValid());
        EXPECT_FALSE(model.data(model.index(1, c), Qt::DecorationRole).isValid());
    }
}

TEST(PartitionListColumns, HeaderTexts)
{
    ListLayout layout;
    Model model(nullptr, &layout);
    const char* headers[8] = {"", "Partition", "File System", "Capacity", "Used", "Unused", "Status", "Type"};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromLatin1(headers[c]));
        EXPECT_EQ(model.headerData(c, Qt::Vertical, Qt::DisplayRole).toString(), QString::fromLatin1(headers[c]));
    }
}

TEST(PartitionListColumns, DiskRowsAreBoldTwelvePointTitlesWithOnlyTheNameColumnFilled)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    layout.addDisk();
    QWidget owner;
    QFont ownerFont(QStringLiteral("DejaVu Serif"), 7);
    ownerFont.setItalic(true);
    owner.setFont(ownerFont);
    Model model(&owner, &layout);

    for (int row : {0, 2}) {
        const QVariant v = model.data(model.index(row, 1), Qt::FontRole);
        ASSERT_TRUE(v.canConvert<QFont>());
        const QFont font = v.value<QFont>();
        EXPECT_EQ(font.pointSize(), 12);
        EXPECT_EQ(font.weight(), QFont::Bold);
        EXPECT_TRUE(font.italic()) << "taken from the owner's font";
        EXPECT_EQ(font.family(), ownerFont.family());
        for (int c = 0; c < 8; ++c) {
            const QVariant text = model.data(model.index(row, c), Qt::DisplayRole);
            if (c == 1) {
                EXPECT_EQ(text.toString(), row == 0 ? "Disk 1" : "Disk 2");
            } else {
                EXPECT_TRUE(text.toString().isEmpty()) << c;
            }
        }
    }
    for (int c = 0; c < 8; ++c)
        EXPECT_FALSE(model.data(model.index(1, c), Qt::FontRole).isValid()) << c;

    // Without an owning widget, the application font is the base.
    Model plain(nullptr, &layout);
    const QFont font = plain.data(plain.index(0, 0), Qt::FontRole).value<QFont>();
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.family(), QApplication::font().family());
}

TEST(PartitionListColumns, TitleNumbersCountFromOne)
{
    ListLayout layout;
    for (int d = 0; d < 11; ++d)
        layout.addDisk();
    Model model(nullptr, &layout);
    EXPECT_EQ(Text(model, 10, 1), "Disk 11");
}

// ----- cell texts ---------------------------------------------------------------------------------

TEST(PartitionListText, NameIsLetterColonLabel)
{
    ListLayout layout;
    PartitionInfo lettered = Entry(7, kFsNtfs);
    lettered.DriveLetter = 'C';
    SetLabel(lettered, "System");
    PartitionInfo unlettered = Entry(7, kFsNtfs);
    SetLabel(unlettered, "  Data \t");
    PartitionInfo empty = Entry(7, kFsNtfs);
    PartitionInfo accented = Entry(7, kFsNtfs);
    accented.DriveLetter = 'E';
    SetLabel(accented, "Donn\xc3\xa9" "es");
    PartitionInfo full = Entry(7, kFsNtfs); // a label filling all 256 bytes, without a terminator
    std::memset(full.Label, 'A', sizeof(full.Label));
    layout.addDisk({lettered, unlettered, empty, accented, full, Unallocated(64)});
    Model model(nullptr, &layout);

    EXPECT_EQ(model.entryText(0, 0, Model::ColumnPartition), "C:System");
    EXPECT_EQ(model.entryText(0, 1, Model::ColumnPartition), "*:Data");
    EXPECT_EQ(model.entryText(0, 2, Model::ColumnPartition), "*:");
    EXPECT_EQ(model.entryText(0, 3, Model::ColumnPartition), QStringLiteral("E:Donn\u00e9es"));
    EXPECT_EQ(model.entryText(0, 4, Model::ColumnPartition), QStringLiteral("*:") + QString(256, QLatin1Char('A')));
    EXPECT_EQ(model.entryText(0, 5, Model::ColumnPartition), "*:");
    EXPECT_EQ(Text(model, 1, 1), "C:System");
    EXPECT_EQ(Text(model, 2, 1), "*:Data");
}

TEST(PartitionListText, FileSystemByTypeThenByCode)
{
    struct Case {
        int16_t type;
        int16_t code;
        const char* text;
    };
    const Case cases[] = {
        {kPlaceholderGptUnsupported, 255, "GPT Disk"},
        {kPlaceholderDynamic, 255, "Dynamic Disk"},
        {kPlaceholderBadDisk, 255, "Bad Disk"},
        {0, kFsNone, "Unallocated"},
        {0, kFsNtfs, "Unallocated"}, // the type decides first
        {0x01, kFsFat12, "FAT"},
        {0x06, kFsFat16, "FAT"},
        {0x0b, kFsFat32, "FAT32"},
        {0x07, kFsNtfs, "NTFS"},
        {0x82, kFsLinuxSwap, "Linux Swap"},
        {0x83, kFsExt2, "Ext2"},
        {0x83, kFsExt3, "Ext3"},
        {0x83, kFsNone, "Unformatted"},
        {0x17, kFsNtfs, "NTFS"}, // a hidden type keeps its file system's name
        {0xa5, kFsOther, "Other"},
        {0x42, kFsWindowsReadable, "Other"},
        {0x07, 255, "Other"},
    };
    ListLayout layout;
    PartitionList entries;
    for (const Case& c : cases)
        entries.push_back(Entry(c.type, c.code));
    layout.addDisk(entries);
    Model model(nullptr, &layout);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(model.entryText(0, int(i), Model::ColumnFileSystem), QString::fromLatin1(cases[i].text)) << i;
}

TEST(PartitionListText, CapacityUsesGigabytesFromOneGigabyteUpAndNeverBytes)
{
    struct Case {
        int64_t sectors;
        const char* text;
    };
    const Case cases[] = {
        {2097152, "1.00 GB"},         // exactly 1024 MB
        {2097151, "1024.00 MB"},      // one sector short: rounds up, but stays in megabytes
        {3145728, "1.50 GB"},
        {2108416, "1.00 GB"},         // 1029.5 MB: whole megabytes first, so not 1.01
        {2048, "1.00 MB"},
        {2059, "1.00 MB"},            // 1029.5 KB: whole kilobytes first, so not 1.01
        {2047, "1023.50 KB"},
        {1, "0.50 KB"},               // capacity never falls back to bytes
        {0, "0.00 KB"},
        {4294967296LL, "2048.00 GB"}, // 2 TB stays in gigabytes
    };
    ListLayout layout;
    PartitionList entries;
    for (const Case& c : cases)
        entries.push_back(Entry(7, kFsNtfs, c.sectors, 0));
    layout.addDisk(entries);
    Model model(nullptr, &layout);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(model.entryText(0, int(i), Model::ColumnCapacity), QString::fromLatin1(cases[i].text)) << i;
}

TEST(PartitionListText, UsedAndUnusedFallBackToBytesBelowOneKilobyte)
{
    ListLayout layout;
    layout.addDisk({
        Entry(7, kFsNtfs, 2048, 2047),          // 512 B used, 1023.50 KB free
        Entry(7, kFsNtfs, 2048, 2048),          // nothing used
        Entry(7, kFsNtfs, 2097152 + 2, 2),      // 1 GB used, 1 KB free
        Entry(7, kFsNtfs, 2097152 + 1, 1),      // 512 B free
        Entry(7, kFsNtfs, 4096, 2048),          // 1 MB each
    });
    Model model(nullptr, &layout);
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnUsed), "512 B");
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnUnused), "1023.50 KB");
    EXPECT_EQ(model.entryText(0, 1, Model::ColumnUsed), "0 B");
    EXPECT_EQ(model.entryText(0, 1, Model::ColumnUnused), "1.00 MB");
    EXPECT_EQ(model.entryText(0, 2, Model::ColumnUsed), "1.00 GB");
    EXPECT_EQ(model.entryText(0, 2, Model::ColumnUnused), "1.00 KB");
    EXPECT_EQ(model.entryText(0, 3, Model::ColumnUnused), "512 B");
    EXPECT_EQ(model.entryText(0, 4, Model::ColumnUsed), "1.00 MB");
    EXPECT_EQ(model.entryText(0, 4, Model::ColumnUnused), "1.00 MB");
}

TEST(PartitionListText, SizeTextHelpers)
{
    EXPECT_EQ(Model::usageText(0), "0 B");
    EXPECT_EQ(Model::usageText(1), "1 B");
    EXPECT_EQ(Model::usageText(1023), "1023 B");
    EXPECT_EQ(Model::usageText(1024), "1.00 KB");
    EXPECT_EQ(Model::capacityText(1023), "1.00 KB");
    EXPECT_EQ(Model::capacityText(1024LL * 1024 * 1024 * 1024), "1024.00 GB");
    EXPECT_EQ(Model::usageText(5LL * 1024 * 1024 + 512 * 1024), "5.50 MB");
}

TEST(PartitionListText, SizesCountTheDisksOwnSectorSize)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs, 256, 255)}, 4096);
    layout.addDisk({Entry(7, kFsNtfs, 2048, 2047)}, 512, /*withDisk=*/false);
    Model model(nullptr, &layout);
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnCapacity), "1.00 MB");
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnUsed), "4.00 KB");
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnUnused), "1020.00 KB");
    // No disk object: 512-byte sectors.
    EXPECT_EQ(model.entryText(1, 0, Model::ColumnCapacity), "1.00 MB");
    EXPECT_EQ(model.entryText(1, 0, Model::ColumnUsed), "512 B");
}

TEST(PartitionListText, StatusWordsInFixedOrder)
{
    auto flagged = [](int active, int boot, int system, int hidden, int readOnly) {
        PartitionInfo p = Entry(7, kFsNtfs);
        p.Active = active;
        p.BootVolume = boot;
        p.SystemVolume = system;
        p.Hidden = hidden;
        p.ReadOnly = readOnly;
        return p;
    };
    ListLayout layout;
    layout.addDisk({
        flagged(0, 0, 0, 0, 0),
        flagged(1, 1, 0, 0, 0),
        flagged(1, 1, 1, 1, 1),
        flagged(0, 0, 1, 1, 0),
        flagged(0, 0, 0, 0, 1),
        flagged(0, 1, 0, 1, 0),
    });
    Model model(nullptr, &layout);
    EXPECT_EQ(model.entryText(0, 0, Model::ColumnStatus), "None");
    EXPECT_EQ(model.entryText(0, 1, Model::ColumnStatus), "Active & Boot");
    EXPECT_EQ(model.entryText(0, 2, Model::ColumnStatus), "Active & Boot & System & Hidden & ReadOnly");
    EXPECT_EQ(model.entryText(0, 3, Model::ColumnStatus), "System & Hidden");
    EXPECT_EQ(model.entryText(0, 4, Model::ColumnStatus), "ReadOnly");
    EXPECT_EQ(model.entryText(0, 5, Model::ColumnStatus), "Boot & Hidden");
}

TEST(PartitionListText, TypeOfGptAndMbrEntries)
{
    auto gpt = [](int recovery, int data, int reserved, int active) {
        PartitionInfo p = Entry(7, kFsNtfs);
        p.IsGptEntry = 1;
        p.GptRecovery = recovery;
        p.GptData = data;
        p.GptReserved = reserved;
        p.Active = active;
        return p;
    };
    PartitionInfo logical = Entry(7, kFsNtfs);
    logical.IsPrimary = 0;
    PartitionInfo oddMark = Entry(7, kFsNtfs); // only the value 1 marks a GPT entry
    oddMark.IsGptEntry = 2;
    oddMark.GptData = 1;
    PartitionInfo gptUnallocated = Unallocated(4096);
    gptUnallocated.IsGptEntry = 1;

    ListLayout layout;
    layout.addDisk({gpt(1, 1, 1, 1), gpt(0, 1, 1, 1), gpt(0, 0, 1, 1), gpt(0, 0, 0, 1), gpt(0, 0, 0, 0),
                    Entry(7, kFsNtfs), logical, oddMark, Unallocated(64), gptUnallocated});
    Model model(nullptr, &layout);
    const char* expected[] = {
        "GPT (Recovery Partition)", "GPT (Data Partition)", "GPT (Reserved Partition)", "GPT (EFI System partition)",
        "GPT", "Primary", "Logical", "Primary", "Logical", "GPT",
    };
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(model.entryText(0, int(i), Model::ColumnType), QString::fromLatin1(expected[i])) << i;
}

TEST(PartitionListText, PlaceholderRows)
{
    PartitionInfo dynamic = Entry(kPlaceholderDynamic, 255, 32768, 0);
    PartitionInfo bad = Entry(kPlaceholderBadDisk, 255, 32768, 0);
    ListLayout layout;
    layout.addDisk({dynamic});
    layout.addDisk({bad});
    Model model(nullptr, &layout);
    EXPECT_EQ(Text(model, 1, Model::ColumnFileSystem), "Dynamic Disk");
    EXPECT_EQ(Text(model, 1, Model::ColumnCapacity), "16.00 MB");
    EXPECT_EQ(Text(model, 1, Model::ColumnUsed), "16.00 MB");
    EXPECT_EQ(Text(model, 1, Model::ColumnUnused), "0 B");
    EXPECT_EQ(Text(model, 3, Model::ColumnFileSystem), "Bad Disk");
    EXPECT_EQ(Text(model, 3, Model::ColumnPartition), "*:");
}

TEST(PartitionListText, OutOfRangeAndFailedQueries)
{
    ListLayout layout;
    PartitionInfo p = Entry(7, kFsNtfs, 4096, 1024);
    p.DriveLetter = 'D';
    p.Active = 1;
    layout.addDisk({p});
    Model model(nullptr, &layout);
    for (int c = 0; c < 9; ++c) {
        EXPECT_TRUE(model.entryText(1, 0, c).isEmpty()) << c;
        EXPECT_TRUE(model.entryText(-1, 0, c).isEmpty()) << c;
        EXPECT_TRUE(model.entryText(0, 1, c).isEmpty()) << c;
        EXPECT_TRUE(model.entryText(0, -1, c).isEmpty()) << c;
    }
    EXPECT_TRUE(model.entryText(0, 0, Model::ColumnIndent).isEmpty());
    EXPECT_TRUE(model.entryText(0, 0, 8).isEmpty());
    EXPECT_TRUE(Text(model, 1, 0).isEmpty());

    // A query that fails leaves a zeroed record: an unallocated-looking row.
    layout.failQueries = true;
    EXPECT_EQ(Text(model, 1, 1), "*:");
    EXPECT_EQ(Text(model, 1, 2), "Unallocated");
    EXPECT_EQ(Text(model, 1, 3), "0.00 KB");
    EXPECT_EQ(Text(model, 1, 4), "0 B");
    EXPECT_EQ(Text(model, 1, 5), "0 B");
    EXPECT_EQ(Text(model, 1, 6), "None");
    EXPECT_EQ(Text(model, 1, 7), "Logical");
}

TEST(PartitionListText, EveryCellReadsTheLayoutAgain)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    Model model(nullptr, &layout);
    EXPECT_EQ(Text(model, 1, 2), "NTFS");
    const int before = layout.queries;
    layout.entry(0, 0).FileSystemType = kFsFat32;
    EXPECT_EQ(Text(model, 1, 2), "FAT32");
    EXPECT_GT(layout.queries, before);
}

TEST(PartitionListText, InterfaceTextsAreTranslatedButUnitsAreNot)
{
    BracketTranslator translator;
    QCoreApplication::installTranslator(&translator);
    ListLayout layout;
    PartitionInfo p = Entry(7, kFsNtfs, 2097152, 1);
    p.Active = 1;
    p.BootVolume = 1;
    layout.addDisk({p});
    Model model(nullptr, &layout);
    const QString header = model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString();
    const QString title = Text(model, 0, 1);
    const QString fileSystem = Text(model, 1, 2);
    const QString capacity = Text(model, 1, 3);
    const QString unused = Text(model, 1, 5);
    const QString status = Text(model, 1, 6);
    const QString type = Text(model, 1, 7);
    const QString empty = model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(header, "[Partition]");
    EXPECT_EQ(title, "[Disk 1]");
    EXPECT_EQ(fileSystem, "[NTFS]");
    EXPECT_EQ(capacity, "1.00 GB");
    EXPECT_EQ(unused, "512 B");
    EXPECT_EQ(status, "[Active] & [Boot]");
    EXPECT_EQ(type, "[Primary]");
    EXPECT_EQ(empty, "");
}

// ----- over the pending layout of real image disks --------------------------------------------------

TEST(PartitionListLayout, RowsFollowThePendingLayoutOfMbrAndGptDisks)
{
    using namespace TestSupport;
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    const std::string gpt = TableFixtures::MakeGptLayout(dir);
    EngineEnvironment env({mbr, gpt}, dir.File("state"));
    KVolumeManager real;
    KVirtualVolumeManager pending;
    ASSERT_EQ(real.Load(1, 1), 1);
    ASSERT_EQ(pending.Load(&real), 1);
    ASSERT_EQ(pending.GetDiskCount(), 2);

    Model model(nullptr, &pending);
    const int mbrEntries = pending.GetPartitionCount(0);
    const int gptEntries = pending.GetPartitionCount(1);
    ASSERT_GT(mbrEntries, 5);
    ASSERT_GT(gptEntries, 10);
    ASSERT_EQ(model.rowCount(), mbrEntries + 1 + gptEntries + 1);
    EXPECT_EQ(Text(model, 0, 1), "Disk 1");
    EXPECT_EQ(Text(model, mbrEntries + 1, 1), "Disk 2");

    // Every entry row shows its own record, in list order.
    int row = 0;
    int primaries = 0, logicals = 0, unallocated = 0, gptData = 0, hidden = 0;
    for (int d = 0; d < 2; ++d) {
        EXPECT_TRUE(Model::isDiskRow(model.index(row++, 0)));
        for (int e = 0; e < pending.GetPartitionCount(d); ++e, ++row) {
            PartitionInfo p{};
            ASSERT_TRUE(pending.GetPartition(d, e, &p));
            const QModelIndex index = model.index(row, 2);
            EXPECT_EQ(Model::diskIndexOf(index), d);
            EXPECT_EQ(Model::entryIndexOf(index), e);
            EXPECT_EQ(index.data().toString(), QString::fromLatin1(FileSystemListText(p))) << d << "/" << e;
            const QString type = Text(model, row, 7);
            if (p.PartitionTypeId == 0)
                ++unallocated;
            else if (d == 0 && type == "Primary")
                ++primaries;
            else if (d == 0 && type == "Logical")
                ++logicals;
            if (d == 1 && p.PartitionTypeId != 0) {
                EXPECT_TRUE(type.startsWith("GPT")) << e;
            }
            if (d == 1 && type == "GPT (Data Partition)")
                ++gptData;
            if (Text(model, row, 6).contains("Hidden"))
                ++hidden;
        }
    }
    EXPECT_EQ(primaries, 2);
    EXPECT_EQ(logicals, 3);
    EXPECT_EQ(unallocated, 2) << "the trailing free space of each disk; the small gaps are not shown";
    EXPECT_EQ(gptData, 3);
    EXPECT_EQ(hidden, 2);

    // The MBR disk row by row (the fixture's partitions carry no file system).
    const std::vector<QStringList> mbrRows = {
        {"*:", "Unformatted", "8.00 MB", "8.00 MB", "0 B", "Active", "Primary"},
        {"*:", "Unformatted", "10.00 MB", "10.00 MB", "0 B", "None", "Primary"},
        {"*:", "Unformatted", "4.00 MB", "4.00 MB", "0 B", "None", "Logical"},
        {"*:", "Unformatted", "6.00 MB", "6.00 MB", "0 B", "Hidden", "Logical"},
        {"*:", "Unformatted", "20.00 MB", "20.00 MB", "0 B", "None", "Logical"},
        {"*:", "Unallocated", "9.00 MB", "0 B", "9.00 MB", "None", "Logical"},
    };
    ASSERT_EQ(mbrEntries, int(mbrRows.size()));
    for (int e = 0; e < mbrEntries; ++e) {
        QStringList cells;
        for (int c = 1; c < 8; ++c)
            cells << Text(model, e + 1, c);
        EXPECT_EQ(cells.join(" | ").toStdString(), mbrRows[size_t(e)].join(" | ").toStdString()) << e;
    }
    EXPECT_EQ(Text(model, mbrEntries + 2, 7), "GPT (EFI System partition)");

    // A pending change shows after the owner resets the model.
    PartitionInfo first{};
    ASSERT_TRUE(pending.GetPartition(0, 0, &first));
    first.DriveLetter = 'Q';
    SetLabel(first, "Pending");
    ASSERT_TRUE(pending.UpdatePartition(0, 0, &first));
    model.revert();
    EXPECT_EQ(Text(model, 1, 1), "Q:Pending");
    ASSERT_TRUE(pending.DeletePartition(0, 0));
    model.revert();
    EXPECT_EQ(Text(model, 1, 2), "Unallocated");
    ASSERT_EQ(pending.Undo(-1), 1);
    model.revert();
    EXPECT_EQ(Text(model, 1, 1), "Q:Pending");
}

// ----- delegate painting --------------------------------------------------------------------------

namespace {

struct Canvas {
    QImage image;
    explicit Canvas(int width, int height) : image(width, height, QImage::Format_ARGB32)
    {
        image.fill(Qt::white);
    }
    QColor at(int x, int y) const { return image.pixelColor(x, y); }
    // Whether any pixel in the columns [x0, x1) is darker than light grey.
    bool inkIn(int x0, int x1, int y0, int y1) const
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (qGray(image.pixel(x, y)) < 160)
                    return true;
        return false;
    }
};

QStyleOptionViewItem CellOption(const QRect& rect)
{
    QStyleOptionViewItem option;
    option.rect = rect;
    option.state = QStyle::State_Enabled;
    option.palette = QApplication::palette();
    option.font = QApplication::font();
    option.fontMetrics = QFontMetrics(option.font);
    option.palette.setColor(QPalette::Text, Qt::black);
    return option;
}

bool Near(const QColor& a, const QColor& b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(PartitionListDelegate, FileSystemColours)
{
    using D = KDiskMapPartitionItemDelegate;
    EXPECT_EQ(D::fileSystemColor(0, kFsNtfs), QColor(140, 140, 140));
    EXPECT_EQ(D::fileSystemColor(0x01, kFsFat12), QColor(141, 195, 205));
    EXPECT_EQ(D::fileSystemColor(0x06, kFsFat16), QColor(141, 195, 205));
    EXPECT_EQ(D::fileSystemColor(0x0b, kFsFat32), QColor(107, 204, 73));
    EXPECT_EQ(D::fileSystemColor(0x07, kFsNtfs), QColor(6, 120, 191));
    EXPECT_EQ(D::fileSystemColor(0x83, kFsNone), QColor(127, 127, 0));
    EXPECT_EQ(D::fileSystemColor(0x83, kFsExt2), QColor(215, 178, 31));
    EXPECT_EQ(D::fileSystemColor(0x83, kFsExt3), QColor(205, 135, 5));
    EXPECT_EQ(D::fileSystemColor(0x82, kFsLinuxSwap), QColor(192, 119, 216));
    EXPECT_EQ(D::fileSystemColor(0xa5, kFsOther), QColor(132, 2, 4));
    EXPECT_EQ(D::fileSystemColor(kPlaceholderDynamic, 255), QColor(132, 2, 4));
}

TEST(PartitionListDelegate, FileSystemCellHasItsColourSquareAndIndentedText)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs), Unallocated(64), Entry(0x83, kFsExt3)});
    Model model(nullptr, &layout);
    KDiskMapPartitionItemDelegate delegate(nullptr, &layout);

    const QColor expected[] = {QColor(6, 120, 191), QColor(140, 140, 140), QColor(205, 135, 5)};
    for (int e = 0; e < 3; ++e) {
        Canvas canvas(120, 25);
        QPainter painter(&canvas.image);
        delegate.paint(&painter, CellOption(QRect(0, 0, 120, 25)), model.index(e + 1, 2));
        painter.end();
        // Square at (5, (25 - 20) / 2 + 5) = (5, 7), 9 x 9, black outline.
        EXPECT_EQ(canvas.at(9, 11), expected[e]) << e;
        EXPECT_EQ(canvas.at(5, 7), QColor(Qt::black)) << e;
        EXPECT_EQ(canvas.at(5, 11), QColor(Qt::black)) << e;
        EXPECT_EQ(canvas.at(4, 11), QColor(Qt::white)) << e;
        // The text starts 20 pixels in: nothing between the square and x = 20, ink after it.
        EXPECT_FALSE(canvas.inkIn(15, 20, 0, 25)) << e;
        EXPECT_TRUE(canvas.inkIn(20, 120, 0, 25)) << e;
    }
}

TEST(PartitionListDelegate, PartitionNameIsIndentedByTenPixels)
{
    ListLayout layout;
    PartitionInfo p = Entry(7, kFsNtfs);
    p.DriveLetter = 'W';
    SetLabel(p, "WWW");
    layout.addDisk({p});
    Model model(nullptr, &layout);
    KDiskMapPartitionItemDelegate delegate(nullptr, &layout);

    Canvas canvas(120, 25);
    QPainter painter(&canvas.image);
    delegate.paint(&painter, CellOption(QRect(0, 0, 120, 25)), model.index(1, 1));
    painter.end();
    EXPECT_FALSE(canvas.inkIn(0, 10, 0, 25));
    EXPECT_TRUE(canvas.inkIn(10, 20, 0, 25));

    // A plain cell keeps the default painting: its text starts near the left edge.
    Canvas plain(120, 25);
    QPainter plainPainter(&plain.image);
    QStyleOptionViewItem option = CellOption(QRect(0, 0, 120, 25));
    QItemDelegate reference;
    reference.paint(&plainPainter, option, model.index(1, 1));
    plainPainter.end();
    EXPECT_TRUE(plain.inkIn(0, 10, 0, 25));
}

TEST(PartitionListDelegate, DiskTitleIsUnderlinedAcrossThreeColumns)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs)});
    Model model(nullptr, &layout);
    KDiskMapPartitionItemDelegate delegate(nullptr, &layout);

    Canvas canvas(400, 35);
    QPainter painter(&canvas.image);
    painter.setPen(QPen(Qt::red, 3));
    painter.setBrush(Qt::green);
    delegate.paint(&painter, CellOption(QRect(0, 0, 120, 35)), model.index(0, 1));
    // The painter comes back as it was given.
    EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
    EXPECT_EQ(painter.pen().width(), 3);
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
    painter.end();

    const int y = 34 - 1; // cell bottom - 1
    EXPECT_TRUE(Near(canvas.at(0, y), QColor(0, 0, 64)));
    EXPECT_TRUE(Near(canvas.at(359, y), QColor(255, 255, 255), 3));
    const QColor middle = canvas.at(180, y);
    EXPECT_TRUE(Near(middle, QColor(127, 127, 159), 8)) << middle.name().toStdString();
    EXPECT_TRUE(canvas.at(200, y).blue() > canvas.at(200, y).red()) << "still part of the gradient beyond the cell";
    EXPECT_EQ(canvas.at(60, y + 1), QColor(Qt::white)) << "one pixel high";
    EXPECT_EQ(canvas.at(60, y - 1), QColor(Qt::white));
    EXPECT_TRUE(canvas.inkIn(0, 120, 0, 30)) << "the title text";

    // Other columns of a disk row have no underline.
    Canvas other(400, 35);
    QPainter otherPainter(&other.image);
    delegate.paint(&otherPainter, CellOption(QRect(0, 0, 120, 35)), model.index(0, 2));
    otherPainter.end();
    EXPECT_EQ(other.at(0, y), QColor(Qt::white));
}

TEST(PartitionListDelegate, WorksInATreeView)
{
    ListLayout layout;
    layout.addDisk({Entry(7, kFsNtfs), Unallocated(4096)});
    QTreeView view;
    Model model(&view, &layout);
    KDiskMapPartitionItemDelegate delegate(&view, &layout);
    view.setItemDelegate(&delegate);
    view.setModel(&model);
    view.resize(800, 200);
    view.show();
    const QImage shot = view.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_EQ(view.model()->rowCount(), 3);
    EXPECT_EQ(view.visualRect(model.index(0, 1)).height(), 35);
    EXPECT_EQ(view.visualRect(model.index(1, 1)).height(), 25);
}
