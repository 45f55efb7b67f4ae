// Ext2/Ext3 volumes made by mke2fs, moved and copied by MoveExt, and judged by e2fsck and debugfs.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"
#include "engine/KDisk.h"
#include "core/IProgressReporter.h"
#include "fs/ext/ExtMove.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"

using namespace TestSupport;
namespace fsys = std::filesystem;

namespace {

bool haveExtTools()
{
    for (const char* tool : {"mke2fs", "e2fsck", "debugfs"})
        if (!HaveTool(tool))
            return false;
    return true;
}

#define REQUIRE_EXT_TOOLS()                                                                                            \
    do {                                                                                                               \
        if (!haveExtTools())                                                                                           \
            GTEST_SKIP() << "mke2fs, e2fsck or debugfs missing";                                                       \
    } while (0)


// A disk held in memory.
class MemoryDevice : public ISectorDevice {
public:
    explicit MemoryDevice(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        if (!inside(first, count))
            return 0;
        std::memcpy(buffer, bytes.data() + first * 512, size_t(count * 512));
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        if (!inside(first, count))
            return 0;
        std::memcpy(bytes.data() + first * 512, buffer, size_t(count * 512));
        return 1;
    }
    int VerifySectors(int64_t first, int64_t count) override { return inside(first, count); }
    int GetGeometry(DiskGeometry*) override { return 0; }

    std::vector<uint8_t> bytes;

private:
    bool inside(int64_t first, int64_t count) const
    {
        return first >= 0 && count >= 0 && first + count <= int64_t(bytes.size() / 512);
    }
};

// Passes transfers through while checking them: reads must stay in [readFirst, readEnd), writes in
// [writeFirst, writeEnd). The n-th read or write can be made to fail.
class CheckedDevice : public ISectorDevice {
public:
    CheckedDevice(ISectorDevice* inner, int64_t readFirst, int64_t readEnd, int64_t writeFirst, int64_t writeEnd)
        : m_inner(inner), m_readFirst(readFirst), m_readEnd(readEnd), m_writeFirst(writeFirst), m_writeEnd(writeEnd)
    {
    }
    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        ++reads;
        callsAfterFailure += failed;
        largestTransfer = std::max(largestTransfer, count);
        if (first < m_readFirst || count <= 0 || first + count > m_readEnd)
            ++strayReads;
        if (reads == failRead) {
            failed = 1;
            return 0;
        }
        sectorsRead += count;
        return m_inner->ReadSectors(buffer, first, count);
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        ++writes;
        callsAfterFailure += failed;
        largestTransfer = std::max(largestTransfer, count);
        if (first < m_writeFirst || count <= 0 || first + count > m_writeEnd)
            ++strayWrites;
        if (writes == failWrite) {
            failed = 1;
            return 0;
        }
        sectorsWritten += count;
        return m_inner->WriteSectors(buffer, first, count);
    }
    int VerifySectors(int64_t first, int64_t count) override { return m_inner->VerifySectors(first, count); }
    int GetGeometry(DiskGeometry* geometry) override { return m_inner->GetGeometry(geometry); }

    int reads = 0, writes = 0, failRead = 0, failWrite = 0, failed = 0, callsAfterFailure = 0;
    int strayReads = 0, strayWrites = 0;
    int64_t sectorsRead = 0, sectorsWritten = 0, largestTransfer = 0;

private:
    ISectorDevice* m_inner;
    int64_t m_readFirst, m_readEnd, m_writeFirst, m_writeEnd;
};

// Deterministic file contents.
std::vector<uint8_t> contentsOf(uint32_t seed, size_t size)
{
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 7;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = uint8_t(state >> 3);
    }
    return bytes;
}

// A tree of files written to a folder; the files listed in `Removed` are deleted from the volume after
// mke2fs has put them there, so the volume has freed blocks between used ones.
struct FileTree {
    std::string Root;                                  // holds the folder "data"
    std::map<std::string, std::vector<uint8_t>> Files; // path under "data" -> contents, the kept ones
    std::set<std::string> Folders;
    std::vector<std::string> Removed;
};

