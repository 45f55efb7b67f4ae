// FAT volumes made by the format and judged by dosfstools and mtools.
#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/FaultInjection.h"
#include "engine/KDisk.h"
#include "fs/fat/FatFormat.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

struct Case {
    int64_t sectors;
    int type;
    int cluster;
};

int format(const std::string& image, int64_t sectors, int& type, int& cluster, const char* label)
{
    KDisk disk;
    if (!disk.OpenPath(image, 0))
        return -1;
    std::string text = label ? label : "";
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    return FormatFatVolume(&disk, 0, sectors, 0, type, cluster, label ? buffer.data() : nullptr);
}

} // namespace

class FatFormatTools : public ::testing::TestWithParam<Case> {};

TEST_P(FatFormatTools, CheckedAndFilledByTheTools)
{
    for (const char* tool : {"fsck.fat", "mcopy", "minfo"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    const Case c = GetParam();
    TempDir dir;
    const std::string image = dir.File("fat.img");
    ASSERT_TRUE(MakeSparseFile(image, c.sectors * 512));
    int type = c.type, cluster = c.cluster;
    ASSERT_EQ(format(image, c.sectors, type, cluster, "data"), kFatFormatOk);
    const ToolResult fsck = RunTool({"fsck.fat", "-n", "-v", image});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    const auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(boot[0x0D], cluster);
    // minfo reads back the values the rules chose.
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    const ToolResult info = RunTool({"minfo", "-i", image, "::"});
    EXPECT_NE(info.output.find("cluster size: " + std::to_string(cluster) + " sectors"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(std::string("reserved (boot) sectors: ") + (type == 11 ? "32" : "2")), std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("fats: 2"), std::string::npos);
    EXPECT_NE(info.output.find(std::string("max available root directory slots: ") + (type == 11 ? "0" : "512")),
              std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("disk label=\"DATA       \""), std::string::npos) << info.output;
    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_NE(blkid.output.find("LABEL=DATA"), std::string::npos) << blkid.output;
    EXPECT_NE(blkid.output.find(type == 11 ? "VERSION=FAT32" : type == 6 ? "VERSION=FAT16" : "VERSION=FAT12"),
              std::string::npos)
        << blkid.output;

    // mtools writes a tree into it and reads it back unchanged.
    const std::string tree = dir.File("tree");
    ASSERT_EQ(RunTool({"mkdir", "-p", tree + "/sub/deeper"}).exitCode, 0);
    for (int i = 0; i < 5; ++i) {
        const std::string file = tree + (i % 2 ? "/sub/file" : "/deeper-") + std::to_string(i) + ".bin";
        ASSERT_TRUE(MakeSparseFile(file, 3000 + i * 777));
        ASSERT_TRUE(FillPattern(file, 0, 3000 + i * 777, uint32_t(i + 1)));
    }
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    ToolResult copy = RunTool({"mcopy", "-s", "-i", image, tree, "::/"});
    ASSERT_EQ(copy.exitCode, 0) << copy.output;
    const std::string back = dir.File("back");
    copy = RunTool({"mcopy", "-s", "-i", image, "::/tree", back});
    ASSERT_EQ(copy.exitCode, 0) << copy.output;
    const ToolResult diff = RunTool({"diff", "-r", tree, back});
    EXPECT_EQ(diff.exitCode, 0) << diff.output;
    const ToolResult again = RunTool({"fsck.fat", "-n", image});
    EXPECT_EQ(again.exitCode, 0) << again.output;
}

INSTANTIATE_TEST_SUITE_P(Sizes, FatFormatTools,
                         ::testing::Values(Case{20000, 0, 0}, Case{4000, 1, 1}, Case{32608, 1, 8},
                                           Case{65536, 6, 4}, Case{409600, 6, 0}, Case{2 * 1048576, 6, 64},
                                           Case{204800, 11, 1}, Case{1048576, 11, 0}, Case{4096000, 11, 8},
                                           Case{4096000, 11, 32}, Case{8388608, 0, 0}),
                         [](const auto& info) {
                             return std::string("s")
                                 .append(std::to_string(info.param.sectors))
                                 .append("_t")
                                 .append(std::to_string(info.param.type))
                                 .append("_c")
                                 .append(std::to_string(info.param.cluster));
                         });

TEST(FatFormat, EdgeCases)
{
    TempDir dir;
    const std::string image = dir.File("small.img");
    ASSERT_TRUE(MakeSparseFile(image, 20000 * 512));
    int type = 0, cluster = 0;
    ASSERT_EQ(format(image, 20000, type, cluster, nullptr), kFatFormatOk);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(cluster, 8);
    auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(le16(boot.data() + 0x0E), 2u);
    EXPECT_EQ(le16(boot.data() + 0x11), 512u);
    EXPECT_EQ(le16(boot.data() + 0x13), 20000u);
    EXPECT_EQ(le32(boot.data() + 0x20), 0u);
    EXPECT_EQ(std::string(boot.begin() + 0x2B, boot.begin() + 0x36), "NO NAME    ");
    EXPECT_EQ(ReadBytes(image, 512, 512), std::vector<uint8_t>(512, 0)) << "sector 1 stays zero";
    const int64_t rootAt = 2 + 2 * le16(boot.data() + 0x16);
    EXPECT_EQ(ReadBytes(image, rootAt * 512, 32), std::vector<uint8_t>(32, 0)) << "no label entry";

    type = 0;
    cluster = 0;
    EXPECT_EQ(format(image, 32700, type, cluster, nullptr), kFatBadArgument) << "no default type";
    type = 6;
    cluster = 0;
    EXPECT_EQ(format(image, 20000, type, cluster, nullptr), kFatBadArgument) << "no default cluster size";
    type = 7;
    cluster = 8;
    EXPECT_EQ(format(image, 20000, type, cluster, nullptr), kFatBadArgument);
    EXPECT_EQ(FormatFatVolume(nullptr, 0, 20000, 0, type, cluster, nullptr), kFatBadArgument);
    // A cluster size that would give the wrong type's cluster count is refused.
    type = 1;
    cluster = 1;
    EXPECT_EQ(format(image, 20000, type, cluster, nullptr), kFatBadArgument) << "19,000 clusters are no FAT12";
    type = 11;
    cluster = 64;
    EXPECT_EQ(format(image, 4096000, type, cluster, nullptr), kFatBadArgument) << "64,000 clusters are no FAT32";

    // FAT32: a lower-case label, both copies of the boot sector, FSInfo and the code sector.
    const std::string big = dir.File("big.img");
    ASSERT_TRUE(MakeSparseFile(big, 204800ll * 512));
    ASSERT_TRUE(FillPattern(big, 0, 64 * 512, 9));
    type = 11;
    cluster = 0;
    ASSERT_EQ(format(big, 204800, type, cluster, "abcd"), kFatFormatOk);
    EXPECT_EQ(cluster, 1) << "100 MiB";
    boot = ReadBytes(big, 0, 512);
    EXPECT_EQ(std::string(boot.begin() + 0x47, boot.begin() + 0x52), "ABCD       ");
    EXPECT_EQ(ReadBytes(big, 6 * 512, 512), boot);
    const auto fsinfo = ReadBytes(big, 512, 512);
    EXPECT_EQ(le32(fsinfo.data()), 0x41615252u);
    EXPECT_EQ(ReadBytes(big, 7 * 512, 512), fsinfo);
    EXPECT_EQ(ReadBytes(big, 8 * 512, 512), ReadBytes(big, 2 * 512, 512));
    for (int s : {3, 4, 5, 9, 31})
        EXPECT_EQ(ReadBytes(big, s * 512, 512), std::vector<uint8_t>(512, 0)) << "reserved sector " << s;
    const int64_t fatSectors = le32(boot.data() + 0x24);
    const auto root = ReadBytes(big, (32 + 2 * fatSectors) * 512, 32);
    EXPECT_EQ(std::string(root.begin(), root.begin() + 11), "ABCD       ");
    EXPECT_EQ(root[11], 0x08);
}

TEST(FatFormat, RefusedWriteFailsTheFormat)
{
    TempDir dir;
    const std::string image = dir.File("f.img");
    ASSERT_TRUE(MakeSparseFile(image, 65536 * 512));
    FaultInjection::Configure("0:w:100-100");
    int type = 6, cluster = 4;
    EXPECT_EQ(format(image, 65536, type, cluster, nullptr), kFatWriteFailed);
    FaultInjection::Configure("");
}

#include "engine/DiskEngine.h"
#include "fs/fat/FatParameters.h"

TEST(FatFormat, PinnedTimeGivesRepeatableBytes)
{
    TempDir dir;
    // 5 March 2009, 07:04:09 UTC as a FILETIME.
    const uint64_t pinned = 116444736000000000ull + uint64_t(1236236649) * 10000000ull;
    SetFixedSystemTime(pinned);
    std::vector<std::vector<uint8_t>> results;
    for (int i = 0; i < 2; ++i) {
        const std::string image = dir.File(std::string("p").append(std::to_string(i)).append(".img"));
        ASSERT_TRUE(MakeSparseFile(image, 409600ll * 512));
        int type = 11, cluster = 1;
        ASSERT_EQ(format(image, 409600, type, cluster, "Pinned"), kFatFormatOk);
        results.push_back(ReadBytes(image, 0, 40 * 512 + 0)); // reserved area and the start of FAT #1
        const auto boot = ReadBytes(image, 0, 512);
        EXPECT_EQ(le32(boot.data() + 0x43), uint32_t(pinned)) << "serial = low 32 bits of the time";
        const auto root = ReadBytes(image, (32 + 2 * int64_t(le32(boot.data() + 0x24))) * 512, 32);
        EXPECT_EQ(le16(root.data() + 24), uint16_t(((2009 - 1980) << 9) | (3 << 5) | 5));
        EXPECT_EQ(le16(root.data() + 22), uint16_t((7 << 11) | (4 << 5) | (9 / 2)));
    }
    SetFixedSystemTime(0);
    EXPECT_EQ(results[0], results[1]);
}

TEST(FatFormat, EveryAllowedClusterSizeChecksClean)
{
    if (!HaveTool("fsck.fat"))
        GTEST_SKIP() << "dosfstools missing";
    TempDir dir;
    for (const auto& [sectors, type] : std::vector<std::pair<int64_t, int>>{{16000, 1}, {600000, 6}, {2000000, 11}}) {
        int smallest = 0, largest = 0;
        ASSERT_TRUE(GetMinFatClusterSize(sectors, type, &smallest));
        ASSERT_TRUE(GetMaxFatClusterSize(sectors, type, &largest));
        for (int cluster = smallest; cluster <= largest; cluster *= 2) {
            SCOPED_TRACE(std::to_string(sectors) + " sectors, type " + std::to_string(type) + ", cluster " +
                         std::to_string(cluster));
            const std::string image = dir.File("c.img");
            ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
            int t = type, c = cluster;
            const int result = format(image, sectors, t, c, "c");
            if (result == kFatBadArgument)
                continue; // the estimate allowed it, the exact count does not
            ASSERT_EQ(result, kFatFormatOk);
            const ToolResult fsck = RunTool({"fsck.fat", "-n", image});
            EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
        }
    }
}
