// Where partitions may be created and moved: the primary/logical decision, clipping of free space,
// CHS alignment and the resize stretch, on lists built by hand with the usual 255 x 63 geometry.
#include <gtest/gtest.h>

#include "model/PartitionPlacement.h"

using namespace PartitionPlacement;

namespace {

constexpr int64_t S = 63;
constexpr int64_t C = 255 * 63; // 16065

DiskGeometry Geometry(int64_t cylinders)
{
    DiskGeometry g{};
    g.Cylinders = cylinders;
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    g.BytesPerSector = 512;
    g.TotalSectors = cylinders * C;
    return g;
}

PartitionInfo Free(int64_t start, int64_t length)
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    e.EntryFlags = kEntryUnallocated;
    e.StartingLba = start;
    e.SectorCount = length;
    return e;
}

PartitionInfo Part(int64_t start, int64_t length, bool primary)
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    e.PartitionTypeId = 7;
    e.StartingLba = start;
    e.SectorCount = length;
    e.IsPrimary = primary ? 1 : 0;
    return e;
}

} // namespace

TEST(PartitionPlacement, KindsForAnAreaFollowTheSlotsAndTheNeighbours)
{
    const DiskGeometry g = Geometry(100);
    // An empty disk: either kind (the logical one opens a new extended partition).
    {
        const PartitionList list{Free(0, 100 * C)};
        const Kinds k = KindsForArea(list, 0, g);
        EXPECT_TRUE(k.Primary);
        EXPECT_TRUE(k.Logical);
    }
    // Between two logical partitions: logical only.
    {
        const PartitionList list{Part(S, C - S, true), Part(C + S, C - S, false), Free(2 * C, C),
                                 Part(3 * C + S, C - S, false)};
        const Kinds k = KindsForArea(list, 2, g);
        EXPECT_FALSE(k.Primary);
        EXPECT_TRUE(k.Logical);
    }
    // Four primaries: no slot left.
    {
        const PartitionList list{Part(S, C - S, true), Part(C, C, true), Part(2 * C, C, true), Part(3 * C, C, true),
                                 Free(4 * C, 10 * C)};
        const Kinds k = KindsForArea(list, 4, g);
        EXPECT_FALSE(k.Primary);
        EXPECT_FALSE(k.Logical);
    }
    // Three primaries and an extended partition use the four slots; next to a logical one only
    // logical is possible, elsewhere nothing.
    {
        const PartitionList list{Part(S, C - S, true),      Part(C, C, true),      Part(2 * C, C, true),
                                 Part(3 * C + S, C - S, false), Free(4 * C, 5 * C), Part(9 * C, C, true),
                                 Free(10 * C, 5 * C)};
        const Kinds nextToLogical = KindsForArea(list, 4, g);
        EXPECT_FALSE(nextToLogical.Primary);
        EXPECT_TRUE(nextToLogical.Logical);
        const Kinds away = KindsForArea(list, 6, g);
        EXPECT_FALSE(away.Primary);
        EXPECT_FALSE(away.Logical);
    }
    // An existing extended partition cannot gain a logical partition in the first cylinder's track.
    {
        const PartitionList list{Free(0, C), Part(C + S, C - S, false)};
        const Kinds k = KindsForArea(list, 0, g);
        EXPECT_TRUE(k.Primary);
        EXPECT_FALSE(k.Logical);
        const PartitionList second{Part(S, C - S, true), Free(C, 2 * C), Part(3 * C + S, C - S, false)};
        EXPECT_FALSE(KindsForArea(second, 1, g).Logical) << "cylinder 1's first track is still too early";
        const PartitionList later{Part(S, 2 * C - S, true), Free(2 * C, C), Part(3 * C + S, C - S, false)};
        EXPECT_TRUE(KindsForArea(later, 1, g).Logical);
    }
    // A disk with logical partitions: a free area away from them can only take a primary.
    {
        const PartitionList list{Free(0, 2 * C), Part(2 * C + S, C - S, false), Part(3 * C, C, true),
                                 Free(4 * C, 2 * C)};
        const Kinds k = KindsForArea(list, 3, g);
        EXPECT_TRUE(k.Primary);
        EXPECT_FALSE(k.Logical);
    }
}

TEST(PartitionPlacement, FreeAreasAreClippedToWhatTheTableAddresses)
{
    DiskGeometry g = Geometry(100);
    g.TotalSectors = 100 * C + 1000; // a partial cylinder at the end
    int64_t start = 0, length = 100 * C + 1000;
    ASSERT_EQ(ClipFreeArea(&start, &length, g, false), ClipResult::Ok);
    EXPECT_EQ(length, 100 * C);

    // GPT: one track less at the end, no 2 TB limit.
    start = 34, length = 100 * C - 34;
    ASSERT_EQ(ClipFreeArea(&start, &length, g, true), ClipResult::Ok);
    EXPECT_EQ(length, 100 * C - 34 - S);

    // A 3 TB MBR disk: the area ends below the limit, and one that starts within a cylinder of it
    // cannot be used at all.
    const DiskGeometry big = Geometry(3000000000000ll / 512 / C);
    start = 2048, length = big.Cylinders * C - 2048;
    ASSERT_EQ(ClipFreeArea(&start, &length, big, false), ClipResult::Ok);
    EXPECT_EQ(start + length, kMbrLimit);
    start = kMbrLimit - C + 1, length = 1000000;
    EXPECT_EQ(ClipFreeArea(&start, &length, big, false), ClipResult::BeyondMbrLimit);
    start = kMbrLimit - C, length = 1000000;
    EXPECT_EQ(ClipFreeArea(&start, &length, big, false), ClipResult::Ok);
    EXPECT_EQ(length, C);
    start = kMbrLimit + 5000, length = 1000000;
    EXPECT_EQ(ClipFreeArea(&start, &length, big, true), ClipResult::Ok) << "GPT has no such limit";

    // Past the last whole cylinder nothing is left.
    start = 100 * C, length = 1000;
    EXPECT_EQ(ClipFreeArea(&start, &length, g, false), ClipResult::NothingLeft);
}