FileTree makeTree(const std::string& root, int files, size_t bigFile)
{
    static const size_t sizes[] = {0, 1, 100, 511, 1023, 1024, 1025, 2047, 2048, 4095, 4096, 4097, 8192, 12289,
                                   20000, 49152, 65536, 70001, 150000, 280000};
    FileTree tree;
    tree.Root = root;
    for (int i = 0; i < files; ++i) {
        const std::string folder = "d" + std::to_string(i % 13) + (i % 3 == 0 ? "/deeper" : "");
        const std::string path = folder + "/f" + std::to_string(i);
        size_t size = sizes[size_t(i) % (sizeof sizes / sizeof sizes[0])];
        if (i % 97 == 50)
            size = bigFile + size_t(i);
        const auto bytes = contentsOf(uint32_t(i + 1), size);
        fsys::create_directories(root + "/data/" + folder);
        std::ofstream(root + "/data/" + path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                      std::streamsize(bytes.size()));
        tree.Folders.insert(folder.substr(0, folder.find('/')));
        tree.Folders.insert(folder);
        if (i % 7 == 3)
            tree.Removed.push_back(path);
        else
            tree.Files[path] = bytes;
    }
    return tree;
}

uint32_t sbField(const std::vector<uint8_t>& volume, size_t offset) { return le32(volume.data() + 1024 + offset); }

// Makes a volume file with mke2fs (from the tree when given), then removes the tree's doomed files.
bool makeVolume(const std::string& file, int64_t bytes, const std::vector<std::string>& options, const FileTree* tree,
                std::string& output)
{
    if (!MakeSparseFile(file, bytes))
        return false;
    std::vector<std::string> argv = {"mke2fs", "-q", "-F"};
    argv.insert(argv.end(), options.begin(), options.end());
    if (tree) {
        argv.push_back("-d");
        argv.push_back(tree->Root);
    }
    argv.push_back(file);
    const ToolResult made = RunTool(argv);
    output = made.output;
    if (made.exitCode != 0)
        return false;
    if (tree && !tree->Removed.empty()) {
        std::string commands;
        for (const auto& path : tree->Removed)
            commands += "rm /data/" + path + "\n";
        const std::string script = file + ".rm";
        std::ofstream(script) << commands;
        const ToolResult removed = RunTool({"debugfs", "-w", "-f", script, file});
        output += removed.output;
        if (removed.exitCode != 0)
            return false;
    }
    return true;
}

std::vector<uint8_t> wholeFile(const std::string& path)
{
    return ReadBytes(path, 0, int64_t(fsys::file_size(path)));
}

// A scratch folder in memory when the system has one: unpacking hundreds of files again and again is
// far quicker there than on a disk file system.
class MemoryScratch {
public:
    MemoryScratch()
    {
        char name[] = "/dev/shm/volmara-test-XXXXXX";
        if (fsys::is_directory("/dev/shm") && ::mkdtemp(name))
            m_path = name;
        else
            m_path = m_fallback.Path();
    }
    ~MemoryScratch()
    {
        std::error_code ec;
        if (m_path != m_fallback.Path())
            fsys::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    TempDir m_fallback;
    std::string m_path;
};

// e2fsck finds nothing to fix and debugfs reads back exactly the tree's kept files.
void expectVolumeHolds(const std::string& image, int64_t start, int64_t bytes, const FileTree& tree,
                       const std::string& what)
{
    SCOPED_TRACE(what);
    MemoryScratch scratch;
    const std::string volume = scratch.File("volume.img");
    ASSERT_TRUE(MakeSparseFile(volume, bytes));
    const auto content = ReadBytes(image, start * 512, bytes);
    ASSERT_EQ(int64_t(content.size()), bytes);
    ASSERT_TRUE(WriteBytes(volume, 0, content));
    const ToolResult fsck = RunTool({"e2fsck", "-fn", volume});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;

    const std::string out = scratch.File("out");
    fsys::create_directory(out);
    const ToolResult dump = RunTool({"debugfs", "-R", "rdump /data " + out, volume});
    ASSERT_TRUE(fsys::is_directory(out + "/data")) << dump.output;
    std::set<std::string> folders;
    size_t matched = 0;
    for (const auto& entry : fsys::recursive_directory_iterator(out + "/data")) {
        const std::string relative = fsys::relative(entry.path(), out + "/data").string();
        if (entry.is_directory()) {
            folders.insert(relative);
            continue;
        }
        const auto expected = tree.Files.find(relative);
        if (expected == tree.Files.end()) {
            ADD_FAILURE() << "unexpected file " << relative;
            continue;
        }
        EXPECT_TRUE(wholeFile(entry.path().string()) == expected->second) << relative << " differs";
        ++matched;
    }
    EXPECT_EQ(matched, tree.Files.size());
    EXPECT_EQ(folders, tree.Folders);
}

// An image of the given size filled with a repeated pseudo-random mebibyte.
bool makePatternImage(const std::string& path, int64_t bytes, uint32_t seed)
{
    if (!MakeSparseFile(path, bytes))
        return false;
    const auto chunk = contentsOf(seed, 1 << 20);
    for (int64_t at = 0; at < bytes; at += int64_t(chunk.size()))
        if (!WriteBytes(path, at, chunk))
            return false;
    return true;
}

// Only [start, start + sectors) of an image may differ between two snapshots of it.
void expectOnlyRangeChanged(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int64_t start,
                            int64_t sectors, const std::string& what)
{
    ASSERT_EQ(before.size(), after.size());
    const size_t from = size_t(start * 512), to = size_t((start + sectors) * 512);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + ptrdiff_t(from), after.begin()))
        << what << ": bytes before the target changed";
    EXPECT_TRUE(std::equal(before.begin() + ptrdiff_t(to), before.end(), after.begin() + ptrdiff_t(to)))
        << what << ": bytes after the target changed";
}

