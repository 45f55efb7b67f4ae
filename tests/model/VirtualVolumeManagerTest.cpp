// The pending layout over image disks: free space, placeholders, undo and the letter pool.
#include <cstring>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/FileSystemTypes.h"
#include "model/KDriveLetterPool.h"
#include "model/KVirtualVolumeManager.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

struct Layout {
    TempDir dir;
    std::unique_ptr<EngineEnvironment> env;
    KVolumeManager real;
    KVirtualVolumeManager pending;

    void load(const std::vector<std::string>& disks)
    {
        env = std::make_unique<EngineEnvironment>(disks, dir.File("state"));
        ASSERT_EQ(real.Load(1, 1), 1);
        ASSERT_EQ(pending.Load(&real), 1);
    }
    std::vector<std::pair<int64_t, int64_t>> spans(int disk)
    {
        std::vector<std::pair<int64_t, int64_t>> out;
        for (int i = 0; i < pending.GetPartitionCount(disk); ++i) {
            PartitionInfo p{};
            pending.GetPartition(disk, i, &p);
            out.emplace_back(p.StartingLba, p.SectorCount);
        }
        return out;
    }
};

PartitionInfo partition(int64_t start, int64_t count, char letter = 0)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = start;
    p.SectorCount = count;
    p.TotalSectors = count;
    p.PartitionTypeId = 0x83;
    p.IsPrimary = 1;
    p.DriveLetter = letter;
    return p;
}

} // namespace

TEST(VirtualVolumeManager, EmptyDisksAreOneUnallocatedEntry)
{
    Layout l;
    const std::string mbr = l.dir.File("mbr.img"), gpt = l.dir.File("gpt.img");
    ASSERT_TRUE(MakeSparseFile(mbr, 64 << 20));
    ASSERT_TRUE(MakeSparseFile(gpt, 64 << 20));
    ASSERT_EQ(RunTool({"sgdisk", "-o", gpt}).exitCode, 0);
    l.load({mbr, gpt});
    EXPECT_EQ(l.spans(0), (std::vector<std::pair<int64_t, int64_t>>{{0, 131072}}));
    EXPECT_EQ(l.spans(1), (std::vector<std::pair<int64_t, int64_t>>{{34, 131038 - 34 + 1}}));
    PartitionInfo p{};
    ASSERT_TRUE(l.pending.GetPartition(0, 0, &p));
    EXPECT_EQ(p.EntryFlags, kEntryUnallocated);
    EXPECT_EQ(p.FreeSectors, p.SectorCount);
    EXPECT_STREQ(FileSystemListText(p), "Unallocated");
    ASSERT_TRUE(l.pending.GetPartition(1, 0, &p));
    EXPECT_EQ(p.IsGptEntry, 1);
    EXPECT_EQ(l.pending.IsGptDisk(1), 1);
    EXPECT_EQ(l.pending.ToPartitionIndex(0, 0), -1);
}

TEST(VirtualVolumeManager, GapsShorterThanACylinderAreNotShown)
{
    Layout l;
    const std::string image = l.dir.File("d.img");
    ASSERT_TRUE(MakeSparseFile(image, 256 << 20));
    // 50 sectors between the first two partitions, 16065 between the second and third.
    ASSERT_EQ(Sfdisk(image, "label: dos\nunit: sectors\nstart=2048, size=10000\nstart=12098, size=10000\n"
                            "start=38163, size=10000\n").exitCode, 0);
    l.load({image});
    const auto spans = l.spans(0);
    const std::vector<std::pair<int64_t, int64_t>> expected = {
        {2048, 10000}, {12098, 10000}, {22098, 16065}, {38163, 10000}, {48163, 524288 - 48163}};
    EXPECT_EQ(spans, expected);
    EXPECT_EQ(l.pending.ToPartitionIndex(0, 3), 2);
    EXPECT_EQ(l.pending.ToPartitionIndex(0, 4), 2);
    EXPECT_EQ(l.pending.ToPartitionIndex(0, 9), -1);
}

