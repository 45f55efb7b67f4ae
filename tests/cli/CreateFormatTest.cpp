// Partitions created, formatted and labelled through volmara-cli run, judged by the tools of each
// file system and by sfdisk, sgdisk and blkid.
#include <algorithm>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;
using namespace VolumeCheck;

namespace {

constexpr int64_t kDiskBytes = 1ll << 30;

std::string create(int64_t start, int64_t length, uint32_t typeId, int fsType, const std::string& label, bool primary,
                   int letter = 0)
{
    return "CreatePartition DiskIndex:0 StartingOffset:" + std::to_string(start) + " PartitionLength:"
         + std::to_string(length) + " PartTypeId:" + std::to_string(typeId) + " FsType:" + std::to_string(fsType)
         + " ClusterSize:0 Label:\"" + label + "\" Letter:" + std::to_string(letter) + " Active:0 Primary:"
         + (primary ? "1" : "0") + " BootVolume:0 SystemVolume:0";
}

ToolResult runLines(const std::string& image, const std::vector<std::string>& lines)
{
    std::vector<std::string> argv = {VOLMARA_CLI, "--disk", image, "run"};
    argv.insert(argv.end(), lines.begin(), lines.end());
    return RunTool(argv);
}

} // namespace

TEST(CreateFormatLabel, EveryFileSystemOnMbrPrimaryAndLogical)
{
    if (!HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, kDiskBytes));
    EngineEnvironment env({image}, dir.File("state"));
    struct Made {
        int64_t start, length;
        uint32_t typeId;
        int fsType;
        bool primary;
        const char* label;
        const char* blkidType;
    };
    const Made made[] = {
        {2048, 614400, 11, 11, true, "FAT32 VOL", "vfat"},
        {616448, 204800, 7, 7, true, "NTFS Prim", "ntfs"},
        {825344, 102400, 6, 6, false, "FAT16LOG", "vfat"},
        {929792, 204800, 131, 50, false, "ext3 logical", "ext3"},
        {1136640, 65536, 130, 51, false, "", "swap"},
        {1204224, 131072, 7, 7, false, "NTFS Logical", "ntfs"},
    };
    std::vector<std::string> lines = {"InitiateDisk DiskIndex:0 Style:0 ForceReboot:0"};
    for (const Made& m : made)
        lines.push_back(create(m.start, m.length, m.typeId, m.fsType, m.label, m.primary));
    const ToolResult r = runLines(image, lines);
    ASSERT_EQ(r.exitCode, 0) << r.output;

    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 7u) << dump.text; // two primaries, the extended container, four logicals
    EXPECT_EQ(RunTool({"sfdisk", "-V", image}).exitCode, 0);
    const char* types[] = {"b", "7", "f", "6", "83", "82", "7"}; // the container is an LBA extended one
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(dump.entries[i].type, types[i]) << i << "\n" << dump.text;
    size_t logical = 3;
    for (const Made& m : made) {
        const auto& entry = m.primary ? dump.entries[m.typeId == 11 ? 0 : 1] : dump.entries[logical++];
        EXPECT_EQ(entry.start, m.start) << m.label;
        EXPECT_EQ(entry.size, m.length) << m.label;
        const std::string found = BlkidAt(image, m.start, m.length);
        EXPECT_NE(found.find(std::string("TYPE=") + m.blkidType), std::string::npos) << m.label << "\n" << found;
        if (*m.label) {
            std::string escaped = m.label;
            for (size_t at = 0; (at = escaped.find(' ', at)) != std::string::npos; at += 2)
                escaped.replace(at, 1, "\\ ");
            // FAT labels are stored upper-case.
            if (std::string(m.blkidType) == "vfat")
                std::transform(escaped.begin(), escaped.end(), escaped.begin(), ::toupper);
            EXPECT_NE(found.find("LABEL=" + escaped), std::string::npos) << found;
        }
        ExpectChecked(dir, image, m.start, m.length, m.blkidType);
    }
    // Logical partitions carry the track size as hidden sectors: 63 on a 255/63 disk.
    EXPECT_EQ(ReadBytes(image, 825344 * 512 + 0x1C, 4), (std::vector<uint8_t>{63, 0, 0, 0}));
    EXPECT_EQ(ReadBytes(image, 1204224ll * 512 + 0x1C, 4), (std::vector<uint8_t>{63, 0, 0, 0}));
    EXPECT_EQ(ReadBytes(image, 616448ll * 512 + 0x1C, 4), (std::vector<uint8_t>{0x00, 0x68, 0x09, 0x00}))
        << "a primary's hidden sectors are its start";

    // mtools writes into the FAT32 primary in place.
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    const std::string file = dir.File("note.txt");
    ASSERT_TRUE(MakeSparseFile(file, 5000));
    ASSERT_TRUE(FillPattern(file, 0, 5000, 1));
    const ToolResult copy = RunTool({"mcopy", "-i", image + "@@" + std::to_string(2048 * 512), file, "::/note.txt"});
    EXPECT_EQ(copy.exitCode, 0) << copy.output;
    ExpectChecked(dir, image, 2048, 614400, "vfat");

    // Formats into other file systems: the table's type bytes stay; labels on each.
    const ToolResult f = runLines(image, {
        "FormatPartition DiskIndex:0 PartitionIndex:1 FsType:7 ClusterSize:0 Label:\"now ntfs\"",
        "FormatPartition DiskIndex:0 PartitionIndex:2 FsType:50 ClusterSize:2 Label:\"now ext3\"",
        "FormatPartition DiskIndex:0 PartitionIndex:3 FsType:51 ClusterSize:0 Label:\"\"",
        "FormatPartition DiskIndex:0 PartitionIndex:4 FsType:6 ClusterSize:0 Label:\"now fat\"",
        "LabelPartition DiskIndex:0 PartitionIndex:3 Label:\"swap name\"",
        "LabelPartition DiskIndex:0 PartitionIndex:6 Label:\"renamed\"",
    });
    ASSERT_EQ(f.exitCode, 0) << f.output;
    const auto after = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(after.entries.size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(after.entries[i].type, types[i]) << "a format leaves the entry as it was";
    EXPECT_NE(BlkidAt(image, 2048, 614400).find("LABEL=now\\ ntfs"), std::string::npos);
    ExpectChecked(dir, image, 2048, 614400, "ntfs");
    EXPECT_NE(BlkidAt(image, 616448, 204800).find("TYPE=ext3"), std::string::npos);
    ExpectChecked(dir, image, 616448, 204800, "ext3");
    const std::string swap = BlkidAt(image, 825344, 102400);
    EXPECT_NE(swap.find("TYPE=swap"), std::string::npos) << swap;
    EXPECT_NE(swap.find("LABEL=swap\\ name"), std::string::npos) << swap;
    EXPECT_NE(BlkidAt(image, 929792, 204800).find("LABEL=NOW\\ FAT"), std::string::npos);
    ExpectChecked(dir, image, 929792, 204800, "vfat");
    EXPECT_NE(BlkidAt(image, 1204224, 131072).find("LABEL=renamed"), std::string::npos);
    ExpectChecked(dir, image, 1204224, 131072, "ntfs");
}