// The shared tree for the volume cases: a few hundred files, about 6 MB.
const FileTree& bigTree()
{
    static TempDir dir;
    static const FileTree tree = makeTree(dir.Path(), 320, 1100000);
    return tree;
}

// A small volume (8 MiB unless told, two dozen files) for the transfer checks, made once per option set.
const std::vector<uint8_t>& smallVolume(const std::vector<std::string>& options, int64_t bytes = 8 << 20)
{
    static TempDir dir;
    static const FileTree tree = makeTree(dir.File("tree"), 24, 300000);
    static std::map<std::pair<std::vector<std::string>, int64_t>, std::vector<uint8_t>> made;
    const auto key = std::make_pair(options, bytes);
    auto found = made.find(key);
    if (found != made.end())
        return found->second;
    const std::string file = dir.File("small" + std::to_string(made.size()) + ".img");
    std::string output;
    std::vector<uint8_t> volume;
    if (makeVolume(file, bytes, options, &tree, output))
        volume = wholeFile(file);
    else
        ADD_FAILURE() << output;
    return made[key] = volume;
}

int64_t expectedTotal(const std::vector<uint8_t>& volume)
{
    const int64_t spb = int64_t(2) << sbField(volume, 0x18);
    return (int64_t(sbField(volume, 0x04)) - sbField(volume, 0x0C)) * spb * 2;
}

struct VolumeCase {
    const char* Type;
    int BlockBytes;
    int BlocksPerGroup; // 0: mke2fs's default
};

std::string caseName(const ::testing::TestParamInfo<VolumeCase>& info)
{
    return std::string(info.param.Type) + "_" + std::to_string(info.param.BlockBytes);
}

} // namespace

class ExtMoveVolumes : public ::testing::TestWithParam<VolumeCase> {};