TEST(VirtualVolumeManager, PlaceholdersForDynamicAndBadDisks)
{
    Layout l;
    const std::string dyn = l.dir.File("dyn.img"), bad = l.dir.File("bad.img"), dyngpt = l.dir.File("dyngpt.img");
    ASSERT_TRUE(MakeSparseFile(dyn, 16 << 20));
    ASSERT_EQ(Sfdisk(dyn, "label: dos\nstart=63, size=30000, type=42\n").exitCode, 0);
    ASSERT_TRUE(MakeSparseFile(bad, 16 << 20));
    ASSERT_EQ(Sfdisk(bad, "label: dos\nstart=2048, size=30000, type=83\n").exitCode, 0);
    ASSERT_EQ(::truncate(bad.c_str(), 12 << 20), 0); // the partition now runs past the end
    ASSERT_TRUE(MakeSparseFile(dyngpt, 16 << 20));
    ASSERT_EQ(RunTool({"sgdisk", "-n", "1:2048:4095", "-t", "1:4201", "-n", "2:4096:0", "-t", "2:4200", dyngpt}).exitCode, 0);
    l.load({dyn, bad, dyngpt});
    for (int d : {0, 2}) {
        ASSERT_EQ(l.pending.GetPartitionCount(d), 1) << d;
        PartitionInfo p{};
        l.pending.GetPartition(d, 0, &p);
        EXPECT_EQ(p.PartitionTypeId, kPlaceholderDynamic);
        EXPECT_EQ(p.FileSystemType, 255);
        EXPECT_EQ(p.FreeSectors, 0);
        EXPECT_EQ(p.StartingLba, 0);
        EXPECT_EQ(p.SectorCount, 32768) << "spans the disk, even a GPT one";
        EXPECT_STREQ(FileSystemListText(p), "Dynamic Disk");
    }
    PartitionInfo p{};
    ASSERT_EQ(l.pending.GetPartitionCount(1), 1);
    l.pending.GetPartition(1, 0, &p);
    EXPECT_EQ(p.PartitionTypeId, kPlaceholderBadDisk);
    EXPECT_EQ(l.pending.ToPartitionIndex(0, 0), 0) << "a placeholder counts as an entry";
}

TEST(VirtualVolumeManager, UndoOnlyTakesTheTopRecord)
{
    Layout l;
    const std::string image = l.dir.File("d.img");
    ASSERT_TRUE(MakeSparseFile(image, 256 << 20));
    l.load({image});
    const auto before = l.spans(0);
    ASSERT_EQ(l.pending.InsertPartition(0, std::make_unique<PartitionInfo>(partition(2048, 100000)).get()), 1);
    ASSERT_EQ(l.pending.InsertPartition(0, std::make_unique<PartitionInfo>(partition(200000, 100000)).get()), 1);
    PartitionInfo p{};
    ASSERT_TRUE(l.pending.GetPartition(0, 0, &p)) << "the 2048-sector gap before it is under a cylinder";
    ASSERT_EQ(p.StartingLba, 2048);
    p.Hidden = 1;
    ASSERT_EQ(l.pending.UpdatePartition(0, 0, &p), 1);
    ASSERT_EQ(l.pending.GetUndoCount(), 3);
    EXPECT_EQ(l.pending.Undo(1), 0);
    EXPECT_EQ(l.pending.Undo(3), 0);
    EXPECT_EQ(l.pending.Undo(2), 1);
    ASSERT_TRUE(l.pending.GetPartition(0, 0, &p));
    EXPECT_EQ(p.Hidden, 0);
    EXPECT_EQ(l.pending.Undo(-1), 1);
    EXPECT_EQ(l.pending.Undo(-1), 1);
    EXPECT_EQ(l.pending.GetUndoCount(), 0);
    EXPECT_EQ(l.spans(0), before);
    EXPECT_EQ(l.pending.Undo(-1), 0);
}

