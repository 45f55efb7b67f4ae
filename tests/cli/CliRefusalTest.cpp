// volmara-cli given bad lines, bad disks and bad files: it says why, exits non-zero and writes nothing.
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

} // namespace

TEST(CliRefusals, EveryFailureIsNamedAndNothingIsWritten)
{
    TempDir dir;
    const std::string mbr = TableFixtures::MakeMbrLayout(dir);
    const std::string gpt = TableFixtures::MakeGptLayout(dir);
    ::setenv("VOLMARA_STATE_DIR", dir.File("state").c_str(), 1);
    ::mkdir(dir.File("folder").c_str(), 0755);
    ::symlink(mbr.c_str(), dir.File("link.img").c_str());
    const std::string junk = dir.File("junk.txt");
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += char((i * 7919) & 0xFF);
    ASSERT_TRUE(writeFile(junk, bytes));
    const std::string longLine = dir.File("long.txt");
    const std::string longText = "CommandCount:1\r\nHidePartition DiskIndex:0 PartitionIndex:2 Unhide:0" +
                                 std::string(1 << 20, 'J') + "\r\n";
    ASSERT_TRUE(writeFile(longLine, longText));
    const std::string shortFile = dir.File("short.txt");
    const std::string shortText = "CommandCount:3\r\nHidePartition DiskIndex:0 PartitionIndex:2 Unhide:0\r\n";
    ASSERT_TRUE(writeFile(shortFile, shortText));

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"--disk", mbr, "run", "Frobnicate DiskIndex:0"}, 1, "No command has this name."},
        {{"--disk", mbr, "run", ""}, 2, "an empty command line"},
        {{"--disk", mbr, "run", "HidePartition DiskIndx:0 PartitionIndex:2 Unhide:0"}, 1,
         "does not follow the format"},
        {{"--disk", mbr, "run", "HidePartition DiskIndex:0 PartitionIndex:2"}, 1, "does not follow the format"},
        {{"--disk", mbr, "run", "HidePartition DiskIndex:0 PartitionIndex:7 Unhide:0"}, 1,
         "There is no partition with this index."},
        {{"--disk", mbr, "run", "HidePartition DiskIndex:3 PartitionIndex:1 Unhide:0"}, 1,
         "There is no disk with this index."},
        {{"--disk", mbr, "run", "DeletePartition DiskIndex:0 Partition:4294967299"}, 1, "out of range"},
        {{"--disk", mbr, "run", "ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:5"}, 1,
         "extended partition type"},
        {{"--disk", mbr, "run", "ChangeSerialNumber DiskIndex:0 PartitionIndex:1 NewSerialNumber:7"}, 1,
         "does not apply to the file system"},
        {{"--disk", gpt, "run", "ActivePartition DiskIndex:0 PartitionIndex:1 Active:1"}, 1,
         "does not apply to this partition"},
        {{"--disk", gpt, "run", "ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:0"}, 1,
         "does not apply to a GPT disk"},
        {{"--disk", dir.File("missing.img"), "export"}, 1, "cannot use disk"},
        {{"--disk", dir.File("folder"), "export"}, 1, "not an image file or a block device"},
        {{"--disk", mbr, "--disk", mbr, "export"}, 1, "named twice"},
        {{"--disk", mbr, "--disk", dir.File("link.img"), "export"}, 1, "named twice"},
        {{"--disk", mbr, "apply", junk}, 1, "not a commands file"},
        {{"--disk", mbr, "apply", shortFile}, 1, "announces 3 commands and holds 1"},
        {{"--disk", mbr, "apply", longLine}, 1, "does not follow the format"},
        {{"--disk", mbr, "run", "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0" + std::string(600, 'J')}, 2,
         "longer than 511"},
    };
    const uint64_t mbrHash = HashRange(mbr, 0, 64ll << 20), gptHash = HashRange(gpt, 0, 64ll << 20);
    for (const Case& c : cases) {
        std::vector<std::string> argv = {VOLMARA_CLI};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ToolResult r = RunTool(argv);
        const std::string shown = c.args.back().substr(0, 80);
        EXPECT_EQ(r.exitCode, c.exitCode) << shown << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << shown << "\n" << r.output;
    }
    EXPECT_EQ(HashRange(mbr, 0, 64ll << 20), mbrHash);
    EXPECT_EQ(HashRange(gpt, 0, 64ll << 20), gptHash);

    // A good line after a failing one still runs; the run is reported as failed, naming the bad line once.
    const ToolResult r = RunTool({VOLMARA_CLI, "--disk", mbr, "run", "DeletePartition DiskIndex:0 Partition:9",
                                  "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("line 1 failed (result 21, error code 103)"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("line 2 failed"), std::string::npos) << r.output;
    EXPECT_EQ(TableFixtures::SfdiskDump(mbr).entries[1].type, "93");
}

TEST(CliRefusals, InitialisingAGptDiskToMbrRemovesBothGptCopies)
{
    TempDir dir;
    const std::string gpt = TableFixtures::MakeGptLayout(dir);
    ::setenv("VOLMARA_STATE_DIR", dir.File("state").c_str(), 1);
    const ToolResult r = RunTool({VOLMARA_CLI, "--disk", gpt, "run", "InitiateDisk DiskIndex:0 Style:0 ForceReboot:0"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto dump = TableFixtures::SfdiskDump(gpt);
    EXPECT_EQ(dump.header.at("label"), "dos") << dump.text;
    EXPECT_TRUE(dump.entries.empty()) << dump.text;
    const int64_t total = 131072;
    for (int64_t sector : {int64_t(1), total - 1})
        EXPECT_EQ(ReadBytes(gpt, sector * 512, 8), std::vector<uint8_t>(8, 0)) << "header left at " << sector;
    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", gpt});
    EXPECT_NE(blkid.output.find("PTTYPE=dos"), std::string::npos) << blkid.output;
}
