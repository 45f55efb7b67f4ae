// The in-memory bitmap and allocation table, and the FAT parameter rules.
#include <gtest/gtest.h>

#include "fs/KBitmap.h"
#include "fs/fat/FatParameters.h"
#include "fs/fat/KFileAllocationTable.h"

TEST(KBitmapTest, FreeCountAndSearch)
{
    KBitmap b;
    ASSERT_TRUE(b.Create(100));
    EXPECT_EQ(b.ByteLength(), 13);
    EXPECT_EQ(b.GetFreeCount(), 100);
    ASSERT_TRUE(b.SetRange(0, true, 100));
    EXPECT_EQ(b.GetFreeCount(), 0);
    EXPECT_EQ(b.FindNextFree(), -1) << "full";
    ASSERT_TRUE(b.SetRange(5, false, 1));
    EXPECT_EQ(b.FindNextFree(), 5);
    EXPECT_EQ(b.GetFreeCount(), 1);
    EXPECT_FALSE(b.SetRange(95, true, 6)) << "past the end";
    EXPECT_FALSE(b.Test(100));
    // The search wraps around from its position.
    ASSERT_TRUE(b.SetRange(5, true, 1));
    ASSERT_TRUE(b.SetRange(97, false, 1));
    ASSERT_TRUE(b.SetRange(3, false, 1));
    EXPECT_EQ(b.FindNextFree(), 3) << "clearing moves the search back";
    ASSERT_TRUE(b.SetRange(3, true, 1));
    EXPECT_EQ(b.FindNextFree(), 97);
    const uint8_t bytes[2] = {0x0F, 0x00};
    ASSERT_TRUE(b.Load(bytes, 2, 0));
    EXPECT_EQ(b.BitCount(), 16);
    EXPECT_EQ(b.GetFreeCount(), 12);
    EXPECT_EQ(b.FindNextFree(), 4);
    b.Clear(false);
    EXPECT_EQ(b.GetFreeCount(), 0);
}

TEST(KFileAllocationTableTest, Fat12NibblesAndSpecialValues)
{
    KFileAllocationTable t;
    ASSERT_TRUE(t.Create(512, 300, 0));
    uint32_t v = 0;
    ASSERT_TRUE(t.GetEntry(0, &v));
    EXPECT_EQ(v, 0xFF8u);
    ASSERT_TRUE(t.SetEntry(2, 0x123));
    ASSERT_TRUE(t.SetEntry(4, 0x456));
    ASSERT_TRUE(t.SetEntry(3, 0xABC));
    t.GetEntry(2, &v);
    EXPECT_EQ(v, 0x123u);
    t.GetEntry(3, &v);
    EXPECT_EQ(v, 0xABCu);
    t.GetEntry(4, &v);
    EXPECT_EQ(v, 0x456u);
    EXPECT_FALSE(t.SetEntry(0, 5));
    EXPECT_FALSE(t.SetEntry(1, 5));
    EXPECT_FALSE(t.SetEntry(300, 5));
    EXPECT_FALSE(t.GetEntry(300, &v));
    ASSERT_TRUE(t.MarkBad(10));
    EXPECT_TRUE(t.IsBad(10));
    t.MarkEnd(11);
    t.GetEntry(11, &v);
    EXPECT_EQ(v, 0xFF8u);
    EXPECT_EQ(FatKindFromType(11), 2);
    EXPECT_EQ(FatTypeFromKind(1), 6);
    EXPECT_EQ(FatKindFromType(7), -1);
}

TEST(KFileAllocationTableTest, ChainChecksFindCrossLinksAndLoops)
{
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        KFileAllocationTable t;
        ASSERT_TRUE(t.Create(4096, 200, kind));
        t.SetEntry(2, 3);
        t.SetEntry(3, 4);
        t.MarkEnd(4);
        t.SetEntry(10, 11);
        t.MarkEnd(11);
        EXPECT_TRUE(t.CheckChains());
        EXPECT_TRUE(t.CheckUniqueSuccessors());
        EXPECT_TRUE(t.CheckLinkRange());
        uint32_t length = 0;
        ASSERT_TRUE(t.GetChainLength(2, &length));
        EXPECT_EQ(length, 3u);

        t.SetEntry(20, 4); // a second way into cluster 4
        EXPECT_FALSE(t.CheckChains());
        EXPECT_FALSE(t.CheckUniqueSuccessors());
        t.SetEntry(20, 0);
        t.SetEntry(11, 10); // 10 -> 11 -> 10
        EXPECT_FALSE(t.CheckChains());
        EXPECT_FALSE(t.GetChainLength(10, &length));
        t.MarkEnd(11);
        t.SetEntry(30, 250); // past the table
        EXPECT_FALSE(t.CheckLinkRange());
    }
}

TEST(FatParametersTest, DefaultsAndLimits)
{
    int type = 0, cluster = 0;
    ASSERT_TRUE(GetDefaultFatType(20000, &type));
    EXPECT_EQ(type, 1);
    ASSERT_TRUE(GetDefaultFatClusterSize(20000, type, &cluster));
    EXPECT_EQ(cluster, 8);
    ASSERT_TRUE(GetDefaultFatType(32608, &type));
    EXPECT_EQ(type, 1);
    EXPECT_FALSE(GetDefaultFatType(32700, &type));
    EXPECT_FALSE(GetDefaultFatType(1000, &type));
    EXPECT_FALSE(GetDefaultFatType(0x30000000, &type));
    ASSERT_TRUE(GetDefaultFatType(2000 * 2048, &type));
    EXPECT_EQ(type, 6) << "FAT16 comes first in the table";
    ASSERT_TRUE(GetDefaultFatClusterSize(2000ll * 2048, 11, &cluster));
    EXPECT_EQ(cluster, 8);
    ASSERT_TRUE(GetDefaultFatClusterSize(100ll * 2048, 11, &cluster));
    EXPECT_EQ(cluster, 1);
    cluster = 0;
    ASSERT_TRUE(GetDefaultFatClusterSize(8ll * 2048, 6, &cluster));
    EXPECT_EQ(cluster, 0) << "FAT16 below 16 MiB has no default";
    EXPECT_FALSE(GetDefaultFatClusterSize(1000000, 7, &cluster));

    int min = 0, max = 0;
    ASSERT_TRUE(GetMinFatClusterSize(1000000, 6, &min));
    ASSERT_TRUE(GetMaxFatClusterSize(1000000, 6, &max));
    EXPECT_EQ(min, 16);
    EXPECT_EQ(max, 128);
    EXPECT_FALSE(GetMinFatClusterSize(1000, 11, &min)) << "too small for FAT32 at any cluster size";
    int t = 0;
    ASSERT_TRUE(GetMaxFatClusterSizeFillingType(20000, t, &max));
    EXPECT_EQ(t, 1);
    int areaType = 11, areaCluster = 8;
    EXPECT_EQ(GetFatSystemAreaSectors(4096000, areaType, areaCluster), 32 + 2 * 4000 + 8);
    areaType = 0;
    areaCluster = 0;
    EXPECT_EQ(GetFatSystemAreaSectors(32700, areaType, areaCluster), 0);
}