TEST(VirtualVolumeManager, MoveUndoneInOneStepRestoresTheLayout)
{
    Layout l;
    const std::string image = TableFixtures::MakeMbrLayout(l.dir);
    l.load({image});
    const auto before = l.spans(0);
    PartitionInfo p{};
    ASSERT_TRUE(l.pending.GetPartition(0, 1, &p));
    ASSERT_EQ(p.StartingLba, 18432);
    const PartitionInfo original = p;
    p.StartingLba = 20000;
    p.SectorCount = 15000;
    ASSERT_EQ(l.pending.UpdatePartition(0, 1, &p), 1);
    EXPECT_NE(l.spans(0), before);
    ASSERT_EQ(l.pending.GetUndoCount(), 3);
    EXPECT_EQ(l.pending.Undo(-1), 1);
    EXPECT_EQ(l.pending.GetUndoCount(), 0) << "the move consumed three records";
    EXPECT_EQ(l.spans(0), before);
    ASSERT_TRUE(l.pending.GetPartition(0, 1, &p));
    EXPECT_EQ(std::memcmp(&p, &original, sizeof p), 0);
}

TEST(VirtualVolumeManager, AGrowthIntoTheNextPartitionIsUndoneWithoutTouchingIt)
{
    Layout l;
    const std::string image = TableFixtures::MakeMbrLayout(l.dir);
    l.load({image});
    const auto before = l.spans(0);
    PartitionInfo p{};
    ASSERT_TRUE(l.pending.GetPartition(0, 0, &p));
    ASSERT_EQ(p.StartingLba, 2048);
    // Longer than the free area that follows it: it now overlaps the partition at 18432.
    p.SectorCount = 20000;
    ASSERT_EQ(l.pending.UpdatePartition(0, 0, &p), 1);
    EXPECT_EQ(l.pending.Undo(-1), 1);
    EXPECT_EQ(l.pending.GetUndoCount(), 0);
    EXPECT_EQ(l.spans(0), before);
}

TEST(VirtualVolumeManager, DeleteAndUndoKeepTheLetterPool)
{
    Layout l;
    const std::string image = TableFixtures::MakeMbrLayout(l.dir);
    l.env = std::make_unique<EngineEnvironment>(std::vector<std::string>{image}, l.dir.File("state"));
    ASSERT_EQ(l.real.Load(1, 1), 1);
    ASSERT_EQ(l.real.SetDriveLetter(0, 0, 'E'), 1);
    ASSERT_EQ(l.real.Load(1, 1), 1);
    ASSERT_EQ(l.pending.Load(&l.real), 1);
    EXPECT_EQ(KDriveLetterPool::FreeMask() & (1u << 4), 0u) << "E is in use";
    EXPECT_EQ(KDriveLetterPool::FreeLetter(0), 'C');
    EXPECT_EQ(KDriveLetterPool::FreeCount(), 23);
    int first = -1;
    for (int i = 0; i < l.pending.GetPartitionCount(0) && first < 0; ++i) {
        PartitionInfo p{};
        l.pending.GetPartition(0, i, &p);
        if (p.DriveLetter == 'E')
            first = i;
    }
    ASSERT_GE(first, 0);
    ASSERT_EQ(l.pending.DeletePartition(0, first), 1);
    EXPECT_NE(KDriveLetterPool::FreeMask() & (1u << 4), 0u) << "deleting frees E";
    ASSERT_EQ(l.pending.Undo(-1), 1);
    EXPECT_EQ(KDriveLetterPool::FreeMask() & (1u << 4), 0u) << "undo takes it again";

    KDriveLetterPool::Release('a');
    KDriveLetterPool::Release('1');
    EXPECT_EQ(KDriveLetterPool::FreeMask() & 3u, 0u) << "A and B are never offered";
    KDriveLetterPool::Take('z');
    EXPECT_EQ(KDriveLetterPool::FreeMask() & (1u << 25), 0u);
    KDriveLetterPool::Reset(0x3FFFFFF);
    EXPECT_EQ(KDriveLetterPool::FreeLetter(0), 0);
}

#include "model/CopySizes.h"
#include "model/KVirtualVolumeManagerPreview.h"

