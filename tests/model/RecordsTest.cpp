// Texts and export lines of the records.
#include <gtest/gtest.h>

#include "core/DiskExport.h"
#include "core/FileSystemTypes.h"

TEST(Records, ListAndPropertiesTexts)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    EXPECT_STREQ(FileSystemListText(p), "Unallocated");
    p.PartitionTypeId = 0x83;
    EXPECT_STREQ(FileSystemListText(p), "Unformatted");
    const std::pair<int16_t, const char*> list[] = {{1, "FAT"},   {6, "FAT"},   {7, "NTFS"}, {11, "FAT32"},
                                                    {49, "Ext2"}, {50, "Ext3"}, {51, "Linux Swap"},
                                                    {128, "Other"}, {9, "Other"}};
    for (auto [code, text] : list) {
        p.FileSystemType = code;
        EXPECT_STREQ(FileSystemListText(p), text) << code;
    }
    p.FileSystemType = 255;
    for (auto [id, text] : {std::pair<int16_t, const char*>{-1, "GPT Disk"}, {-2, "Dynamic Disk"}, {-3, "Bad Disk"}}) {
        p.PartitionTypeId = id;
        EXPECT_STREQ(FileSystemListText(p), text);
    }
    EXPECT_STREQ(FileSystemPropertiesText(0), "(Unallocated)");
    EXPECT_STREQ(FileSystemPropertiesText(1), "FAT12");
    EXPECT_STREQ(FileSystemPropertiesText(6), "FAT16");
    EXPECT_STREQ(FileSystemPropertiesText(255), "(Other)");
    EXPECT_STREQ(FileSystemPropertiesText(128), "(Other)");
}

TEST(Records, StatusAndTypeWords)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    EXPECT_EQ(PartitionStatusText(p), "None");
    p.Active = p.SystemVolume = p.ReadOnly = 1;
    EXPECT_EQ(PartitionStatusText(p), "Active & System & ReadOnly");
    p.BootVolume = p.Hidden = 1;
    EXPECT_EQ(PartitionStatusText(p), "Active & Boot & System & Hidden & ReadOnly");
    p.IsPrimary = 1;
    EXPECT_STREQ(PartitionTypeText(p), "Primary");
    p.IsPrimary = 0;
    EXPECT_STREQ(PartitionTypeText(p), "Logical");
    p.IsGptEntry = 1;
    EXPECT_STREQ(PartitionTypeText(p), "GPT (EFI System partition)");
    p.GptReserved = 1;
    EXPECT_STREQ(PartitionTypeText(p), "GPT (Reserved Partition)");
    p.GptData = 1;
    EXPECT_STREQ(PartitionTypeText(p), "GPT (Data Partition)");
    p.GptRecovery = 1;
    EXPECT_STREQ(PartitionTypeText(p), "GPT (Recovery Partition)");
    p = MakeEmptyPartitionInfo();
    p.IsGptEntry = 1;
    EXPECT_STREQ(PartitionTypeText(p), "GPT");
}

TEST(Records, EqualityAndOrdering)
{
    PartitionInfo a = MakeEmptyPartitionInfo(), b = MakeEmptyPartitionInfo();
    a.StartingLba = b.StartingLba = 63;
    a.SectorCount = 100;
    b.SectorCount = 101;
    EXPECT_FALSE(SamePartition(a, b)) << "same start, different length";
    b.SectorCount = 100;
    b.FileSystemType = 7;
    EXPECT_TRUE(SamePartition(a, b));
    PartitionList list(3, MakeEmptyPartitionInfo());
    list[0].StartingLba = 5000;
    list[1].StartingLba = -1;
    list[2].StartingLba = 63;
    SortByStartingLba(list);
    EXPECT_EQ(list[0].StartingLba, -1);
    EXPECT_EQ(list[2].StartingLba, 5000);
}