TEST(CreateFormatLabel, GptEntriesAndFileSystems)
{
    if (!HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    TempDir dir;
    const std::string image = dir.File("gpt.img");
    ASSERT_TRUE(MakeSparseFile(image, kDiskBytes));
    EngineEnvironment env({image}, dir.File("state"));
    const ToolResult r = runLines(image, {"InitiateDisk DiskIndex:0 Style:1 ForceReboot:0",
                                          create(2048, 409600, 7, 7, "Data", true),
                                          create(411648, 204800, 11, 11, "EFI", true, 'F'),
                                          create(616448, 204800, 131, 50, "linux", true)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const ToolResult verify = RunTool({"sgdisk", "--verify", image});
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    const ToolResult one = RunTool({"sgdisk", "-i", "1", image});
    EXPECT_NE(one.output.find("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"), std::string::npos) << one.output;
    EXPECT_NE(one.output.find("'Basic data partition'"), std::string::npos) << one.output;
    EXPECT_NE(one.output.find("8000000000000000"), std::string::npos) << "no letter: no drive letter\n" << one.output;
    const ToolResult two = RunTool({"sgdisk", "-i", "2", image});
    EXPECT_EQ(two.output.find("8000000000000000"), std::string::npos) << two.output;
    EXPECT_NE(RunTool({"sgdisk", "-i", "1", image}).output.find("Partition unique GUID"), std::string::npos);
    EXPECT_NE(one.output, RunTool({"sgdisk", "-i", "3", image}).output);
    EXPECT_NE(BlkidAt(image, 2048, 409600).find("TYPE=ntfs"), std::string::npos);
    ExpectChecked(dir, image, 2048, 409600, "ntfs");
    // The wanted letter reached the new volume.
    const ToolResult exported = RunTool({VOLMARA_CLI, "--disk", image, "export"});
    EXPECT_NE(exported.output.find("letter: F PartID: 11 Start:      411648"), std::string::npos) << exported.output;
    EXPECT_NE(exported.output.find("letter: * PartID:  7 Start:        2048"), std::string::npos) << exported.output;
    EXPECT_NE(BlkidAt(image, 411648, 204800).find("LABEL=EFI"), std::string::npos);
    ExpectChecked(dir, image, 411648, 204800, "vfat");
    EXPECT_NE(BlkidAt(image, 616448, 204800).find("TYPE=ext3"), std::string::npos);
    ExpectChecked(dir, image, 616448, 204800, "ext3");
}

TEST(CreateFormatLabel, EntryOnlyUntypedAndFailingFormats)
{
    if (!HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 256ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\n").exitCode, 0);
    ASSERT_TRUE(FillPattern(image, 2048 * 512, 200000ll * 512, 9));
    const uint64_t kept = HashRange(image, 2048 * 512, 100000ll * 512);
    EngineEnvironment env({image}, dir.File("state"));

    // Bit 31: the entry only, type 0x07, whatever file system the line names; the area is untouched.
    ToolResult r = runLines(image, {create(2048, 100000, 0x80000007u, 7, "x", true),
                                    create(110000, 50000, 0x80000083u, 50, "y", true),
                                    create(170000, 20000, 0, 0, "", true)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 3u) << dump.text;
    EXPECT_EQ(dump.entries[0].type, "7");
    EXPECT_EQ(dump.entries[1].type, "83");
    EXPECT_EQ(HashRange(image, 2048 * 512, 100000ll * 512), kept);
    EXPECT_NE(ReadBytes(image, 110000ll * 512, 512), std::vector<uint8_t>(512, 0)) << "no Ext3 over kept data";
    // Type 0: the entry gets type 0x07 and its first sector is cleared, the rest stays.
    EXPECT_EQ(dump.entries[2].type, "7");
    EXPECT_EQ(ReadBytes(image, 170000ll * 512, 512), std::vector<uint8_t>(512, 0));
    EXPECT_NE(ReadBytes(image, 170001ll * 512, 512), std::vector<uint8_t>(512, 0));

    // A format that cannot write still leaves its entry, and the failure is reported.
    ::setenv("VOLMARA_FAULTS", "0:w:200000-200000", 1); // the new boot sector
    r = runLines(image, {create(200000, 40000, 7, 7, "broken", true)});
    ::unsetenv("VOLMARA_FAULTS");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("line 1 failed (result 24, error code 4)"), std::string::npos) << r.output;
    dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 4u) << dump.text;
    EXPECT_EQ(dump.entries[3].start, 200000);
}

TEST(CreateFormatLabel, AQueueOfLinesAsTheDesktopProgramWritesThem)
{
    if (!HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 512ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\n").exitCode, 0);
    EngineEnvironment env({image}, dir.File("state"));
    // Create two, delete the first, format the second (now partition 1) into FAT32.
    const ToolResult r = runLines(image, {create(2048, 204800, 6, 6, "first", true),
                                          create(206848, 409600, 7, 7, "second", true),
                                          "DeletePartition DiskIndex:0 Partition:1",
                                          "FormatPartition DiskIndex:0 PartitionIndex:1 FsType:11 ClusterSize:0 "
                                          "Label:\"last\""});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 1u) << dump.text;
    EXPECT_EQ(dump.entries[0].start, 206848);
    EXPECT_EQ(dump.entries[0].type, "7") << "the entry keeps its type through a format";
    const std::string found = BlkidAt(image, 206848, 409600);
    EXPECT_NE(found.find("TYPE=vfat"), std::string::npos) << found;
    EXPECT_NE(found.find("LABEL=LAST"), std::string::npos) << found;
    ExpectChecked(dir, image, 206848, 409600, "vfat");
}
