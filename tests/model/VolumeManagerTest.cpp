// The real disk model on image disks: loading, table writes judged by sfdisk and sgdisk, and the
// error codes of the table operations.
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"
#include "engine/FaultInjection.h"
#include "engine/Guid.h"
#include "model/KVolumeManager.h"

using namespace TestSupport;
using namespace TableFixtures;

namespace {

// Sectors that hold tables: sector 0 and every extended boot record (MBR), or the GPT copies.
std::vector<int64_t> tableSectors(const PartitionList& list, bool gpt, int64_t total)
{
    std::vector<int64_t> sectors = {0};
    if (gpt) {
        for (int64_t s = 1; s < 34; ++s)
            sectors.push_back(s);
        for (int64_t s = total - 33; s < total; ++s)
            sectors.push_back(s);
    }
    for (const auto& p : list)
        if (!p.IsPrimary)
            sectors.push_back(p.StartingLba - p.HiddenSectors);
    return sectors;
}

// Compares two images sector by sector, ignoring the given sectors.
std::string differences(const std::string& a, const std::string& b, int64_t total, const std::vector<int64_t>& skip)
{
    std::string report;
    constexpr int64_t kChunk = 2048;
    for (int64_t s = 0; s < total; s += kChunk) {
        const int64_t n = std::min(kChunk, total - s);
        auto x = ReadBytes(a, s * 512, n * 512);
        auto y = ReadBytes(b, s * 512, n * 512);
        if (x == y)
            continue;
        for (int64_t k = 0; k < n; ++k) {
            if (std::find(skip.begin(), skip.end(), s + k) != skip.end())
                continue;
            if (std::memcmp(x.data() + k * 512, y.data() + k * 512, 512) != 0)
                report.append(" ").append(std::to_string(s + k));
        }
    }
    return report;
}

std::string copyImage(const std::string& from, const std::string& to)
{
    const ToolResult r = RunTool({"cp", "--sparse=always", from, to});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return to;
}

class VolumeManagerTest : public ::testing::Test {
protected:
    void TearDown() override { FaultInjection::Configure(""); }
    TempDir dir;
};

} // namespace

TEST_F(VolumeManagerTest, MbrRoundTripKeepsTableAndEverySectorOutsideIt)
{
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 64ll << 20));
    ASSERT_TRUE(FillPattern(image, 0, 64ll << 20, 7));
    MakeMbrLayout(dir, "disk.img");
    const std::string before = copyImage(image, dir.File("before.img"));
    const Dump dumpBefore = SfdiskDump(image);

    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetDiskCount(), 1);
    PartitionList list;
    for (int i = 0; i < manager.GetPartitionCount(0); ++i) {
        PartitionInfo p{};
        ASSERT_TRUE(manager.GetPartition(0, i, &p));
        list.push_back(p);
    }
    ASSERT_EQ(manager.WritePartitionTable(0, -1), 1);
    EXPECT_EQ(SfdiskDump(image).text, dumpBefore.text);
    EXPECT_EQ(differences(image, before, 131072, tableSectors(list, false, 131072)), "");
    const ToolResult verify = RunTool({"sfdisk", "-V", image});
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
}

TEST_F(VolumeManagerTest, GptRoundTripKeepsTableAndVerifiesClean)
{
    const std::string image = dir.File("gpt.img");
    ASSERT_TRUE(MakeSparseFile(image, 64ll << 20));
    ASSERT_TRUE(FillPattern(image, 0, 64ll << 20, 9));
    MakeGptLayout(dir, "gpt.img");
    const std::string before = copyImage(image, dir.File("before.img"));
    const Dump dumpBefore = SfdiskDump(image);

    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetPartitionCount(0), 10);
    ASSERT_EQ(manager.WritePartitionTable(0, -1), 1);
    EXPECT_EQ(SfdiskDump(image).text, dumpBefore.text);
    EXPECT_EQ(differences(image, before, 131072, tableSectors({}, true, 131072)), "");
    const ToolResult verify = RunTool({"sgdisk", "--verify", image});
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
}