// One volume moved up and down over itself, by one sector each way, and far away, then copied to a
// second image; every step is checked by e2fsck and by reading back every file.
TEST_P(ExtMoveVolumes, MovedAndCopiedIntact)
{
    REQUIRE_EXT_TOOLS();
    const VolumeCase c = GetParam();
    const FileTree& tree = bigTree();
    TempDir dir;
    const int64_t volumeBytes = (23 << 20) + (512 << 10); // a partial last group
    std::vector<std::string> options = {"-t", c.Type, "-b", std::to_string(c.BlockBytes)};
    if (c.BlocksPerGroup) {
        options.push_back("-g");
        options.push_back(std::to_string(c.BlocksPerGroup));
    }
    std::string output;
    const std::string made = dir.File("made.img");
    ASSERT_TRUE(makeVolume(made, volumeBytes, options, &tree, output)) << output;
    const auto volume = wholeFile(made);
    ASSERT_EQ(sbField(volume, 0x60) & 0x200, 0u) << "flexible block groups on an ext2/ext3 volume";
    ASSERT_EQ(sbField(volume, 0x64) & 0x410, 0u) << "group checksums on an ext2/ext3 volume";
    ASSERT_EQ(int64_t(1024) << sbField(volume, 0x18), c.BlockBytes);
    ASSERT_GE((sbField(volume, 0x04) + sbField(volume, 0x20) - 1) / sbField(volume, 0x20), 3u);
    // The trailing sectors make the extent a little longer than the file system.
    const int64_t sectors = volumeBytes / 512 + 5;

    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(makePatternImage(image, 64 << 20, 11));
    int64_t at = 8199;
    ASSERT_TRUE(WriteBytes(image, at * 512, volume));
    expectVolumeHolds(image, at, volumeBytes, tree, "as made");

    struct Step {
        const char* What;
        int64_t To;
    } steps[] = {{"up, overlapping", at + 10243}, {"down, overlapping", 2049}, {"up one sector", 2050},
                 {"down one sector", 2049},       {"far up", 80001},          {"far down", 30001}};
    std::vector<uint8_t> before = wholeFile(image);
    for (const Step& step : steps) {
        {
            KDisk disk;
            ASSERT_TRUE(disk.OpenPath(image, 0));
            RecordingProgress progress;
            ASSERT_EQ(MoveExt(&disk, at, sectors, &disk, step.To, &progress), kExtMoveOk) << step.What;
            EXPECT_EQ(progress.positions.back(), expectedTotal(volume)) << step.What;
        }
        const std::vector<uint8_t> after = wholeFile(image);
        expectOnlyRangeChanged(before, after, step.To, sectors, step.What);
        expectVolumeHolds(image, step.To, volumeBytes, tree, step.What);
        before = after;
        at = step.To;
    }

    // A copy to another image leaves the source image as it was.
    const std::string second = dir.File("second.img");
    ASSERT_TRUE(makePatternImage(second, 32 << 20, 12));
    const std::vector<uint8_t> secondBefore = wholeFile(second);
    {
        KDisk source, target;
        ASSERT_TRUE(source.OpenPath(image, 0));
        ASSERT_TRUE(target.OpenPath(second, 1));
        RecordingProgress progress;
        ASSERT_EQ(MoveExt(&source, at, sectors, &target, 3001, &progress), kExtMoveOk);
    }
    EXPECT_TRUE(wholeFile(image) == before) << "the copy changed its source";
    expectOnlyRangeChanged(secondBefore, wholeFile(second), 3001, sectors, "copy");
    expectVolumeHolds(second, 3001, volumeBytes, tree, "copy");
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, ExtMoveVolumes,
                         ::testing::Values(VolumeCase{"ext3", 1024, 0}, VolumeCase{"ext3", 2048, 4096},
                                           VolumeCase{"ext3", 4096, 2048}, VolumeCase{"ext2", 4096, 2048},
                                           VolumeCase{"ext2", 1024, 0}),
                         caseName);

// Files mapped by extents change nothing for a block copy as long as the groups keep the plain layout.
TEST(ExtMoveEdges, ExtentMappedFilesWithThePlainGroupLayout)
{
    REQUIRE_EXT_TOOLS();
    const auto& volume = smallVolume({"-t", "ext3", "-b", "1024", "-O", "extent,huge_file,dir_nlink,extra_isize"});
    ASSERT_FALSE(volume.empty());
    ASSERT_NE(sbField(volume, 0x60) & 0x40, 0u);
    MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size() + 4096, 0xA5));
    RecordingProgress progress;
    ASSERT_EQ(MoveExt(&source, 0, int64_t(volume.size() / 512), &target, 8, &progress), kExtMoveOk);
    TempDir dir;
    const std::string copy = dir.File("copy.img");
    ASSERT_TRUE(MakeSparseFile(copy, int64_t(volume.size())));
    ASSERT_TRUE(WriteBytes(copy, 0, std::vector<uint8_t>(target.bytes.begin() + 4096, target.bytes.end())));
    const ToolResult fsck = RunTool({"e2fsck", "-fn", copy});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
}

