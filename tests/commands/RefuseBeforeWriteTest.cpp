// Hostile and careless command lines against disks full of data: a refused line writes nothing and says
// why; an accepted one changes only its target and the table sectors.
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commands/CommandSummary.h"
#include "commands/CommandLine.h"
#include "commands/KCommandFactory.h"
#include "engine/FaultInjection.h"
#include "execution/KProgressReporter.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;

namespace {

constexpr int64_t kDiskSectors = 131072; // 64 MiB

struct Volume {
    int64_t start, sectors;
    std::string type; // blkid's name
};

// A disk whose FAT32, NTFS and Ext3 partitions hold files: MBR (the Ext3 one logical, with free room
// before the extended container and after the last partition) or GPT.
struct FilledDisk {
    std::string image;
    std::vector<Volume> volumes;
    bool gpt = false;
};

void writeFiles(const std::string& folder, uint32_t seed)
{
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < 4; ++i) {
        const std::string file = folder + "/file" + std::to_string(i) + ".bin";
        ASSERT_TRUE(MakeSparseFile(file, 150000 + i * 7001));
        ASSERT_TRUE(FillPattern(file, 0, 150000 + i * 7001, seed + uint32_t(i)));
    }
}

FilledDisk MakeFilledDisk(const TempDir& dir, bool gpt)
{
    FilledDisk d;
    d.gpt = gpt;
    d.image = dir.File(gpt ? "gpt-full.img" : "mbr-full.img");
    d.volumes = {{2048, 81920, "vfat"}, {86016, 16384, "ntfs"}, {gpt ? 104448 : 106496, 16384, "ext3"}};
    EXPECT_TRUE(MakeSparseFile(d.image, kDiskSectors * 512));
    const std::string script =
        gpt ? "label: gpt\nstart=2048, size=81920, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n"
              "start=86016, size=16384, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n"
              "start=104448, size=16384, type=0FC63DAF-8483-4772-8E79-3D69D8477DE4\n"
            : "label: dos\nstart=2048, size=81920, type=c\nstart=86016, size=16384, type=7\n"
              "start=104448, size=26624, type=f\nstart=106496, size=16384, type=83\n";
    EXPECT_EQ(Sfdisk(d.image, script).exitCode, 0);
    const std::string files = dir.File(gpt ? "files-gpt" : "files-mbr");
    writeFiles(files, gpt ? 100 : 200);

    // FAT32 in place, filled through mtools.
    EXPECT_EQ(RunTool({"mkfs.fat", "-F", "32", "-s", "1", "-n", "FATDATA", "--offset=2048", d.image, "40960"}).exitCode,
              0);
    const std::string fatAt = d.image + "@@" + std::to_string(2048 * 512);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(RunTool({"mcopy", "-i", fatAt, files + "/file" + std::to_string(i) + ".bin", "::"}).exitCode, 0);
    // NTFS and Ext3 made as volumes of their own, filled, then put in place.
    const std::string ntfs = dir.File("ntfs.vol"), ext = dir.File("ext.vol");
    EXPECT_TRUE(MakeSparseFile(ntfs, 16384 * 512));
    EXPECT_EQ(RunTool({"mkntfs", "-F", "-Q", "-q", "-L", "NTFSDATA", "-p", "86016", ntfs}).exitCode, 0);
    for (int i = 0; i < 4; ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        EXPECT_EQ(RunTool({"ntfscp", "-f", ntfs, files + "/" + name, name}).exitCode, 0);
    }
    EXPECT_TRUE(MakeSparseFile(ext, 16384 * 512));
    EXPECT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", "ext3", "-L", "EXTDATA", "-d", files, ext}).exitCode, 0);
    EXPECT_TRUE(TableFixtures::CopyInto(ntfs, d.image, 86016 * 512));
    EXPECT_TRUE(TableFixtures::CopyInto(ext, d.image, d.volumes[2].start * 512));
    return d;
}

