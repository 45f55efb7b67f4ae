// The disk bars, the map that stacks them and the legend, over a pending layout built from in-memory
// disks: widths, hit testing, tooltips, size texts, selection signals and the colours actually painted.
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <memory>
#include <ostream>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/IDisk.h"
#include "gui/common/FileSystemColors.h"
#include "gui/views/KDiskMap.h"
#include "gui/views/KDiskMapItem.h"
#include "DiskMapProbe.h"
#include "gui/views/KLegendBar.h"
#include "gui/common/SizeText.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"
#include "model/KVirtualVolumeManager.h"

// Readable failure messages for the Qt values compared below.
static void PrintTo(const QColor& colour, std::ostream* os)
{
    const QColor rgb = colour.toRgb();
    *os << "rgb(" << rgb.red() << ", " << rgb.green() << ", " << rgb.blue() << ")";
}
static void PrintTo(const QPoint& point, std::ostream* os)
{
    *os << "(" << point.x() << ", " << point.y() << ")";
}
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace DiskMapProbe;

#include "support/StubDisk.h"

namespace {

// A disk that only answers for its size: one sector per cylinder, so every gap becomes free space.
class MemoryDisk : public TestSupport::StubDisk {
public:
    MemoryDisk(int64_t totalSectors, int bytesPerSector, bool dynamic)
        : m_total(totalSectors), m_bytesPerSector(bytesPerSector), m_dynamic(dynamic)
    {
    }
    int GetGeometry(DiskGeometry* geometry) override
    {
        *geometry = DiskGeometry{};
        geometry->Cylinders = m_total;
        geometry->TracksPerCylinder = 1;
        geometry->SectorsPerTrack = 1;
        geometry->BytesPerSector = m_bytesPerSector;
        geometry->TotalSectors = m_total;
        return 1;
    }
    int64_t GetTotalSectors() override { return m_total; }
    int IsDynamic() override { return m_dynamic ? 1 : 0; }

private:
    int64_t m_total;
    int m_bytesPerSector;
    bool m_dynamic;
};

// The real model's stand-in: disks and their partition lists, nothing written anywhere.
class MemorySource : public IVolumeManager {
public:
    std::vector<std::unique_ptr<MemoryDisk>> disks;
    std::vector<PartitionList> lists;

    int Load(int, int) override { return 1; }
    void Unload() override {}
    ILayoutCommitter* GetLayoutCommitter() override { return nullptr; }
    IVolumeInfoReader* GetVolumeInfoReader() override { return nullptr; }
    int GetDiskCount() override { return int(disks.size()); }
    int GetPartitionCount(int disk) override
    {
        return disk >= 0 && disk < int(lists.size()) ? int(lists[size_t(disk)].size()) : 0;
    }
    int GetPartition(int disk, int index, PartitionInfo* out) override
    {
        if (index < 0 || index >= GetPartitionCount(disk))
            return 0;
        *out = lists[size_t(disk)][size_t(index)];
        return 1;
    }
    int SetPartition(int, int, const PartitionInfo*) override { return 0; }
    int DeletePartition(int, int) override { return kTableChangeRefused; }
    int UpdatePartition(int, int, const PartitionInfo*) override { return kTableChangeRefused; }
    int CreatePartition(int, int*, const PartitionInfo*) override { return kTableChangeRefused; }
    int CheckPartitionChange(int, int, const PartitionInfo*, int*) override { return kTableChangeRefused; }
    IDisk* GetDisk(int disk) override
    {
        return disk >= 0 && disk < int(disks.size()) ? disks[size_t(disk)].get() : nullptr;
    }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    int WritePartitionTable(int, int) override { return 0; }
    int CommitPartition(int, int) override { return 0; }
    int RefreshVolumeInfo(int, int) override { return 0; }
    int CommitPartitionQuiet(int, int) override { return 0; }
    int GetTableErrors(int, TableErrorList* out) override
    {
        out->Clear();
        return 1;
    }
    int ApplyTableCorrections(int) override { return 0; }
    IBootIniConfigFile* GetBootIniConfigFile() override { return nullptr; }
    IVistaBCDConfigFile* GetBcdConfigFile() override { return nullptr; }
    int SaveBootConfiguration(int) override { return 0; }
    void SetDirectWriteMode(int) override {}
    int GetDirectWriteMode() override { return 0; }
};

PartitionInfo volume(int64_t start, int64_t count, int16_t fileSystem, int64_t freeSectors, char letter = 0,
                     const char* label = nullptr)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = start;
    p.SectorCount = count;
    p.TotalSectors = count;
    p.FreeSectors = freeSectors;
    p.PartitionTypeId = 0x07;
    p.IsPrimary = 1;
    p.FileSystemType = fileSystem;
    p.DriveLetter = letter;
    if (label)
        SetLabel(p, label);
    return p;
}