// Volumes whose groups are not laid out plainly are refused before anything is written.
TEST(ExtMoveEdges, OtherGroupLayoutsRefused)
{
    REQUIRE_EXT_TOOLS();
    const std::vector<std::vector<std::string>> refused = {
        {"-t", "ext4", "-b", "1024"},                                     // flexible block groups
        {"-t", "ext4", "-b", "4096"},                                     // the same with 4 KiB blocks
        {"-t", "ext3", "-b", "1024", "-O", "64bit,extent"},               // wider descriptors
        {"-t", "ext3", "-b", "1024", "-O", "meta_bg,^resize_inode"},      // descriptors spread out
        {"-t", "ext4", "-b", "1024", "-g", "1024", "-O", "^flex_bg,^64bit"}, // groups with unwritten bitmaps
    };
    for (const auto& options : refused) {
        const auto& volume = smallVolume(options);
        ASSERT_FALSE(volume.empty());
        MemoryDevice disk(volume);
        CheckedDevice checked(&disk, 0, int64_t(volume.size() / 512), 0, 0);
        RecordingProgress progress;
        EXPECT_EQ(MoveExt(&checked, 0, int64_t(volume.size() / 512), &checked, 0, &progress), kExtMoveUnsupported)
            << options[1] << " " << options.back();
        EXPECT_EQ(checked.writes, 0);
        EXPECT_TRUE(progress.begun.empty());
        EXPECT_TRUE(disk.bytes == volume);
    }
}

// The flexible-block-group volume of a real image: refused, the image unchanged.
TEST(ExtMoveEdges, FlexibleBlockGroupsRefusedOnAnImage)
{
    REQUIRE_EXT_TOOLS();
    TempDir dir;
    const std::string image = dir.File("ext4.img");
    std::string output;
    ASSERT_TRUE(makeVolume(image, 16 << 20, {"-t", "ext4"}, nullptr, output)) << output;
    ASSERT_NE(sbField(ReadBytes(image, 0, 2048), 0x60) & 0x200, 0u);
    const uint64_t hash = HashRange(image, 0, 16 << 20);
    {
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        RecordingProgress progress;
        EXPECT_EQ(MoveExt(&disk, 0, 16384, &disk, 8192, &progress), kExtMoveUnsupported);
    }
    EXPECT_EQ(HashRange(image, 0, 16 << 20), hash);
}

TEST(ExtMoveEdges, RefusedArguments)
{
    REQUIRE_EXT_TOOLS();
    const auto& volume = smallVolume({"-t", "ext3", "-b", "1024"});
    ASSERT_FALSE(volume.empty());
    const int64_t sectors = int64_t(volume.size() / 512);
    MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size()));
    CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 0, sectors);
    RecordingProgress progress;
    EXPECT_EQ(MoveExt(&in, 0, sectors, &out, 0, nullptr), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(nullptr, 0, sectors, &out, 0, &progress), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(&in, 0, sectors, nullptr, 0, &progress), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(&in, -1, sectors, &out, 0, &progress), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(&in, 0, sectors, &out, -1, &progress), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(&in, 0, 0, &out, 0, &progress), kExtMoveBadArgument);
    EXPECT_EQ(MoveExt(&in, 0, sectors, &out, INT64_MAX - 10, &progress), kExtMoveBadArgument);
    EXPECT_EQ(in.reads + out.reads + in.writes + out.writes, 0);
    // An extent shorter than the file system.
    EXPECT_EQ(MoveExt(&in, 0, sectors - 1, &out, 0, &progress), kExtMoveUnsupported);
    EXPECT_EQ(MoveExt(&in, 0, 3, &out, 0, &progress), kExtMoveUnsupported);
    EXPECT_EQ(out.writes, 0);
    EXPECT_EQ(in.strayReads, 0);
}

TEST(ExtMoveEdges, DamagedSuperblockOrDescriptorsRefused)
{
    REQUIRE_EXT_TOOLS();
    const auto& volume = smallVolume({"-t", "ext3", "-b", "1024"});
    ASSERT_FALSE(volume.empty());
    const int64_t sectors = int64_t(volume.size() / 512);
    struct Damage {
        const char* What;
        size_t Offset;
        uint32_t Value;
        int Width;
    } damages[] = {
        {"magic", 1024 + 0x38, 0xEF54, 2},
        {"free blocks above blocks", 1024 + 0x0C, 0xFFFFFF, 4},
        {"free inodes above inodes", 1024 + 0x10, 0xFFFFFF, 4},
        {"log block size", 1024 + 0x18, 3, 4},
        {"log fragment size", 1024 + 0x1C, 3, 4},
        {"revision", 1024 + 0x4C, 2, 4},
        {"group number", 1024 + 0x5A, 1, 2},
        {"flexible block groups", 1024 + 0x60, 0x202, 4},
        {"first data block", 1024 + 0x14, 0, 4},
        {"blocks per group", 1024 + 0x20, 0, 4},
        {"blocks beyond the extent", 1024 + 0x04, 0x100000, 4},
        {"group 0 bitmap outside", 2048 + 0, 0x7FFFFFFF, 4},
        {"group 0 bitmap one past the end", 2048 + 0, 8192, 4},
        {"group 0 bitmap on the superblock", 2048 + 0, 1, 4},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = volume;
        if (d.Width == 2)
            put_le16(bytes.data() + d.Offset, uint16_t(d.Value));
        else
            put_le32(bytes.data() + d.Offset, d.Value);
        MemoryDevice source(bytes), target(std::vector<uint8_t>(volume.size()));
        CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 0, sectors);
        RecordingProgress progress;
        EXPECT_EQ(MoveExt(&in, 0, sectors, &out, 0, &progress), kExtMoveUnsupported) << d.What;
        EXPECT_EQ(out.writes, 0) << d.What;
        EXPECT_EQ(in.strayReads, 0) << d.What;
    }
}

