// The console programs of the disk tools: which checker runs with which switches, how each program's
// questions are recognised and answered, and what a typed key becomes.
#include <gtest/gtest.h>

#include "platform/KConsolePrograms.h"
#include "support/TestSupport.h"

using namespace KConsolePrograms;

TEST(ConsolePrograms, CheckersAndTheirSwitches)
{
    struct Case {
        int fs;
        bool fix;
        std::string program;
        std::vector<std::string> arguments;
        Dialect dialect;
        bool terminal;
    };
    const std::vector<Case> cases = {
        {1, false, "fsck.fat", {"-n", "/dev/x"}, Dialect::Fat, false},
        {6, true, "fsck.fat", {"-r", "/dev/x"}, Dialect::Fat, false},
        {11, true, "fsck.fat", {"-r", "/dev/x"}, Dialect::Fat, false},
        {7, false, "ntfsfix", {"-n", "/dev/x"}, Dialect::YesNo, false},
        {7, true, "ntfsfix", {"/dev/x"}, Dialect::YesNo, false},
        {49, false, "e2fsck", {"-f", "-n", "/dev/x"}, Dialect::Ext, false},
        {50, true, "e2fsck", {"-f", "/dev/x"}, Dialect::Ext, true},
    };
    for (const auto& c : cases) {
        const auto command = CheckerCommand(c.fs, "/dev/x", c.fix);
        ASSERT_TRUE(command) << c.fs;
        EXPECT_EQ(command->program.substr(command->program.rfind('/') + 1), c.program) << c.fs;
        EXPECT_EQ(command->arguments, c.arguments) << c.fs << " fix " << c.fix;
        EXPECT_EQ(command->dialect, c.dialect) << c.fs;
        EXPECT_EQ(command->needsTerminal, c.terminal) << c.fs;
    }
    for (int fs : {0, 51, 128})
        EXPECT_FALSE(CheckerCommand(fs, "/dev/x", false)) << fs;
    EXPECT_FALSE(CheckerCommand(7, "", false));

    // Only a program that needs a terminal is wrapped, and its words arrive intact.
    const Command wrapped = OnTerminal(Command{"/sbin/e2fsck", {"-f", "/tmp/it's"}, Dialect::Ext, true});
    EXPECT_EQ(wrapped.arguments, (std::vector<std::string>{"-q", "-e", "-f", "-c", R"('/sbin/e2fsck' '-f' '/tmp/it'\''s')", "/dev/null"}));
    EXPECT_EQ(OnTerminal(*CheckerCommand(7, "/dev/x", true)).arguments, (std::vector<std::string>{"/dev/x"}));
}

TEST(ConsolePrograms, TheConverterIsTakenOnlyWhenItIsThere)
{
    TestSupport::TempDir dir;
    EXPECT_FALSE(ConverterCommand(dir.Path(), 'F'));
    const std::string path = dir.File(kConverterName);
    ASSERT_EQ(TestSupport::RunTool({"sh", "-c", "printf '#!/bin/sh\\n' > '" + path + "' && chmod +x '" + path + "'"}).exitCode, 0);
    const auto command = ConverterCommand(dir.Path(), 'f');
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, path);
    EXPECT_EQ(command->arguments, (std::vector<std::string>{"F:", "/FS:NTFS"}));
    EXPECT_EQ(command->dialect, Dialect::YesNo);
    EXPECT_FALSE(ConverterCommand(dir.Path(), 0));
    EXPECT_FALSE(ConverterCommand(dir.Path(), 'B'));
}

TEST(ConsolePrograms, QuestionsAndAnswers)
{
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        Dialect dialect;
        Lines lines;
        std::string current;
        std::vector<Question> expected;
    };
    const Lines fatShare = {"/A.BIN  and", "/B.BIN", "share clusters.", "1) Truncate first to 10240 bytes",
                            "2) Truncate second to 10240 bytes"};
    const std::vector<Case> cases = {
        {"converter", Dialect::YesNo, {"10%"}, "Convert drive F: to NTFS now (Y/N)? ",
         {{"Convert drive F: to NTFS now (Y/N)?", "Y\r\n", "N\r\n"}}},
        {"converter, line ended", Dialect::YesNo, {"Convert drive F: to NTFS now (Y/N)?"}, "",
         {{"Convert drive F: to NTFS now (Y/N)?", "Y\r\n", "N\r\n"}}},
        {"no question", Dialect::YesNo, {"Processing"}, "Checking", {}},
        {"e2fsck on one line", Dialect::Ext, {"Pass 1"}, "Inode 12 has illegal block(s).  Clear<y>? ",
         {{"Inode 12 has illegal block(s).  Clear?", "y", "n"}}},
        {"e2fsck with the matter above", Dialect::Ext, {"Block bitmap differences:  -562"}, "Fix<y>? ",
         {{"Block bitmap differences:  -562\nFix?", "y", "n"}}},
        {"e2fsck default no", Dialect::Ext, {}, "Do you really want to continue<n>? ",
         {{"Do you really want to continue?", "y", "n"}}},
        {"e2fsck looking only", Dialect::Ext, {}, "Inode 12 has illegal block(s).  Clear? no", {}},
        {"fsck.fat choices with a way out", Dialect::Fat, fatShare, "[12?q]? ",
         {{"/A.BIN  and\n/B.BIN\nshare clusters.\n1) Truncate first to 10240 bytes?", "1\n", ""},
          {"/A.BIN  and\n/B.BIN\nshare clusters.\n2) Truncate second to 10240 bytes?", "2\n", "q\n"}}},
        {"fsck.fat choices without one", Dialect::Fat, {"", "to quit, it will be left as it was.", "1) Quit now", "2) Continue"},
         "[12?]? ", {{"to quit, it will be left as it was.\n1) Quit now?", "1\n", "2\n"}}},
        {"fsck.fat still writing", Dialect::Fat, fatShare, "[12?q", {}},
    };
    for (const auto& c : cases) {
        const std::vector<Question> found = FindQuestion(c.dialect, c.lines, c.current);
        ASSERT_EQ(found.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].text, c.expected[i].text) << c.name << " " << i;
            EXPECT_EQ(found[i].yes, c.expected[i].yes) << c.name << " " << i;
            EXPECT_EQ(found[i].no, c.expected[i].no) << c.name << " " << i;
        }
    }

    EXPECT_EQ(KeyInput(Dialect::YesNo, "y"), "y\r\n");
    EXPECT_EQ(KeyInput(Dialect::Fat, "2"), "2\n");
    EXPECT_EQ(KeyInput(Dialect::Ext, "n"), "n");
}
