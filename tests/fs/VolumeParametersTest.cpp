// The make-up each family reads from its boot sector or superblock: volumes made by the field's tools,
// the NTFS record-size codes, and the same sectors damaged (refused, never read past the volume).
#include <functional>

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

TEST(VolumeParameters, ReadFromTheBootSectorAndRefusedWhenDamaged)
{
    if (!HaveTool("mkfs.fat") || !HaveTool("mkntfs") || !HaveTool("mke2fs"))
        GTEST_SKIP() << "mkfs.fat, mkntfs or mke2fs missing";
    const std::vector<uint8_t> fat = MakeVolume({"mkfs.fat", "-F", "16", "-s", "2"});
    const std::vector<uint8_t> ntfs = MakeVolume({"mkntfs", "-Q", "-F", "-q", "-c", "4096"});
    const std::vector<uint8_t> ext = MakeVolume({"mke2fs", "-q", "-F", "-t", "ext2", "-b", "1024", "-I", "128"});
    using Check = std::function<void(const VolumeParameters&)>;
    const struct {
        const char* what;
        int code;
        const std::vector<uint8_t>& volume;
        std::vector<std::pair<size_t, uint8_t>> patch;
        int64_t sectors;
        bool readable;
        Check check;
    } cases[] = {
        {"FAT16", 6, fat, {}, kSectors, true,
         [](const VolumeParameters& p) {
             EXPECT_EQ(p.SectorsPerCluster, 2u);
             EXPECT_EQ(p.NumberOfFats, 2u);
             EXPECT_EQ(p.RootEntries, 512u);
         }},
        {"FAT cluster size 3", 6, fat, {{13, 3}}, kSectors, false, {}},
        {"FAT without sector size", 6, fat, {{11, 0}, {12, 0}}, kSectors, false, {}},
        {"FAT volume of no sectors", 6, fat, {}, 0, false, {}},
        {"NTFS record code 0xF6", 7, ntfs, {{64, 0xF6}, {68, 0x01}}, kSectors, true,
         [](const VolumeParameters& p) {
             EXPECT_EQ(p.SectorsPerCluster, 8u);
             EXPECT_EQ(p.SectorsPerFileRecord, 2u);
             EXPECT_EQ(p.SectorsPerIndexRecord, 8u);
             EXPECT_GT(p.MftLcn, 0u);
             EXPECT_GT(p.MftMirrorLcn, 0u);
         }},
        {"NTFS record of two clusters", 7, ntfs, {{64, 0x02}, {68, 0xF4}}, kSectors, true,
         [](const VolumeParameters& p) {
             EXPECT_EQ(p.SectorsPerFileRecord, 16u);
             EXPECT_EQ(p.SectorsPerIndexRecord, 8u);
         }},
        {"NTFS record code 0x80", 7, ntfs, {{64, 0x80}}, kSectors, false, {}},
        {"NTFS index record of 4 GiB", 7, ntfs, {{68, 0xE0}}, kSectors, false, {}},
        {"NTFS record of no clusters", 7, ntfs, {{64, 0x00}}, kSectors, false, {}},
        {"Ext2", 49, ext, {}, kSectors, true,
         [](const VolumeParameters& p) {
             EXPECT_EQ(p.SectorsPerCluster, 2u);
             EXPECT_EQ(p.InodeSize, 128u);
             EXPECT_EQ(p.BlocksPerGroup, 8192u);
             EXPECT_GT(p.InodesPerGroup, 0u);
         }},
        {"Ext block size 2^17", 49, ext, {{1024 + 24, 7}}, kSectors, false, {}},
        {"Ext without magic", 49, ext, {{1024 + 56, 0}}, kSectors, false, {}},
        {"Ext superblock past the volume", 49, ext, {}, 2, false, {}},
    };
    for (const auto& c : cases) {
        MemoryVolume volume(c.volume);
        for (const auto& [offset, value] : c.patch)
            volume.data[offset] = value;
        VolumeParameters p;
        const bool read = FileSystemFor(c.code)->ReadParameters(volume, c.sectors, c.code, &p);
        EXPECT_EQ(read, c.readable) << c.what;
        if (read && c.check) {
            SCOPED_TRACE(c.what);
            c.check(p);
        }
    }
}
