// The Ext2/Ext3 directory reader against volumes made by mke2fs -d and read back by debugfs.
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "core/FileSystemTypes.h"
#include "engine/KDisk.h"
#include "fs/IFileSystemExplorer.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

struct ExtCase {
    const char* type;
    int blockBytes;
};

// Files of sizes that reach the direct, single and (with 1 KiB blocks) double indirect maps, a folder of
// a few thousand names (its own blocks need an indirect block) and names with blanks and non-ASCII.
std::map<std::string, int64_t> makeTree(const std::string& root)
{
    std::map<std::string, int64_t> files = {
        {"/boot.ini", 211}, {"/empty", 0}, {"/Grüße und Küsse.txt", 5000}, {"/deep/er/big.bin", 300000},
        {"/deep/large.bin", 1200000}};
    for (int i = 0; i < 3000; ++i)
        files["/many/file number " + std::to_string(i) + ".dat"] = (i * 37) % 3000;
    std::filesystem::create_directories(root + "/empty folder");
    uint32_t seed = 1;
    for (const auto& [path, size] : files) {
        std::filesystem::create_directories(std::filesystem::path(root + path).parent_path());
        EXPECT_TRUE(MakeSparseFile(root + path, size));
        if (size) {
            EXPECT_TRUE(FillPattern(root + path, 0, size, seed++));
        }
    }
    return files;
}

// debugfs's long listing of a folder: name -> size, "." and ".." left out.
std::map<std::string, int64_t> debugfsListing(const std::string& image, const std::string& folder)
{
    const ToolResult r = RunTool({"debugfs", "-R", "ls -l \"" + folder + "\"", image});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    static const std::regex line(R"(^\s*\d+\s+\d+\s+\(\d+\)\s+\d+\s+\d+\s+(\d+)\s+\S+\s+\S+\s(.*)$)");
    std::map<std::string, int64_t> names;
    std::istringstream in(r.output);
    std::string text;
    std::smatch m;
    while (std::getline(in, text))
        if (std::regex_match(text, m, line) && m[2] != "." && m[2] != "..") {
            // debugfs writes bytes outside ASCII as \xNN.
            std::string name = m[2];
            for (size_t at = name.find("\\x"); at != std::string::npos && at + 4 <= name.size(); at = name.find("\\x", at + 1))
                name.replace(at, 4, 1, char(std::stoi(name.substr(at + 2, 2), nullptr, 16)));
            names[name] = std::stoll(m[1]);
        }
    return names;
}

void walk(IFileSystemExplorer& explorer, int32_t id, const std::string& prefix, std::map<std::string, ExplorerEntry>& items)
{
    std::vector<ExplorerEntry> entries;
    ASSERT_EQ(explorer.List(id, entries), 1) << prefix;
    for (const auto& e : entries) {
        const std::string path = prefix + "/" + e.Name;
        items[path] = e;
        if (e.Attributes & 0x10)
            walk(explorer, e.DirectoryId, path, items);
    }
}

} // namespace

class ExtExplorerTools : public ::testing::TestWithParam<ExtCase> {};