// Disks are added with their partitions; the pending layout is then loaded from them.
struct Layout {
    MemorySource source;
    KVirtualVolumeManager pending;

    // Partitions back to back from sector 0, sizes as given, all NTFS and empty.
    void addTiled(int64_t total, const std::vector<int64_t>& sizes, int bytesPerSector = 512)
    {
        PartitionList list;
        int64_t start = 0;
        for (int64_t size : sizes) {
            list.push_back(volume(start, size, kFsNtfs, size));
            start += size;
        }
        add(total, list, bytesPerSector);
    }
    void add(int64_t total, const PartitionList& list, int bytesPerSector = 512, bool dynamic = false)
    {
        source.disks.push_back(std::make_unique<MemoryDisk>(total, bytesPerSector, dynamic));
        source.lists.push_back(list);
    }
    void load() { ASSERT_EQ(pending.Load(&source), 1); }
};

struct Selection {
    int disk;
    int item;
    bool right;
    QPoint pt;
};

std::vector<Selection>* record(QObject* sender)
{
    auto* calls = new std::vector<Selection>;
    auto* owner = new QObject(sender);
    QObject::connect(owner, &QObject::destroyed, [calls] { delete calls; });
    if (auto* item = qobject_cast<KDiskMapItem*>(sender))
        QObject::connect(item, &KDiskMapItem::diskMapItemSelected, owner,
                         [calls](int d, int i, bool r, QPoint pt) { calls->push_back({d, i, r, pt}); });
    if (auto* map = qobject_cast<KDiskMap*>(sender))
        QObject::connect(map, &KDiskMap::diskMapItemSelected, owner,
                         [calls](int d, int i, bool r, QPoint pt) { calls->push_back({d, i, r, pt}); });
    return calls;
}

void press(QWidget* widget, QPoint pt, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(pt), widget->mapToGlobal(QPointF(pt)), button, button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void hover(QWidget* widget, QPoint pt)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pt), widget->mapToGlobal(QPointF(pt)), Qt::NoButton,
                      Qt::MouseButtons(), Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Paints the bar (which also lays out its cells) and returns what was drawn.
std::vector<int> widths(const KDiskMapItem& item)
{
    std::vector<int> out;
    for (int i = 0; i < item.GetPartitionCount(); ++i)
        out.push_back(item.CellWidth(i));
    return out;
}

// Where cell i starts and how wide it is drawn, from the widths of the last paint.
QColor dimmed(const QColor& colour)
{
    return QColor(QColor::fromHsv(colour.hsvHue(), colour.hsvSaturation() / 8, colour.value()).rgb());
}

constexpr int64_t kGiB = 2097152; // sectors of 512 bytes

} // namespace

// --- Size texts -------------------------------------------------------------------------------------

TEST(DiskMapSizeText, CellSizeNeedsMoreThanOneGigabyteForTheGigabyteForm)
{
    EXPECT_EQ(SizeText::DiskMapSize(kGiB, 512), "1024.00 MB");
    EXPECT_EQ(SizeText::DiskMapSize(kGiB + 2048, 512), "1.00 GB");
    EXPECT_EQ(SizeText::DiskMapSize(kGiB * 3 / 2, 512), "1.50 GB");
    EXPECT_EQ(SizeText::DiskMapSize(kGiB / 8, 4096), "1024.00 MB") << "bytes per sector count";
    EXPECT_EQ(SizeText::DiskMapSize(2048 + 1024, 512), "1.50 MB");
    EXPECT_EQ(SizeText::DiskMapSize(1, 512), "0.00 MB") << "whole kilobytes before the fraction";
    EXPECT_EQ(SizeText::DiskMapSize(0, 512), "0.00 MB");
}

TEST(DiskMapSizeText, DiskCapacityInTerabytesFromOneTerabyte)
{
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB * 1024, 512), "1.0 TB");
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB * 1024 - 2048, 512), "1024.0 GB") << "1 MB short of a terabyte";
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB * 1536, 512), "1.5 TB");
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB * 500, 512), "500.0 GB");
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB / 2, 512), "0.5 GB");
    EXPECT_EQ(SizeText::DiskMapCapacity(kGiB * 128, 4096), "1.0 TB");
}