TEST(Records, ExportLines)
{
    DiskGeometry g{};
    g.Cylinders = 1044;
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    EXPECT_EQ(FormatDiskExportLine(1, 16777216, "Image a.img", true, false, g),
              "Disk 1, Total Sectors: 16777216, Name: Image a.img, GUID Partition Table: YES, Dynamic Disk: NO, "
              "CHS:1044/255/63\r\n");
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.DriveLetter = 'C';
    p.PartitionTypeId = 7;
    p.StartingLba = 63;
    p.SectorCount = 1000;
    p.FileSystemType = 7;
    SetLabel(p, "System");
    p.ClusterSize = 8;
    p.FreeSectors = 500;
    p.IsPrimary = 1;
    p.Active = 1;
    EXPECT_EQ(FormatPartitionExportLine(p),
              "letter: C PartID:  7 Start:          63 End:        1062 Size:        1000 FsId:  7 Label:"
              "               System ClusterSize:   8 FreeSectors:         500 Primary: 1 Bootable: 1 "
              "BootVolume: 0 SystemVolume: 0\r\n");
    p.DriveLetter = 0;
    EXPECT_EQ(FormatPartitionExportLine(p).substr(0, 9), "letter: *");
}

#include "core/LabelRule.h"
#include "fs/FileSystemRegistry.h"

TEST(LabelRule, EachFileSystemKeepsWhatItsFieldHolds)
{
    struct Case {
        int fs;
        std::string label;
        LabelProblem expected;
    };
    const std::string emoji = "\xF0\x9F\x98\x80"; // one code point, two UTF-16 units
    const Case cases[] = {
        {11, "", kLabelOk},
        {11, "DATA 2024", kLabelOk},
        {11, "lower case", kLabelOk}, // stored in upper case
        {11, "ELEVEN CHAR", kLabelOk},
        {11, "TWELVE CHARS", kLabelTooLong},
        {6, "A+B", kLabelInvalidCharacter},
        {1, "A.B", kLabelInvalidCharacter},
        {11, "A[B]", kLabelInvalidCharacter},
        {11, "\xC3\x89T\xC3\x89", kLabelInvalidCharacter}, // FAT labels are plain ASCII
        {7, "\xC3\x89T\xC3\x89", kLabelOk},
        {7, "A+B.C", kLabelOk},
        {7, std::string(128, 'n'), kLabelOk},
        {7, std::string(129, 'n'), kLabelTooLong},
        {7, std::string(126, 'n') + emoji, kLabelOk},
        {7, std::string(127, 'n') + emoji, kLabelTooLong},
        {7, "bad\xFF", kLabelInvalidCharacter},
        {7, "\xC0\xAF", kLabelInvalidCharacter}, // an overlong '/'
        {7, "\xED\xA0\x80", kLabelInvalidCharacter}, // a surrogate
        {7, "tab\there", kLabelInvalidCharacter},
        {49, "sixteen-bytes-xx", kLabelOk},
        {50, "seventeen-bytes-x", kLabelTooLong},
        {50, "\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94\xD0\x94", kLabelTooLong}, // 18 bytes
        {51, "swap", kLabelOk},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckVolumeLabel(c.fs, c.label), c.expected) << c.fs << " \"" << c.label << "\"";
    for (const char* refused : {":", "*", "?", "/", "\\", "|", "<", ">", "\""})
        for (int fs : {1, 7, 49, 51})
            EXPECT_EQ(CheckVolumeLabel(fs, std::string("a") + refused), kLabelInvalidCharacter) << fs << refused;
    EXPECT_EQ(FirstRefusedLabelCharacter(11, "AB+C"), "+");
    EXPECT_EQ(FirstRefusedLabelCharacter(7, "AB+C"), "");
    // The dialogs' maximum lengths are never more than the fields hold.
    for (int fs : {1, 6, 11, 7, 49, 50, 51})
        EXPECT_EQ(CheckVolumeLabel(fs, std::string(size_t(FileSystemFor(fs)->MaxLabelLength()), 'A')), kLabelOk) << fs;
}
