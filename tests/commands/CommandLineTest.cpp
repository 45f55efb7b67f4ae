// The command-line format: writing, reading and the factory.
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

    // A quote in a label cuts it; the rest of the line is read from after that quote.
    const auto cut = ParseCommandLine("LabelPartition DiskIndex:%u PartitionIndex:%u Label:%s",
                                      "LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"ab\"cd\"");
    EXPECT_EQ(CommandText(cut, 2), "ab");
    // The literal text is skipped by its length, not compared.
    const auto loose = ParseCommandLine("HidePartition DiskIndex:%u PartitionIndex:%u Unhide:%u",
                                        "HidePartition DISKINDEX:3 PARTITIONINDEX:4 UNHIDE:1");
    EXPECT_EQ(CommandInt(loose, 0), 3);
    EXPECT_EQ(CommandInt(loose, 2), 1);
    // A truncated line gives zeros and empty text, never a read past its end.
    const auto shortLine = ParseCommandLine(kCreate, "CreatePartition DiskIndex:2");
    EXPECT_EQ(CommandInt(shortLine, 0), 2);
    EXPECT_EQ(CommandInt(shortLine, 1), 0);
    EXPECT_EQ(CommandText(shortLine, 6), "");
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