TEST(DiskMapSizeText, ListFormsTakeTheUnitFromOneUpward)
{
    EXPECT_EQ(SizeText::ListCapacity(kGiB, 512), "1.00 GB");
    EXPECT_EQ(SizeText::ListCapacity(2048, 512), "1.00 MB");
    EXPECT_EQ(SizeText::ListCapacity(1, 512), "0.50 KB") << "capacity never falls back to bytes";
    EXPECT_EQ(SizeText::ListUsed(1, 512), "512 B");
    EXPECT_EQ(SizeText::ListUsed(2, 512), "1.00 KB");
    EXPECT_EQ(SizeText::ListUsed(0, 512), "0 B");
    EXPECT_EQ(SizeText::ListUsed(-5, 512), "0 B");
}

// --- Cell texts and tooltips --------------------------------------------------------------------------

TEST(DiskMapCellText, LetterLabelKindAndSize)
{
    PartitionInfo p = volume(0, kGiB, kFsNtfs, 0, 'C', "  System  ");
    EXPECT_EQ(KDiskMapItem::CellText(p, 512), "C:System(NTFS)\n1024.00 MB");
    p.DriveLetter = 0;
    SetLabel(p, "Donn\xc3\xa9" "es");
    EXPECT_EQ(KDiskMapItem::CellText(p, 512), QString::fromUtf8("Donn\xc3\xa9" "es(NTFS)\n1024.00 MB"));
    SetLabel(p, "%3%1");
    EXPECT_EQ(KDiskMapItem::CellText(p, 512), "%3%1(NTFS)\n1024.00 MB") << "the label is not a pattern";

    const std::vector<std::pair<int16_t, const char*>> kinds = {
        {kFsNone, "Unformatted"}, {kFsFat12, "FAT"},  {kFsFat16, "FAT"},  {kFsNtfs, "NTFS"},
        {kFsFat32, "FAT32"},      {kFsExt2, "Ext2"},  {kFsExt3, "Ext3"},  {kFsLinuxSwap, "Linux Swap"},
        {kFsOther, "Other"},      {kFsPlaceholder, "Other"}};
    for (const auto& [code, word] : kinds) {
        PartitionInfo q = volume(0, 2048, code, 0);
        EXPECT_EQ(KDiskMapItem::CellText(q, 512), QString("(%1)\n1.00 MB").arg(word)) << code;
    }
    const std::vector<std::pair<int16_t, const char*>> types = {
        {0, "Unallocated"}, {-1, "GPT Disk"}, {-2, "Dynamic Disk"}, {-3, "Bad Disk"}};
    for (const auto& [type, word] : types) {
        PartitionInfo q = volume(0, 2048, kFsNtfs, 0);
        q.PartitionTypeId = type;
        EXPECT_EQ(KDiskMapItem::CellText(q, 512), QString("(%1)\n1.00 MB").arg(word)) << type;
    }
    EXPECT_EQ(KDiskMapItem::CellText(MakeEmptyPartitionInfo(), 512), "(Unallocated)\n0.00 MB");
}

TEST(DiskMapCellText, TooltipFollowsTheMouseOverCellsEvenWhenReadOnly)
{
    Layout l;
    PartitionList list = {volume(0, kGiB, kFsFat32, 0, 'E', "DATA")};
    l.add(kGiB * 2, list);
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 2);
    ASSERT_EQ(widths(item), (std::vector<int>{300, 300}));

    hover(&item, QPoint(65, 20));
    EXPECT_TRUE(item.toolTip().isEmpty()) << "the column next to the disk box shows nothing";
    hover(&item, QPoint(66, 20));
    EXPECT_EQ(item.toolTip(), "E:DATA(FAT32)\n1024.00 MB");
    item.SetReadOnly(true);
    hover(&item, QPoint(65 + 300, 20));
    EXPECT_EQ(item.toolTip(), "(Unallocated)\n1024.00 MB");
    hover(&item, QPoint(10, 20));
    EXPECT_EQ(item.toolTip(), "(Unallocated)\n1024.00 MB") << "the disk box leaves the last tooltip";
    hover(&item, QPoint(664, 20));
    EXPECT_EQ(item.toolTip(), "(Unallocated)\n1024.00 MB") << "past the last cell nothing changes";
}

// --- Cell widths --------------------------------------------------------------------------------------