TEST(PartitionPlacement, StartsAndEndsMoveOntoCylinders)
{
    const DiskGeometry g = Geometry(100);
    // Primary: the first track of cylinder 0 gives sector S; elsewhere up to a cylinder boundary.
    EXPECT_EQ(AlignStart(0, true, g), S);
    EXPECT_EQ(AlignStart(S - 1, true, g), S);
    EXPECT_EQ(AlignStart(S, true, g), S);
    EXPECT_EQ(AlignStart(S + 1, true, g), C);
    EXPECT_EQ(AlignStart(C, true, g), C);
    EXPECT_EQ(AlignStart(C + 1, true, g), 2 * C);
    // Logical: head 1 of the cylinder when within its first track, else head 1 of the next one.
    EXPECT_EQ(AlignStart(C, false, g), C + S);
    EXPECT_EQ(AlignStart(C + 10, false, g), C + S);
    EXPECT_EQ(AlignStart(C + S, false, g), C + S) << "already at head 1";
    EXPECT_EQ(AlignStart(C + S + 1, false, g), 2 * C + S);
    // Ends: down to a cylinder's last sector.
    EXPECT_EQ(AlignEndDown(2 * C - 1, g), 2 * C - 1);
    EXPECT_EQ(AlignEndDown(2 * C - 2, g), C - 1);
    EXPECT_EQ(AlignEndDown(2 * C, g), 2 * C - 1);
}

TEST(PartitionPlacement, NewPartitionsKeepRoomForTheBootRecords)
{
    const DiskGeometry g = Geometry(100);
    int64_t start = 0, length = 0;
    // The whole of an empty disk: a primary from sector S to the last cylinder.
    ASSERT_TRUE(PlaceNewPartition(0, 100 * C, 0, 100 * C, true, g, &start, &length));
    EXPECT_EQ(start, S);
    EXPECT_EQ(start + length, 100 * C);
    // A logical one at the start of the disk leaves the MBR track and an extended boot record track,
    // then moves to head 1 of the next cylinder.
    ASSERT_TRUE(PlaceNewPartition(0, 100 * C, 0, 10 * C, false, g, &start, &length));
    EXPECT_EQ(start, C + S);
    EXPECT_EQ(start + length, 10 * C);
    // In the middle of the disk a primary keeps a cylinder start; the end never passes the area.
    ASSERT_TRUE(PlaceNewPartition(5 * C, 3 * C, 0, 3 * C, true, g, &start, &length));
    EXPECT_EQ(start, 5 * C);
    EXPECT_EQ(length, 3 * C);
    // Placed half-way into the area: up to the next cylinder, end down to a cylinder end.
    ASSERT_TRUE(PlaceNewPartition(5 * C, 10 * C, C / 2, 2 * C, true, g, &start, &length));
    EXPECT_EQ(start, 6 * C);
    EXPECT_EQ(start + length, 7 * C);
    // A logical one right at an area's start gets a track in front of it.
    ASSERT_TRUE(PlaceNewPartition(5 * C, 10 * C, 0, 3 * C, false, g, &start, &length));
    EXPECT_EQ(start, 5 * C + S);
    EXPECT_EQ(start + length, 8 * C);
    // Less than a cylinder that does not reach a cylinder's end: nothing fits.
    EXPECT_FALSE(PlaceNewPartition(5 * C, 10 * C, C / 2, C / 2, true, g, &start, &length));
    // Only the MBR track: nothing is left for the partition.
    EXPECT_FALSE(PlaceNewPartition(0, 100 * C, 0, S, true, g, &start, &length));
}

TEST(PartitionPlacement, TheResizeStretchTakesInTheFreeNeighbours)
{
    const DiskGeometry g = Geometry(100);
    // Free space on both sides of a primary at the start of the disk.
    {
        const PartitionList list{Free(0, 2 * C), Part(2 * C, 3 * C, true), Free(5 * C, 95 * C)};
        const Stretch st = ResizeStretch(list, 1, g, false);
        EXPECT_EQ(st.First, S);
        EXPECT_EQ(st.Last, 100 * C - 1);
    }
    // A logical partition followed by free space and another logical partition.
    {
        const PartitionList list{Part(S, C - S, true), Free(C, C), Part(2 * C + S, C - S, false), Free(3 * C, 2 * C),
                                 Part(5 * C + S, C - S, false)};
        const Stretch st = ResizeStretch(list, 2, g, false);
        EXPECT_EQ(st.First, C + S);
        EXPECT_EQ(st.Last, 5 * C - 1 - S);
    }
    // No free neighbours: the partition itself.
    {
        const PartitionList list{Part(S, C - S, true), Part(C, C, true)};
        const Stretch st = ResizeStretch(list, 1, g, false);
        EXPECT_EQ(st.First, C);
        EXPECT_EQ(st.Last, 2 * C - 1);
    }
    // A partition already past the cylinder capacity keeps its own sectors.
    {
        DiskGeometry odd = Geometry(10);
        const PartitionList list{Part(S, 10 * C + 500 - S, true), Free(10 * C + 500, 600)};
        const Stretch st = ResizeStretch(list, 0, odd, false);
        EXPECT_EQ(st.Last, 10 * C + 499);
    }
}
