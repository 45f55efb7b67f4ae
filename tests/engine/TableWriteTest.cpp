// Layout writes the engine must refuse, and what it writes for the ones it accepts.
#include <gtest/gtest.h>

#include "support/TableFixtures.h"
#include "engine/KDisk.h"
#include "engine/KLayoutCommitter.h"
#include "engine/KMbrTable.h"

using namespace TestSupport;

namespace {

DriveLayoutEntry mbrEntry(int64_t start, int64_t length, uint8_t type, uint32_t hidden)
{
    DriveLayoutEntry e = MakeEmptyLayoutEntry();
    e.StartingOffset = start;
    e.PartitionLength = length;
    e.Mbr.PartitionType = type;
    e.Mbr.HiddenSectors = hidden;
    return e;
}

PartitionInfo entry(int64_t start, int64_t count, bool primary, int64_t hidden)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = start;
    p.SectorCount = count;
    p.IsPrimary = primary ? 1 : 0;
    p.HiddenSectors = hidden;
    p.PartitionTypeId = 0x83;
    return p;
}

} // namespace

TEST(TableWrite, MbrWritesRefuseImpossibleLayouts)
{
    TempDir dir;
    const std::string image = dir.File("d.img");
    ASSERT_TRUE(MakeSparseFile(image, 16 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    DiskGeometry geometry{};
    disk.GetGeometry(&geometry);
    const int64_t total = disk.GetTotalSectors();

    DriveLayout five;
    for (int i = 0; i < 5; ++i)
        five.Entries.push_back(mbrEntry(2048 + i * 2048, 1024, 0x83, uint32_t(2048 + i * 2048)));
    EXPECT_FALSE(KMbrTable::Write(disk, total, geometry, five));

    DriveLayout past;
    past.Entries.push_back(mbrEntry(total - 10, 20, 0x83, 0));
    EXPECT_FALSE(KMbrTable::Write(disk, total, geometry, past));

    DriveLayout noRoom; // a logical partition whose record would land on the previous one
    noRoom.Entries.push_back(mbrEntry(2048, 20000, 0x0F, 2048));
    noRoom.Entries.push_back(mbrEntry(2049, 1000, 0x83, 1));
    noRoom.Entries.push_back(mbrEntry(3049, 1000, 0x83, 0));
    EXPECT_FALSE(KMbrTable::Write(disk, total, geometry, noRoom));
    EXPECT_EQ(HashRange(image, 0, 16 << 20), HashRange(dir.File("d.img"), 0, 16 << 20));
    EXPECT_EQ(ReadBytes(image, 0, 512), std::vector<uint8_t>(512, 0)) << "a refused layout wrote nothing";

    DriveLayout good;
    good.Signature = 0xCAFEF00D;
    good.Entries.push_back(mbrEntry(2048, 4096, 0x0C, 2048));
    good.Entries.push_back(mbrEntry(8192, 16000, 0x0F, 8192));
    good.Entries.push_back(mbrEntry(8255, 4000, 0x07, 63));
    good.Entries.push_back(mbrEntry(12318, 4000, 0x83, 63));
    good.Entries[0].Mbr.BootIndicator = 0x80;
    ASSERT_TRUE(KMbrTable::Write(disk, total, geometry, good));
    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 4u) << dump.text;
    EXPECT_EQ(dump.header.at("label-id"), "0xcafef00d");
    EXPECT_TRUE(dump.entries[0].bootable);
    EXPECT_EQ(dump.entries[2].start, 8255);
    EXPECT_EQ(dump.entries[3].start, 12318);
    EXPECT_EQ(RunTool({"sfdisk", "-V", image}).exitCode, 0);
}

TEST(TableWrite, ChsFieldsFollowTheGeometry)
{
    DiskGeometry g{};
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    uint8_t chs[3];
    KMbrTable::EncodeChs(chs, 63, g);
    EXPECT_EQ(chs[0], 1);
    EXPECT_EQ(chs[1], 1);
    EXPECT_EQ(chs[2], 0);
    KMbrTable::EncodeChs(chs, 16065 * 1023 + 5, g); // cylinder 1023 still fits
    EXPECT_EQ(chs[2], 0xFF);
    EXPECT_EQ(chs[1] & 0xC0, 0xC0);
    KMbrTable::EncodeChs(chs, 16065 * 1024, g);
    EXPECT_EQ(chs[0], 254);
    EXPECT_EQ(chs[1], 0xFF);
    EXPECT_EQ(chs[2], 0xFF);
}

TEST(TableWrite, CommitterChecks)
{
    KLayoutCommitter c;
    EXPECT_EQ(c.Check({entry(2048, 100, true, 2048), entry(4096, 100, true, 4096)}, 1), 1);
    EXPECT_EQ(c.Check({entry(2048, 3000, true, 2048), entry(4096, 100, true, 4096)}, 1), 0) << "overlap";
    // Four primaries and a logical: five slots.
    PartitionList five = {entry(100, 10, true, 100), entry(200, 10, true, 200), entry(300, 10, true, 300),
                          entry(400, 10, true, 400), entry(600, 10, false, 63)};
    EXPECT_EQ(c.Check(five, 1), 0);
    five.erase(five.begin());
    EXPECT_EQ(c.Check(five, 1), 1);
    // A primary between two logical partitions.
    EXPECT_EQ(c.Check({entry(1000, 10, false, 63), entry(2000, 10, true, 2000), entry(3000, 10, false, 63)}, 1), 0);
    // The record of a logical partition must not fall into the previous partition.
    EXPECT_EQ(c.Check({entry(1000, 100, false, 63), entry(1120, 10, false, 63)}, 1), 0);
    EXPECT_EQ(c.Check({entry(1000, 100, false, 63), entry(1120, 10, false, 20)}, 1), 1);
    EXPECT_EQ(c.Check({entry(1000, 100, false, 0)}, 1), 0);
    // MBR partitions end at 2^32 sectors.
    EXPECT_EQ(c.Check({entry((int64_t(1) << 32) - 100, 100, true, 0)}, 1), 1);
    EXPECT_EQ(c.Check({entry((int64_t(1) << 32) - 100, 101, true, 0)}, 1), 0);
    PartitionInfo gpt = entry(5000, 10, true, 5000);
    gpt.IsGptEntry = 1;
    EXPECT_EQ(c.Check({gpt, entry(2048, 100, true, 2048)}, 1), 0) << "mixed table styles";
}
