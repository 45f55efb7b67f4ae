// volmara-cli as a user runs it.
#include <memory>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"

using namespace TestSupport;

TEST(Cli, ExportListsEveryDiskAndEntry)
{
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    const std::string gpt = TableFixtures::MakeGptLayout(dir);
    ::setenv("VOLMARA_STATE_DIR", dir.File("state").c_str(), 1);
    const ToolResult r = RunTool({VOLMARA_CLI, "--disk", mbr, "--disk", gpt, "export"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Disk 1, Total Sectors: 131072, Name: Image mbr.img, GUID Partition Table: NO, "
                            "Dynamic Disk: NO, CHS:8/255/63\r\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Disk 2, Total Sectors: 131072, Name: Image gpt.img, GUID Partition Table: YES"),
              std::string::npos);
    EXPECT_NE(r.output.find("letter: * PartID: 23 Start:       55296 End:       67583 Size:       12288"),
              std::string::npos)
        << r.output;
    size_t lines = 0;
    for (char c : r.output)
        lines += c == '\n';
    EXPECT_EQ(lines, 2u + 6u + 11u) << "partitions and free areas";
    EXPECT_NE(r.output.find("letter: * PartID:  0 Start:      112640 End:      131071 Size:       18432 FsId:  0"), std::string::npos) << r.output;

    const std::string file = dir.File("export.txt");
    ASSERT_EQ(RunTool({VOLMARA_CLI, "--disk", mbr, "--disk", gpt, "export", file}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file, 0, int64_t(r.output.size())),
              std::vector<uint8_t>(r.output.begin(), r.output.end()));

    // "-" is standard output, not a file of that name.
    const ToolResult dash = RunTool({"sh", "-c", "cd \"$1\" && \"$2\" --disk \"$3\" --disk \"$4\" export -", "sh",
                                     dir.Path(), VOLMARA_CLI, mbr, gpt});
    EXPECT_EQ(dash.exitCode, 0) << dash.output;
    EXPECT_EQ(dash.output, r.output);
    struct stat st {};
    EXPECT_NE(::stat(dir.File("-").c_str(), &st), 0) << "a file named \"-\" was written";
}

TEST(Cli, UsageAndFailures)
{
    EXPECT_EQ(RunTool({VOLMARA_CLI, "--help"}).exitCode, 0);
    EXPECT_EQ(RunTool({VOLMARA_CLI}).exitCode, 2);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "--bogus", "export"}).exitCode, 2);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "--disk"}).exitCode, 2);
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    const ToolResult r = RunTool({VOLMARA_CLI, "--disk", mbr, "export", dir.File("no/such/dir/out.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("cannot write"), std::string::npos) << r.output;
}

TEST(Cli, RunAndApplyLines)
{
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    ::setenv("VOLMARA_STATE_DIR", dir.File("state").c_str(), 1);
    ToolResult r = RunTool({VOLMARA_CLI, "--disk", mbr, "--progress", "run",
                            "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", "NoSuchCommand DiskIndex:0",
                            "DeletePartition DiskIndex:0 Partition:5"});
    // The run goes on past a line no command knows, but it is no success: the line is named.
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("line 2 failed (result 19, error code 0): No command has this name.\n"
                            "  NoSuchCommand DiskIndex:0"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Hide/Unhide partition: 100%"), std::string::npos) << r.output;
    auto dump = TableFixtures::SfdiskDump(mbr);
    ASSERT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "93");

    r = RunTool({VOLMARA_CLI, "--disk", mbr, "run",
                 "ResizePartition DiskIndex:0 PartitionIndex:1 NewStartingLba:2048 NewPartitionSize:8 SafeMode:1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("line 1 failed (result 24, error code 5): Invalid file system."), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("Invalid file system.", r.output.find("Invalid file system.") + 1), std::string::npos)
        << "the error is printed once\n" << r.output;

    // A commands file as the restart path writes it: header and snapshot skipped, "*" lines direct.
    const std::string file = dir.File("qzcmdlist.txt");
    const std::string text = "#### header\r\nDiskCount:1\r\nDiskIndex:0\r\nPartitionCount:0\r\n\r\n"
                             "CommandCount:2\r\nHidePartition DiskIndex:0 PartitionIndex:2 Unhide:1\r\n"
                             "*ActivePartition DiskIndex:0 PartitionIndex:2 Active:1\r\n";
    {
        FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    r = RunTool({VOLMARA_CLI, "--disk", mbr, "apply", file});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    dump = TableFixtures::SfdiskDump(mbr);
    EXPECT_EQ(dump.entries[1].type, "83");
    EXPECT_TRUE(dump.entries[1].bootable);
    EXPECT_FALSE(dump.entries[0].bootable);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "--disk", mbr, "apply", dir.File("missing.txt")}).exitCode, 1);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "--in-use=maybe", "run", "x"}).exitCode, 2);
    EXPECT_EQ(RunTool({VOLMARA_CLI, "run"}).exitCode, 2);
}

#include <sys/wait.h>
#include <unistd.h>

#include "support/PartitionLockHolder.h"

// The whole restart path: a line meets a locked partition, the tool hands the rest to the boot-time
// executor, and the executor (the same tool's apply) finishes them.
TEST(Cli, RestartPathThenApply)
{
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    const std::string state = dir.File("state"), root = dir.File("root");
    EngineEnvironment env({mbr}, state);
    ::setenv("VOLMARA_ROOT", root.c_str(), 1);
    ::setenv("VOLMARA_REBOOT_COMMAND", "true", 1);
    PartitionLockHolder holder(1);
    ASSERT_TRUE(holder.Holding());
    const ToolResult r = RunTool({VOLMARA_CLI, "--in-use=restart", "run",
                                  "ActivePartition DiskIndex:0 PartitionIndex:1 Active:0",
                                  "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0",
                                  "ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:11"});
    holder.Release();
    ::unsetenv("VOLMARA_ROOT");
    ::unsetenv("VOLMARA_REBOOT_COMMAND");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("run result: 25"), std::string::npos) << r.output;
    const auto txt = ReadBytes(state + "/qzcmdlist.txt", 0, 1);
    ASSERT_FALSE(txt.empty());
    const ToolResult same = RunTool({"cmp", state + "/qzcmdlist.txt", state + "/qzcmdlist.bak"});
    EXPECT_EQ(same.exitCode, 0) << same.output;
    struct stat st {};
    EXPECT_EQ(::lstat((root + "/etc/systemd/system/sysinit.target.wants/volmara-native.service").c_str(), &st), 0);
    EXPECT_FALSE(TableFixtures::SfdiskDump(mbr).entries[0].bootable) << "the first line ran before the restart";

    const ToolResult apply = RunTool({VOLMARA_CLI, "apply", state + "/qzcmdlist.txt"});
    ASSERT_EQ(apply.exitCode, 0) << apply.output;
    const auto dump = TableFixtures::SfdiskDump(mbr);
    EXPECT_EQ(dump.entries[1].type, "93");
    EXPECT_EQ(dump.entries[0].type, "b");
}