TEST(ExtMoveEdges, ProgressCountsEveryReadAndWrite)
{
    REQUIRE_EXT_TOOLS();
    for (const char* blockBytes : {"1024", "4096"}) {
        const auto& volume = smallVolume({"-t", "ext3", "-b", blockBytes});
        ASSERT_FALSE(volume.empty());
        const int64_t sectors = int64_t(volume.size() / 512);
        MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size() + 100 * 512, 0x5A));
        CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 100, 100 + sectors);
        RecordingProgress progress;
        ASSERT_EQ(MoveExt(&in, 0, sectors, &out, 100, &progress), kExtMoveOk);
        EXPECT_EQ(progress.begun, std::vector<int>{-1});
        EXPECT_EQ(progress.names, std::vector<int>{82});
        EXPECT_EQ(progress.totals, std::vector<int64_t>{expectedTotal(volume)});
        EXPECT_EQ(progress.completed, 1);
        ASSERT_FALSE(progress.positions.empty());
        EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
        EXPECT_EQ(progress.positions.back(), expectedTotal(volume));
        // Block 0 and the used blocks, each read once and written once.
        EXPECT_EQ(out.sectorsWritten, expectedTotal(volume) / 2);
        EXPECT_LE(in.largestTransfer, 126);
        EXPECT_LE(out.largestTransfer, 126);
        EXPECT_EQ(in.strayReads, 0);
        EXPECT_EQ(out.strayWrites, 0);
        // Polled once per copied block.
        EXPECT_EQ(progress.polls, expectedTotal(volume) / 2 / (int64_t(2) << sbField(volume, 0x18)));
        // Block 0 lands at the target start, whatever the bitmaps say about it.
        EXPECT_TRUE(std::equal(volume.begin(), volume.begin() + 2048, target.bytes.begin() + 100 * 512));
    }
}

TEST(ExtMoveEdges, CancelStopsAtThePoll)
{
    REQUIRE_EXT_TOOLS();
    const auto& volume = smallVolume({"-t", "ext3", "-b", "1024"});
    ASSERT_FALSE(volume.empty());
    const int64_t sectors = int64_t(volume.size() / 512);
    for (int poll : {1, 2, 300, 1500}) {
        MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size()));
        CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 0, sectors);
        RecordingProgress progress(poll);
        EXPECT_EQ(MoveExt(&in, 0, sectors, &out, 0, &progress), kExtMoveCancelled) << poll;
        EXPECT_EQ(progress.polls, poll);
        EXPECT_EQ(progress.completed, 0);
        // Only blocks polled before the cancel may have been written.
        EXPECT_LE(out.sectorsWritten, int64_t(poll - 1) * 2);
    }
}

TEST(ExtMoveEdges, FailedTransfersStopAtOnce)
{
    REQUIRE_EXT_TOOLS();
    const auto& volume = smallVolume({"-t", "ext3", "-b", "2048"});
    ASSERT_FALSE(volume.empty());
    const int64_t sectors = int64_t(volume.size() / 512);
    for (int n : {1, 2, 3, 5, 40}) {
        MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size()));
        CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 0, sectors);
        in.failRead = n;
        RecordingProgress progress;
        EXPECT_EQ(MoveExt(&in, 0, sectors, &out, 0, &progress), kExtMoveReadFailed) << "read " << n;
        EXPECT_EQ(in.reads, n);
        EXPECT_EQ(in.callsAfterFailure, 0);
        if (n <= 2) { // the superblock, the descriptors: nothing written yet
            EXPECT_EQ(out.writes, 0);
        }
    }
    for (int n : {1, 2, 30}) {
        MemoryDevice source(volume), target(std::vector<uint8_t>(volume.size()));
        CheckedDevice in(&source, 0, sectors, 0, 0), out(&target, 0, 0, 0, sectors);
        out.failWrite = n;
        RecordingProgress progress;
        EXPECT_EQ(MoveExt(&in, 0, sectors, &out, 0, &progress), kExtMoveWriteFailed) << "write " << n;
        EXPECT_EQ(out.writes, n);
        EXPECT_EQ(out.callsAfterFailure + in.callsAfterFailure, 0);
    }
}