TEST_P(ExtExplorerTools, ListsAndReadsLikeDebugfs)
{
    for (const char* tool : {"mke2fs", "debugfs"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    const ExtCase c = GetParam();
    TempDir dir;
    const std::map<std::string, int64_t> files = makeTree(dir.File("tree"));
    const std::string image = dir.File("ext.img");
    ASSERT_TRUE(MakeSparseFile(image, 64ll << 20));
    const ToolResult mk = RunTool({"mke2fs", "-q", "-F", "-t", c.type, "-b", std::to_string(c.blockBytes), "-d",
                                   dir.File("tree"), image});
    ASSERT_EQ(mk.exitCode, 0) << mk.output;

    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(
        CreateFileSystemExplorerInterface(std::string(c.type) == "ext3" ? kFsExt3 : kFsExt2));
    ASSERT_TRUE(explorer);
    ASSERT_EQ(explorer->Open(&disk, 0), 1);
    std::map<std::string, ExplorerEntry> items;
    walk(*explorer, kExplorerRoot, "", items);

    // Every folder lists what debugfs lists there, with the same sizes for files.
    for (const std::string folder : {"/", "/many", "/deep", "/deep/er", "/empty folder", "/lost+found"}) {
        std::map<std::string, int64_t> listed;
        for (const auto& [path, e] : items) {
            const auto slash = path.rfind('/');
            if ((folder == "/" ? "/" : folder + "/") == path.substr(0, slash + 1))
                listed[path.substr(slash + 1)] = e.Size;
        }
        std::map<std::string, int64_t> expected = debugfsListing(image, folder);
        for (auto& [name, size] : expected)
            if (items[(folder == "/" ? "" : folder) + "/" + name].Attributes & 0x10)
                size = 0; // folders show no size
        EXPECT_EQ(listed, expected) << folder;
    }
    // The files' bytes; no rewriting on Ext.
    for (const auto& [path, size] : files) {
        ASSERT_TRUE(items.count(path)) << path;
        std::vector<uint8_t> data;
        ASSERT_EQ(explorer->ReadFile(items[path], data), 1) << path;
        EXPECT_EQ(data, ReadBytes(dir.File("tree") + path, 0, size)) << path;
    }
    std::vector<uint8_t> same;
    ASSERT_EQ(explorer->ReadFile(items["/boot.ini"], same), 1);
    EXPECT_EQ(explorer->WriteFileInPlace(items["/boot.ini"], same), 0);
    EXPECT_EQ(explorer->ReadFile(items["/deep"], same), 0) << "a folder is not a file";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExtExplorerTools,
                         ::testing::Values(ExtCase{"ext2", 1024}, ExtCase{"ext3", 4096}, ExtCase{"ext3", 1024}),
                         [](const auto& info) { return std::string(info.param.type) + "_" + std::to_string(info.param.blockBytes); });

// Damaged folders list what can still be read; ext4 (extents) is not taken for Ext2/Ext3.
TEST(ExtExplorer, DamagedFoldersGivePartialListings)
{
    for (const char* tool : {"mke2fs", "debugfs"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    TempDir dir;
    makeTree(dir.File("tree"));
    const std::string image = dir.File("ext.img");
    ASSERT_TRUE(MakeSparseFile(image, 64ll << 20));
    ASSERT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", "ext2", "-b", "1024", "-d", dir.File("tree"), image}).exitCode, 0);
    // Where the folder's blocks and its single indirect block lie.
    auto bmap = [&](int logical) {
        const ToolResult r = RunTool({"debugfs", "-R", "bmap /many " + std::to_string(logical), image});
        std::smatch m;
        EXPECT_TRUE(std::regex_search(r.output, m, std::regex(R"((?:^|\n)(\d+)\s*(?:\n|$))"))) << r.output;
        return m.empty() ? int64_t(0) : std::stoll(m[1]);
    };
    const ToolResult stat = RunTool({"debugfs", "-R", "stat /many", image});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(stat.output, m, std::regex(R"(\(IND\):(\d+))"))) << stat.output;
    const int64_t indirect = std::stoll(m[1]);

    KDisk disk;
    auto listMany = [&](std::vector<ExplorerEntry>& out) {
        std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsExt2));
        ASSERT_TRUE(disk.OpenPath(image, 0));
        ASSERT_EQ(explorer->Open(&disk, 0), 1);
        std::vector<ExplorerEntry> root;
        ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
        for (const auto& e : root)
            if (std::string(e.Name) == "many") {
                EXPECT_EQ(explorer->List(e.DirectoryId, out), 1);
            }
        disk.Close();
    };
    std::vector<ExplorerEntry> whole, cut;
    listMany(whole);
    ASSERT_EQ(whole.size(), 3000u);

    // A record length of 3 in the second block ends that block only.
    const int64_t second = bmap(1);
    auto block = ReadBytes(image, second * 1024, 1024);
    block[4] = 3;
    block[5] = 0;
    ASSERT_TRUE(WriteBytes(image, second * 1024, block));
    listMany(cut);
    EXPECT_LT(cut.size(), whole.size());
    EXPECT_GT(cut.size(), whole.size() - 100);

    // The indirect block points at itself, then past the volume: the direct blocks still list.
    auto pointers = ReadBytes(image, indirect * 1024, 1024);
    for (size_t i = 0; i < 8; ++i)
        pointers[i] = i < 4 ? uint8_t(indirect >> (8 * i)) : 0xFF;
    ASSERT_TRUE(WriteBytes(image, indirect * 1024, pointers));
    listMany(cut);
    EXPECT_GT(cut.size(), 100u);
    EXPECT_LT(cut.size(), whole.size());
    std::set<std::string> names;
    for (const auto& e : whole)
        names.insert(e.Name);
    for (const auto& e : cut)
        EXPECT_TRUE(names.count(e.Name) || e.Name[0] != 'f') << e.Name;

    // Random bytes over the folder's first blocks and its inode's block map: answers, never a crash.
    std::mt19937 rng(11);
    std::vector<uint8_t> junk(1024);
    for (int logical = 0; logical < 12; ++logical) {
        for (auto& b : junk)
            b = uint8_t(rng());
        ASSERT_TRUE(WriteBytes(image, bmap(logical) * 1024, junk));
    }
    listMany(cut);
    for (const auto& e : cut)
        EXPECT_LT(std::strlen(e.Name), sizeof e.Name);

    const std::string ext4 = dir.File("ext4.img");
    ASSERT_TRUE(MakeSparseFile(ext4, 16 << 20));
    ASSERT_EQ(RunTool({"mke2fs", "-q", "-F", "-t", "ext4", ext4}).exitCode, 0);
    ASSERT_TRUE(disk.OpenPath(ext4, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsExt3));
    EXPECT_EQ(explorer->Open(&disk, 0), 0);
}
