// Ext2/Ext3 volumes and swap areas made by the format, judged by e2fsprogs, blkid and the kernel.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "fs/swap/SwapFormat.h"
#include "engine/FaultInjection.h"
#include "engine/KDisk.h"
#include "core/IProgressReporter.h"
#include "fs/ext/ExtFormat.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {


int formatImage(const std::string& image, int64_t sectors, const char* label, int blockSize, bool ext3,
                IProgressReporter* progress)
{
    KDisk disk;
    if (!disk.OpenPath(image, 0))
        return -100;
    const int result = FormatExt(&disk, 0, sectors, label, blockSize, ext3, progress);
    disk.Flush();
    return result;
}

bool haveExtTools()
{
    for (const char* tool : {"e2fsck", "dumpe2fs", "debugfs", "blkid"})
        if (!HaveTool(tool))
            return false;
    return true;
}

// The value after "key:" on its line of dumpe2fs -h output.
std::string field(const std::string& text, const std::string& key)
{
    const size_t at = text.find("\n" + key + ":");
    if (at == std::string::npos)
        return {};
    const size_t end = text.find('\n', at + 1);
    std::string value = text.substr(at + key.size() + 2, end - at - key.size() - 2);
    value.erase(0, value.find_first_not_of(" \t"));
    return value;
}

void expectFsckClean(const std::string& image)
{
    const ToolResult fsck = RunTool({"e2fsck", "-fn", image});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
}

} // namespace

TEST(ExtFormatRules, SizeTables)
{
    EXPECT_EQ(GetDefaultExtBlockSize(204800), 2);
    EXPECT_EQ(GetDefaultExtBlockSize(0x13FFFFF), 2);
    EXPECT_EQ(GetDefaultExtBlockSize(0x1400000), 4);
    EXPECT_EQ(GetDefaultExtBlockSize(0x7FFFFFF), 4);
    EXPECT_EQ(GetDefaultExtBlockSize(0x8000000), 8);

    const std::pair<int64_t, int> journal[] = {{100, 0},       {2047, 0},      {2048, 1024},    {0x7FFF, 1024},
                                               {0x8000, 4096}, {0x3FFFF, 4096}, {0x40000, 8192}, {0x7FFFF, 8192},
                                               {0x80000, 16384}, {0xFFFFF, 16384}, {0x100000, 32768}};
    for (const auto& [blocks, size] : journal)
        EXPECT_EQ(GetExtJournalBlocks(blocks), size) << blocks;

    // 100 MiB in 1 KiB blocks: 13 groups of 1,976 inodes (247 table blocks), one descriptor block,
    // first data block 1: (247 + 1 + 1 + 2) x 13 x 2 sectors; Ext3 adds a 1,024-block journal.
    EXPECT_EQ(GetExtSystemAreaSectors(204800, 0, false), 251 * 13 * 2);
    EXPECT_EQ(GetExtSystemAreaSectors(204800, 1024, true), 251 * 13 * 2 + 2048);
}

struct ExtCase {
    int64_t sectors;
    int blockSize;
    bool ext3;
};

void PrintTo(const ExtCase& c, std::ostream* out)
{
    *out << c.sectors << " sectors, " << c.blockSize << "-byte blocks, " << (c.ext3 ? "ext3" : "ext2");
}

class ExtFormatTools : public ::testing::TestWithParam<ExtCase> {};