// Damage of every kind to the superblock, descriptors and bitmaps: the copy either happens or is
// refused, and never strays outside the two extents, whether to another disk or within one.
TEST(ExtMoveEdges, HostileMetadataStaysInBounds)
{
    REQUIRE_EXT_TOOLS();
    for (const char* blockBytes : {"1024", "4096"}) {
        const bool small = blockBytes[0] == '1';
        const auto& volume = smallVolume({"-t", "ext2", "-b", blockBytes, "-g", small ? "512" : "256"}, 2 << 20);
        ASSERT_FALSE(volume.empty());
        const int64_t sectors = int64_t(volume.size() / 512);
        const size_t block = size_t(1024) << sbField(volume, 0x18);
        const size_t descriptors = (block == 1024 ? 2 : 1) * block;
        const uint32_t groups = (sbField(volume, 0x04) - (block == 1024 ? 1 : 0) + sbField(volume, 0x20) - 1) /
                                sbField(volume, 0x20);
        ASSERT_GE(groups, 2u);
        uint32_t state = 12345;
        auto next = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return state;
        };
        const uint32_t interesting[] = {0, 1, 2, 7, 8, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF,
                                        sbField(volume, 0x04), sbField(volume, 0x04) + 1, sbField(volume, 0x04) - 1};
        // One disk three volumes long: the source in the middle, the target anywhere on it; or a second disk.
        MemoryDevice disk(std::vector<uint8_t>(volume.size() * 3)), other(std::vector<uint8_t>(volume.size()));
        int copied = 0, refused = 0;
        for (int round = 0; round < 250; ++round) {
            std::copy(volume.begin(), volume.end(), disk.bytes.begin() + ptrdiff_t(volume.size()));
            uint8_t* bytes = disk.bytes.data() + volume.size();
            const int edits = 1 + int(next() % 4);
            for (int e = 0; e < edits; ++e) {
                size_t at = 0;
                switch (next() % 3) {
                case 0: at = 1024 + (next() % 0x68) / 4 * 4; break;        // a superblock field
                case 1: at = descriptors + (next() % 128) / 4 * 4; break;  // a descriptor
                default:                                                   // a block bitmap
                    at = le32(volume.data() + descriptors + (next() % groups) * 32) * block + next() % block / 4 * 4;
                    break;
                }
                put_le32(bytes + at, next() % 2 ? interesting[next() % std::size(interesting)] : next());
            }
            const bool withinOneDisk = round % 2 == 1;
            const int64_t to = withinOneDisk ? int64_t(next() % uint32_t(2 * sectors + 1)) : 0;
            CheckedDevice in(&disk, sectors, 2 * sectors, 0, 0), out(&other, 0, 0, 0, sectors);
            CheckedDevice both(&disk, sectors, 2 * sectors, to, to + sectors);
            RecordingProgress progress;
            const int rc = withinOneDisk ? MoveExt(&both, sectors, sectors, &both, to, &progress)
                                         : MoveExt(&in, sectors, sectors, &out, 0, &progress);
            EXPECT_TRUE(rc == kExtMoveOk || rc == kExtMoveUnsupported) << "round " << round << ": " << rc;
            copied += rc == kExtMoveOk;
            refused += rc == kExtMoveUnsupported;
            EXPECT_EQ(in.strayReads + both.strayReads, 0) << "round " << round;
            EXPECT_EQ(out.strayWrites + both.strayWrites, 0) << "round " << round;
            EXPECT_LE(std::max(out.largestTransfer, both.largestTransfer), 126);
        }
        // Both outcomes are exercised.
        EXPECT_GT(copied, 25) << blockBytes;
        EXPECT_GT(refused, 25) << blockBytes;
    }
}