TEST(DiskMapWidths, OneEntryCoveringTheDiskFillsTheAreaLessOnePixel)
{
    Layout l;
    l.addTiled(100000, {100000});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    EXPECT_EQ(item.CellWidth(0), -1) << "nothing is laid out before the first paint";
    const QImage image = Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 1);
    EXPECT_EQ(item.CellWidth(0), 600);
    EXPECT_EQ(item.CellWidth(1), -1);
    const QColor background = item.palette().color(QPalette::Window);
    EXPECT_EQ(Pixel(image, 65, 27), QColor(255, 255, 255)) << "left edge of the cell";
    EXPECT_EQ(Pixel(image, 65 + 598, 27), QColor(0, 0, 0)) << "right edge of the cell";
    EXPECT_EQ(Pixel(image, 65 + 599, 27), background) << "the last column is the gap";
}

TEST(DiskMapWidths, SmallEntriesGetThirtyAndTheOthersShareTheRest)
{
    Layout l;
    l.addTiled(1000, {10, 490, 500});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    Paint(&item);
    // 600 px: 10 sectors would be 6 px; 570 px are left for the 990 sectors of the two others.
    EXPECT_EQ(widths(item), (std::vector<int>{30, 282, 287}));

    item.resize(1065, 55);
    Paint(&item);
    EXPECT_EQ(widths(item), (std::vector<int>{30, 480, 489})) << "recomputed on every paint";
}

TEST(DiskMapWidths, NoWidthLeftKeepsTheProportionalWidths)
{
    Layout l;
    l.addTiled(1000, {20, 10, 970});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(125, 55); // 60 px: the two small cells claim all of it
    const QImage image = Paint(&item);
    EXPECT_EQ(widths(item), (std::vector<int>{1, 0, 58}));
    EXPECT_EQ(Pixel(image, 66 + 2 + 50 / 2, 8), FileSystemColor(kFsNtfs)) << "the wide cell is still drawn";

    auto* calls = record(&item);
    press(&item, QPoint(65, 30));
    press(&item, QPoint(66, 30));
    press(&item, QPoint(123, 30));
    press(&item, QPoint(124, 30));
    ASSERT_EQ(calls->size(), 4u);
    EXPECT_EQ((*calls)[0].item, 0) << "a one-pixel cell can be hit";
    EXPECT_EQ((*calls)[1].item, 2) << "a zero-width cell never is";
    EXPECT_EQ((*calls)[2].item, 2);
    EXPECT_EQ((*calls)[3].item, 3) << "past the last cell: the disk";
}

TEST(DiskMapWidths, FreeSpaceIsACellOfItsOwn)
{
    Layout l;
    l.add(1000, {volume(0, 250, kFsExt3, 0)});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(465, 55);
    const QImage image = Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 2);
    EXPECT_EQ(widths(item), (std::vector<int>{100, 300}));
    EXPECT_EQ(Pixel(image, StripCentre(item, 0).x(), 8), FileSystemColor(kFsExt3));
    EXPECT_EQ(Pixel(image, StripCentre(item, 1).x(), 8), QColor(140, 140, 140));
}

// --- Presses --------------------------------------------------------------------------------------------

class DiskMapPress : public ::testing::Test {
protected:
    void SetUp() override
    {
        l.addTiled(1000, {10, 490, 500});
        l.load();
        item = std::make_unique<KDiskMapItem>(nullptr, &l.pending, 0);
        item->resize(665, 55);
        Paint(item.get());
        ASSERT_EQ(widths(*item), (std::vector<int>{30, 282, 287}));
        calls = record(item.get());
    }
    Layout l;
    std::unique_ptr<KDiskMapItem> item;
    std::vector<Selection>* calls = nullptr;
};

TEST_F(DiskMapPress, CellsDiskBoxAndGapColumn)
{
    press(item.get(), QPoint(65, 10));
    EXPECT_EQ(item->SelectedIndex(), 0);
    press(item.get(), QPoint(94, 10));
    EXPECT_EQ(item->SelectedIndex(), 0) << "the gap column belongs to the cell on its left";
    press(item.get(), QPoint(95, 10));
    EXPECT_EQ(item->SelectedIndex(), 1);
    press(item.get(), QPoint(377, 10));
    EXPECT_EQ(item->SelectedIndex(), 2);
    press(item.get(), QPoint(64, 10));
    EXPECT_EQ(item->SelectedIndex(), 3) << "the disk box selects the disk";
    ASSERT_EQ(calls->size(), 5u);
    EXPECT_EQ((*calls)[2].disk, 0);
    EXPECT_EQ((*calls)[2].item, 1);
    EXPECT_FALSE((*calls)[2].right);
    EXPECT_EQ((*calls)[2].pt, QPoint(95, 10));
}

