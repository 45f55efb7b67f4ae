// The command-line format: writing, reading and the factory.
#include <cstring>

#include <gtest/gtest.h>

#include "commands/CommandLine.h"
#include "commands/KCmdChangePartitionPrimary.h"
#include "commands/KCmdChangePartitionTypeID.h"
#include "commands/KCommandFactory.h"

namespace {
const char* kCreate = "CreatePartition DiskIndex:%u StartingOffset:%d PartitionLength:%d PartTypeId:%u FsType:%u "
                      "ClusterSize:%u Label:%s Letter:%u Active:%u Primary:%u BootVolume:%u SystemVolume:%u";
}

TEST(CommandLine, FormatsExactly)
{
    const std::string line = FormatCommandLine(
        kCreate, {int64_t(1), int64_t(5000000000ll), int64_t(204800), int64_t(0x80000007u), int64_t(7), int64_t(8),
                  std::string("My Data"), int64_t('E'), int64_t(0), int64_t(1), int64_t(0), int64_t(0)});
    EXPECT_EQ(line, "CreatePartition DiskIndex:1 StartingOffset:5000000000 PartitionLength:204800 "
                    "PartTypeId:2147483655 FsType:7 ClusterSize:8 Label:\"My Data\" Letter:69 Active:0 Primary:1 "
                    "BootVolume:0 SystemVolume:0");
    EXPECT_EQ(FormatCommandLine("DeletePartition DiskIndex:%u Partition:%u", {int64_t(-1), int64_t(3)}),
              "DeletePartition DiskIndex:4294967295 Partition:3");
}

TEST(CommandLine, RoundTripsAndEdgeCases)
{
    const std::vector<CommandValue> values = {int64_t(0), int64_t(4294967296ll + 17), int64_t(-5), int64_t(0x80000007u),
                                              int64_t(11), int64_t(64), std::string("label with spaces"),
                                              int64_t(0), int64_t(1), int64_t(0), int64_t(1), int64_t(1)};
    const auto back = ParseCommandLine(kCreate, FormatCommandLine(kCreate, values));
    ASSERT_EQ(back.size(), values.size());
    EXPECT_EQ(CommandInt(back, 1), 4294967296ll + 17) << "64-bit offsets survive";
    EXPECT_EQ(CommandInt(back, 2), -5);
    EXPECT_EQ(CommandInt(back, 3), int64_t(int32_t(0x80000007u))) << "%u reads back truncated to 32 bits";
    EXPECT_EQ(CommandText(back, 6), "label with spaces");
    EXPECT_EQ(CommandInt(back, 11), 1);

    // Keys are compared without regard to letter case.
    const auto loose = ParseCommandLine("HidePartition DiskIndex:%u PartitionIndex:%u Unhide:%u",
                                        "HidePartition DISKINDEX:3 PARTITIONINDEX:4 UNHIDE:1");
    ASSERT_EQ(loose.size(), 3u);
    EXPECT_EQ(CommandInt(loose, 0), 3);
    EXPECT_EQ(CommandInt(loose, 2), 1);
    EXPECT_EQ(CommandInt(ParseCommandLine("D A:%u", "D A:4294967295"), 0), -1) << "the largest %u reads as -1";
}

