// The Ext side of the engine: labels set through kSetVolumeLabel and read by e2label and blkid, and
// partition recovery finding Ext2/Ext3 volumes whose table entries were lost.
#include <memory>

#include <gtest/gtest.h>

#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "engine/KDisk.h"
#include "core/FileSystemTypes.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

} // namespace

TEST(ExtLabelEngine, SetThroughTheEngineReadByTheTools)
{
    for (const char* tool : {"mke2fs", "e2label", "e2fsck", "blkid", "dumpe2fs"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    for (const char* type : {"ext2", "ext3"}) {
        TempDir dir;
        const std::string image = dir.File("vol.img");
        const int64_t sectors = 131072;
        ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
        // Without sparse copies every group holds a superblock; all of them get the new name.
        ASSERT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", type, "-b", "1024", "-O", "^sparse_super,^resize_inode", "-L", "before", image})
                      .exitCode,
                  0);
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        PartitionInfo whole = MakeEmptyPartitionInfo();
        whole.SectorCount = sectors;
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
        ASSERT_TRUE(device);
        for (const std::string label : {"Données 2024", "sixteen-bytes-xx", ""}) {
            ASSERT_EQ(kSetVolumeLabel(device.get(), label.c_str()), 1) << label;
            disk.Flush();
            EXPECT_EQ(firstLine(RunTool({"e2label", image}).output), label) << type;
            const ToolResult blkid = RunTool({"blkid", "-p", "-s", "LABEL", "-o", "value", image});
            EXPECT_EQ(firstLine(blkid.output), label) << type;
            const ToolResult fsck = RunTool({"e2fsck", "-fn", image});
            EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
        }
        ASSERT_EQ(kSetVolumeLabel(device.get(), "copies"), 1);
        disk.Flush();
        // A backup superblock (group 1 at block 8193) carries the name as well.
        const ToolResult backup = RunTool({"dumpe2fs", "-h", "-o", "superblock=8193", "-o", "blocksize=1024", image});
        EXPECT_NE(backup.output.find("Filesystem volume name:   copies"), std::string::npos) << backup.output;
        EXPECT_EQ(kSetVolumeLabel(device.get(), "seventeen-bytes-x"), 0) << "longer than the field";
        EXPECT_EQ(firstLine(RunTool({"e2label", image}).output), "copies");
    }
}

TEST(ExtRecogniser, FindsExtVolumesWithoutATable)
{
    for (const char* tool : {"mke2fs", "sfdisk"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    TempDir dir;
    const std::string image = dir.File("lost.img");
    ASSERT_TRUE(MakeSparseFile(image, 96ll << 20));
    const std::string a = dir.File("a.img"), b = dir.File("b.img");
    ASSERT_TRUE(MakeSparseFile(a, 40000ll * 512));
    ASSERT_TRUE(MakeSparseFile(b, 100000ll * 512));
    ASSERT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", "ext2", "-b", "1024", "-L", "lostext2", a}).exitCode, 0);
    ASSERT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", "ext3", "-b", "4096", "-L", "keptext3", b}).exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(a, image, 2048ll * 512));
    ASSERT_TRUE(TableFixtures::CopyInto(b, image, 60000ll * 512));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=60000, size=100000, type=83\n").exitCode, 0);

    std::unique_ptr<IFileSystemParameterGenerator> generator(CreateInterface_IFileSystemParameterGenerator());
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::vector<PartitionInfo> finds;
    std::vector<uint8_t> chunk(256 * 512);
    for (int64_t lba = 0; lba < disk.GetTotalSectors(); lba += 256) {
        const int64_t n = std::min<int64_t>(256, disk.GetTotalSectors() - lba);
        ASSERT_TRUE(disk.ReadSectors(chunk.data(), lba, n));
        for (int64_t i = 0; i < n; ++i) {
            PartitionInfo p{};
            if (generator->Recognise(&disk, chunk.data() + i * 512, lba + i, &p))
                finds.push_back(p);
        }
    }
    // Only the primary superblocks count; the backups name their own groups.
    ASSERT_EQ(finds.size(), 2u);
    EXPECT_EQ(finds[0].StartingLba, 2048);
    EXPECT_EQ(finds[0].PartitionTypeId, 131);
    EXPECT_EQ(finds[0].FileSystemType, kFsExt2);
    EXPECT_EQ(finds[0].SectorCount, 40000);
    EXPECT_EQ(finds[0].ClusterSize, 2);
    EXPECT_STREQ(finds[0].Label, "lostext2");
    EXPECT_EQ(finds[0].VolumePresent, 0);
    EXPECT_GT(finds[0].FreeSectors, 30000);
    EXPECT_EQ(finds[1].StartingLba, 60000);
    EXPECT_EQ(finds[1].FileSystemType, kFsExt3);
    EXPECT_EQ(finds[1].SectorCount, 100000);
    EXPECT_EQ(finds[1].ClusterSize, 8);
    EXPECT_STREQ(finds[1].Label, "keptext3");
    EXPECT_EQ(finds[1].VolumePresent, 1);
}