TEST_F(DiskMapPress, RightOfTheLastCellSelectsTheDiskUnlessPartitionsOnly)
{
    press(item.get(), QPoint(664, 40)); // the cells end at 65 + 599
    EXPECT_EQ(item->SelectedIndex(), 3);
    item->SetSelectedIndex(1);
    item->SetPartitionsOnly(true);
    press(item.get(), QPoint(664, 40));
    EXPECT_EQ(item->SelectedIndex(), 1) << "the previous selection stays";
    press(item.get(), QPoint(20, 40));
    EXPECT_EQ(item->SelectedIndex(), 1) << "the disk box cannot be chosen";
    item->SetSelectedIndex(-1);
    press(item.get(), QPoint(20, 40));
    EXPECT_EQ(item->SelectedIndex(), -1);
    ASSERT_EQ(calls->size(), 4u) << "the signal is still emitted";
    EXPECT_EQ((*calls)[0].item, 3);
    EXPECT_EQ((*calls)[1].item, 1);
    EXPECT_EQ((*calls)[2].item, 1);
    EXPECT_EQ((*calls)[3].item, -1);
}

TEST_F(DiskMapPress, UnselectableCellKeepsTheOldSelectionSilently)
{
    item->SetCellFlags(1, KDiskMapItem::CellUnselectable);
    item->SetSelectedIndex(2);
    press(item.get(), QPoint(200, 30));
    EXPECT_EQ(item->SelectedIndex(), 2);
    EXPECT_TRUE(calls->empty());
    press(item.get(), QPoint(70, 30));
    EXPECT_EQ(item->SelectedIndex(), 0) << "the other cells still answer";
    EXPECT_EQ(calls->size(), 1u);

    item->SetDisk(&l.pending, 0);
    EXPECT_EQ(item->GetCellFlags(1), 0) << "setting the disk clears the flags";
    press(item.get(), QPoint(200, 30));
    EXPECT_EQ(item->SelectedIndex(), 1);
}

TEST_F(DiskMapPress, ReadOnlyIgnoresPresses)
{
    item->SetSelectedIndex(2);
    item->SetReadOnly(true);
    press(item.get(), QPoint(70, 30));
    press(item.get(), QPoint(10, 30), Qt::RightButton);
    EXPECT_EQ(item->SelectedIndex(), 2);
    EXPECT_TRUE(calls->empty());
    item->SetReadOnly(false);
    press(item.get(), QPoint(70, 30), Qt::RightButton);
    ASSERT_EQ(calls->size(), 1u);
    EXPECT_TRUE((*calls)[0].right);
    EXPECT_EQ((*calls)[0].item, 0);
}

TEST(DiskMapPressBeforePaint, HitsNoCell)
{
    Layout l;
    l.addTiled(1000, {500, 500});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    auto* calls = record(&item);
    press(&item, QPoint(200, 30));
    EXPECT_EQ(item.SelectedIndex(), 2) << "no cell yet: the disk";
    item.SetPartitionsOnly(true);
    item.SetSelectedIndex(-1);
    press(&item, QPoint(200, 30));
    EXPECT_EQ(item.SelectedIndex(), -1);
    EXPECT_EQ(calls->size(), 2u);
}

// --- Painting -------------------------------------------------------------------------------------------

TEST(DiskMapPainting, StripColourPerFileSystem)
{
    Layout l;
    const std::vector<int16_t> codes = {kFsNone, kFsFat12, kFsFat16, kFsNtfs,      kFsFat32,
                                        kFsExt2, kFsExt3,  kFsLinuxSwap, kFsOther};
    PartitionList list;
    for (size_t i = 0; i < codes.size(); ++i)
        list.push_back(volume(int64_t(i) * 1000, 1000, codes[i], 500));
    l.add(10000, list); // the last 1000 sectors stay free
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(1065, 55);
    const QImage image = Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 10);
    const std::vector<QColor> expected = {
        QColor(127, 127, 0),   QColor(141, 195, 205), QColor(141, 195, 205), QColor(6, 120, 191),
        QColor(107, 204, 73),  QColor(215, 178, 31),  QColor(205, 135, 5),   QColor(192, 119, 216),
        QColor(132, 2, 4),     QColor(140, 140, 140)};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(item.CellWidth(i), 100) << i;
        const QPoint centre = StripCentre(item, i);
        EXPECT_EQ(Pixel(image, centre.x(), centre.y()), expected[size_t(i)]) << "cell " << i;
        EXPECT_EQ(Pixel(image, CellLeft(item, i) + 2, 5), QColor(0, 0, 128)) << "navy outline " << i;
    }
}