TEST(CommandLine, LinesThatDoNotFollowTheirFormatAreRefused)
{
    const char* hide = "HidePartition DiskIndex:%u PartitionIndex:%u Unhide:%u";
    const char* label = "LabelPartition DiskIndex:%u PartitionIndex:%u Label:%s";
    const char* wipe = "WipeDisk DiskIndex:%u PartitionIndex:%u StartingLba:%d SectorsCount:%d WipingMethod:%u";
    struct Case {
        const char* format;
        std::string line;
        int problem;
    };
    const Case cases[] = {
        {hide, "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", kLineOk},
        {hide, "HidePartition DiskIndx:0 PartitionIndex:2 Unhide:0", kLineMismatch},     // misspelt key
        {hide, "HidePartition DiskIndez:0 PartitionIndex:2 Unhide:0", kLineMismatch},    // same length
        {hide, "HidePartition DiskIndex:0 PartitionIndex:2", kLineMismatch},              // missing key
        {hide, "HidePartition DiskIndex:0  PartitionIndex:2 Unhide:0", kLineMismatch},   // spacing
        {hide, "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0 junk", kLineMismatch}, // trailing text
        {hide, "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0" + std::string(600, 'x'), kLineMismatch},
        {hide, "HidePartition DiskIndex: PartitionIndex:2 Unhide:0", kLineMismatch},      // no digits
        {hide, "HidePartition DiskIndex:-1 PartitionIndex:2 Unhide:0", kLineMismatch},    // no sign on %u
        {hide, "HidePartition DiskIndex:0 PartitionIndex:4294967299 Unhide:0", kLineOutOfRange},
        {hide, "HidePartition DiskIndex:4294967296 PartitionIndex:1 Unhide:0", kLineOutOfRange},
        {hide, "HidePartition DiskIndex:0 PartitionIndex:18446744073709551617 Unhide:0", kLineOutOfRange},
        {label, "LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"ab\"cd\"", kLineMismatch}, // quote in label
        {label, "LabelPartition DiskIndex:0 PartitionIndex:2 Label:ab", kLineMismatch},          // no quotes
        {label, "LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"open", kLineOk},            // as specified
        {wipe, "WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:-9223372036854775808 SectorsCount:1 WipingMethod:0",
         kLineOk},
        {wipe, "WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:9223372036854775808 SectorsCount:1 WipingMethod:0",
         kLineOutOfRange},
    };
    for (const Case& c : cases) {
        int problem = -1;
        const auto values = ParseCommandLine(c.format, c.line, &problem);
        EXPECT_EQ(problem, c.problem) << c.line;
        EXPECT_EQ(values.empty(), c.problem != kLineOk) << c.line;
    }
}

TEST(CommandFactory, NamesInOrderCaseInsensitive)
{
    EXPECT_NE(CreateCommand("deletepartition DiskIndex:0 Partition:1"), nullptr);
    EXPECT_EQ(CreateCommand("FrobnicatePartition DiskIndex:0"), nullptr);
    EXPECT_EQ(CreateCommand(nullptr), nullptr);
    // "ChangePartitionPrimary" is tried before "ChangePartitionID".
    auto primary = CreateCommand("ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:1");
    EXPECT_NE(dynamic_cast<KCmdChangePartitionPrimary*>(primary.get()), nullptr);
    auto id = CreateCommand("CHANGEPARTITIONID DiskIndex:0 PartitionIndex:1 NewPartitionID:131");
    EXPECT_NE(dynamic_cast<KCmdChangePartitionTypeID*>(id.get()), nullptr);
}

#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdMergePartition.h"
#include "commands/KCmdResizePartition.h"
#include "commands/KCmdWipeDisk.h"
#include "model/KVolumeManager.h"
#include "execution/KProgressReporter.h"
#include "support/RecordingProgress.h"
#include "support/TableFixtures.h"

// Every line format parses into the summary the executive acts on.
TEST(CommandSummaries, FlagsOfEveryCommand)
{
    TestSupport::TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    TestSupport::EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.SetDriveLetter(0, 1, 'K'), 1);
    ASSERT_EQ(manager.Load(1, 1), 1);
    struct Case {
        const char* line;
        CommandSummary expected;
    };
    const Case cases[] = {
        {"CreatePartition DiskIndex:0 StartingOffset:120000 PartitionLength:4000 PartTypeId:7 FsType:7 ClusterSize:8 "
         "Label:\"x\" Letter:69 Active:0 Primary:1 BootVolume:0 SystemVolume:0",
         {6, 0, 1, 0, 0, 0, -1, 'E', 0, -1}},
        {"DeletePartition DiskIndex:0 Partition:2", {7, 1, 0, 1, 0, 0, 1, 0, 0, 1}},
        {"FormatPartition DiskIndex:0 PartitionIndex:2 FsType:11 ClusterSize:8 Label:\"\"", {2, 1, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"a b\"", {11, 1, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", {9, 1, 0, 1, 0, 0, 1, 0, 0, 1}},
        {"ChangePartitionID DiskIndex:0 PartitionIndex:2 NewPartitionID:7", {23, 1, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"ChangeSerialNumber DiskIndex:0 PartitionIndex:2 NewSerialNumber:5", {24, 1, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"ChangePartitionPrimary DiskIndex:0 PartitionIndex:2 Primary:0", {22, 1, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:18432 NewPartitionSize:20000 SafeMode:1",
         {3, 1, 1, 1, 0, 0, 1, 'K', 0, 1}},
        {"CopyPartition DiskIndex:0 PartitionIndex:2 DestDiskIndex:0 DestStartingLba:63 DestPartitionSize:20480 "
         "DestPartitionIsPrimary:1",
         {4, 1, 0, 0, 0, 0, 1, 0, 0, -1}},
        {"MergePartition DiskIndex:0 LeftPartitionIndex:1 ExtendLeftPartition:0 NewFolderName:\"old\"",
         {20, 1, 1, 1, 0, 0, 0, 'K', 0, 0}},
        {"ChangeClusterSize DiskIndex:0 PartitionIndex:2 ClusterSize:16", {17, 1, 1, 1, 0, 0, 1, 'K', 0, 1}},
        {"WipeDisk DiskIndex:0 PartitionIndex:2 StartingLba:18432 SectorsCount:20480 WipingMethod:3",
         {21, 1, 0, 1, 0, 0, 1, 'K', 0, 1}},
        {"WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:0 SectorsCount:131072 WipingMethod:0",
         {21, 0, 0, 0, 0, 0, -1, 0, 0, -1}},
        {"InitiateDisk DiskIndex:0 Style:3 ForceReboot:1", {85, 0, 0, 0, 1, 0, -1, 0, 0, -1}},
        {"UpdateDiskBootConfig DiskIndex:0 DestDiskIndex:0", {87, 0, 0, 0, 0, 0, -1, 0, 0, -1}},
    };
    for (const Case& c : cases) {
        auto command = CreateCommand(c.line);
        ASSERT_NE(command, nullptr) << c.line;
        ASSERT_EQ(command->Parse(&manager, c.line), 1) << c.line;
        CommandSummary s{};
        ASSERT_TRUE(command->GetSummary(&s));
        EXPECT_EQ(std::memcmp(&s, &c.expected, sizeof s), 0)
            << c.line << "\n got " << s.CommandKind << " " << s.LockVolume << " " << s.RestoreLetter << " "
            << s.Dismount << " " << s.BootTimeOnly << " " << s.DiskIndex << " " << s.PartitionIndex << " " << s.Letter
            << " " << s.LetterDiskIndex << " " << s.LetterPartitionIndex;
    }

    // Parameter blocks carry the line's values.
    auto create = CreateCommand(cases[0].line);
    create->Parse(&manager, cases[0].line);
    const auto& cp = dynamic_cast<KCmdCreatePartition&>(*create).Params();
    EXPECT_EQ(cp.StartingOffset, 120000);
    EXPECT_EQ(cp.PartitionLength, 4000);
    EXPECT_STREQ(cp.Label, "x");
    EXPECT_EQ(cp.Primary, 1);
    auto merge = CreateCommand(cases[10].line);
    merge->Parse(&manager, cases[10].line);
    const auto& mp = dynamic_cast<KCmdMergePartition&>(*merge).Params();
    EXPECT_EQ(mp.LeftStartingLba, 2048);
    EXPECT_EQ(mp.RightStartingLba, 18432);
    EXPECT_EQ(mp.MergedSectorCount, 18432 + 20480 - 2048);
    EXPECT_STREQ(mp.NewFolderName, "old");
}

// A resize of a partition that holds no FAT (nor Ext, nor NTFS) goes to the FAT resizer, which refuses
// it plainly: invalid file system, never success.
TEST(CommandSummaries, AResizeOfWhatIsNotFatFailsPlainly)
{
    TestSupport::TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    TestSupport::EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    const char* line = "ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:18432 NewPartitionSize:20000 SafeMode:1";
    auto command = CreateCommand(line);
    ASSERT_EQ(command->Parse(&manager, line), 1);
    KProgressReporter quiet;
    const uint64_t before = TestSupport::HashRange(image, 0, 64ll << 20);
    EXPECT_EQ(command->Execute(&quiet), kCmdFailed);
    EXPECT_EQ(command->GetErrorDetail(), kDetailUnsupported);
    EXPECT_EQ(TestSupport::HashRange(image, 0, 64ll << 20), before);
}

// Growing NTFS in place is first tried online; that cannot be done here, so the line asks to run again
// locked (32) with nothing written, and the second run takes the offline path.
TEST(CommandSummaries, GrowingNtfsInPlaceFallsBackToTheLockedPath)
{
    TestSupport::TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    TestSupport::EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    int index = -1;
    for (int i = 0; i < manager.GetPartitionCount(0); ++i) {
        PartitionInfo p{};
        if (manager.GetPartition(0, i, &p) && p.StartingLba == 43008)
            index = i + 1;
    }
    ASSERT_GT(index, 0);
    const std::string format = "FormatPartition DiskIndex:0 PartitionIndex:" + std::to_string(index) +
                               " FsType:7 ClusterSize:0 Label:\"n\"";
    auto formatter = CreateCommand(format.c_str());
    ASSERT_EQ(formatter->Parse(&manager, format.c_str()), 1);
    KProgressReporter quiet;
    ASSERT_EQ(formatter->Execute(&quiet), 0);
    ASSERT_EQ(manager.Load(1, 1), 1);

    const std::string line = "ResizePartition DiskIndex:0 PartitionIndex:" + std::to_string(index) +
                             " NewStartingLba:43008 NewPartitionSize:10000 SafeMode:1";
    auto command = CreateCommand(line.c_str());
    ASSERT_EQ(command->Parse(&manager, line.c_str()), 1);
    CommandSummary summary{};
    ASSERT_EQ(command->GetSummary(&summary), 1);
    EXPECT_EQ(summary.LockVolume + summary.Dismount + summary.RestoreLetter, 0);
    const uint64_t before = TestSupport::HashRange(image, 0, 64ll << 20);
    EXPECT_EQ(command->Execute(&quiet), kCmdRunAgain);
    EXPECT_EQ(TestSupport::HashRange(image, 0, 64ll << 20), before);
    ASSERT_EQ(command->GetSummary(&summary), 1);
    EXPECT_EQ(summary.LockVolume, 1);
    EXPECT_EQ(summary.Dismount, 1);
    EXPECT_EQ(summary.RestoreLetter, 1);
    // The second run grows the volume offline (watched: an unwatched run counts as cancelled).
    TestSupport::RecordingProgress watched;
    EXPECT_EQ(command->Execute(&watched), 0) << command->GetErrorDetail();
    PartitionInfo grown{};
    ASSERT_TRUE(manager.GetPartition(0, index - 1, &grown));
    EXPECT_EQ(grown.SectorCount, 10000);
}

#include "commands/KCmdActivePartition.h"
#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdChangePartitionSerialNumber.h"
#include "commands/KCmdCopyPartition.h"
#include "commands/KCmdDeletePartition.h"
#include "commands/KCmdFixDiskBootConfig.h"
#include "commands/KCmdFormatPartition.h"
#include "commands/KCmdHidePartition.h"
#include "commands/KCmdInitiateDisk.h"
#include "commands/KCmdLabelPartition.h"
#include "commands/KCmdMountPartition.h"

TEST(CommandLine, EveryFormatRoundTrips)
{
    const char* formats[] = {
        KCmdActivePartition::kFormat,   KCmdChangeClusterSize::kFormat, KCmdChangePartitionPrimary::kFormat,
        KCmdChangePartitionSerialNumber::kFormat, KCmdChangePartitionTypeID::kFormat, KCmdCopyPartition::kFormat,
        KCmdCreatePartition::kFormat,   KCmdDeletePartition::kFormat,   KCmdFixDiskBootConfig::kFormat,
        KCmdFormatPartition::kFormat,   KCmdHidePartition::kFormat,     KCmdInitiateDisk::kFormat,
        KCmdLabelPartition::kFormat,    KCmdMergePartition::kFormat,    KCmdMountPartition::kFormat,
        KCmdResizePartition::kFormat,   KCmdWipeDisk::kFormat};
    for (const char* format : formats) {
        std::vector<CommandValue> values;
        int64_t seed = 7;
        for (const char* p = format; *p; ++p) {
            if (p[0] != '%')
                continue;
            if (p[1] == 's')
                values.emplace_back(std::string("name with spaces ") + std::to_string(seed));
            else if (p[1] == 'd')
                values.emplace_back(int64_t(5000000000ll) + seed);
            else
                values.emplace_back(seed);
            seed += 13;
        }
        const std::string line = FormatCommandLine(format, values);
        EXPECT_LE(line.size(), kMaxCommandLine) << line;
        const auto back = ParseCommandLine(format, line);
        ASSERT_EQ(back.size(), values.size()) << format;
        for (size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(back[i], values[i]) << format << " value " << i << "\n" << line;
        // The factory makes the command whose format this is.
        auto command = CreateCommand(line.c_str());
        EXPECT_NE(command, nullptr) << line;
    }
}
