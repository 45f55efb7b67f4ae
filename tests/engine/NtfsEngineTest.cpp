// The NTFS side of the engine: labels set through kSetVolumeLabel and read by ntfslabel and blkid,
// and partition recovery finding NTFS volumes whose table entries were lost.
#include <memory>

#include <gtest/gtest.h>

#include "core/LabelRule.h"

#include "core/ByteOrder.h"
#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "engine/KDisk.h"
#include "fs/VolumeInfo.h"
#include "core/FileSystemTypes.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

std::string firstLine(std::string s)
{
    const size_t end = s.find('\n');
    return end == std::string::npos ? s : s.substr(0, end);
}

} // namespace

TEST(NtfsLabelEngine, SetThroughTheEngineReadByTheTools)
{
    for (const char* tool : {"mkntfs", "ntfslabel", "ntfsfix", "blkid"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    for (const char* cluster : {"512", "4096", "65536"}) {
        TempDir dir;
        const std::string image = dir.File("vol.img");
        const int64_t sectors = 262144;
        ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
        ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", "-q", "-c", cluster, "-L", "before", image}).exitCode, 0);
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        PartitionInfo whole = MakeEmptyPartitionInfo();
        whole.SectorCount = sectors;
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(&disk, whole));
        ASSERT_TRUE(device);

        for (const std::string label : {"Фото 2024 ✓", "x", "thirty-two characters long label"}) {
            ASSERT_EQ(kSetVolumeLabel(device.get(), label.c_str()), 1) << label;
            disk.Flush();
            EXPECT_EQ(firstLine(RunTool({"ntfslabel", "-f", image}).output), label) << cluster;
            const ToolResult blkid = RunTool({"blkid", "-p", "-s", "LABEL", "-o", "value", image});
            EXPECT_EQ(firstLine(blkid.output), label) << cluster;
            const ToolResult fix = RunTool({"ntfsfix", "-n", image});
            EXPECT_EQ(fix.exitCode, 0) << fix.output;
            EXPECT_EQ(fix.output.find("BAD"), std::string::npos) << fix.output;
        }
        // An empty label clears the name; the longest the dialogs take (126) is written, one over the
        // attribute's 128 units and one that is not UTF-8 are refused and change nothing.
        ASSERT_EQ(kSetVolumeLabel(device.get(), ""), 1);
        EXPECT_EQ(firstLine(RunTool({"ntfslabel", "-f", image}).output), "");
        int problem = -1;
        EXPECT_EQ(kSetVolumeLabel(device.get(), std::string(129, 'a').c_str(), &problem), 0);
        EXPECT_EQ(problem, kLabelTooLong);
        EXPECT_EQ(kSetVolumeLabel(device.get(), "bad\xff\xfe", &problem), 0);
        EXPECT_EQ(problem, kLabelInvalidCharacter);
        EXPECT_EQ(firstLine(RunTool({"ntfslabel", "-f", image}).output), "");
        ASSERT_EQ(kSetVolumeLabel(device.get(), std::string(126, 'L').c_str()), 1);
        disk.Flush();
        EXPECT_EQ(firstLine(RunTool({"ntfslabel", "-f", image}).output), std::string(126, 'L'));
        const ToolResult longFix = RunTool({"ntfsfix", "-n", image});
        EXPECT_EQ(longFix.exitCode, 0) << longFix.output;
        // The volume information reader sees the new label.
        ASSERT_EQ(kSetVolumeLabel(device.get(), "again"), 1);
        PartitionInfo info = MakeEmptyPartitionInfo();
        ASSERT_TRUE(ReadVolumeInfo(*device, sectors, info));
        EXPECT_STREQ(info.Label, "again");
    }
}

TEST(NtfsRecogniser, FindsNtfsVolumesWithoutATable)
{
    for (const char* tool : {"mkntfs", "sfdisk"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    TempDir dir;
    const std::string image = dir.File("lost.img");
    ASSERT_TRUE(MakeSparseFile(image, 128ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=65536, type=7\nstart=100000, size=120000, type=7\n").exitCode, 0);
    // Volumes built on their own, then placed where the table said.
    const std::string first = dir.File("first.img"), second = dir.File("second.img");
    ASSERT_TRUE(MakeSparseFile(first, 65536ll * 512));
    ASSERT_TRUE(MakeSparseFile(second, 120000ll * 512));
    ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", "-q", "-L", "FirstNtfs", "-p", "2048", first}).exitCode, 0);
    ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", "-q", "-c", "4096", "-L", "Second", "-p", "100000", second}).exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(first, image, 2048 * 512));
    ASSERT_TRUE(TableFixtures::CopyInto(second, image, 100000ll * 512));
    // The first volume's table entry is lost; the second one is still listed.
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=100000, size=120000, type=7\n").exitCode, 0);

    std::unique_ptr<IFileSystemParameterGenerator> generator(CreateInterface_IFileSystemParameterGenerator());
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::vector<PartitionInfo> finds;
    std::vector<uint8_t> sector(512);
    for (int64_t lba = 0; lba < disk.GetTotalSectors(); ++lba) {
        ASSERT_TRUE(disk.ReadSectors(sector.data(), lba, 1));
        PartitionInfo p{};
        if (generator->Recognise(&disk, sector.data(), lba, &p))
            finds.push_back(p);
    }
    // Each volume is found at its boot sector; the backup boot sectors at the ends are not volumes
    // of their own, because an MFT does not open from there.
    ASSERT_EQ(finds.size(), 2u);
    EXPECT_EQ(finds[0].StartingLba, 2048);
    EXPECT_EQ(finds[0].PartitionTypeId, 7);
    EXPECT_EQ(finds[0].FileSystemType, kFsNtfs);
    EXPECT_EQ(finds[0].SectorCount, 65536) << "the file system and its backup boot sector";
    EXPECT_EQ(finds[0].HiddenSectors, 2048);
    EXPECT_STREQ(finds[0].Label, "FirstNtfs");
    EXPECT_EQ(finds[0].VolumePresent, 0) << "lost";
    EXPECT_EQ(finds[1].StartingLba, 100000);
    EXPECT_EQ(finds[1].SectorCount, 120000);
    EXPECT_EQ(finds[1].ClusterSize, 8);
    EXPECT_STREQ(finds[1].Label, "Second");
    EXPECT_EQ(finds[1].VolumePresent, 1);
    EXPECT_GT(finds[1].FreeSectors, 0);

    // A boot sector whose MFT is gone is not a find.
    const auto boot = ReadBytes(image, 2048 * 512, 512);
    const int64_t mftByte = int64_t(le64(boot.data() + 0x30)) * boot[0x0D] * 512;
    ASSERT_TRUE(WriteBytes(image, 2048ll * 512 + mftByte, std::vector<uint8_t>(4096, 0)));
    KDisk again;
    ASSERT_TRUE(again.OpenPath(image, 0));
    PartitionInfo p{};
    EXPECT_EQ(generator->Recognise(&again, boot.data(), 2048, &p), 0);
}