TEST(DiskMapPainting, PlaceholderOfADynamicDisk)
{
    Layout l;
    l.add(4000, {volume(0, 1000, kFsNtfs, 0)}, 512, true);
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(465, 55);
    const QImage image = Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 1);
    EXPECT_EQ(item.CellWidth(0), 400);
    EXPECT_EQ(Pixel(image, StripCentre(item, 0).x(), 8), QColor(132, 2, 4));
    hover(&item, QPoint(100, 30));
    EXPECT_EQ(item.toolTip(), "(Dynamic Disk)\n1.95 MB");
}

TEST(DiskMapPainting, DimmedCellsLoseSaturationButFreeSpaceStaysGrey)
{
    Layout l;
    l.add(3000, {volume(0, 1000, kFsNtfs, 0), volume(1000, 1000, kFsExt2, 0)});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(365, 55);
    for (int i = 0; i < 3; ++i)
        item.SetCellFlags(i, KDiskMapItem::CellDimmed);
    const QImage image = Paint(&item);
    ASSERT_EQ(item.GetPartitionCount(), 3);
    const QColor ntfs = Pixel(image, StripCentre(item, 0).x(), 8);
    EXPECT_EQ(ntfs, dimmed(QColor(6, 120, 191)));
    EXPECT_LT(ntfs.hsvSaturation(), 40);
    EXPECT_EQ(ntfs.value(), 191);
    EXPECT_EQ(Pixel(image, StripCentre(item, 1).x(), 8), dimmed(QColor(215, 178, 31)));
    EXPECT_EQ(Pixel(image, StripCentre(item, 2).x(), 8), QColor(140, 140, 140));
}

TEST(DiskMapPainting, UsageGaugeAndMark)
{
    Layout l;
    // 90 % used, then an empty one.
    l.add(2000, {volume(0, 1000, kFsNtfs, 100), volume(1000, 1000, kFsNtfs, 1000)});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    QImage image = Paint(&item);
    ASSERT_EQ(widths(item), (std::vector<int>{300, 300}));
    // Gauge of cell 0: x from 67 over 293 px, rows 16 to 52; the used part is 263 px wide.
    const int gaugeLeft = 67, gaugeWidth = 293, usedWidth = 263;
    EXPECT_EQ(Pixel(image, gaugeLeft + 200, 40), QColor(255, 255, 200)) << "used";
    EXPECT_EQ(Pixel(image, gaugeLeft + usedWidth - 1, 40), QColor(128, 128, 128)) << "end of the used part";
    EXPECT_EQ(Pixel(image, gaugeLeft + usedWidth + 3, 40), QColor(255, 255, 255)) << "free";
    EXPECT_EQ(Pixel(image, gaugeLeft, 40), QColor(0, 0, 0)) << "gauge outline";
    EXPECT_EQ(Pixel(image, gaugeLeft + 1, 40), QColor(128, 128, 128));
    EXPECT_EQ(Pixel(image, gaugeLeft + 2, 40), QColor(192, 192, 192));
    EXPECT_EQ(Pixel(image, gaugeLeft + gaugeWidth - 1, 40), QColor(255, 255, 255));

    // The empty cell is white up to its right edge; the mark lands in its top-right corner.
    const int right = 365 + 2 + gaugeWidth - 1;
    auto cornerIsWhite = [&](const QImage& img) {
        for (int y = 19; y < 32; ++y)
            for (int x = right - 13; x <= right - 3; ++x)
                if (Pixel(img, x, y) != QColor(255, 255, 255))
                    return false;
        return true;
    };
    EXPECT_TRUE(cornerIsWhite(image));
    item.SetCellFlags(1, KDiskMapItem::CellMarked);
    image = Paint(&item);
    EXPECT_FALSE(cornerIsWhite(image));
    EXPECT_EQ(Pixel(image, gaugeLeft + gaugeWidth - 8, 24), QColor(255, 255, 255)) << "cell 0 is not marked";
}

