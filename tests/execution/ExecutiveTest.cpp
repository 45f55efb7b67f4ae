// The executive over image disks: the pending list, a run, the volume-in-use choices and the restart.
#include <QCoreApplication>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandRunner.h"
#include "model/KVolumeManager.h"
#include "platform/KBootRegistration.h"
#include "support/PartitionLockHolder.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

struct ScriptedUser : IExecutiveInteraction {
    std::vector<int> answers;
    std::vector<std::string> asked, errors;
    int rebootFailures = 0;
    std::function<void()> beforeAnswer;
    int AskVolumeInUse(const std::string& operation, const std::string& drive) override
    {
        asked.push_back(operation + " / " + drive);
        if (beforeAnswer)
            beforeAnswer();
        if (answers.empty())
            return kChoiceCancel;
        const int a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    void ShowCommandError(const std::string& line, const std::string& text) override { errors.push_back(line + "|" + text); }
    void ShowRebootFailed() override { ++rebootFailures; }
};

class Executive : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        image = TableFixtures::MakeMbrLayout(dir);
        env = std::make_unique<EngineEnvironment>(std::vector<std::string>{image}, dir.File("state"));
        ASSERT_EQ(manager.Load(1, 1), 1);
    }
    void TearDown() override
    {
        ::unsetenv("VOLMARA_ROOT");
        ::unsetenv("VOLMARA_REBOOT_COMMAND");
    }

    TempDir dir;
    std::string image;
    std::unique_ptr<EngineEnvironment> env;
    KVolumeManager manager;
    ScriptedUser user;
};

std::string readAll(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {};
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

} // namespace

TEST_F(Executive, PendingListSlots)
{
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("DeletePartition DiskIndex:0 Partition:1", 0);
    executive.AddCommand(nullptr, 0);
    executive.AddCommand("InitiateDisk DiskIndex:0 Style:3 ForceReboot:1", 1);
    EXPECT_EQ(executive.GetCommandCount(), 3);
    EXPECT_EQ(executive.GetDirectWriteFlag(2), 1);
    EXPECT_EQ(executive.GetDirectWriteFlag(-1), 0);
    char small[8], big[600];
    EXPECT_EQ(executive.GetCommandLine(0, small, sizeof small), 0);
    EXPECT_EQ(executive.GetCommandLine(0, big, sizeof big), 1);
    EXPECT_STREQ(big, "DeletePartition DiskIndex:0 Partition:1");
    EXPECT_EQ(executive.GetCommandLine(1, big), 1);
    EXPECT_STREQ(big, "");
    EXPECT_EQ(executive.GetCommandLine(3, big), 0);
    EXPECT_EQ(executive.RemoveCommand(3), 0);
    EXPECT_EQ(executive.RemoveCommand(0), 1);
    EXPECT_EQ(executive.GetDirectWriteFlag(1), 1) << "later entries move up";
    executive.ClearCommands();
    EXPECT_EQ(executive.GetCommandCount(), 0);
    EXPECT_EQ(executive.Execute(nullptr, 0, nullptr), kRunNoManager);
}

TEST_F(Executive, RunsLinesInOrderAndGoesOnAfterAnUnknownOne)
{
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", 0);
    executive.AddCommand("FrobnicatePartition DiskIndex:0", 0);
    executive.AddCommand("DeletePartition DiskIndex:0 Partition:5", 0);
    EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunOk);
    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "93");
    EXPECT_TRUE(user.errors.empty());
}

TEST_F(Executive, FailedCommandIsShownAndEndsTheRun)
{
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:18432 NewPartitionSize:8 SafeMode:1", 0);
    executive.AddCommand("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", 0);
    EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunFailed);
    ASSERT_EQ(user.errors.size(), 1u);
    EXPECT_NE(user.errors[0].find("|Error Code: 5\n\nInvalid file system."), std::string::npos) << user.errors[0];
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "83") << "the run stopped";
}

TEST_F(Executive, VolumeInUseCancelAndRetry)
{
    {
        PartitionLockHolder holder(1);
        ASSERT_TRUE(holder.Holding());
        KBatchCommandExecutive executive(&user);
        executive.AddCommand("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", 0);
        user.answers = {kChoiceCancel};
        EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunCancelled);
        ASSERT_EQ(user.asked.size(), 1u);
        EXPECT_EQ(user.asked[0], "Hide/Unhide partition / Disk 1 Partition 2");

        // Retry after the holder lets go: the same line runs, then the next one.
        executive.AddCommand("ActivePartition DiskIndex:0 PartitionIndex:2 Active:1", 0);
        user.answers = {kChoiceRetry};
        user.beforeAnswer = [&holder] { holder.Release(); };
        EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunOk);
    }
    const auto dump = TableFixtures::SfdiskDump(image);
    EXPECT_EQ(dump.entries[1].type, "93");
    EXPECT_TRUE(dump.entries[1].bootable);
}

