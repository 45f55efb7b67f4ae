// Labels set through the engine, read back by fatlabel and blkid, on every FAT type.
#include <memory>

#include <gtest/gtest.h>

#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "engine/KDisk.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

std::string trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

} // namespace

struct LabelCase {
    int64_t sectors;
    std::vector<std::string> mkfs;
};

class FatLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(FatLabel, SetReadAndChecked)
{
    for (const char* tool : {"mkfs.fat", "fatlabel", "fsck.fat"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    TempDir dir;
    const std::string image = dir.File("vol.img");
    const int64_t sectors = GetParam().sectors;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    auto argv = GetParam().mkfs;
    argv.push_back(image);
    ASSERT_EQ(RunTool(argv).exitCode, 0);
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    PartitionInfo whole = MakeEmptyPartitionInfo();
    whole.StartingLba = 0;
    whole.SectorCount = sectors;
    std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
    ASSERT_TRUE(device);

    ASSERT_EQ(kSetVolumeLabel(device.get(), "photos 24"), 1);
    EXPECT_EQ(trimmed(RunTool({"fatlabel", image}).output), "PHOTOS 24");
    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_NE(blkid.output.find("LABEL=PHOTOS\\ 24"), std::string::npos) << blkid.output;
    EXPECT_NE(blkid.output.find("LABEL_FATBOOT=PHOTOS\\ 24"), std::string::npos) << "boot sector and root agree";
    ToolResult fsck = RunTool({"fsck.fat", "-n", image});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    if (ReadBytes(image, 0x52, 5) == std::vector<uint8_t>{'F', 'A', 'T', '3', '2'}) {
        EXPECT_EQ(ReadBytes(image, 6 * 512, 512), ReadBytes(image, 0, 512)) << "backup boot sector follows";
    }

    // Changed again, then removed.
    ASSERT_EQ(kSetVolumeLabel(device.get(), "X"), 1);
    EXPECT_EQ(trimmed(RunTool({"fatlabel", image}).output), "X");
    ASSERT_EQ(kSetVolumeLabel(device.get(), ""), 1);
    const ToolResult none = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_EQ(none.output.find("LABEL=X"), std::string::npos) << none.output;
    fsck = RunTool({"fsck.fat", "-n", image});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
}

INSTANTIATE_TEST_SUITE_P(Types, FatLabel,
                         ::testing::Values(LabelCase{30000, {"mkfs.fat", "-F", "12"}},
                                           LabelCase{300000, {"mkfs.fat", "-F", "16"}},
                                           LabelCase{300000, {"mkfs.fat", "-F", "32", "-n", "OLDLABEL"}}));

TEST(FatLabelEngine, NotAFatVolume)
{
    TempDir dir;
    const std::string image = dir.File("blank.img");
    ASSERT_TRUE(MakeSparseFile(image, 1 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    PartitionInfo whole = MakeEmptyPartitionInfo();
    whole.SectorCount = 2048;
    std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
    EXPECT_EQ(kSetVolumeLabel(device.get(), "A"), 0);
    EXPECT_EQ(kSetVolumeLabel(nullptr, "A"), 0);
    EXPECT_EQ(ReadBytes(image, 0, 512), std::vector<uint8_t>(512, 0));
}