TEST(DiskMapPainting, SelectionStripUnderTheCellOrTheDiskBox)
{
    Layout l;
    l.addTiled(2000, {1000, 1000});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    const QColor red(255, 0, 0);
    QImage image = Paint(&item);
    EXPECT_NE(Pixel(image, 200, 52), red);
    EXPECT_NE(Pixel(image, 30, 52), red);

    item.SetSelectedIndex(0);
    image = Paint(&item);
    for (int y = 50; y <= 53; ++y)
        EXPECT_EQ(Pixel(image, 200, y), red) << y;
    EXPECT_NE(Pixel(image, 200, 49), red);
    EXPECT_NE(Pixel(image, 500, 52), red) << "only the selected cell";
    EXPECT_NE(Pixel(image, 30, 52), red);

    item.SetCellFlags(1, KDiskMapItem::CellSelected);
    image = Paint(&item);
    EXPECT_NE(Pixel(image, 500, 52), red) << "the selected bit comes from the selected index only";

    item.SetSelectedIndex(2);
    image = Paint(&item);
    EXPECT_EQ(Pixel(image, 30, 52), red) << "the disk itself";
    EXPECT_EQ(Pixel(image, 1, 50), red);
    EXPECT_EQ(Pixel(image, 61, 53), red);
    EXPECT_NE(Pixel(image, 62, 52), red);
    EXPECT_NE(Pixel(image, 200, 52), red);
}

TEST(DiskMapPainting, DiskBoxIsARaisedBox)
{
    Layout l;
    l.addTiled(kGiB * 1024, {kGiB * 1024});
    l.load();
    KDiskMapItem item(nullptr, &l.pending, 0);
    item.resize(665, 55);
    const QImage image = Paint(&item);
    const QColor background = item.palette().color(QPalette::Window).toRgb();
    auto lowered = [&](int by) {
        QColor c = background;
        if (background.value() - by >= 0)
            c = QColor::fromHsv(background.hsvHue(), background.hsvSaturation(), background.value() - by);
        return QColor(c.rgb());
    };
    EXPECT_EQ(Pixel(image, 30, 0), QColor(255, 255, 255));
    EXPECT_EQ(Pixel(image, 0, 30), QColor(255, 255, 255));
    EXPECT_EQ(Pixel(image, 64, 30), QColor(0, 0, 0));
    EXPECT_EQ(Pixel(image, 30, 54), QColor(0, 0, 0));
    EXPECT_EQ(Pixel(image, 63, 30), lowered(60));
    EXPECT_EQ(Pixel(image, 62, 30), lowered(30));
    EXPECT_EQ(Pixel(image, 1, 30), background);
    EXPECT_EQ(Pixel(image, 60, 36), background) << "inside the box, between the picture and the text";
}

// --- The map ----------------------------------------------------------------------------------------------

namespace {

int visibleRows()
{
    return ((QGuiApplication::primaryScreen()->geometry().height() - 100) / 2) / 55;
}

} // namespace