TEST_F(Executive, RestartWritesBothFilesAndRegistersOnce)
{
    const std::string root = dir.File("root");
    const std::string marker = dir.File("rebooted");
    ::setenv("VOLMARA_ROOT", root.c_str(), 1);
    ::setenv("VOLMARA_REBOOT_COMMAND", ("touch " + marker).c_str(), 1);
    PartitionLockHolder holder(1);
    ASSERT_TRUE(holder.Holding());
    for (int round = 0; round < 2; ++round) {
        KBatchCommandExecutive executive(&user);
        executive.AddCommand("ActivePartition DiskIndex:0 PartitionIndex:1 Active:1", 0);
        executive.AddCommand("ChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:131", 0);
        executive.AddCommand("InitiateDisk DiskIndex:0 Style:3 ForceReboot:1", 1);
        user.answers = {kChoiceRestart};
        EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunRestarting);
    }
    const std::string text = readAll(dir.File("state/qzcmdlist.txt"));
    EXPECT_EQ(text, readAll(dir.File("state/qzcmdlist.bak")));
    EXPECT_NE(text.find("CommandCount:2\r\nChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:131\r\n"
                        "*InitiateDisk DiskIndex:0 Style:3 ForceReboot:1\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("ActivePartition"), std::string::npos) << "the executed line is not handed on";
    EXPECT_TRUE(KBootRegistration::IsRegistered());
    struct stat st {};
    EXPECT_EQ(::stat(marker.c_str(), &st), 0) << "the restart command ran";
    EXPECT_EQ(user.rebootFailures, 0);
}

TEST_F(Executive, NoRestartWithoutTheCommandsFile)
{
    const std::string marker = dir.File("rebooted");
    ::setenv("VOLMARA_ROOT", dir.File("root").c_str(), 1);
    ::setenv("VOLMARA_REBOOT_COMMAND", ("touch " + marker).c_str(), 1);
    ::setenv("VOLMARA_STATE_DIR", "/proc/volmara-unwritable", 1);
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("InitiateDisk DiskIndex:0 Style:3 ForceReboot:1", 1);
    user.answers = {kChoiceRestart};
    EXPECT_EQ(executive.Execute(&manager, 0, nullptr), kRunCancelled);
    EXPECT_EQ(user.rebootFailures, 1);
    struct stat st {};
    EXPECT_NE(::stat(marker.c_str(), &st), 0) << "no restart";
    EXPECT_FALSE(KBootRegistration::IsRegistered());
}

#include <QTimer>

#include "execution/KCommandWorkingThread.h"

// While a line runs, the calling thread serves its events (progress, the dialog, the cancel button)
// and the run still ends when the worker does.
TEST_F(Executive, EventsAreServedWhileALineRuns)
{
    KBatchCommandExecutive executive(&user);
    for (int i = 0; i < 10; ++i)
        executive.AddCommand("FormatPartition DiskIndex:0 PartitionIndex:1 FsType:7 ClusterSize:0 Label:\"X\"", 0);
    KCommandWorkingThread worker(&executive);
    int progressSeen = 0, ticksWhileRunning = 0;
    QObject::connect(&worker, &KCommandWorkingThread::setCurrentProgressValue, [&progressSeen](int) { ++progressSeen; });
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!worker.isRunning())
            return;
        ++ticksWhileRunning;
        worker.OnDialogUserCanceled(true); // what the dialog's cancel button sends
    });
    tick.start();
    EXPECT_EQ(executive.RunWithWorker(&manager, &worker), kRunOk);
    tick.stop();
    EXPECT_GT(ticksWhileRunning, 0) << "no event was served while the worker ran";
    EXPECT_GT(progressSeen, 0) << "the worker's progress never arrived";
    EXPECT_TRUE(worker.IsUserCanceled()) << "the cancel request did not reach the worker";
    EXPECT_TRUE(user.errors.empty()) << (user.errors.empty() ? "" : user.errors[0]);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[0].type, "c");
}

namespace {

// Watches a run and asks for it to stop at the first poll.
struct CancellingReceiver : IProgressReceiver {
    void ResetProgress() override {}
    int AddStep(double) override { return 0; }
    void RemoveStep(int) override {}
    void FinishProgress() override {}
    void BeginStep(int) override {}
    void CompleteStep() override {}
    void SetStepTotal(int64_t) override {}
    void SetStepPosition(int64_t) override {}
    void Tick() override {}
    void SetProcessName(int) override {}
    void EnableUserCancel(int) override {}
    int IsUserCanceled() override { return 1; }
};

} // namespace

// A move the user stops fails with error code 46, which the run reports to nobody: the user knows.
// The volume is untouched.
TEST_F(Executive, AStoppedMoveFailsSilently)
{
    if (!HaveTool("mkfs.ext2"))
        GTEST_SKIP() << "needs mkfs.ext2";
    const ToolResult made = RunTool({"mkfs.ext2", "-q", "-F", "-E", "offset=" + std::to_string(18432 * 512), image, "10240"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ASSERT_EQ(manager.Load(1, 1), 1);
    const uint64_t before = HashRange(image, 0, 64ll << 20);
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:20480 NewPartitionSize:20480 SafeMode:1", 0);
    CancellingReceiver receiver;
    EXPECT_EQ(executive.Execute(&manager, 0, &receiver), kRunFailed);
    ASSERT_EQ(executive.FailedLines().size(), 1u);
    EXPECT_EQ(executive.FailedLines()[0].ErrorCode, 46);
    EXPECT_TRUE(user.errors.empty()) << user.errors[0];
    EXPECT_EQ(HashRange(image, 0, 64ll << 20), before);
}
