// Tables written by sfdisk and sgdisk, loaded by the engine, compared with what the tools report.
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"
#include "core/ByteOrder.h"
#include "engine/Guid.h"
#include "engine/KDisk.h"
#include "engine/KVolumeLoader.h"
#include "fs/KVolumeInfoReader.h"
#include "core/FileSystemTypes.h"

using namespace TestSupport;
using namespace TableFixtures;

namespace {

struct Loaded {
    PartitionList list;
    TableErrorList errors;
    std::unique_ptr<KDisk> disk = std::make_unique<KDisk>();
};

Loaded load(const std::string& image, int option = kLoadWithVolumeInfo)
{
    Loaded l;
    EXPECT_TRUE(l.disk->OpenPath(image, 0));
    KVolumeLoader loader(std::make_unique<KVolumeInfoReader>());
    EXPECT_TRUE(loader.Initialise());
    EXPECT_TRUE(loader.Load(l.disk.get(), l.list, l.errors, option));
    return l;
}

std::string utf16ToAscii(const char16_t* s, int n)
{
    std::string out;
    for (int i = 0; i < n && s[i]; ++i)
        out += char(s[i]);
    return out;
}

} // namespace

TEST(TableLoad, MbrWithExtendedChainMatchesSfdisk)
{
    TempDir dir;
    const std::string image = MakeMbrLayout(dir);
    const Dump dump = SfdiskDump(image);
    Loaded l = load(image);
    EXPECT_FALSE(l.errors.HasErrors());
    EXPECT_EQ(l.disk->GetMbrSignature(), 0x1234abcdu);
    EXPECT_FALSE(l.disk->IsGpt());

    std::vector<DumpEntry> expected;
    for (const auto& e : dump.entries)
        if (e.type != "f" && e.type != "5")
            expected.push_back(e);
    ASSERT_EQ(l.list.size(), expected.size()) << dump.text;
    for (size_t i = 0; i < expected.size(); ++i) {
        const PartitionInfo& p = l.list[i];
        const DumpEntry& e = expected[i];
        SCOPED_TRACE("partition " + std::to_string(e.number) + "\n" + dump.text);
        EXPECT_EQ(p.StartingLba, e.start);
        EXPECT_EQ(p.SectorCount, e.size);
        EXPECT_EQ(p.PartitionTypeId, std::stoi(e.type, nullptr, 16));
        EXPECT_EQ(p.Active, e.bootable ? 1 : 0);
        EXPECT_EQ(p.PartitionNumber, e.number);
        EXPECT_EQ(p.IsPrimary, e.number <= 4 ? 1 : 0);
        EXPECT_EQ(p.Hidden, e.type == "17" ? 1 : 0);
        EXPECT_EQ(p.IsGptEntry, 0);
        EXPECT_EQ(p.VolumePresent, 1);
        if (p.IsPrimary) {
            EXPECT_EQ(p.HiddenSectors, p.StartingLba);
        } else {
            // The extended boot record sits HiddenSectors before the partition and names it.
            ASSERT_GT(p.HiddenSectors, 0);
            const auto ebr = ReadBytes(image, (p.StartingLba - p.HiddenSectors) * 512, 512);
            ASSERT_EQ(ebr.size(), 512u);
            EXPECT_EQ(ebr[510], 0x55);
            EXPECT_EQ(le32(ebr.data() + 446 + 8), uint32_t(p.HiddenSectors));
            EXPECT_EQ(le32(ebr.data() + 446 + 12), uint32_t(p.SectorCount));
        }
    }
}