std::vector<uint8_t> wholeImage(const std::string& image)
{
    return ReadBytes(image, 0, kDiskSectors * 512);
}

struct timespec modified(const std::string& image)
{
    struct stat st {};
    ::stat(image.c_str(), &st);
    return st.st_mtim;
}

bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Parses and runs one line as the worker would: the result (21 for a refused parse) and the detail.
struct Outcome {
    int result = 0;
    int detail = 0;
};

Outcome runLine(const std::string& line)
{
    KVolumeManager manager;
    if (!manager.Load(1, 1))
        return {-1000, 0};
    auto command = CreateCommand(line.c_str());
    if (!command)
        return {19, 0};
    if (!command->Parse(&manager, line.c_str()))
        return {21, command->GetErrorDetail()};
    KProgressReporter reporter;
    const int result = command->Execute(&reporter);
    return {result, command->GetErrorDetail()};
}

// The sectors a table write may touch: sector 0, the extended boot records before and after, and the
// GPT's two header-and-array areas.
bool isTableSector(int64_t sector, const std::vector<int64_t>& ebrs)
{
    if (sector <= 33 || sector >= kDiskSectors - 33)
        return true;
    for (int64_t e : ebrs)
        if (sector == e)
            return true;
    return false;
}

std::vector<int64_t> ebrSectors(const std::string& image)
{
    std::vector<int64_t> out;
    const auto dump = TableFixtures::SfdiskDump(image);
    // A logical partition's record lies in the gap before it: 2048 sectors for sfdisk's, fewer for ours.
    for (const auto& e : dump.entries)
        if (e.number >= 5)
            for (int64_t back = 1; back <= 2048; ++back)
                out.push_back(e.start - back);
    return out;
}

// Every sector that changed lies in one of the allowed extents or is a table sector.
void expectOnlyAllowedChanges(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              const std::vector<std::pair<int64_t, int64_t>>& allowed,
                              const std::vector<int64_t>& ebrs, const std::string& line)
{
    ASSERT_EQ(before.size(), after.size());
    for (int64_t s = 0; s < kDiskSectors; ++s) {
        if (std::memcmp(before.data() + s * 512, after.data() + s * 512, 512) == 0)
            continue;
        bool ok = isTableSector(s, ebrs);
        for (const auto& [start, count] : allowed)
            ok = ok || (s >= start && s < start + count);
        ASSERT_TRUE(ok) << "sector " << s << " changed outside the target by: " << line;
    }
}

} // namespace

class RefuseBeforeWrite : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        for (const char* tool : {"sfdisk", "mkfs.fat", "mcopy", "mkntfs", "ntfscp", "mke2fs"})
            if (!HaveTool(tool))
                GTEST_SKIP() << tool << " is missing";
        disk = MakeFilledDisk(dir, GetParam());
        for (const auto& v : disk.volumes)
            VolumeCheck::ExpectChecked(dir, disk.image, v.start, v.sectors, v.type);
        pristine = wholeImage(disk.image);
    }
    void TearDown() override { FaultInjection::Configure(""); }

    TempDir dir;
    FilledDisk disk;
    std::vector<uint8_t> pristine;
};