TEST(CopyPreview, LayoutsOnABiggerMbrTarget)
{
    if (!HaveTool("mkntfs"))
        GTEST_SKIP() << "ntfs-3g missing";
    Layout l;
    const std::string source = l.dir.File("source.img"), target = l.dir.File("target.img");
    ASSERT_TRUE(MakeSparseFile(source, 128ll << 20));
    ASSERT_EQ(Sfdisk(source, "label: dos\nstart=2048, type=7\n").exitCode, 0);
    const int64_t count = (128ll << 20) / 512 - 2048;
    const std::string volume = l.dir.File("vol");
    ASSERT_TRUE(MakeSparseFile(volume, count * 512));
    ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", "-q", volume}).exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(volume, source, 2048 * 512));
    ASSERT_TRUE(MakeSparseFile(target, 3ll << 40)); // 3 TiB, sparse
    l.load({source, target});
    ASSERT_EQ(l.pending.GetPartitionCount(0), 1);

    KVirtualVolumeManagerPreview preview(&l.pending, 1, 0);
    // Fit to the disk: the one NTFS partition takes the whole MBR-addressable room.
    ASSERT_EQ(preview.GetPartitionCount(1), 2);
    PartitionInfo p{};
    ASSERT_TRUE(preview.GetPartition(1, 0, &p));
    EXPECT_EQ(p.StartingLba, 63);
    EXPECT_EQ(p.SectorCount, 4294967040ll - 63) << "room is capped at 2^32 - 256 sectors";
    EXPECT_EQ(p.DriveLetter, 0);
    EXPECT_EQ(preview.GetPartitionCount(0), 0) << "only the target disk is shown";
    EXPECT_EQ(preview.ToPartitionIndex(1, 1), 0);

    // Without resize: the same size.
    ASSERT_EQ(preview.ComputeCopyLayout(1), 1);
    ASSERT_TRUE(preview.GetPartition(1, 0, &p));
    EXPECT_EQ(p.SectorCount, count);
    // Minimum size: used + 409600 here, never larger than the partition.
    ASSERT_EQ(preview.ComputeCopyLayout(2), 1);
    ASSERT_TRUE(preview.GetPartition(1, 0, &p));
    PartitionInfo original{};
    l.pending.GetPartition(0, 0, &original);
    EXPECT_EQ(p.SectorCount, std::min(count, MinimumCopySize(original, 16065)));
    // A negative method leaves the target empty.
    ASSERT_EQ(preview.ComputeCopyLayout(-1), 1);
    ASSERT_EQ(preview.GetPartitionCount(1), 1);
    ASSERT_TRUE(preview.GetPartition(1, 0, &p));
    EXPECT_EQ(p.PartitionTypeId, 0);
    EXPECT_EQ(p.SectorCount, (3ll << 40) / 512);
}

TEST(CopyPreview, MinimumAndMaximumCopySizes)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.SectorCount = p.TotalSectors = 1000000;
    p.FreeSectors = 400000;
    p.FileSystemType = kFsFat32;
    EXPECT_EQ(MinimumCopySize(p, 16065), 600000 + 614400);
    p.FreeSectors = 0;
    EXPECT_EQ(MinimumCopySize(p, 16065), 1000000 + 614400);
    p.TotalSectors = p.SectorCount = 100000000;
    p.FreeSectors = 0;
    EXPECT_EQ(MinimumCopySize(p, 16065), 120000000) << "1.2 times the used space";
    EXPECT_EQ(MaximumCopySize(p), 0x2FFFFFFF);
    p.FileSystemType = kFsNtfs;
    p.NtfsReserveSectors = 5000;
    EXPECT_EQ(MinimumCopySize(p, 16065), 100000000 + 5000 + 409600);
    EXPECT_EQ(MaximumCopySize(p), INT64_MAX);
    p.FileSystemType = kFsExt3;
    EXPECT_EQ(MinimumCopySize(p, 16065), p.SectorCount);
    EXPECT_EQ(MaximumCopySize(p), p.SectorCount);
    p.SectorCount = 10;
    EXPECT_EQ(MinimumCopySize(p, 16065), 16065) << "never below one cylinder";
}
