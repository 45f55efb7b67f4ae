// Lines that move data, run through volmara-cli on pattern-filled images holding filled volumes: Ext
// moves, raw and Ext copies followed by their entry-only create, wipes, power cuts and failed transfers.
// Every case compares the files of every volume and every byte outside the target afterwards.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;

namespace {

constexpr int64_t kDiskSectors = 262144; // 128 MiB
constexpr int64_t kVolume = 40960;       // 20 MiB
constexpr int64_t kExt = 2048, kExfat = 100352;

bool haveTools()
{
    for (const char* tool : {"mke2fs", "e2fsck", "debugfs", "mkfs.exfat", "blkid", "sfdisk"})
        if (!HaveTool(tool))
            return false;
    return true;
}

std::vector<uint8_t> wholeFile(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? std::vector<uint8_t>() : ReadBytes(path, 0, int64_t(size));
}

struct Disks {
    TempDir dir;
    std::string a, b, tree;
    std::map<std::string, uint64_t> files;

    // Disk A: an Ext3 volume made from a tree of files at kExt, an exFAT volume whose free space holds
    // a pattern at kExfat, the rest of the disk a pattern. Disk B: an empty table over a pattern.
    std::string Make()
    {
        a = dir.File("a.img");
        b = dir.File("b.img");
        tree = dir.File("tree");
        if (!VolumeCheck::MakeFileTree(tree))
            return "tree";
        files = VolumeCheck::TreeHashes(tree);

        const std::string ext = dir.File("ext.vol"), exfat = dir.File("exfat.vol");
        if (!MakeSparseFile(ext, kVolume * 512) || !MakeSparseFile(exfat, kVolume * 512) ||
            !FillPattern(exfat, 0, kVolume * 512, 5))
            return "volumes";
        for (const auto& argv : {std::vector<std::string>{"mke2fs", "-q", "-F", "-t", "ext3", "-b", "1024", "-d", tree, ext},
                                 std::vector<std::string>{"mkfs.exfat", exfat}}) {
            const ToolResult r = RunTool(argv);
            if (r.exitCode != 0)
                return r.output;
        }
        if (!MakeSparseFile(a, kDiskSectors * 512) || !MakeSparseFile(b, kDiskSectors * 512) ||
            !FillPattern(a, 0, kDiskSectors * 512, 1) || !FillPattern(b, 0, kDiskSectors * 512, 2))
            return "disks";
        if (!WriteBytes(a, kExt * 512, wholeFile(ext)) || !WriteBytes(a, kExfat * 512, wholeFile(exfat)))
            return "write";
        Sfdisk(a, "label: dos\nunit: sectors\nstart=2048, size=40960, type=83\nstart=100352, size=40960, type=7\n");
        Sfdisk(b, "label: dos\n");
        return {};
    }

    // e2fsck finds nothing, and the volume holds exactly the tree's files.
    void ExpectExtHolds(const std::string& image, int64_t start)
    {
        VolumeCheck::ExpectChecked(dir, image, start, kVolume, "ext3");
        EXPECT_EQ(VolumeCheck::ExtFiles(dir, image, start, kVolume), files) << "at " << start;
    }
};

ToolResult run(const std::vector<std::string>& disks, const std::vector<std::string>& lines)
{
    std::vector<std::string> argv = {VOLMARA_CLI};
    for (const auto& d : disks)
        argv.insert(argv.end(), {"--disk", d});
    argv.push_back("run");
    argv.insert(argv.end(), lines.begin(), lines.end());
    return RunTool(argv);
}

std::string resize(int index, int64_t start, int64_t size)
{
    return "ResizePartition DiskIndex:0 PartitionIndex:" + std::to_string(index) + " NewStartingLba:" +
           std::to_string(start) + " NewPartitionSize:" + std::to_string(size) + " SafeMode:1";
}

std::string copy(int index, int destDisk, int64_t start)
{
    return "CopyPartition DiskIndex:0 PartitionIndex:" + std::to_string(index) + " DestDiskIndex:" +
           std::to_string(destDisk) + " DestStartingLba:" + std::to_string(start) + " DestPartitionSize:" +
           std::to_string(kVolume) + " DestPartitionIsPrimary:1";
}

// The entry-only create a copy is followed by.
std::string entryFor(int disk, int64_t start, uint32_t type)
{
    return "CreatePartition DiskIndex:" + std::to_string(disk) + " StartingOffset:" + std::to_string(start) +
           " PartitionLength:" + std::to_string(kVolume) + " PartTypeId:" + std::to_string(0x80000000u | type) +
           " FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0";
}

// Only sector 0 and [start, start + count) may differ.
void expectOnlyChanged(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int64_t start,
                       int64_t count, const std::string& what)
{
    ASSERT_EQ(before.size(), after.size());
    for (int64_t s = 1; s < int64_t(before.size() / 512); ++s) {
        if (s >= start && s < start + count)
            continue;
        if (std::memcmp(before.data() + s * 512, after.data() + s * 512, 512) != 0) {
            ADD_FAILURE() << what << ": sector " << s << " changed outside " << start << "+" << count;
            return;
        }
    }
}

bool sameSectors(const std::vector<uint8_t>& x, int64_t xs, const std::vector<uint8_t>& y, int64_t ys, int64_t n)
{
    return std::memcmp(x.data() + xs * 512, y.data() + ys * 512, size_t(n) * 512) == 0;
}

} // namespace

