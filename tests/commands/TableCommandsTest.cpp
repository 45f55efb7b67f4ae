// Commands that change table entries and boot-sector fields, run against image disks.
#include <gtest/gtest.h>

#include "commands/KCommandFactory.h"
#include "core/ByteOrder.h"
#include "engine/FaultInjection.h"
#include "execution/KProgressReporter.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

class TableCommands : public ::testing::Test {
protected:
    static constexpr int kRefusedAtParse = -2000;
    void TearDown() override { FaultInjection::Configure(""); }

    // Parses and runs one line against a freshly loaded manager.
    int run(const std::string& line, int* detail = nullptr, CommandSummary* summary = nullptr)
    {
        manager.Load(1, 1);
        auto command = CreateCommand(line.c_str());
        EXPECT_NE(command, nullptr) << line;
        if (!command)
            return -1000;
        if (!command->Parse(&manager, line.c_str())) {
            if (detail)
                *detail = command->GetErrorDetail();
            return kRefusedAtParse;
        }
        if (summary)
            command->GetSummary(summary);
        KProgressReporter reporter;
        const int result = command->Execute(&reporter);
        if (detail)
            *detail = command->GetErrorDetail();
        return result;
    }

    PartitionInfo entry(int index)
    {
        manager.Load(1, 1);
        PartitionInfo p{};
        EXPECT_TRUE(manager.GetPartition(0, index, &p));
        return p;
    }

    TempDir dir;
    KVolumeManager manager;
};

} // namespace

TEST_F(TableCommands, ActiveLeavesOnlyOneActivePartition)
{
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    CommandSummary s{};
    EXPECT_EQ(run("ActivePartition DiskIndex:0 PartitionIndex:2 Active:1", nullptr, &s), 0);
    EXPECT_EQ(s.CommandKind, kCmdActivePartition);
    EXPECT_EQ(s.PartitionIndex, 1);
    EXPECT_EQ(s.LockVolume, 0);
    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_GE(dump.entries.size(), 2u);
    EXPECT_FALSE(dump.entries[0].bootable);
    EXPECT_TRUE(dump.entries[1].bootable);
    EXPECT_EQ(run("ActivePartition DiskIndex:0 PartitionIndex:2 Active:0"), 0);
    EXPECT_FALSE(TableFixtures::SfdiskDump(image).entries[1].bootable);
    int detail = 0;
    EXPECT_EQ(run("ActivePartition DiskIndex:0 PartitionIndex:9 Active:1", &detail), kRefusedAtParse);
    EXPECT_EQ(detail, kDetailNoSuchPartition);
}

TEST_F(TableCommands, GptPartitionCannotBeActive)
{
    const std::string image = TableFixtures::MakeGptLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    const std::string before = TableFixtures::SfdiskDump(image).text;
    EXPECT_EQ(run("ActivePartition DiskIndex:0 PartitionIndex:3 Active:1"), kCmdNotApplicable);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).text, before);
}

TEST_F(TableCommands, DeleteHideAndTypeId)
{
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    CommandSummary s{};
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", nullptr, &s), 0);
    EXPECT_EQ(s.LockVolume, 1);
    EXPECT_EQ(s.Dismount, 1);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "93");
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:1"), 0);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "83");
    EXPECT_EQ(run("ChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:142"), 0);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "8e");
    EXPECT_EQ(run("DeletePartition DiskIndex:0 Partition:4"), 0); // the type-17 logical partition
    const auto dump = TableFixtures::SfdiskDump(image);
    EXPECT_EQ(dump.entries.size(), 5u) << dump.text;
    for (const auto& e : dump.entries)
        EXPECT_NE(e.type, "17");
    EXPECT_EQ(RunTool({"sfdisk", "-V", image}).exitCode, 0);
    int detail = 0;
    EXPECT_EQ(run("DeletePartition DiskIndex:0 Partition:0", &detail), kRefusedAtParse) << "index 0 names none";
    EXPECT_EQ(detail, kDetailNoSuchPartition);
}

