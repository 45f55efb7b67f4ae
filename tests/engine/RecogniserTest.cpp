// Partition recovery's FAT recogniser over a disk whose table was lost.
#include <memory>

#include <gtest/gtest.h>

#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "engine/KDisk.h"
#include "core/FileSystemTypes.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

TEST(Recogniser, FindsFatVolumesWithoutATable)
{
    if (!HaveTool("mkfs.fat"))
        GTEST_SKIP() << "dosfstools missing";
    TempDir dir;
    const std::string image = dir.File("lost.img");
    ASSERT_TRUE(MakeSparseFile(image, 256ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=20000, type=1\nstart=30000, size=100000, type=6\n"
                            "start=140000, size=300000, type=c\n").exitCode, 0);
    ASSERT_EQ(RunTool({"mkfs.fat", "--mbr=n", "-F", "12", "-n", "TWELVE", "--offset=2048", image, "10000"}).exitCode, 0);
    ASSERT_EQ(RunTool({"mkfs.fat", "--mbr=n", "-F", "16", "-n", "SIXTEEN", "--offset=30000", image, "50000"}).exitCode, 0);
    ASSERT_EQ(RunTool({"mkfs.fat", "--mbr=n", "-F", "32", "-n", "THIRTYTWO", "-h", "140000", "--offset=140000", image, "150000"}).exitCode, 0);

    std::unique_ptr<IFileSystemParameterGenerator> generator(CreateInterface_IFileSystemParameterGenerator());
    auto scan = [&](KDisk& disk) {
        std::vector<PartitionInfo> finds;
        std::vector<uint8_t> chunk(126 * 512);
        for (int64_t lba = 0; lba < 450000; lba += 126) {
            const int64_t n = std::min<int64_t>(126, disk.GetTotalSectors() - lba);
            if (!disk.ReadSectors(chunk.data(), lba, n)) {
                ADD_FAILURE() << "read " << lba;
                break;
            }
            for (int64_t i = 0; i < n; ++i) {
                PartitionInfo p{};
                if (generator->Recognise(&disk, chunk.data() + i * 512, lba + i, &p))
                    finds.push_back(p);
            }
        }
        return finds;
    };
    {
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        const auto finds = scan(disk);
        ASSERT_EQ(finds.size(), 3u);
        EXPECT_EQ(finds[0].StartingLba, 2048);
        EXPECT_EQ(finds[0].SectorCount, 20000);
        EXPECT_EQ(finds[0].FileSystemType, kFsFat12);
        EXPECT_STREQ(finds[0].Label, "TWELVE");
        EXPECT_EQ(finds[1].PartitionTypeId, 6);
        EXPECT_EQ(finds[1].SectorCount, 100000);
        EXPECT_EQ(finds[2].PartitionTypeId, 11);
        EXPECT_EQ(finds[2].FileSystemType, kFsFat32);
        EXPECT_EQ(finds[2].HiddenSectors, 140000);
        for (const auto& f : finds)
            EXPECT_EQ(f.VolumePresent, 1) << "still in the table";
    }
    // The table is lost: the same volumes are found, now as lost ones.
    auto mbr = ReadBytes(image, 0, 512);
    std::fill(mbr.begin() + 446, mbr.begin() + 510, 0);
    ASSERT_TRUE(WriteBytes(image, 0, mbr));
    // FAT32 without its backup boot sector is not taken.
    ASSERT_TRUE(WriteBytes(image, (140000 + 6) * 512, std::vector<uint8_t>(512, 0)));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    const auto finds = scan(disk);
    ASSERT_EQ(finds.size(), 2u);
    for (const auto& f : finds)
        EXPECT_EQ(f.VolumePresent, 0);
}