// Each line is refused before anything is written (the image stays byte for byte) and says why.
TEST_P(RefuseBeforeWrite, RefusedLinesLeaveTheDiskAsItWas)
{
    EngineEnvironment env({disk.image}, dir.File("state"));
    struct Case {
        std::string line;
        int result;
        int detail;
        bool mbrOnly = false;
    };
    const std::string ext = std::to_string(disk.volumes[2].start);
    const std::vector<Case> cases = {
        // A create over existing partitions, past the disk end, in the MBR track, without room for its record.
        {"CreatePartition DiskIndex:0 StartingOffset:4096 PartitionLength:20000 PartTypeId:7 FsType:7 ClusterSize:0 "
         "Label:\"x\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0",
         -1, kDetailLayoutBase + 3},
        {"CreatePartition DiskIndex:0 StartingOffset:90000 PartitionLength:20000 PartTypeId:11 FsType:11 "
         "ClusterSize:0 Label:\"x\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0",
         -1, kDetailLayoutBase + 3},
        {"CreatePartition DiskIndex:0 StartingOffset:" + ext + " PartitionLength:4096 PartTypeId:131 FsType:50 "
         "ClusterSize:0 Label:\"x\" Letter:0 Active:0 Primary:0 BootVolume:0 SystemVolume:0",
         -1, kDetailLayoutBase + 3},
        {"CreatePartition DiskIndex:0 StartingOffset:130000 PartitionLength:5000 PartTypeId:7 FsType:7 ClusterSize:0 "
         "Label:\"x\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0",
         21, kDetailValueOutOfRange},
        {"CreatePartition DiskIndex:0 StartingOffset:102400 PartitionLength:2048 PartTypeId:6 FsType:6 ClusterSize:0 "
         "Label:\"x\" Letter:0 Active:0 Primary:0 BootVolume:0 SystemVolume:0",
         -1, kDetailLayoutBase + 7, true},
        // Numbers that would wrap onto another target, and values no field may hold.
        {"DeletePartition DiskIndex:0 Partition:4294967299", 21, kDetailValueOutOfRange},
        {"DeletePartition DiskIndex:0 Partition:18446744073709551617", 21, kDetailValueOutOfRange},
        {"DeletePartition DiskIndex:4294967296 Partition:1", 21, kDetailValueOutOfRange},
        {"DeletePartition DiskIndex:1 Partition:1", 21, kDetailNoSuchDisk},
        {"DeletePartition DiskIndex:0 Partition:9", 21, kDetailNoSuchPartition},
        {"HidePartition DiskIndex:0 PartitionIndex:2147483648 Unhide:0", 21, kDetailNoSuchPartition},
        {"HidePartition DiskIndex:0 PartitionIndex:1 Unhide:7", 21, kDetailValueOutOfRange},
        {"FormatPartition DiskIndex:0 PartitionIndex:1 FsType:11 ClusterSize:4194304 Label:\"x\"", 21,
         kDetailValueOutOfRange},
        {"WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:1 SectorsCount:9223372036854775807 WipingMethod:0", 21,
         kDetailValueOutOfRange},
        {"InitiateDisk DiskIndex:2147483647 Style:0 ForceReboot:0", 21, kDetailNoSuchDisk},
        // Lines that do not follow their format.
        {"DeletePartition DiskIndx:0 Partition:1", 21, kDetailLineMismatch},
        {"DeletePartition DiskIndex:0", 21, kDetailLineMismatch},
        {"HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0" + std::string(400, '#'), 21, kDetailLineMismatch},
        {"FrobnicatePartition DiskIndex:0", 19, 0},
        // Type IDs: extended types on a data partition, type 0.
        {"ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:5", -1, kDetailLayoutBase + 9, true},
        {"ChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:15", -1, kDetailLayoutBase + 9, true},
        {"ChangePartitionID DiskIndex:0 PartitionIndex:3 NewPartitionID:133", -1, kDetailLayoutBase + 9, true},
        {"ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:0", 21, kDetailValueOutOfRange},
        // Logical with no room for its record before it; serial numbers where there are none.
        {"ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:0", -1, kDetailLayoutBase + 6, true},
        {"ChangeSerialNumber DiskIndex:0 PartitionIndex:3 NewSerialNumber:5", 16, kDetailNotForFileSystem},
        // Labels each file system refuses.
        {"LabelPartition DiskIndex:0 PartitionIndex:1 Label:\"A*B\"", 21, kDetailLabelInvalidCharacter},
        {"LabelPartition DiskIndex:0 PartitionIndex:1 Label:\"A+B\"", 21, kDetailLabelInvalidCharacter},
        {"LabelPartition DiskIndex:0 PartitionIndex:1 Label:\"TWELVE CHARS\"", 21, kDetailLabelTooLong},
        {"LabelPartition DiskIndex:0 PartitionIndex:1 Label:\"tab\there\"", 21, kDetailLabelInvalidCharacter},
        {"LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"bad\xff\"", 21, kDetailLabelInvalidCharacter},
        {"LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"" + std::string(129, 'n') + "\"", 21,
         kDetailLabelTooLong},
        {"LabelPartition DiskIndex:0 PartitionIndex:3 Label:\"seventeen-bytes-x\"", 21, kDetailLabelTooLong},
        {"FormatPartition DiskIndex:0 PartitionIndex:1 FsType:11 ClusterSize:0 Label:\"a:b\"", 21,
         kDetailLabelInvalidCharacter},
    };
    for (const Case& c : cases) {
        if (c.mbrOnly && disk.gpt)
            continue;
        const auto before = modified(disk.image);
        const Outcome o = runLine(c.line);
        EXPECT_EQ(o.result, c.result) << c.line;
        EXPECT_EQ(o.detail, c.detail) << c.line;
        EXPECT_TRUE(sameTime(before, modified(disk.image))) << "written: " << c.line;
    }
    // Operations without meaning on a GPT disk are refused there.
    if (disk.gpt) {
        for (const std::string line : {"ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:0",
                                       "ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:23",
                                       "ActivePartition DiskIndex:0 PartitionIndex:1 Active:1"}) {
            const Outcome o = runLine(line);
            EXPECT_EQ(o.result, 16) << line;
        }
    }
    EXPECT_TRUE(wholeImage(disk.image) == pristine) << "the image changed";
}