// Moved up and down over itself by less than its length, then far away: the files every time, and
// nothing changes outside the new extent but the table sector.
TEST(DataMoveCli, ExtMovesKeepEveryFileAndEveryOtherByte)
{
    if (!haveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    EngineEnvironment env({disks.a}, disks.dir.File("state"));
    int64_t at = kExt;
    for (const int64_t to : {kExt + 16065, kExt + 63, int64_t(59000), kExt}) {
        const auto before = wholeFile(disks.a);
        const ToolResult r = run({disks.a}, {resize(1, to, kVolume)});
        ASSERT_EQ(r.exitCode, 0) << at << " -> " << to << "\n" << r.output;
        const auto after = wholeFile(disks.a);
        expectOnlyChanged(before, after, to, kVolume, "move to " + std::to_string(to));
        const auto dump = TableFixtures::SfdiskDump(disks.a);
        ASSERT_EQ(dump.entries.size(), 2u) << dump.text;
        EXPECT_EQ(dump.entries[0].start, to);
        EXPECT_EQ(dump.entries[0].size, kVolume);
        disks.ExpectExtHolds(disks.a, to);
        at = to;
    }
    // Another size is refused before anything is written.
    const auto before = wholeFile(disks.a);
    const ToolResult r = run({disks.a}, {resize(1, kExt, kVolume - 2048)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("line 1 failed (result 24, error code 1)"), std::string::npos) << r.output;
    EXPECT_TRUE(wholeFile(disks.a) == before);
}

// A copy of the exFAT volume (a file system this program does not read) within its disk and to the
// other one, and of the Ext3 volume to the other one, each followed by its entry-only create.
TEST(DataMoveCli, RawAndExtCopiesBecomePartitions)
{
    if (!haveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const auto a0 = wholeFile(disks.a), b0 = wholeFile(disks.b);

    ToolResult r = run({disks.a, disks.b}, {copy(2, 0, 180224), entryFor(0, 180224, 7)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto a1 = wholeFile(disks.a);
    expectOnlyChanged(a0, a1, 180224, kVolume, "raw copy within the disk");
    EXPECT_TRUE(sameSectors(a1, 180224, a0, kExfat, kVolume));
    EXPECT_NE(VolumeCheck::BlkidAt(disks.a, 180224, kVolume).find("TYPE=exfat"), std::string::npos);
    EXPECT_EQ(TableFixtures::SfdiskDump(disks.a).entries.size(), 3u);

    r = run({disks.a, disks.b}, {copy(2, 1, 2048), entryFor(1, 2048, 7), copy(1, 1, 63488), entryFor(1, 63488, 0x83)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(wholeFile(disks.a) == a1) << "the source disk is only read";
    const auto b1 = wholeFile(disks.b);
    EXPECT_TRUE(sameSectors(b1, 2048, a0, kExfat, kVolume));
    expectOnlyChanged(b0, b1, 2048, 63488 + kVolume - 2048, "copies to the other disk");
    EXPECT_TRUE(sameSectors(b1, 2048 + kVolume, b0, 2048 + kVolume, 63488 - 2048 - kVolume));
    const auto dump = TableFixtures::SfdiskDump(disks.b);
    ASSERT_EQ(dump.entries.size(), 2u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "83");
    disks.ExpectExtHolds(disks.b, 63488);

    // The copy needs room for every sector, and a place the table can take: refused, nothing written.
    std::string small = copy(2, 1, 150000);
    small.replace(small.find("DestPartitionSize:40960"), 23, "DestPartitionSize:40000");
    for (const std::string& line : {small, copy(2, 1, 20000)}) {
        r = run({disks.a, disks.b}, {line});
        EXPECT_EQ(r.exitCode, 1) << line;
        EXPECT_NE(r.output.find("line 1 failed"), std::string::npos) << r.output;
        EXPECT_TRUE(wholeFile(disks.b) == b1) << line;
    }
}

// Power cut at twenty points through a raw copy and an Ext copy: the run fails and the source volume
// is as it was; failed reads and writes name their line and their cause.
TEST(DataMoveCli, PowerCutsAndFailedTransfers)
{
    if (!haveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const uint64_t ext0 = HashRange(disks.a, kExt * 512, kVolume * 512);
    const uint64_t exfat0 = HashRange(disks.a, kExfat * 512, kVolume * 512);
    struct Job {
        std::string Line, Faults;
        int Writes; // about how many writes the copy makes
    } jobs[] = {
        {copy(2, 0, 180224), "0:w-after:", int(kVolume / 126)},
        {copy(1, 1, 2048), "1:w-after:", int(8 << 20) / 512 / 126},
    };
    for (const Job& job : jobs) {
        for (int point = 0; point < 20; ++point) {
            const int n = point * job.Writes / 20;
            ::setenv("VOLMARA_FAULTS", (job.Faults + std::to_string(n)).c_str(), 1);
            const ToolResult r = run({disks.a, disks.b}, {job.Line});
            ::unsetenv("VOLMARA_FAULTS");
            EXPECT_EQ(r.exitCode, 1) << job.Line << " cut after " << n << "\n" << r.output;
            EXPECT_NE(r.output.find("line 1 failed (result 24, error code 4)"), std::string::npos) << r.output;
            EXPECT_EQ(HashRange(disks.a, kExt * 512, kVolume * 512), ext0) << job.Line << " cut after " << n;
            EXPECT_EQ(HashRange(disks.a, kExfat * 512, kVolume * 512), exfat0) << job.Line << " cut after " << n;
        }
    }
    ::setenv("VOLMARA_FAULTS", "0:r:110000-110000", 1);
    ToolResult r = run({disks.a, disks.b}, {"ActivePartition DiskIndex:0 PartitionIndex:1 Active:1", copy(2, 1, 2048)});
    ::unsetenv("VOLMARA_FAULTS");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("line 2 failed (result 24, error code 3)"), std::string::npos) << r.output;
    ::setenv("VOLMARA_FAULTS", "0:w:30000-30000", 1);
    r = run({disks.a}, {resize(1, 20000, kVolume)});
    ::unsetenv("VOLMARA_FAULTS");
    EXPECT_NE(r.output.find("line 1 failed (result 24, error code 4)"), std::string::npos) << r.output;
    EXPECT_EQ(TableFixtures::SfdiskDump(disks.a).entries[0].start, kExt) << "the entry stays with the data";
}

// A partition wiped with two passes and a whole disk with one: the last pass everywhere, the first
// sector zeroed, the neighbours untouched.
TEST(DataMoveCli, WipesReachEverySectorOfTheirRange)
{
    if (!haveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const auto a0 = wholeFile(disks.a);
    ToolResult r = run({disks.a, disks.b}, {"WipeDisk DiskIndex:0 PartitionIndex:2 StartingLba:100352 "
                                            "SectorsCount:40960 WipingMethod:2"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto a1 = wholeFile(disks.a);
    expectOnlyChanged(a0, a1, kExfat, kVolume, "partition wipe");
    EXPECT_TRUE(sameSectors(a1, 0, a0, 0, 1));
    EXPECT_TRUE(std::all_of(a1.begin() + kExfat * 512, a1.begin() + (kExfat + 1) * 512, [](uint8_t c) { return c == 0; }));
    EXPECT_TRUE(std::all_of(a1.begin() + (kExfat + 1) * 512, a1.begin() + (kExfat + kVolume) * 512,
                            [](uint8_t c) { return c == 0xFF; }));
    disks.ExpectExtHolds(disks.a, kExt);

    r = run({disks.a, disks.b}, {"WipeDisk DiskIndex:1 PartitionIndex:0 StartingLba:0 SectorsCount:262144 WipingMethod:0"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto b = wholeFile(disks.b);
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint8_t c) { return c == 0; }));
    EXPECT_TRUE(wholeFile(disks.a) == a1);
}

// A FAT16 volume full of files grown and moved, given smaller clusters, and copied to the other disk
// with its entry, all through volmara-cli: fsck.fat clean and the same files every time.
TEST(DataMoveCli, FatResizeClusterSizeAndCopy)
{
    if (!haveTools() || !HaveTool("mkfs.fat") || !HaveTool("fsck.fat") || !HaveTool("mcopy"))
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    // The exFAT partition becomes FAT16 (mkfs.fat over it), holding the tree.
    ASSERT_EQ(RunTool({"mkfs.fat", "-F", "16", "-s", "4", "-n", "FATVOL", "--offset", std::to_string(kExfat), disks.a,
                       std::to_string(kVolume / 2)}).exitCode, 0);
    ASSERT_TRUE(VolumeCheck::CopyTreeToFat(disks.a, kExfat, disks.tree));
    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const auto check = [&](const std::string& image, int64_t start, int64_t sectors, const std::string& what) {
        SCOPED_TRACE(what);
        VolumeCheck::ExpectChecked(disks.dir, image, start, sectors, "vfat");
        EXPECT_EQ(VolumeCheck::FatFiles(disks.dir, image, start, sectors), disks.files);
        EXPECT_NE(VolumeCheck::BlkidAt(image, start, sectors).find("LABEL=FATVOL"), std::string::npos);
    };
    const auto b0 = wholeFile(disks.b);
    ToolResult r = run({disks.a, disks.b},
                       {resize(2, kExfat + 4097, kVolume), "ChangeClusterSize DiskIndex:0 PartitionIndex:2 ClusterSize:2"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ASSERT_EQ(TableFixtures::SfdiskDump(disks.a).entries[1].start, kExfat + 4097);
    check(disks.a, kExfat + 4097, kVolume, "grown, moved and given smaller clusters");
    EXPECT_NE(VolumeCheck::BlkidAt(disks.a, kExfat + 4097, kVolume).find("VERSION=FAT16"), std::string::npos);

    r = run({disks.a, disks.b}, {copy(2, 1, 2048), entryFor(1, 2048, 6)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    check(disks.b, 2048, kVolume, "copied to the other disk");
    expectOnlyChanged(b0, wholeFile(disks.b), 2048, kVolume, "the FAT copy");
}

// An NTFS volume with links and streams moved left by whole clusters and grown, given 512-byte
// clusters, and copied into a smaller partition of the other disk, all through volmara-cli.
TEST(DataMoveCli, NtfsMoveClusterSizeAndCopy)
{
    if (!haveTools() || !NtfsVolumes::HaveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    ASSERT_EQ(NtfsVolumes::Make(disks.dir, disks.a, kExfat, kVolume, NtfsVolumes::Maker::Mkntfs, 4096), "");
    NtfsVolumes::FillOptions fill;
    fill.treeFiles = 80;
    fill.hardLinks = 30;
    fill.streams = true;
    ASSERT_EQ(NtfsVolumes::Fill(disks.dir, disks.a, kExfat, kVolume, fill), "");
    const NtfsVolumes::Snapshot before = NtfsVolumes::Take(disks.dir, disks.a, kExfat, kVolume);
    ASSERT_TRUE(before.mounted);
    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const auto check = [&](const std::string& image, int64_t start, int64_t sectors, const std::string& what) {
        NtfsVolumes::ExpectHealthy(disks.dir, image, start, sectors, what);
        EXPECT_TRUE(NtfsVolumes::Take(disks.dir, image, start, sectors) == before) << what;
    };
    const int64_t start = kExfat - 8192, size = kVolume + 16384;
    const auto a0 = wholeFile(disks.a);
    ToolResult r = run({disks.a, disks.b}, {resize(2, start, size), "ChangeClusterSize DiskIndex:0 PartitionIndex:2 ClusterSize:1"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ASSERT_EQ(TableFixtures::SfdiskDump(disks.a).entries[1].start, start);
    check(disks.a, start, size, "moved, grown and given 512-byte clusters");
    EXPECT_EQ(NtfsVolumes::ReadLayout(disks.a, start).clusterBytes, 512);
    expectOnlyChanged(a0, wholeFile(disks.a), start, size, "the NTFS move");

    const auto b0 = wholeFile(disks.b);
    r = run({disks.a, disks.b}, {copy(2, 1, 2048), entryFor(1, 2048, 7)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    check(disks.b, 2048, kVolume, "copied into a smaller partition of the other disk");
    expectOnlyChanged(b0, wholeFile(disks.b), 2048, kVolume, "the NTFS copy");
}

// Two adjacent NTFS partitions merged from the command line, the second 3 sectors off the first's
// cluster grid, into a folder whose name (in any case) is taken twice already: the folder becomes
// "deep(2)" and the right partition's entry goes.
TEST(DataMoveCli, NtfsMergeIntoAFolder)
{
    if (!haveTools() || !NtfsVolumes::HaveTools())
        GTEST_SKIP() << "a tool is missing";
    Disks disks;
    ASSERT_EQ(disks.Make(), "");
    const int64_t left = 2048, leftSize = kVolume + 3, right = left + leftSize;
    Sfdisk(disks.b, "label: dos\nunit: sectors\nstart=" + std::to_string(left) + ", size=" + std::to_string(leftSize) +
                        ", type=7\nstart=" + std::to_string(right) + ", size=" + std::to_string(kVolume) + ", type=7\n");
    NtfsVolumes::FillOptions fill;
    fill.treeFiles = 60;
    fill.hardLinks = 5;
    fill.streams = true;
    ASSERT_EQ(NtfsVolumes::Make(disks.dir, disks.b, left, leftSize, NtfsVolumes::Maker::Mkntfs, 4096), "");
    ASSERT_EQ(NtfsVolumes::Make(disks.dir, disks.b, right, kVolume, NtfsVolumes::Maker::Volmara, 4096), "");
    ASSERT_EQ(NtfsVolumes::Fill(disks.dir, disks.b, left, leftSize, fill), "");
    ASSERT_EQ(NtfsVolumes::WithMount(disks.dir, disks.b, left, leftSize, "", [](const std::string& root) -> std::string {
                  return std::filesystem::create_directory(root + "/DEEP(1)") ? "" : "no folder";
              }),
              "");
    fill.seed = 9;
    ASSERT_EQ(NtfsVolumes::Fill(disks.dir, disks.b, right, kVolume, fill), "");
    const NtfsVolumes::Snapshot first = NtfsVolumes::Take(disks.dir, disks.b, left, leftSize);
    const NtfsVolumes::Snapshot second = NtfsVolumes::Take(disks.dir, disks.b, right, kVolume);
    const auto b0 = wholeFile(disks.b);

    EngineEnvironment env({disks.a, disks.b}, disks.dir.File("state"));
    const ToolResult r = run({disks.a, disks.b},
                             {"MergePartition DiskIndex:1 LeftPartitionIndex:1 ExtendLeftPartition:1 NewFolderName:\"deep\""});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto table = TableFixtures::SfdiskDump(disks.b);
    ASSERT_EQ(table.entries.size(), 1u);
    EXPECT_EQ(table.entries[0].start, left);
    EXPECT_EQ(table.entries[0].size, leftSize + kVolume);
    NtfsVolumes::ExpectHealthy(disks.dir, disks.b, left, leftSize + kVolume, "merged", 11);
    expectOnlyChanged(b0, wholeFile(disks.b), left, leftSize + kVolume, "the merge");
    const NtfsVolumes::Snapshot merged = NtfsVolumes::Take(disks.dir, disks.b, left, leftSize + kVolume);
    size_t underFolder = 0, atRoot = 0;
    for (const std::string& line : merged.entries)
        (line.rfind("deep(2)/", 0) == 0 ? underFolder : atRoot) += 1;
    EXPECT_EQ(underFolder, second.entries.size());
    EXPECT_EQ(atRoot, first.entries.size() + 1); // the folder itself
    EXPECT_NE(std::find(merged.entries.begin(), merged.entries.end(), "deep(2)/" + second.entries[0]), merged.entries.end());
}
