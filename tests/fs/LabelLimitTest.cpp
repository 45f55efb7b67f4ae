// The longest label each file system's dialogs take is written, and read back by blkid.
#include <memory>

#include <gtest/gtest.h>

#include "core/FileSystemTypes.h"
#include "engine/DiskEngine.h"
#include "engine/KDisk.h"
#include "fs/FileSystemRegistry.h"
#include "fs/FileSystemServices.h"
#include "support/TestSupport.h"

using namespace TestSupport;

TEST(LabelLimits, TheLongestLabelADialogTakesIsWrittenOnEveryFileSystem)
{
    struct Case {
        int code;
        std::vector<std::string> mkfs;
        char fill;
    };
    const Case cases[] = {
        {kFsFat16, {"mkfs.fat", "-F", "16"}, 'F'},
        {kFsFat32, {"mkfs.fat", "-F", "32", "-s", "1"}, 'G'},
        {kFsNtfs, {"mkntfs", "-F", "-Q", "-q"}, 'n'},
        {kFsExt2, {"mke2fs", "-q", "-F", "-t", "ext2"}, 'e'},
        {kFsExt3, {"mke2fs", "-q", "-F", "-t", "ext3"}, 'j'},
        {kFsLinuxSwap, {"mkswap"}, 's'},
    };
    for (const Case& c : cases) {
        if (!HaveTool(c.mkfs[0]) || !HaveTool("blkid") || !HaveTool("ntfslabel"))
            GTEST_SKIP() << c.mkfs[0] << ", blkid or ntfslabel missing";
        TempDir dir;
        const std::string image = dir.File("vol.img");
        const int64_t sectors = 81920; // 40 MiB: large enough for FAT32 with 512-byte clusters
        ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
        std::vector<std::string> argv = c.mkfs;
        argv.push_back(image);
        ASSERT_EQ(RunTool(argv).exitCode, 0) << c.mkfs[0];
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        PartitionInfo whole = MakeEmptyPartitionInfo();
        whole.SectorCount = sectors;
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
        ASSERT_TRUE(device);
        const IFileSystem* family = FileSystemFor(c.code);
        ASSERT_NE(family, nullptr);
        const std::string label(size_t(family->MaxLabelLength()), c.fill);
        int problem = -1;
        EXPECT_EQ(kSetVolumeLabel(device.get(), label.c_str(), &problem), 1) << c.code << " problem " << problem;
        disk.Flush();
        // libblkid reads $Volume without its update-sequence fixups, so a long NTFS name that crosses a
        // sector end is read back by ntfs-3g's own tool instead.
        const ToolResult read = c.code == kFsNtfs ? RunTool({"ntfslabel", "-f", image})
                                                  : RunTool({"blkid", "-p", "-s", "LABEL", "-o", "value", image});
        const std::string expected = IsFatCode(c.code) ? std::string(label.size(), char(std::toupper(c.fill))) : label;
        EXPECT_EQ(read.output.substr(0, read.output.find('\n')), expected) << c.mkfs[0];
        // One character more than the field holds is refused and changes nothing.
        const std::string tooLong(label.size() + (c.code == kFsNtfs ? 3 : c.code == kFsExt2 || c.code == kFsExt3 ? 3 : 1),
                                  c.fill);
        EXPECT_EQ(kSetVolumeLabel(device.get(), tooLong.c_str(), &problem), 0) << c.code;
        EXPECT_EQ(problem, kLabelTooLong) << c.code;
    }
}