// Accepted lines change their target and the table only; the others' files stay and their checkers pass.
TEST_P(RefuseBeforeWrite, AcceptedLinesTouchOnlyTheirTarget)
{
    EngineEnvironment env({disk.image}, dir.File("state"));
    const int64_t freeStart = 122880;
    // A create in free space (a GPT create twice, in two runs: both entries must be GPT entries).
    std::vector<int64_t> starts = {freeStart};
    if (disk.gpt)
        starts.push_back(freeStart + 4096); // an MBR has no fifth slot
    for (const int64_t start : starts) {
        const int64_t length = start == freeStart ? 4096 : 2048;
        const std::string line = "CreatePartition DiskIndex:0 StartingOffset:" + std::to_string(start) +
                                 " PartitionLength:" + std::to_string(length) + " PartTypeId:1 FsType:1 ClusterSize:0 Label:\"NEW\" Letter:0 "
                                 "Active:0 Primary:1 BootVolume:0 SystemVolume:0";
        const auto before = wholeImage(disk.image);
        EXPECT_EQ(runLine(line).result, 0) << line;
        expectOnlyAllowedChanges(before, wholeImage(disk.image), {{start, length}}, ebrSectors(disk.image), line);
        VolumeCheck::ExpectChecked(dir, disk.image, start, length, "vfat");
    }
    const auto dump = TableFixtures::SfdiskDump(disk.image);
    EXPECT_EQ(dump.entries.size(), 5u) << dump.text;
    if (disk.gpt) {
        const ToolResult verify = RunTool({"sgdisk", "--verify", disk.image});
        EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    } else {
        EXPECT_EQ(RunTool({"sfdisk", "-V", disk.image}).exitCode, 0);
    }
    // The hidden type asked for is the type written, and the entry reads back as hidden.
    const std::string hide = "ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:23";
    if (!disk.gpt) {
        EXPECT_EQ(runLine(hide).result, 0);
        EXPECT_EQ(TableFixtures::SfdiskDump(disk.image).entries[0].type, "17");
        EXPECT_EQ(runLine("ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:12").result, 0);
        EXPECT_EQ(TableFixtures::SfdiskDump(disk.image).entries[0].type, "c");
    }
    for (size_t i = 0; i < disk.volumes.size(); ++i) {
        const auto& v = disk.volumes[i];
        EXPECT_EQ(std::memcmp(pristine.data() + v.start * 512, wholeImage(disk.image).data() + v.start * 512,
                              size_t(v.sectors) * 512),
                  0)
            << v.type;
        VolumeCheck::ExpectChecked(dir, disk.image, v.start, v.sectors, v.type);
    }
}