TEST_F(VolumeManagerTest, MbrChangesAreWhatSfdiskReads)
{
    const std::string image = MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetPartitionCount(0), 5);

    // Delete the middle logical partition (start 55296).
    PartitionInfo p{};
    ASSERT_TRUE(manager.GetPartition(0, 3, &p));
    ASSERT_EQ(p.StartingLba, 55296);
    EXPECT_EQ(manager.DeletePartition(0, 3), kTableChangeOk);

    // A new logical partition in the freed space, and a new primary after the extended area.
    PartitionInfo logical = MakeEmptyPartitionInfo();
    logical.StartingLba = 57344;
    logical.SectorCount = 8192;
    logical.HiddenSectors = 63;
    logical.PartitionTypeId = 0x83;
    logical.IsPrimary = 0;
    int index = -1;
    EXPECT_EQ(manager.CreatePartition(0, &index, &logical), kTableChangeOk);
    EXPECT_EQ(index, 3);
    {
        // Hidden sectors of a logical (63) and of a primary (its start) come back unchanged.
        KVolumeManager again;
        ASSERT_EQ(again.Load(1, 1), 1);
        PartitionInfo back{};
        ASSERT_TRUE(again.GetPartition(0, 3, &back));
        EXPECT_EQ(back.StartingLba, 57344);
        EXPECT_EQ(back.HiddenSectors, 63);
        EXPECT_EQ(back.IsPrimary, 0);
        ASSERT_TRUE(again.GetPartition(0, 1, &back));
        EXPECT_EQ(back.HiddenSectors, back.StartingLba);
    }

    // Hide the FAT32 primary and move the active flag to the Linux one.
    ASSERT_TRUE(manager.GetPartition(0, 0, &p));
    p.Hidden = 1;
    p.FileSystemType = 11;
    p.Active = 0;
    ASSERT_TRUE(manager.SetPartition(0, 0, &p));
    ASSERT_TRUE(manager.GetPartition(0, 1, &p));
    p.Active = 1;
    p.Hidden = 1;
    ASSERT_TRUE(manager.SetPartition(0, 1, &p));
    ASSERT_EQ(manager.WritePartitionTable(0, -1), 1);

    const Dump dump = SfdiskDump(image);
    const ToolResult verify = RunTool({"sfdisk", "-V", image});
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    std::vector<std::tuple<int64_t, int64_t, std::string, bool>> seen;
    for (const auto& e : dump.entries)
        seen.emplace_back(e.start, e.size, e.type, e.bootable);
    const decltype(seen) expected = {
        {2048, 16384, "1c", false},  {18432, 20480, "93", true},   {40960, 71680, "f", false},
        {43008, 8192, "7", false},   {57344, 8192, "83", false},   {71680, 40960, "82", false},
    };
    EXPECT_EQ(seen, expected) << dump.text;

    // Unhiding restores the original types.
    manager.Load(1, 1);
    ASSERT_TRUE(manager.GetPartition(0, 0, &p));
    EXPECT_EQ(p.Hidden, 1);
    EXPECT_EQ(p.FileSystemType, 0) << "nothing was formatted there";
    // Only a Windows-readable file system gets its hidden FAT type byte back.
    p.Hidden = 0;
    ASSERT_TRUE(manager.SetPartition(0, 0, &p));
    ASSERT_EQ(manager.WritePartitionTable(0, -1), 1);
    EXPECT_EQ(SfdiskDump(image).entries[0].type, "1c");
    p.FileSystemType = 11;
    ASSERT_TRUE(manager.SetPartition(0, 0, &p));
    ASSERT_TRUE(manager.GetPartition(0, 1, &p));
    p.Hidden = 0;
    ASSERT_TRUE(manager.SetPartition(0, 1, &p));
    ASSERT_EQ(manager.WritePartitionTable(0, -1), 1);
    const Dump restored = SfdiskDump(image);
    ASSERT_GE(restored.entries.size(), 2u);
    EXPECT_EQ(restored.entries[0].type, "c");
    EXPECT_EQ(restored.entries[1].type, "83");
}

