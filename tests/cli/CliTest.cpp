// volmara-cli as a user runs it.
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
    EXPECT_EQ(lines, 2u + 5u + 10u);

    const std::string file = dir.File("export.txt");
    ASSERT_EQ(RunTool({VOLMARA_CLI, "--disk", mbr, "--disk", gpt, "export", file}).exitCode, 0);
    EXPECT_EQ(ReadBytes(file, 0, int64_t(r.output.size())),
              std::vector<uint8_t>(r.output.begin(), r.output.end()));
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