TEST(DiskMapColumn, OneBarPerDiskAndHeightOfTheBars)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    ASSERT_GE(visibleRows(), 2);
    Layout l;
    l.addTiled(1000, {500, 500});
    l.addTiled(2000, {2000});
    l.load();
    KDiskMap map;
    EXPECT_EQ(map.focusPolicy(), Qt::NoFocus);
    map.SetPendingLayout(&l.pending);
    ASSERT_EQ(map.GetItemCount(), 2);
    EXPECT_EQ(map.GetItem(0)->DiskIndex(), 0);
    EXPECT_EQ(map.GetItem(1)->DiskIndex(), 1);
    EXPECT_EQ(map.GetItem(2), nullptr);
    EXPECT_EQ(map.GetItem(0)->height(), 55);
    EXPECT_EQ(map.height(), 2 * 55 + 4);
    EXPECT_EQ(map.minimumHeight(), map.maximumHeight());
    ASSERT_NE(map.widget(), nullptr);
    EXPECT_EQ(map.widget()->minimumHeight(), 110);
    EXPECT_EQ(map.widget()->maximumHeight(), 110);
    EXPECT_EQ(map.verticalScrollBar()->singleStep(), 55);
    EXPECT_EQ(map.verticalScrollBar()->pageStep(), 55);

    map.SetPendingLayout(nullptr);
    EXPECT_EQ(map.GetItemCount(), 0);
    EXPECT_EQ(map.widget(), nullptr);
    KVirtualVolumeManager empty;
    map.SetPendingLayout(&empty);
    EXPECT_EQ(map.GetItemCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(DiskMapColumn, MoreDisksThanHalfTheScreenScrollByBars)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const int rows = visibleRows();
    Layout l;
    for (int d = 0; d < rows + 3; ++d)
        l.addTiled(1000, {1000});
    l.load();
    KDiskMap map;
    map.resize(700, 100);
    map.SetPendingLayout(&l.pending);
    map.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(map.GetItemCount(), rows + 3);
    EXPECT_EQ(map.height(), rows * 55 + 4);
    EXPECT_EQ(map.widget()->height(), (rows + 3) * 55);
    EXPECT_GT(map.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(map.GetItem(rows + 2)->y(), (rows + 2) * 55);
}

TEST(DiskMapColumn, SelectionAcrossBarsAndPointsInMapCoordinates)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const int rows = visibleRows();
    Layout l;
    for (int d = 0; d < rows + 2; ++d)
        l.addTiled(1000, {500, 500});
    l.load();
    KDiskMap map;
    map.resize(700, 100);
    map.SetPendingLayout(&l.pending);
    map.show();
    QCoreApplication::processEvents();
    auto* calls = record(&map);

    EXPECT_EQ(map.SetSelection(1, 2), rows + 2);
    EXPECT_EQ(map.GetItem(0)->SelectedIndex(), -1);
    EXPECT_EQ(map.GetItem(1)->SelectedIndex(), 2);
    map.SetSelection(0, 1);
    EXPECT_EQ(map.GetItem(0)->SelectedIndex(), 1);
    EXPECT_EQ(map.GetItem(1)->SelectedIndex(), -1);

    KDiskMapItem* second = map.GetItem(1);
    Paint(second);
    press(second, QPoint(80, 12), Qt::RightButton);
    ASSERT_EQ(calls->size(), 1u);
    EXPECT_EQ((*calls)[0].disk, 1);
    EXPECT_EQ((*calls)[0].item, 0);
    EXPECT_TRUE((*calls)[0].right);
    EXPECT_EQ((*calls)[0].pt, QPoint(80 + second->x(), 12 + 55));
    EXPECT_EQ(map.GetItem(0)->SelectedIndex(), -1) << "the other bars lose their selection";
    EXPECT_EQ(second->SelectedIndex(), 0);

    map.verticalScrollBar()->setValue(55);
    ASSERT_EQ(map.verticalScrollBar()->value(), 55);
    KDiskMapItem* last = map.GetItem(rows + 1);
    Paint(last);
    press(last, QPoint(10, 5));
    ASSERT_EQ(calls->size(), 2u);
    EXPECT_EQ((*calls)[1].disk, rows + 1);
    EXPECT_EQ((*calls)[1].item, 2);
    EXPECT_FALSE((*calls)[1].right);
    EXPECT_EQ((*calls)[1].pt, QPoint(10, 5 + (rows + 1) * 55 - 55));
    EXPECT_EQ(second->SelectedIndex(), -1);

    map.SetPendingLayout(&l.pending);
    for (int d = 0; d < map.GetItemCount(); ++d)
        EXPECT_EQ(map.GetItem(d)->SelectedIndex(), -1) << "a rebuild starts without selection";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// --- Legend -----------------------------------------------------------------------------------------------

TEST(DiskMapLegend, KeysInOrderWithTheirColours)
{
    const auto entries = KLegendBar::Entries();
    const std::vector<std::pair<QString, QColor>> expected = {
        {"FAT", QColor(141, 195, 205)},  {"FAT32", QColor(107, 204, 73)},      {"NTFS", QColor(6, 120, 191)},
        {"Ext2", QColor(215, 178, 31)},  {"Ext3", QColor(205, 135, 5)},        {"Linux Swap", QColor(192, 119, 216)},
        {"Unformatted", QColor(127, 127, 0)}, {"Unallocated", QColor(140, 140, 140)}, {"Other", QColor(132, 2, 4)},
        {"Used", QColor(255, 255, 200)}, {"Unused", QColor(255, 255, 255)}};
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].strName, expected[i].first);
        EXPECT_EQ(entries[i].color, expected[i].second);
    }
    EXPECT_EQ(FileSystemColor(kFsFat16), entries[0].color) << "the map and the legend agree";

    KLegendBar legend;
    legend.resize(1400, 25);
    const QImage image = Paint(&legend);
    const QFontMetrics metrics(legend.font());
    int x = 20;
    for (const auto& entry : entries) {
        EXPECT_EQ(Pixel(image, x + 5, 12), entry.color) << entry.strName.toStdString();
        EXPECT_EQ(Pixel(image, x, 7), QColor(0, 0, 0)) << entry.strName.toStdString();
        EXPECT_EQ(Pixel(image, x + 10, 17), QColor(0, 0, 0)) << entry.strName.toStdString();
        EXPECT_EQ(Pixel(image, x + 5, 4), legend.palette().color(QPalette::Window));
        x += metrics.horizontalAdvance(entry.strName) + 10 + 25;
    }
}