// Random and mutated lines, fixed seed: after each, every partition the line did not name is byte for
// byte as it was, and a refused line left the whole image as it was.
TEST_P(RefuseBeforeWrite, RandomLinesNeverTouchWhatTheyDoNotName)
{
    EngineEnvironment env({disk.image}, dir.File("state"));
    std::mt19937 random(GetParam() ? 20261208u : 19700101u);
    auto pick = [&random](std::initializer_list<int64_t> values) {
        std::vector<int64_t> v(values);
        return v[random() % v.size()];
    };
    auto index = [&] { return pick({0, 1, 2, 3, 4, 9, 2147483647, 2147483648, 4294967295, 4294967297}); };
    auto sector = [&] {
        return pick({-1, 0, 1, 34, 63, 2048, 4096, 86016, 102400, 104448, 106496, 110000, 122880, 124000, 131000,
                     131071, 131072, 4294967296, 9223372036854775807});
    };
    const std::vector<std::function<std::string()>> makers = {
        [&] { return "DeletePartition DiskIndex:" + std::to_string(index()) + " Partition:" + std::to_string(index()); },
        [&] {
            return "CreatePartition DiskIndex:0 StartingOffset:" + std::to_string(sector()) +
                   " PartitionLength:" + std::to_string(pick({0, 1, 2048, 4096, 8192, 30000})) + " PartTypeId:" +
                   std::to_string(pick({0, 1, 6, 7, 11, 131, 2147483655, 5, 15})) + " FsType:" +
                   std::to_string(pick({0, 6, 7, 11, 49, 50, 51, 300})) + " ClusterSize:" +
                   std::to_string(pick({0, 1, 8, 3, 4194304})) + " Label:\"L\" Letter:" +
                   std::to_string(pick({0, 69, 1})) + " Active:0 Primary:" + std::to_string(pick({0, 1, 2})) +
                   " BootVolume:0 SystemVolume:0";
        },
        [&] {
            return "ChangePartitionID DiskIndex:0 PartitionIndex:" + std::to_string(index()) +
                   " NewPartitionID:" + std::to_string(pick({0, 5, 7, 11, 15, 23, 27, 133, 131, 256}));
        },
        [&] {
            return "ChangePartitionPrimary DiskIndex:0 PartitionIndex:" + std::to_string(index()) +
                   " Primary:" + std::to_string(pick({0, 1, 5}));
        },
        [&] { return "HidePartition DiskIndex:0 PartitionIndex:" + std::to_string(index()) + " Unhide:0"; },
        [&] {
            return "ActivePartition DiskIndex:0 PartitionIndex:" + std::to_string(index()) + " Active:" +
                   std::to_string(pick({0, 1}));
        },
        [&] {
            return "LabelPartition DiskIndex:0 PartitionIndex:" + std::to_string(index()) + " Label:\"" +
                   std::string(size_t(pick({0, 5, 12, 17, 130})), char(pick({'a', '*', '.', 'Z'}))) + "\"";
        },
        [&] {
            return "ChangeSerialNumber DiskIndex:0 PartitionIndex:" + std::to_string(index()) +
                   " NewSerialNumber:" + std::to_string(sector());
        },
        [&] {
            return "WipeDisk DiskIndex:0 PartitionIndex:" + std::to_string(index()) + " StartingLba:" +
                   std::to_string(sector()) + " SectorsCount:" + std::to_string(sector()) + " WipingMethod:0";
        },
    };
    const std::string alphabet = "0123456789: \"-abcXYZ\xff";
    int accepted = 0, refused = 0;
    for (int round = 0; round < 1200; ++round) {
        std::string line = makers[random() % makers.size()]();
        if (random() % 3 == 0) { // a mutation: a character replaced, dropped or added
            const size_t at = random() % line.size();
            switch (random() % 3) {
            case 0: line[at] = alphabet[random() % alphabet.size()]; break;
            case 1: line.erase(at, 1); break;
            default: line.insert(at, 1, alphabet[random() % alphabet.size()]); break;
            }
        }
        const auto before = modified(disk.image);
        const Outcome o = runLine(line);
        if (sameTime(before, modified(disk.image))) {
            ++refused;
            continue; // nothing written
        }
        // Something was written: a refused line must not have written; a run that wrote is checked against
        // the extents its line names, and the image is put back for the next round.
        ++accepted;
        const auto after = wholeImage(disk.image);
        std::vector<std::pair<int64_t, int64_t>> allowed;
        const std::vector<std::string> nameIndex = {"PartitionIndex:", "Partition:"};
        for (const auto& key : nameIndex) {
            const size_t at = line.find(key);
            if (at == std::string::npos)
                continue;
            const long long n = std::atoll(line.c_str() + at + key.size());
            if (n >= 1 && n <= int64_t(disk.volumes.size()))
                allowed.push_back({disk.volumes[size_t(n - 1)].start, disk.volumes[size_t(n - 1)].sectors});
        }
        std::pair<long long, long long> wiped{0, 0};
        // A wipe of the disk itself names the sectors it gives; without anyone watching it is cancelled at
        // once, which zeros the first of them.
        if (line.rfind("WipeDisk DiskIndex:0 PartitionIndex:0 ", 0) == 0) {
            long long first = 0, count = 0;
            if (std::sscanf(line.c_str(), "WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:%lld SectorsCount:%lld",
                            &first, &count) == 2)
                wiped = {first, count};
        }
        EXPECT_TRUE(o.result == 0 || o.result == 23 || o.result == 24)
            << "wrote, then failed with " << o.result << ": " << line;
        // Free space and table sectors may change; a partition's sectors only when the line names it.
        for (int64_t at = 0; at < kDiskSectors && !HasFailure(); ++at) {
            if (std::memcmp(pristine.data() + at * 512, after.data() + at * 512, 512) == 0 ||
                (at >= wiped.first && at < wiped.first + wiped.second))
                continue;
            for (const auto& vol : disk.volumes) {
                const bool inside = at >= vol.start && at < vol.start + vol.sectors;
                bool named = false;
                for (const auto& [start, count] : allowed)
                    named = named || (start == vol.start && count == vol.sectors);
                EXPECT_TRUE(!inside || named) << "sector " << at << " of the " << vol.type << " partition: " << line;
            }
        }
        if (HasFailure())
            break;
        // Only the changed sectors are put back.
        for (int64_t at = 0; at < kDiskSectors; ++at) {
            if (std::memcmp(pristine.data() + at * 512, after.data() + at * 512, 512) == 0)
                continue;
            const std::vector<uint8_t> sector(pristine.begin() + at * 512, pristine.begin() + at * 512 + 512);
            ASSERT_TRUE(WriteBytes(disk.image, at * 512, sector));
        }
    }
    std::printf("%d lines wrote, %d wrote nothing\n", accepted, refused);
    EXPECT_GT(accepted, 20);
    EXPECT_GT(refused, 600);
    for (const auto& vol : disk.volumes)
        VolumeCheck::ExpectChecked(dir, disk.image, vol.start, vol.sectors, vol.type);
}

INSTANTIATE_TEST_SUITE_P(Tables, RefuseBeforeWrite, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? std::string("Gpt") : std::string("Mbr"); });