TEST_F(VolumeManagerTest, GptEntryAddedAndDeleted)
{
    const std::string image = MakeGptLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.IsGptEntry = 1;
    p.IsPrimary = 1;
    p.StartingLba = 110592;
    p.SectorCount = 8192;
    p.HiddenSectors = p.StartingLba;
    p.PartitionTypeId = 7;
    const GuidBytes type = GptType::BasicData;
    std::memcpy(p.GptTypeGuid, type.data(), 16);
    const GuidBytes unique = GuidFromText("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE");
    std::memcpy(p.GptUniqueGuid, unique.data(), 16);
    const char16_t name[] = u"eleventh";
    std::memcpy(p.GptName, name, sizeof name);
    int index = -1;
    ASSERT_EQ(manager.CreatePartition(0, &index, &p), kTableChangeOk);
    EXPECT_EQ(index, 10);
    ASSERT_TRUE(manager.GetPartition(0, index, &p));
    EXPECT_EQ(p.PartitionNumber, 11);

    EXPECT_EQ(manager.DeletePartition(0, 2), kTableChangeOk);
    const ToolResult verify = RunTool({"sgdisk", "--verify", image});
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    const Dump dump = SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 10u) << dump.text;
    EXPECT_EQ(dump.entries.back().number, 11);
    EXPECT_EQ(dump.entries.back().name, "eleventh");
    EXPECT_EQ(dump.entries.back().uuid, "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE");
    for (const auto& e : dump.entries)
        EXPECT_NE(e.number, 3) << "the deleted slot is empty";
}

TEST_F(VolumeManagerTest, IdenticalCreateAndRefusedLayoutsChangeNothing)
{
    const std::string image = MakeMbrLayout(dir);
    const std::string dumpBefore = SfdiskDump(image).text;
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    PartitionInfo p{};
    ASSERT_TRUE(manager.GetPartition(0, 1, &p));
    int index = -1;
    EXPECT_EQ(manager.CreatePartition(0, &index, &p), kTableChangeBadIndex);
    EXPECT_EQ(manager.GetPartitionCount(0), 5);

    // A third primary behind the extended area makes four slots: accepted. A fourth would make five.
    PartitionInfo extra = MakeEmptyPartitionInfo();
    extra.StartingLba = 120000;
    extra.SectorCount = 2000;
    extra.HiddenSectors = extra.StartingLba;
    extra.PartitionTypeId = 0x83;
    extra.IsPrimary = 1;
    EXPECT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeOk);
    extra.StartingLba = 122000;
    extra.HiddenSectors = extra.StartingLba;
    EXPECT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeRefused);
    EXPECT_EQ(manager.GetPartitionCount(0), 6);

    // Overlap and past-the-end are refused too.
    extra.StartingLba = 2048 + 100;
    EXPECT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeRefused);
    extra.StartingLba = 131000;
    EXPECT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeRefused);
    EXPECT_EQ(manager.GetPartitionCount(0), 6);
    EXPECT_EQ(manager.CreatePartition(7, &index, &extra), kTableChangeBadIndex);
    EXPECT_EQ(manager.DeletePartition(0, 6), kTableChangeBadIndex);
    EXPECT_EQ(manager.DeletePartition(0, -1), kTableChangeBadIndex);
}

TEST_F(VolumeManagerTest, FailedTableWriteIsReportedAndUndone)
{
    const std::string image = MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    const std::string before = SfdiskDump(image).text;
    FaultInjection::Configure("0:w:0-0");
    PartitionInfo extra = MakeEmptyPartitionInfo();
    extra.StartingLba = 120000;
    extra.SectorCount = 2000;
    extra.HiddenSectors = extra.StartingLba;
    extra.PartitionTypeId = 0x83;
    extra.IsPrimary = 1;
    int index = -1;
    EXPECT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeWriteFailed);
    EXPECT_EQ(manager.GetPartitionCount(0), 5);
    EXPECT_EQ(manager.DeletePartition(0, 0), kTableChangeWriteFailed);
    FaultInjection::Configure("");
    EXPECT_EQ(SfdiskDump(image).text, before);
}

TEST_F(VolumeManagerTest, DirectWriteModeCommitsQuietlyWithoutTheEngine)
{
    const std::string image = MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    manager.SetDirectWriteMode(1);
    EXPECT_EQ(manager.GetDirectWriteMode(), 1);
    EXPECT_EQ(manager.CommitPartitionQuiet(0, 0), 1);
    EXPECT_EQ(manager.CommitPartitionQuiet(3, 0), 0);
    // The table is still written in direct-write mode.
    EXPECT_EQ(manager.DeletePartition(0, 4), kTableChangeOk);
    EXPECT_EQ(SfdiskDump(image).entries.size(), 5u);
}

