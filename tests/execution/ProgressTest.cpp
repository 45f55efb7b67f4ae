// Weighted progress, its throttle, the reporter without a receiver, and the texts.
#include <gtest/gtest.h>

#include "execution/ExecutionTexts.h"
#include "execution/KProgressReporter.h"
#include "execution/KProgressTracker.h"

namespace {

class RecordingTracker : public KProgressTracker {
public:
    RecordingTracker() : KProgressTracker([this] { return now; }) {}
    uint32_t now = 1000;
    std::vector<std::pair<int, int>> emitted;
    std::vector<int> names;
    std::vector<bool> cancel;

protected:
    void OnProgress(int overall, int child) override { emitted.emplace_back(overall, child); }
    void OnProcessName(int operation) override { names.push_back(operation); }
    void OnEnableUserCancel(bool enable) override { cancel.push_back(enable); }
};

} // namespace

TEST(Progress, SingleImplicitStepFollowsTheChild)
{
    RecordingTracker t;
    KProgressReporter r(&t);
    r.StartProgress();
    r.SetStepTotal(200);
    r.BeginStep(0);
    r.SetStepPosition(50);
    ASSERT_FALSE(t.emitted.empty());
    EXPECT_EQ(t.emitted.back(), std::make_pair(25, 25));
}

TEST(Progress, WeightedStepsAndFinish)
{
    RecordingTracker t;
    KProgressReporter r(&t);
    r.StartProgress();
    r.AddStep(1);
    r.AddStep(1);
    EXPECT_EQ(r.AddStep(2), 3);
    r.SetStepTotal(10);
    r.BeginStep(-1);
    r.CompleteStep();
    EXPECT_EQ(t.emitted.back(), std::make_pair(25, 100));
    r.BeginStep(-1);
    r.CompleteStep();
    EXPECT_EQ(t.emitted.back(), std::make_pair(50, 100));
    r.BeginStep(-1);
    r.SetStepPosition(0);
    EXPECT_EQ(t.OverallPercent(), 50) << "the third step starts at 50";
    r.SetStepPosition(5);
    EXPECT_EQ(t.emitted.back(), std::make_pair(75, 50));
    r.SetStepPosition(10);
    EXPECT_EQ(t.emitted.back(), std::make_pair(100, 100));
    r.FinishProgress();
    EXPECT_EQ(t.emitted.back(), std::make_pair(100, 100));
    r.FinishProgress();
    EXPECT_EQ(t.emitted.back(), std::make_pair(0, 0)) << "no steps: 0 and 0";
}

TEST(Progress, ThrottledToPercentOrSecond)
{
    RecordingTracker t;
    t.SetStepTotal(1000);
    t.BeginStep(0);
    t.SetStepPosition(101);
    const size_t after = t.emitted.size();
    t.SetStepPosition(105); // still 10 % in the same second
    EXPECT_EQ(t.emitted.size(), after);
    t.now += 1000;
    t.SetStepPosition(105);
    EXPECT_EQ(t.emitted.size(), after + 1) << "a new second emits again";
    t.Tick();
    EXPECT_EQ(t.emitted.size(), after + 1);
    t.now += 1000;
    t.Tick();
    EXPECT_EQ(t.emitted.size(), after + 2);
    t.SetProcessName(81);
    EXPECT_EQ(t.names.back(), 81);
    EXPECT_EQ(t.ChildPercent(), 0);
}

TEST(Progress, ReporterWithoutReceiver)
{
    KProgressReporter r;
    EXPECT_EQ(r.IsUserCanceled(), 1);
    EXPECT_EQ(r.AddStep(1.0), -1);
    r.StartProgress();
    r.SetStepPosition(5); // nothing to do, nothing breaks
    RecordingTracker t;
    r.SetReceiver(&t);
    EXPECT_EQ(r.IsUserCanceled(), 0);
    t.SetCancelled(true);
    EXPECT_EQ(r.IsUserCanceled(), 1);
    r.EnableUserCancel(0);
    EXPECT_EQ(t.cancel, std::vector<bool>{false});
}

TEST(ExecutionTexts, NamesAndErrors)
{
    EXPECT_STREQ(OperationName(7), "Delete partition");
    EXPECT_STREQ(OperationName(87), "Update Disk Boot Configure");
    EXPECT_STREQ(OperationName(25), "");
    EXPECT_EQ(ErrorText(0), "Error Code: 0\n\n");
    EXPECT_EQ(ErrorText(29), "Error Code: 29\n\n");
    EXPECT_STREQ(ErrorMessage(57), ErrorMessage(40));
    EXPECT_EQ(ErrorText(6), "Error Code: 6\n\n");
    EXPECT_EQ(ErrorText(4), "Error Code: 4\n\nDisk I/O error.");
    EXPECT_EQ(ErrorText(32), "Error Code: 32\n\nNot enough free space. Please reserve more free space for the partition.");
    EXPECT_STREQ(ErrorMessage(40), "NTFS file system error. Please use \"Check File System\" function to fix it first.");
    EXPECT_STREQ(ErrorMessage(29), "");
}

#include "execution/CommandsFile.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"

TEST(CommandsFile, SnapshotAndLines)
{
    TestSupport::TempDir dir;
    const std::string empty = dir.File("empty.img");
    ASSERT_TRUE(TestSupport::MakeSparseFile(empty, 64 << 20));
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    TestSupport::EngineEnvironment env({empty, mbr}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    const std::vector<PendingCommand> commands = {
        PendingCommand::Make("HidePartition DiskIndex:1 PartitionIndex:2 Unhide:0", 0),
        PendingCommand::Make("InitiateDisk DiskIndex:0 Style:3 ForceReboot:1", 1)};
    const std::string text = BuildCommandsFile(manager, commands);
    const std::string head = std::string(38, '#') + " Volmara Commands File " + std::string(38, '#') + "\r\n\r\n" +
                             std::string(38, '#') + " Device Information " + std::string(50, '#') + "\r\n\r\n" +
                             "DiskCount:2\r\n"
                             "DiskIndex:0\r\nDiskSize:131072\r\nPartitionCount:1\r\n"
                             "PartitionIndex:0\r\nPartitionStartingLBA:0\r\nPartitionSize:131072\r\n"
                             "PartitionFileSystem:0\r\n"
                             "DiskIndex:1\r\nDiskSize:131072\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail = "\r\n" + std::string(34, '#') + " Commands Running in Windows Native Model " +
                             std::string(31, '#') + "\r\n\r\nCommandCount:2\r\n"
                             "HidePartition DiskIndex:1 PartitionIndex:2 Unhide:0\r\n"
                             "*InitiateDisk DiskIndex:0 Style:3 ForceReboot:1\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // 2048 sectors before the first partition are under a cylinder: the MBR disk lists its five
    // partitions and the free area after the last one.
    EXPECT_NE(text.find("DiskIndex:1\r\nDiskSize:131072\r\nPartitionCount:6\r\n"), std::string::npos) << text;

    const auto back = ReadCommandsFile(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_STREQ(back[0].Line, commands[0].Line);
    EXPECT_EQ(back[0].DirectWrite, 0);
    EXPECT_STREQ(back[1].Line, commands[1].Line);
    EXPECT_EQ(back[1].DirectWrite, 1);

    const std::string path = dir.File("qzcmdlist.txt");
    ASSERT_TRUE(WriteTextFile(path, text));
    EXPECT_EQ(TestSupport::ReadBytes(path, 0, int64_t(text.size())), std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(WriteTextFile(dir.File("missing/dir/file"), text));
}