TEST_P(ExtFormatTools, CheckedByE2fsprogs)
{
    if (!haveExtTools())
        GTEST_SKIP() << "e2fsprogs or blkid missing";
    const ExtCase c = GetParam();
    TempDir dir;
    const std::string image = dir.File("ext.img");
    ASSERT_TRUE(MakeSparseFile(image, c.sectors * 512));
    RecordingProgress progress;
    ASSERT_EQ(formatImage(image, c.sectors, "Volmara data", c.blockSize, c.ext3, &progress), kExtFormatOk);
    expectFsckClean(image);

    const ToolResult dump = RunTool({"dumpe2fs", "-h", image});
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    const std::string& d = dump.output;
    const int64_t bs = c.blockSize ? c.blockSize : GetDefaultExtBlockSize(c.sectors) * 512;
    const int64_t blocks = std::stoll(field(d, "Block count"));
    const int64_t perGroup = bs * 8, first = bs == 1024 ? 1 : 0;
    // Whole groups, or a last group that can hold its metadata.
    EXPECT_LE(blocks, c.sectors * 512 / bs);
    EXPECT_GT(blocks, c.sectors * 512 / bs - perGroup);
    EXPECT_EQ(field(d, "Block size"), std::to_string(bs));
    EXPECT_EQ(field(d, "First block"), std::to_string(first));
    EXPECT_EQ(field(d, "Blocks per group"), std::to_string(perGroup));
    EXPECT_EQ(field(d, "Reserved block count"), std::to_string(blocks * 5 / 100));
    EXPECT_EQ(field(d, "Filesystem magic number"), "0xEF53");
    EXPECT_EQ(field(d, "Filesystem state"), "clean");
    EXPECT_EQ(field(d, "Errors behavior"), "Continue");
    EXPECT_EQ(field(d, "Filesystem revision #"), "1 (dynamic)");
    EXPECT_EQ(field(d, "Inode size"), "128");
    EXPECT_EQ(field(d, "First inode"), "11");
    EXPECT_EQ(field(d, "Maximum mount count"), "20");
    EXPECT_EQ(field(d, "Mount count"), "0");
    EXPECT_EQ(field(d, "Check interval"), "15552000 (6 months)");
    EXPECT_EQ(field(d, "Filesystem volume name"), "Volmara data");
    EXPECT_EQ(field(d, "Filesystem features"), c.ext3 ? "has_journal filetype" : "filetype");
    const int64_t groups = (blocks - first + perGroup - 1) / perGroup;
    const int64_t inodesPerGroup = std::stoll(field(d, "Inodes per group"));
    EXPECT_EQ(field(d, "Inode count"), std::to_string(groups * inodesPerGroup));
    EXPECT_EQ(inodesPerGroup % (bs / 128), 0);
    EXPECT_EQ(field(d, "Free inodes"), std::to_string(groups * inodesPerGroup - 11));
    if (c.ext3) {
        EXPECT_EQ(field(d, "Journal inode"), "8");
        const int64_t journalBlocks = std::max(GetExtJournalBlocks(blocks) / 4, 1024);
        EXPECT_EQ(field(d, "Total journal blocks"), std::to_string(journalBlocks));
        EXPECT_EQ(field(d, "Journal start"), "0");
    }

    const ToolResult ls = RunTool({"debugfs", "-R", "ls -l /", image});
    EXPECT_NE(ls.output.find("lost+found"), std::string::npos) << ls.output;
    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_NE(blkid.output.find(c.ext3 ? "TYPE=ext3" : "TYPE=ext2"), std::string::npos) << blkid.output;
    EXPECT_NE(blkid.output.find("LABEL=Volmara\\ data"), std::string::npos) << blkid.output;
    EXPECT_NE(blkid.output.find("UUID="), std::string::npos) << blkid.output;

    // Progress: the step total, the format operation, positions up to the total.
    const int64_t itb = inodesPerGroup * 128 / bs, desc = (groups * 32 + bs - 1) / bs;
    const int64_t journal = c.ext3 ? std::stoll(field(d, "Total journal blocks")) : 0;
    EXPECT_EQ(progress.total, (itb + desc) * groups + journal);
    EXPECT_EQ(progress.names, std::vector<int>{2});
    EXPECT_EQ(progress.begun, std::vector<int>{-1});
    EXPECT_EQ(progress.completed, 1);
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.back(), progress.total);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin() + (c.ext3 ? 0 : 0), progress.positions.end()));
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndBlocks, ExtFormatTools,
    ::testing::Values(ExtCase{204800, 0, false},       // 100 MiB: 1 KiB blocks, 13 groups
                      ExtCase{204800, 0, true},
                      ExtCase{16384 + 30, 1024, false}, // a partial last group too small to keep
                      ExtCase{16384 * 2 + 600, 2048, true},
                      ExtCase{2097152, 4096, true},     // 1 GiB
                      ExtCase{2097152 + 100, 2048, false},
                      ExtCase{65536 * 8 * 3 + 40, 4096, false}, // 3 groups and a sliver
                      ExtCase{20000, 1024, true}));

