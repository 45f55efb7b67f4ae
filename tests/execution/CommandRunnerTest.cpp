// One line run the way the worker runs it: locks, dismounts, letters and the results that divert a run.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/FaultInjection.h"
#include "execution/KCommandRunner.h"
#include "model/KVolumeManager.h"
#include "support/PartitionLockHolder.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

class CommandRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = TableFixtures::MakeMbrLayout(dir);
        env = std::make_unique<EngineEnvironment>(std::vector<std::string>{image}, dir.File("state"));
        ASSERT_EQ(manager.Load(1, 1), 1);
    }
    void TearDown() override { FaultInjection::Configure(""); }
    int run(const std::string& line, int* detail = nullptr)
    {
        manager.Load(1, 1);
        CommandRunHooks hooks;
        hooks.Wait = [](int) {};
        KCommandRunner runner(&manager, nullptr, hooks);
        int code = 0;
        const int result = runner.Run(line, &code);
        if (detail)
            *detail = code;
        return result;
    }
    char letterOf(int index)
    {
        manager.Load(1, 1);
        PartitionInfo p{};
        manager.GetPartition(0, index, &p);
        return p.DriveLetter;
    }

    TempDir dir;
    std::string image;
    std::unique_ptr<EngineEnvironment> env;
    KVolumeManager manager;
};

} // namespace

TEST_F(CommandRunner, ResultsThatDivertARun)
{
    EXPECT_EQ(run("FrobnicatePartition DiskIndex:0"), kRunUnknownCommand);
    EXPECT_EQ(run("InitiateDisk DiskIndex:0 Style:3 ForceReboot:1"), kRunVolumeInUse) << "boot time only";
    KCommandRunner noManager(nullptr, nullptr);
    int code = 0;
    EXPECT_EQ(noManager.Run("DeletePartition DiskIndex:0 Partition:1", &code), kRunNoManager);
}

TEST_F(CommandRunner, MountGivesTheLetterAfterwards)
{
    EXPECT_EQ(run("MountPartition DiskIndex:0 PartitionIndex:1 letter:72"), kRunOk);
    EXPECT_EQ(letterOf(0), 'H');
    EXPECT_EQ(run("MountPartition DiskIndex:0 PartitionIndex:1 letter:74"), kRunOk);
    EXPECT_EQ(letterOf(0), 'J') << "the old letter was removed first";
    EXPECT_EQ(run("MountPartition DiskIndex:0 PartitionIndex:1 letter:0"), kRunOk);
    EXPECT_EQ(letterOf(0), 0);
}

TEST_F(CommandRunner, VolumeHeldElsewhereIsInUse)
{
    PartitionLockHolder holder(1);
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0"), kRunVolumeInUse);
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0"), kRunOk) << "its neighbour is free";
    holder.Release();
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0"), kRunOk) << "retry after release";
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "93");
}

TEST_F(CommandRunner, FailedCommandGetsItsLetterBack)
{
    ASSERT_EQ(manager.SetDriveLetter(0, 1, 'E'), 1);
    FaultInjection::Configure("0:w:0-0");
    int detail = 0;
    EXPECT_EQ(run("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", &detail), kTableChangeWriteFailed);
    FaultInjection::Configure("");
    EXPECT_EQ(letterOf(1), 'E');
    // A successful delete takes the letter away with the partition.
    EXPECT_EQ(run("DeletePartition DiskIndex:0 Partition:2"), kRunOk);
    for (const auto& a : std::vector<char>{letterOf(0), letterOf(1)})
        EXPECT_NE(a, 'E');
}

#include "commands/KCommandFactory.h"
#include "execution/CommandDescription.h"

TEST_F(CommandRunner, DescriptionsFromTheParameterBlock)
{
    ASSERT_EQ(manager.SetDriveLetter(0, 1, 'E'), 1);
    manager.Load(1, 1);
    auto describe = [this](const char* line) {
        auto command = CreateCommand(line);
        EXPECT_NE(command, nullptr) << line;
        if (!command || !command->Parse(&manager, line))
            return std::string();
        return DescribeCommand(*command, manager);
    };
    EXPECT_EQ(describe("DeletePartition DiskIndex:0 Partition:2"),
              "<B>Delete Partition</B><br><br>Partition Letter: E:<br>Partition Label: <br>Disk Index: 1<br>"
              "Partition Index: 2");
    EXPECT_EQ(describe("ActivePartition DiskIndex:0 PartitionIndex:1 Active:0"),
              "<B>Set Partition as inactive</B><br><br>Partition Letter: *:<br>Disk Index: 1<br>Partition Index: 1");
    EXPECT_EQ(describe("CreatePartition DiskIndex:0 StartingOffset:120000 PartitionLength:10240 PartTypeId:7 FsType:7 "
                       "ClusterSize:8 Label:\"Data\" Letter:0 Active:0 Primary:0 BootVolume:0 SystemVolume:0"),
              "<B>Create Partition</B><br><br>Partition Letter: *:<br>Disk Index: 1<br>Partition Starting LBA: "
              "120000<br>Partition Size: 5 MB<br>Partition Label: Data<br>Primary: No");
    EXPECT_EQ(describe("ChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:131"),
              "<B>Change Partition Type ID</B><BR><BR>Disk Index: 1<BR>Partition Index: 2<BR>New Partition Type ID: "
              "0x83");
    EXPECT_EQ(describe("WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:100 SectorsCount:127 WipingMethod:4"),
              "<B>Wipe Sectors</B><br><br>Disk Index: 1<br>Wiping Method: DoD 5220.28-STD (7 passes)<br>Starting "
              "LBA: 100<br>Ending LBA: 226");
    EXPECT_EQ(describe("InitiateDisk DiskIndex:0 Style:2 ForceReboot:0"), "<B>Rebuild MBR</B><br><br>Disk Index: 1");
    EXPECT_EQ(describe("InitiateDisk DiskIndex:0 Style:1 ForceReboot:0"),
              "<B>Initialize Disk</B><br><br>Disk Index: 1<br>Style: GPT");
    EXPECT_EQ(describe("MountPartition DiskIndex:0 PartitionIndex:1 letter:72"),
              "<B>Mount Partition</B><br><br>Partition Label: <br>Disk Index: 1<br>Partition Index: 1<br>New "
              "Letter: H:");
    EXPECT_EQ(CommandInformationText(2, 5, "x"), "<B>3 of 5 pending operations.</B><BR><BR>x");
}