TEST(TableLoad, GptWithTenNamedEntriesMatchesSfdisk)
{
    TempDir dir;
    const std::string image = MakeGptLayout(dir);
    const Dump dump = SfdiskDump(image);
    Loaded l = load(image);
    EXPECT_FALSE(l.errors.HasErrors());
    ASSERT_TRUE(l.disk->IsGpt());
    GptHeader header{};
    ASSERT_TRUE(l.disk->ReadGptHeader(&header));
    EXPECT_EQ(GuidToText(header.DiskGuid), "11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(int64_t(header.FirstUsableLba), std::stoll(dump.header.at("first-lba")));
    EXPECT_EQ(int64_t(header.LastUsableLba), std::stoll(dump.header.at("last-lba")));
    EXPECT_EQ(header.NumberOfPartitionEntries, 128u);

    ASSERT_EQ(l.list.size(), dump.entries.size()) << dump.text;
    for (size_t i = 0; i < dump.entries.size(); ++i) {
        const PartitionInfo& p = l.list[i];
        const DumpEntry& e = dump.entries[i];
        SCOPED_TRACE("partition " + std::to_string(e.number) + "\n" + dump.text);
        EXPECT_EQ(p.IsGptEntry, 1);
        EXPECT_EQ(p.StartingLba, e.start);
        EXPECT_EQ(p.SectorCount, e.size);
        EXPECT_EQ(p.PartitionNumber, e.number);
        EXPECT_EQ(GuidToText(p.GptTypeGuid), e.type);
        EXPECT_EQ(GuidToText(p.GptUniqueGuid), e.uuid);
        EXPECT_EQ(utf16ToAscii(p.GptName, 36), e.name);
        EXPECT_NE(p.PartitionTypeId, 0);
    }
    // Type flags, attributes and the MBR type byte naming the same content.
    EXPECT_EQ(l.list[0].Active, 1);
    EXPECT_EQ(l.list[0].PartitionTypeId, 0xEF);
    EXPECT_EQ(l.list[1].GptReserved, 1);
    EXPECT_EQ(l.list[2].GptData, 1);
    EXPECT_EQ(l.list[2].PartitionTypeId, 0x07);
    EXPECT_EQ(l.list[3].GptRecovery, 1);
    EXPECT_EQ(l.list[4].PartitionTypeId, 0x83);
    EXPECT_EQ(l.list[5].PartitionTypeId, 0x82);
    EXPECT_EQ(l.list[6].Hidden, 1);
    EXPECT_EQ(l.list[6].GptAttributes & kGptAttrHidden, kGptAttrHidden);
    EXPECT_EQ(l.list[8].ReadOnly, 1);
    EXPECT_STREQ(PartitionTypeText(l.list[0]), "GPT (EFI System partition)");
    EXPECT_STREQ(PartitionTypeText(l.list[3]), "GPT (Recovery Partition)");
}

TEST(TableLoad, DamagedPrimaryGptFallsBackToBackup)
{
    TempDir dir;
    const std::string image = MakeGptLayout(dir);
    const Loaded before = load(image);
    auto header = ReadBytes(image, 512, 512);
    header[40] ^= 0xFF; // first usable LBA, so the header CRC no longer matches
    ASSERT_TRUE(WriteBytes(image, 512, header));
    Loaded after = load(image);
    EXPECT_FALSE(after.errors.HasErrors());
    ASSERT_TRUE(after.disk->IsGpt());
    ASSERT_EQ(after.list.size(), before.list.size());
    for (size_t i = 0; i < before.list.size(); ++i)
        EXPECT_EQ(std::memcmp(&after.list[i], &before.list[i], sizeof(PartitionInfo)), 0) << "entry " << i;
    GptHeader h{};
    ASSERT_TRUE(after.disk->ReadGptHeader(&h));
    EXPECT_EQ(int64_t(h.MyLba), after.disk->GetTotalSectors() - 1);

    // The entry array of the primary copy damaged instead: also the backup.
    TempDir dir2;
    const std::string image2 = MakeGptLayout(dir2);
    auto array = ReadBytes(image2, 2 * 512, 512);
    array[32] ^= 0x01;
    ASSERT_TRUE(WriteBytes(image2, 2 * 512, array));
    Loaded l2 = load(image2);
    EXPECT_FALSE(l2.errors.HasErrors());
    ASSERT_EQ(l2.list.size(), before.list.size());
    EXPECT_EQ(l2.list[0].StartingLba, before.list[0].StartingLba);
}

TEST(TableLoad, BothGptHeadersDamagedIsABadDisk)
{
    TempDir dir;
    const std::string image = MakeGptLayout(dir);
    const int64_t total = (64ll << 20) / 512;
    for (int64_t lba : {int64_t(1), total - 1}) {
        auto sector = ReadBytes(image, lba * 512, 512);
        sector[0] = 'X';
        ASSERT_TRUE(WriteBytes(image, lba * 512, sector));
    }
    Loaded l = load(image);
    EXPECT_TRUE(l.errors.HasErrors());
    EXPECT_NE(l.errors.Status & kTableGptDamaged, 0u);
    EXPECT_TRUE(l.list.empty());
    EXPECT_FALSE(l.disk->IsGpt());
}

TEST(TableLoad, EmptyAndBlankDisks)
{
    TempDir dir;
    const std::string blank = dir.File("blank.img");
    ASSERT_TRUE(MakeSparseFile(blank, 8 << 20));
    Loaded a = load(blank);
    EXPECT_TRUE(a.list.empty());
    EXPECT_FALSE(a.errors.HasErrors());

    const std::string emptyMbr = dir.File("empty.img");
    ASSERT_TRUE(MakeSparseFile(emptyMbr, 8 << 20));
    ASSERT_EQ(Sfdisk(emptyMbr, "label: dos\nlabel-id: 0xdeadbeef\n").exitCode, 0);
    Loaded b = load(emptyMbr);
    EXPECT_TRUE(b.list.empty());
    EXPECT_EQ(b.disk->GetMbrSignature(), 0xdeadbeefu);

    const std::string emptyGpt = dir.File("emptygpt.img");
    ASSERT_TRUE(MakeSparseFile(emptyGpt, 8 << 20));
    ASSERT_EQ(RunTool({"sgdisk", "-o", emptyGpt}).exitCode, 0);
    Loaded c = load(emptyGpt);
    EXPECT_TRUE(c.list.empty());
    EXPECT_TRUE(c.disk->IsGpt());
}

TEST(TableLoad, DynamicDisksAreFlagged)
{
    TempDir dir;
    const std::string image = dir.File("dyn.img");
    ASSERT_TRUE(MakeSparseFile(image, 16 << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=63, size=30000, type=42\n").exitCode, 0);
    Loaded l = load(image, kLoadTableOnly);
    EXPECT_TRUE(l.disk->IsDynamic());
    ASSERT_EQ(l.list.size(), 1u);

    const std::string gpt = dir.File("dyngpt.img");
    ASSERT_TRUE(MakeSparseFile(gpt, 16 << 20));
    ASSERT_EQ(RunTool({"sgdisk", "-n", "1:2048:4095", "-t", "1:4201", "-n", "2:4096:0", "-t", "2:4200", gpt}).exitCode, 0);
    Loaded g = load(gpt, kLoadTableOnly);
    EXPECT_TRUE(g.disk->IsGpt());
    EXPECT_TRUE(g.disk->IsDynamic());
}

// Every file system the engine knows, made by the field's own tools inside partitions of one disk.
TEST(TableLoad, FileSystemsInPartitionsAreRecognised)
{
    for (const char* tool : {"mkfs.fat", "mkntfs", "mke2fs", "mkswap"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " is missing";
    TempDir dir;
    const std::string image = dir.File("fs.img");
    ASSERT_TRUE(MakeSparseFile(image, 512ll << 20));
    // Sizes in MiB, starting at 1 MiB, one after another.
    struct Case {
        const char* type;
        int mib;
        std::vector<std::string> mkfs; // the volume file's path is appended
        int16_t fs;
        const char* label;
    };
    const std::vector<Case> cases = {
        {"1", 4, {"mkfs.fat", "-F", "12", "-n", "FATTWELVE"}, kFsFat12, "FATTWELVE"},
        {"6", 32, {"mkfs.fat", "-F", "16", "-n", "FAT16VOL"}, kFsFat16, "FAT16VOL"},
        {"c", 100, {"mkfs.fat", "-F", "32", "-n", "THIRTYTWO"}, kFsFat32, "THIRTYTWO"},
        {"7", 64, {"mkntfs", "-Q", "-F", "-q", "-L", "NtfsVol"}, kFsNtfs, "NtfsVol"},
        {"83", 32, {"mke2fs", "-q", "-F", "-t", "ext2", "-L", "second"}, kFsExt2, "second"},
        {"83", 32, {"mke2fs", "-q", "-F", "-t", "ext3", "-L", "third"}, kFsExt3, "third"},
        {"83", 32, {"mke2fs", "-q", "-F", "-t", "ext4", "-L", "fourth"}, kFsOther, "fourth"},
        {"82", 16, {"mkswap", "-L", "swappy"}, kFsLinuxSwap, "swappy"},
        {"83", 8, {}, kFsNone, ""},
    };
    std::string script = "label: dos\nunit: sectors\n";
    int64_t start = 2048;
    std::vector<int64_t> starts;
    for (size_t i = 0; i < cases.size(); ++i) {
        const int64_t size = int64_t(cases[i].mib) * 2048;
        if (i == 3)
            script += "start=" + std::to_string(start) + ", size=" + std::to_string(400000) + ", type=5\n";
        if (i >= 3)
            start += 2048; // room for the extended boot record
        script += "start=" + std::to_string(start) + ", size=" + std::to_string(size) + ", type=" + cases[i].type + "\n";
        starts.push_back(start);
        start += size;
    }
    ASSERT_EQ(Sfdisk(image, script).exitCode, 0) << script;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].mkfs.empty())
            continue;
        const std::string volume = dir.File("vol" + std::to_string(i));
        ASSERT_TRUE(MakeSparseFile(volume, int64_t(cases[i].mib) << 20));
        auto argv = cases[i].mkfs;
        argv.push_back(volume);
        const ToolResult r = RunTool(argv);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        ASSERT_TRUE(CopyInto(volume, image, starts[i] * 512));
    }
    Loaded l = load(image);
    EXPECT_FALSE(l.errors.HasErrors());
    ASSERT_EQ(l.list.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::to_string(i));
        EXPECT_EQ(l.list[i].StartingLba, starts[i]);
        EXPECT_EQ(l.list[i].FileSystemType, cases[i].fs);
        EXPECT_STREQ(l.list[i].Label, cases[i].label);
        EXPECT_EQ(l.list[i].TotalSectors, l.list[i].SectorCount);
        EXPECT_EQ(l.list[i].UsedSectorsHint, 0);
    }
}