TEST_F(TableCommands, SerialNumberInBothFat32BootSectors)
{
    if (!HaveTool("mkfs.fat") || !HaveTool("fsck.fat"))
        GTEST_SKIP() << "dosfstools missing";
    const std::string image = dir.File("fat.img");
    ASSERT_TRUE(MakeSparseFile(image, 128ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=200000, type=c\n").exitCode, 0);
    ASSERT_EQ(RunTool({"mkfs.fat", "--mbr=n", "-F", "32", "--offset=2048", image, "100000"}).exitCode, 0);
    EngineEnvironment env({image}, dir.File("state"));
    EXPECT_EQ(run("ChangeSerialNumber DiskIndex:0 PartitionIndex:1 NewSerialNumber:3735928559"), 0);
    const auto boot = ReadBytes(image, 2048 * 512, 512);
    const auto backup = ReadBytes(image, (2048 + 6) * 512, 512);
    EXPECT_EQ(le32(boot.data() + 0x43), 0xDEADBEEFu);
    EXPECT_EQ(boot, backup);
    const ToolResult blkid = RunTool({"blkid", "-p", "-O", std::to_string(2048 * 512), "-o", "export", image});
    EXPECT_NE(blkid.output.find("UUID=DEAD-BEEF"), std::string::npos) << blkid.output;
}

TEST_F(TableCommands, PrimaryToLogicalRewritesHiddenSectors)
{
    if (!HaveTool("mkntfs"))
        GTEST_SKIP() << "ntfs-3g missing";
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(MakeSparseFile(image, 128ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=2048, type=83\nstart=8192, size=100000, type=7\n").exitCode, 0);
    const std::string volume = dir.File("vol");
    ASSERT_TRUE(MakeSparseFile(volume, 100000ll * 512));
    ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", "-q", "-p", "8192", "-H", "255", "-S", "63", volume}).exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(volume, image, 8192ll * 512));
    EngineEnvironment env({image}, dir.File("state"));
    ASSERT_EQ(entry(1).FileSystemType, 7);
    EXPECT_EQ(run("ChangePartitionPrimary DiskIndex:0 PartitionIndex:2 Primary:0"), 0);
    const PartitionInfo p = entry(1);
    EXPECT_EQ(p.IsPrimary, 0);
    EXPECT_EQ(p.HiddenSectors, 63);
    const auto boot = ReadBytes(image, 8192 * 512, 512);
    EXPECT_EQ(le32(boot.data() + 0x1C), 63u);
    const auto backup = ReadBytes(image, (8192 + 100000 - 1) * 512, 512);
    EXPECT_EQ(boot, backup) << "the backup boot sector follows";
    EXPECT_EQ(RunTool({"sfdisk", "-V", image}).exitCode, 0);
    const ToolResult fix = RunTool({"ntfsfix", "-n", "--offset", std::to_string(8192 * 512), image});
    if (fix.output.find("unrecognized option") == std::string::npos) {
        EXPECT_EQ(fix.exitCode, 0) << fix.output;
    }

    EXPECT_EQ(run("ChangePartitionPrimary DiskIndex:0 PartitionIndex:2 Primary:1"), 0);
    EXPECT_EQ(le32(ReadBytes(image, 8192 * 512, 512).data() + 0x1C), 8192u);
}

TEST_F(TableCommands, UnreadableBootSectorIsAFailure)
{
    const std::string image = dir.File("fat.img");
    ASSERT_TRUE(MakeSparseFile(image, 64ll << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=100000, type=c\n").exitCode, 0);
    ASSERT_EQ(RunTool({"mkfs.fat", "--mbr=n", "-F", "32", "--offset=2048", image, "50000"}).exitCode, 0);
    EngineEnvironment env({image}, dir.File("state"));
    FaultInjection::Configure("0:r:2048-2048");
    int detail = 0;
    // Unreadable, the volume is not recognised as FAT: nothing is written and the line fails.
    EXPECT_EQ(run("ChangeSerialNumber DiskIndex:0 PartitionIndex:1 NewSerialNumber:1", &detail), kCmdNotApplicable);
    EXPECT_EQ(detail, kDetailNotForFileSystem);
    FaultInjection::Configure("0:w:2048-2048");
    EXPECT_EQ(run("ChangeSerialNumber DiskIndex:0 PartitionIndex:1 NewSerialNumber:1", &detail), kCmdFailed);
    EXPECT_EQ(detail, kDetailWriteFailed);
}

TEST_F(TableCommands, MountFlagsFollowTheLetters)
{
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    CommandSummary s{};
    EXPECT_EQ(run("MountPartition DiskIndex:0 PartitionIndex:1 letter:0", nullptr, &s), 0);
    EXPECT_EQ(s.RestoreLetter, 0);
    EXPECT_EQ(s.Dismount, 0) << "no letter to remove, nothing to give";
    ASSERT_EQ(manager.SetDriveLetter(0, 0, 'G'), 1);
    EXPECT_EQ(run("MountPartition DiskIndex:0 PartitionIndex:1 letter:72", nullptr, &s), 0);
    EXPECT_EQ(s.RestoreLetter, 1);
    EXPECT_EQ(s.Dismount, 1);
    EXPECT_EQ(s.Letter, 'H');
}

TEST_F(TableCommands, UnparsedCommandsRefuseToRun)
{
    auto command = CreateCommand("HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Parse(nullptr, "HidePartition"), 0);
    EXPECT_EQ(command->Execute(nullptr), kCmdNotParsed);
    char small[8];
    EXPECT_EQ(command->GetParameters(small, sizeof small), 0);
    char big[1024];
    EXPECT_EQ(command->GetParameters(big, sizeof big), 1);
    EXPECT_EQ(command->GetSummary(nullptr), 0);
}

TEST_F(TableCommands, InitialiseToGpt)
{
    const std::string image = dir.File("big.img");
    ASSERT_TRUE(MakeSparseFile(image, 1000000ll * 512));
    ASSERT_TRUE(FillPattern(image, 0, 1 << 20, 5));
    EngineEnvironment env({image}, dir.File("state"));
    EXPECT_EQ(run("InitiateDisk DiskIndex:0 Style:1 ForceReboot:0"), 0);
    const auto dump = TableFixtures::SfdiskDump(image);
    EXPECT_EQ(dump.header.at("label"), "gpt") << dump.text;
    EXPECT_EQ(dump.header.at("first-lba"), "34");
    EXPECT_EQ(dump.header.at("last-lba"), "999966");
    const auto backupHeader = ReadBytes(image, 999999ll * 512, 512);
    EXPECT_EQ(std::string(backupHeader.begin(), backupHeader.begin() + 8), "EFI PART");
    EXPECT_EQ(le64(backupHeader.data() + 72), 999967u) << "backup entries follow the last usable sector";
    const ToolResult verify = RunTool({"sgdisk", "--verify", image});
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    // The manager sees the new table after a reload.
    manager.Load(1, 1);
    EXPECT_TRUE(manager.GetDisk(0)->IsGpt());
    EXPECT_EQ(manager.GetPartitionCount(0), 0);

    FaultInjection::Configure("0:w:999999-999999");
    int detail = 0;
    EXPECT_EQ(run("InitiateDisk DiskIndex:0 Style:1 ForceReboot:0", &detail), kCmdFailed);
    EXPECT_EQ(detail, kDetailWriteFailed) << "a refused write is a failure";
}
