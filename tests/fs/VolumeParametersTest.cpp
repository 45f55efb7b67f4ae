// The make-up each family reads from its boot sector or superblock: volumes made by the field's tools,
// the NTFS record-size codes, and the same sectors damaged (refused, never read past the volume).
#include <gtest/gtest.h>

#include "fs/FileSystemRegistry.h"
#include "support/MemoryVolume.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr int64_t kSectors = 16384;

std::vector<uint8_t> MakeVolume(const std::vector<std::string>& make)
{
    TempDir dir;
    const std::string file = dir.File("volume");
    std::vector<std::string> argv = make;
    argv.push_back(file);
    EXPECT_TRUE(MakeSparseFile(file, kSectors * 512));
    const ToolResult made = RunTool(argv);
    EXPECT_EQ(made.exitCode, 0) << made.output;
    return ReadBytes(file, 0, kSectors * 512);
}

} // namespace

// The volumes as made read back (the dialog tests hold every field against the tools); what follows
// each patch is what the NTFS record-size codes give, or a refusal.
TEST(VolumeParameters, RecordSizeCodesAndDamagedSectors)
{
    if (!HaveTool("mkfs.fat") || !HaveTool("mkntfs") || !HaveTool("mke2fs"))
        GTEST_SKIP() << "mkfs.fat, mkntfs or mke2fs missing";
    const std::vector<uint8_t> fat = MakeVolume({"mkfs.fat", "-F", "16", "-s", "2"});
    const std::vector<uint8_t> ntfs = MakeVolume({"mkntfs", "-Q", "-F", "-q", "-c", "4096"});
    const std::vector<uint8_t> ext = MakeVolume({"mke2fs", "-q", "-F", "-t", "ext2", "-b", "1024"});
    const struct {
        const char* what;
        int code;
        const std::vector<uint8_t>& volume;
        std::vector<std::pair<size_t, uint8_t>> patch;
        int64_t sectors;
        bool readable;
        uint32_t fileRecord, indexRecord; // NTFS: sectors expected
    } cases[] = {
        {"FAT16", 6, fat, {}, kSectors, true, 0, 0},
        {"FAT cluster of 3 sectors", 6, fat, {{13, 3}}, kSectors, false, 0, 0},
        {"FAT sector of 0 bytes", 6, fat, {{11, 0}, {12, 0}}, kSectors, false, 0, 0},
        {"FAT volume of no sectors", 6, fat, {}, 0, false, 0, 0},
        {"NTFS codes 0xF6, 1", 7, ntfs, {{64, 0xF6}, {68, 0x01}}, kSectors, true, 2, 8},
        {"NTFS codes 2, 0xF4", 7, ntfs, {{64, 0x02}, {68, 0xF4}}, kSectors, true, 16, 8},
        {"NTFS record code 0x80", 7, ntfs, {{64, 0x80}}, kSectors, false, 0, 0},
        {"NTFS index record of 4 GiB", 7, ntfs, {{68, 0xE0}}, kSectors, false, 0, 0},
        {"NTFS record of no clusters", 7, ntfs, {{64, 0x00}}, kSectors, false, 0, 0},
        {"Ext2", 49, ext, {}, kSectors, true, 0, 0},
        {"Ext block of 128 KiB", 49, ext, {{1024 + 24, 7}}, kSectors, false, 0, 0},
        {"Ext without magic", 49, ext, {{1024 + 56, 0}}, kSectors, false, 0, 0},
        {"Ext superblock past the volume", 49, ext, {}, 2, false, 0, 0},
    };
    for (const auto& c : cases) {
        MemoryVolume volume(c.volume);
        for (const auto& [offset, value] : c.patch)
            volume.data[offset] = value;
        VolumeParameters p;
        ASSERT_EQ(FileSystemFor(c.code)->ReadParameters(volume, c.sectors, c.code, &p), c.readable) << c.what;
        EXPECT_EQ(p.SectorsPerCluster, !c.readable ? 0u : c.code == 7 ? 8u : 2u) << c.what;
        EXPECT_EQ(p.SectorsPerFileRecord, c.fileRecord) << c.what;
        EXPECT_EQ(p.SectorsPerIndexRecord, c.indexRecord) << c.what;
    }
}