TEST(ExtFormatEdges, HundredMibVolumeLayout)
{
    if (!HaveTool("dumpe2fs"))
        GTEST_SKIP() << "dumpe2fs missing";
    TempDir dir;
    const std::string image = dir.File("ext.img");
    ASSERT_TRUE(MakeSparseFile(image, 100 << 20));
    RecordingProgress progress;
    ASSERT_EQ(formatImage(image, 204800, "", 0, false, &progress), kExtFormatOk);
    const ToolResult dump = RunTool({"dumpe2fs", image});
    EXPECT_EQ(field(dump.output, "Block size"), "1024");
    EXPECT_EQ(field(dump.output, "First block"), "1");
    EXPECT_NE(dump.output.find("Group 12:"), std::string::npos);
    EXPECT_EQ(dump.output.find("Group 13:"), std::string::npos);
    // Group 0's inode bitmap: inodes 1-11 in use, then free, then every bit past the group's inodes set.
    const int64_t inodeBitmap = 1 + 1 + 1 + 1; // superblock at 1, descriptors at 2, block bitmap at 3
    const auto bitmap = ReadBytes(image, inodeBitmap * 1024, 1024);
    EXPECT_EQ(bitmap[0], 0xFF);
    EXPECT_EQ(bitmap[1], 0x07);
    const int64_t inodesPerGroup = std::stoll(field(dump.output, "Inodes per group"));
    EXPECT_EQ(bitmap[2], 0x00);
    EXPECT_TRUE(std::all_of(bitmap.begin() + inodesPerGroup / 8, bitmap.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(ExtFormatEdges, RefusalsAndFailures)
{
    TempDir dir;
    const std::string image = dir.File("ext.img");
    ASSERT_TRUE(MakeSparseFile(image, 4 << 20));
    RecordingProgress progress;
    // 1,000 blocks cannot hold a 1,024-block journal.
    EXPECT_EQ(formatImage(image, 2000, "", 1024, true, &progress), kExtNoRoom);
    EXPECT_EQ(formatImage(image, 2000, "", 1024, false, &progress), kExtFormatOk) << "without a journal it fits";
    EXPECT_EQ(formatImage(image, 8192, "", 1024, false, nullptr), kExtBadArgument) << "no progress object";
    EXPECT_EQ(formatImage(image, 8192, "", 3072, false, &progress), kExtBadArgument);
    EXPECT_EQ(formatImage(image, 20, "", 1024, false, &progress), kExtNoRoom);
    // A refused write ends the format with 4.
    for (const char* range : {"0:w:0-1", "0:w:8-9", "0:w:300-301"}) {
        FaultInjection::Configure(range);
        EXPECT_EQ(formatImage(image, 8192, "", 1024, true, &progress), kExtWriteFailed) << range;
    }
    FaultInjection::Configure("");
}

TEST(ExtFormatMount, KernelTakesATree)
{
    for (const char* tool : {"e2fsck", "mount", "umount"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    TempDir dir;
    const std::string image = dir.File("ext.img");
    const int64_t sectors = 262144;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    RecordingProgress progress;
    ASSERT_EQ(formatImage(image, sectors, "mounted", 0, true, &progress), kExtFormatOk);
    const std::string mount = dir.File("mnt");
    std::filesystem::create_directory(mount);
    struct Guard {
        std::string path;
        bool mounted = false;
        ~Guard()
        {
            if (mounted)
                RunTool({"umount", path});
        }
    } guard{mount};
    const ToolResult m = RunTool({"mount", "-t", "ext3", "-o", "loop", image, mount});
    if (m.exitCode != 0)
        GTEST_SKIP() << "the kernel cannot mount it here: " << m.output;
    guard.mounted = true;
    for (int d = 0; d < 10; ++d) {
        const std::string sub = mount + "/dir-" + std::to_string(d) + "/ünïcödé";
        std::filesystem::create_directories(sub);
        for (int f = 0; f < 30; ++f) {
            std::ofstream out(sub + "/file-" + std::to_string(f), std::ios::binary);
            out << std::string(size_t((d * 30 + f) * 523 % 20000 + 1), char('a' + f % 26));
        }
    }
    const ToolResult u = RunTool({"umount", mount});
    ASSERT_EQ(u.exitCode, 0) << u.output;
    guard.mounted = false;
    expectFsckClean(image);
    const ToolResult cat = RunTool({"debugfs", "-R", "cat /dir-3/ünïcödé/file-7", image});
    EXPECT_NE(cat.output.find(std::string(size_t((3 * 30 + 7) * 523 % 20000 + 1), 'h')), std::string::npos);
}

TEST(SwapFormat, HeaderAndLabel)
{
    TempDir dir;
    const std::string image = dir.File("swap.img");
    ASSERT_TRUE(FillPattern((MakeSparseFile(image, 1 << 20), image), 0, 1 << 20, 3));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    RecordingProgress progress;
    ASSERT_EQ(FormatSwap(&disk, 0, 2048, &progress), kSwapFormatOk);
    disk.Flush();
    EXPECT_EQ(progress.total, 4);
    EXPECT_EQ(progress.positions, (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(progress.completed, 1);
    const auto page = ReadBytes(image, 0, 4096);
    EXPECT_EQ(le32(page.data() + 1024), 1u);
    EXPECT_EQ(le32(page.data() + 1028), 255u) << "last page of 1 MiB";
    EXPECT_EQ(std::string(page.begin() + 4086, page.end()), "SWAPSPACE2");
    EXPECT_TRUE(std::all_of(page.begin(), page.begin() + 1024, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(FormatSwap(&disk, 0, 2048, nullptr), kSwapBadArgument);

    // The engine names it; blkid sees a swap area with that label.
    PartitionInfo whole = MakeEmptyPartitionInfo();
    whole.SectorCount = 2048;
    std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
    ASSERT_TRUE(device);
    ASSERT_EQ(kSetVolumeLabel(device.get(), "swappy"), 1);
    disk.Flush();
    if (HaveTool("blkid")) {
        const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
        EXPECT_NE(blkid.output.find("TYPE=swap"), std::string::npos) << blkid.output;
        EXPECT_NE(blkid.output.find("LABEL=swappy"), std::string::npos) << blkid.output;
    }
    EXPECT_EQ(kSetVolumeLabel(device.get(), "seventeen chars!!"), 0);
}
