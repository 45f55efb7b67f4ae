// The FAT directory reader against a tree written by mtools.
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "fs/IFileSystemExplorer.h"
#include "engine/KDisk.h"
#include "core/FileSystemTypes.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

// Every path below a directory, as "/dir/file", with directories ending in "/".
void walk(IFileSystemExplorer& explorer, int32_t id, const std::string& prefix, std::set<std::string>& paths,
          std::map<std::string, ExplorerEntry>& files)
{
    std::vector<ExplorerEntry> entries;
    ASSERT_EQ(explorer.List(id, entries), 1) << prefix;
    for (const auto& e : entries) {
        const std::string path = prefix + "/" + e.Name;
        if (e.Attributes & 0x10) {
            paths.insert(path + "/");
            walk(explorer, e.DirectoryId, path, paths, files);
        } else {
            paths.insert(path);
            files[path] = e;
        }
    }
}

} // namespace

class FatExplorerTools : public ::testing::TestWithParam<int> {};

TEST_P(FatExplorerTools, ListsReadsAndRewritesLikeMtools)
{
    for (const char* tool : {"mkfs.fat", "mcopy", "mdir", "fsck.fat"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    const int fatBits = GetParam();
    TempDir dir;
    const std::string image = dir.File("fat.img");
    const int64_t sectors = fatBits == 12 ? 8000 : fatBits == 16 ? 100000 : 300000;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    ASSERT_EQ(RunTool({"mkfs.fat", "-F", std::to_string(fatBits), image}).exitCode, 0);

    // A tree with long and non-ASCII names, nesting, an empty folder and files of several sizes.
    const std::string tree = dir.File("tree");
    ASSERT_EQ(RunTool({"mkdir", "-p", tree + "/Documents and Settings/Deep/Deeper", tree + "/empty folder"}).exitCode, 0);
    const std::vector<std::pair<std::string, int64_t>> files = {
        {"/boot.ini", 211},
        {"/A rather long file name.txt", 5000},
        {"/Documents and Settings/Grüße.dat", 70000},
        {"/Documents and Settings/Deep/Deeper/x.bin", 1},
        {"/Documents and Settings/Deep/zero.bin", 0},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = tree + files[i].first;
        ASSERT_TRUE(MakeSparseFile(path, files[i].second));
        if (files[i].second) {
            ASSERT_TRUE(FillPattern(path, 0, files[i].second, uint32_t(i + 3)));
        }
    }
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    for (const char* top : {"boot.ini", "A rather long file name.txt", "Documents and Settings", "empty folder"}) {
        const ToolResult r = RunTool({"mcopy", "-s", "-i", image, tree + "/" + top, "::/"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }

    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsFat16));
    ASSERT_TRUE(explorer);
    ASSERT_EQ(explorer->Open(&disk, 0), 1);
    std::set<std::string> paths;
    std::map<std::string, ExplorerEntry> found;
    walk(*explorer, kExplorerRoot, "", paths, found);

    // mdir's recursive bare listing names the same paths.
    const ToolResult mdir = RunTool({"mdir", "-/", "-b", "-a", "-i", image, "::/"});
    std::set<std::string> expected;
    std::istringstream lines(mdir.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("::/", 0) != 0)
            continue;
        expected.insert(line.substr(2));
    }
    EXPECT_EQ(paths, expected) << mdir.output;

    for (const auto& [path, size] : files) {
        ASSERT_TRUE(found.count(path)) << path;
        EXPECT_EQ(found[path].Size, size) << path;
        std::vector<uint8_t> data;
        ASSERT_EQ(explorer->ReadFile(found[path], data), 1) << path;
        EXPECT_EQ(data, ReadBytes(tree + path, 0, size)) << path;
        EXPECT_NE(found[path].ModificationTime[1], 0u) << "has a time";
    }

    // boot.ini rewritten in place: same length, new bytes, a clean file system.
    std::vector<uint8_t> bootIni(211, 'x');
    ASSERT_EQ(explorer->WriteFileInPlace(found["/boot.ini"], bootIni), 1);
    EXPECT_EQ(explorer->WriteFileInPlace(found["/boot.ini"], std::vector<uint8_t>(212, 'x')), 0) << "length changes are refused";
    const std::string back = dir.File("boot.back");
    ASSERT_EQ(RunTool({"mcopy", "-i", image, "::/boot.ini", back}).exitCode, 0);
    EXPECT_EQ(ReadBytes(back, 0, 211), bootIni);
    const ToolResult fsck = RunTool({"fsck.fat", "-n", image});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
}

INSTANTIATE_TEST_SUITE_P(Types, FatExplorerTools, ::testing::Values(12, 16, 32));

TEST(FatExplorer, RefusesWhatIsNotFat)
{
    TempDir dir;
    const std::string image = dir.File("blank.img");
    ASSERT_TRUE(MakeSparseFile(image, 1 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsFat32));
    EXPECT_EQ(explorer->Open(&disk, 0), 0);
    std::vector<ExplorerEntry> entries;
    EXPECT_EQ(explorer->List(kExplorerRoot, entries), 0);
    EXPECT_EQ(CreateFileSystemExplorerInterface(kFsLinuxSwap), nullptr);
}

#include <chrono>
#include <random>

// Damaged directories: a chain that loops, entries of random bytes. Answers come quickly, never a crash.
TEST(FatExplorer, HostileDirectories)
{
    if (!HaveTool("mkfs.fat") || !HaveTool("mmd"))
        GTEST_SKIP() << "dosfstools or mtools missing";
    TempDir dir;
    const std::string image = dir.File("bad.img");
    ASSERT_TRUE(MakeSparseFile(image, 100000ll * 512));
    ASSERT_EQ(RunTool({"mkfs.fat", "-F", "16", "-s", "4", image}).exitCode, 0);
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    ASSERT_EQ(RunTool({"mmd", "-i", image, "::/sub"}).exitCode, 0);
    const auto boot = ReadBytes(image, 0, 512);
    const int64_t reserved = boot[14] | (boot[15] << 8);
    const int64_t fatSectors = boot[22] | (boot[23] << 8);
    // The first directory cluster (2) points at itself.
    auto fat = ReadBytes(image, reserved * 512, 512);
    fat[4] = 2;
    fat[5] = 0;
    ASSERT_TRUE(WriteBytes(image, reserved * 512, fat));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsFat16));
    ASSERT_EQ(explorer->Open(&disk, 0), 1);
    std::vector<ExplorerEntry> root, sub;
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    ASSERT_EQ(root.size(), 1u);
    const auto t0 = std::chrono::steady_clock::now();
    explorer->List(root[0].DirectoryId, sub);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    // Random root directory entries, and a file whose size runs past the volume.
    std::mt19937 rng(7);
    std::vector<uint8_t> junk(32 * 512);
    for (auto& b : junk)
        b = uint8_t(rng());
    ASSERT_TRUE(WriteBytes(image, (reserved + 2 * fatSectors) * 512, junk));
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    for (const auto& e : root) {
        EXPECT_LT(std::strlen(e.Name), sizeof e.Name);
        std::vector<uint8_t> data;
        if (!(e.Attributes & 0x10) && e.Size < (64 << 20))
            explorer->ReadFile(e, data);
        std::vector<ExplorerEntry> inner;
        if (e.Attributes & 0x10)
            explorer->List(e.DirectoryId, inner);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}