TEST_F(VolumeManagerTest, CorrectionsClipAPartitionPastTheEnd)
{
    const std::string image = dir.File("past.img");
    ASSERT_TRUE(MakeSparseFile(image, 8 << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=8192, type=83\n").exitCode, 0);
    // Shrink the image below the partition's end.
    ASSERT_EQ(::truncate(image.c_str(), 4 << 20), 0);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    TableErrorList errors;
    ASSERT_TRUE(manager.GetTableErrors(0, &errors));
    ASSERT_TRUE(errors.HasErrors());
    ASSERT_EQ(errors.Corrections.size(), 1u);
    EXPECT_EQ(errors.Corrections[0].Kind, kCorrectSectorCount);
    EXPECT_EQ(errors.Corrections[0].Value, 8192 - 2048);
    ASSERT_EQ(manager.ApplyTableCorrections(0), 1);
    PartitionInfo p{};
    ASSERT_TRUE(manager.GetPartition(0, 0, &p));
    EXPECT_EQ(p.SectorCount, 8192 - 2048);
    EXPECT_EQ(manager.ApplyTableCorrections(5), 0);
}

TEST_F(VolumeManagerTest, DisksThatCannotBeOpenedTakeNoIndex)
{
    const std::string a = MakeMbrLayout(dir, "a.img");
    const std::string c = MakeGptLayout(dir, "c.img");
    EngineEnvironment env({a, dir.File("missing.img"), c}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetDiskCount(), 2);
    EXPECT_FALSE(manager.GetDisk(0)->IsGpt());
    EXPECT_TRUE(manager.GetDisk(1)->IsGpt());
    EXPECT_EQ(manager.GetDisk(2), nullptr);
    EXPECT_EQ(manager.GetPartitionCount(2), 0);
}

TEST_F(VolumeManagerTest, OnlyThirtyTwoDiskNumbersAreProbed)
{
    std::vector<std::string> disks;
    for (int i = 0; i < 33; ++i) {
        disks.push_back(dir.File(std::string("d").append(std::to_string(i)).append(".img")));
        ASSERT_TRUE(MakeSparseFile(disks.back(), 1 << 20));
    }
    EngineEnvironment env(disks, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetDiskCount(), 32);
    EXPECT_EQ(manager.GetDisk(31)->GetPath(), disks[31]);
}

// A disk with 4096-byte sectors between two ordinary ones is left out (needs a loop device).
TEST_F(VolumeManagerTest, LargeSectorDiskBetweenTwoOrdinaryDisksIsLeftOut)
{
    if (::geteuid() != 0 || !HaveTool("losetup"))
        GTEST_SKIP() << "needs root and losetup";
    const std::string a = MakeMbrLayout(dir, "a.img");
    const std::string big = dir.File("big.img");
    ASSERT_TRUE(MakeSparseFile(big, 32 << 20));
    const std::string c = MakeGptLayout(dir, "c.img");
    const ToolResult attach = RunTool({"losetup", "--find", "--show", "--sector-size", "4096", big});
    if (attach.exitCode != 0)
        GTEST_SKIP() << "no loop device: " << attach.output;
    std::string loop = attach.output;
    while (!loop.empty() && (loop.back() == '\n' || loop.back() == ' '))
        loop.pop_back();
    struct Detach {
        std::string dev;
        ~Detach() { RunTool({"losetup", "-d", dev}); }
    } detach{loop};
    EngineEnvironment env({a, loop, c}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetDiskCount(), 2);
    EXPECT_EQ(manager.GetDisk(0)->GetPath(), a);
    EXPECT_EQ(manager.GetDisk(1)->GetPath(), c);
}

TEST_F(VolumeManagerTest, DriveLettersThroughVolumeDevices)
{
    const std::string image = MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    EXPECT_EQ(manager.SetDriveLetter(0, 0, 'E'), 1);
    EXPECT_EQ(manager.SetDriveLetter(0, 1, 'E'), 0) << "a letter in use is refused";
    EXPECT_EQ(manager.SetDriveLetter(0, 1, 'b'), 0) << "A and B are never given";
    EXPECT_EQ(manager.SetDriveLetter(0, 1, 'f'), 1);
    ASSERT_EQ(manager.Load(1, 1), 1);
    PartitionInfo p{};
    ASSERT_TRUE(manager.GetPartition(0, 0, &p));
    EXPECT_EQ(p.DriveLetter, 'E');
    ASSERT_TRUE(manager.GetPartition(0, 1, &p));
    EXPECT_EQ(p.DriveLetter, 'F');
    EXPECT_EQ(manager.RemoveDriveLetter(0, 0), 1);
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_TRUE(manager.GetPartition(0, 0, &p));
    EXPECT_EQ(p.DriveLetter, 0);
    EXPECT_EQ(manager.RemoveDriveLetter(0, 9), 0);
}
