// FAT12/16/32 volumes made by mkfs.fat and by Volmara, filled with mtools, resized, moved, copied and
// given another cluster size or kind by KFatResize, and judged by fsck.fat, mdir, mcopy and blkid; the
// bytes around the target are compared on pattern-filled images. Refusals write nothing, and a power
// cut in the copy phase leaves the old volume whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/ByteOrder.h"
#include "core/IProgressReporter.h"
#include "engine/KDisk.h"
#include "fs/fat/FatFormat.h"
#include "fs/fat/KFatResize.h"
#include "support/CutDevice.h"
#include "support/MemoryVolume.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;
namespace fsys = std::filesystem;

namespace {

constexpr int64_t kDiskSectors = 262144; // 128 MiB

bool haveTools()
{
    for (const char* tool : {"mkfs.fat", "fsck.fat", "mcopy", "mdir", "mdel", "mattrib", "mmd", "blkid", "dd"})
        if (!HaveTool(tool))
            return false;
    return true;
}

#define REQUIRE_FAT_TOOLS()                                                                                            \
    do {                                                                                                               \
        if (!haveTools())                                                                                              \
            GTEST_SKIP() << "dosfstools, mtools or blkid missing";                                                     \
    } while (0)

// How a volume is filled.
enum class Fill { Tree, Many, Fragmented, High, RootFull };

ToolResult mtool(const std::vector<std::string>& argv)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    return RunTool(argv);
}

bool writeFile(const std::string& path, int64_t bytes, uint32_t seed)
{
    return MakeSparseFile(path, 0) && (bytes == 0 || FillPattern(path, 0, bytes, seed));
}

// Fills the volume file `vol` through mtools. Cluster-sized files need the volume's cluster bytes.
std::string fillVolume(const TempDir& dir, const std::string& vol, Fill fill, int64_t clusterBytes, uint32_t seed)
{
    const std::string src = dir.File("src" + std::to_string(seed));
    fsys::remove_all(src);
    auto copyIn = [&](const std::string& what, const std::string& to) {
        const ToolResult r = mtool({"mcopy", "-s", "-i", vol, what, to});
        return r.exitCode == 0 ? std::string() : "mcopy: " + r.output;
    };
    if (fill == Fill::RootFull) {
        // Short names only: each takes one root entry; a fixed root of 512 entries keeps a few free.
        fsys::create_directories(src);
        for (int i = 0; i < 500; ++i)
            if (!writeFile(src + "/F" + std::to_string(i) + ".TXT", i % 7 == 0 ? 0 : 100 + i, seed + uint32_t(i)))
                return "write";
        std::vector<std::string> argv = {"mcopy", "-i", vol};
        for (int i = 0; i < 500; ++i)
            argv.push_back(src + "/F" + std::to_string(i) + ".TXT");
        argv.push_back("::/");
        const ToolResult r = mtool(argv);
        return r.exitCode == 0 ? std::string() : "mcopy: " + r.output;
    }
    if (fill == Fill::High) {
        // A filler takes the low clusters, the files go above it, then the filler goes.
        const std::string filler = dir.File("filler");
        if (!writeFile(filler, 2 << 20, seed))
            return "write";
        if (std::string e = copyIn(filler, "::/FILLER"); !e.empty())
            return e;
    }
    fsys::create_directories(src + "/Deep Folder/level two/three");
    fsys::create_directories(src + "/naïve café");
    const int files = fill == Fill::Many ? 1100 : 80;
    std::mt19937 random(seed);
    for (int i = 0; i < files; ++i) {
        // A fixed root holds 512 entries and a long name takes several: most files go into folders.
        const bool inRoot = i % 4 == 3 && (fill != Fill::Many || i < 120);
        const std::string folder = i % 4 == 0 ? "/Deep Folder/level two/three" : i % 4 == 1 ? "/naïve café"
                                 : inRoot ? "" : "/Deep Folder";
        const std::string name = i % 3 == 0 ? "F" + std::to_string(i) + ".DAT"
                               : "a rather long file name number " + std::to_string(i) + " ÿ.txt";
        int64_t bytes = fill == Fill::Many ? int64_t(random() % 3000) : int64_t(random() % 40000);
        if (i % 10 == 0)
            bytes = 0;
        if (i % 10 == 1)
            bytes = clusterBytes * (1 + i % 3); // ends exactly on a cluster boundary
        if (!writeFile(src + folder + "/" + name, bytes, seed * 7919u + uint32_t(i)))
            return "write";
    }
    {
        std::vector<std::string> argv = {"mcopy", "-s", "-i", vol};
        for (const auto& entry : fsys::directory_iterator(src))
            argv.push_back(entry.path().string());
        argv.push_back("::/");
        const ToolResult r = mtool(argv);
        if (r.exitCode != 0)
            return "mcopy: " + r.output;
    }
    if (fill == Fill::High) {
        if (mtool({"mdel", "-i", vol, "::/FILLER"}).exitCode != 0)
            return "mdel";
    }
    if (fill == Fill::Fragmented) {
        // Write, delete every other one, write larger ones into the holes.
        const std::string frag = dir.File("frag" + std::to_string(seed));
        fsys::remove_all(frag);
        fsys::create_directories(frag);
        for (int i = 0; i < 40; ++i)
            if (!writeFile(frag + "/S" + std::to_string(i) + ".BIN", clusterBytes * 3 - 5, uint32_t(i)))
                return "write";
        if (std::string e = copyIn(frag, "::/FRAG"); !e.empty())
            return e;
        for (int i = 0; i < 40; i += 2)
            if (mtool({"mdel", "-i", vol, "::/FRAG/S" + std::to_string(i) + ".BIN"}).exitCode != 0)
                return "mdel";
        for (int i = 0; i < 10; ++i) {
            const std::string big = frag + "/L" + std::to_string(i) + ".BIN";
            if (!writeFile(big, clusterBytes * 7 + 11, uint32_t(100 + i)))
                return "write";
            if (std::string e = copyIn(big, "::/FRAG/L" + std::to_string(i) + ".BIN"); !e.empty())
                return e;
        }
    }
    // Hidden and system attributes.
    mtool({"mattrib", "-i", vol, "+h", "::/Deep Folder"});
    mtool({"mattrib", "-i", vol, "+s", "+r", "::/naïve café"});
    return {};
}

// What a user sees of a volume: the listing (without serial number and free space), every file's
// bytes, and the label.
struct Snapshot {
    std::string listing;
    std::map<std::string, uint64_t> files;
    bool operator==(const Snapshot& o) const { return listing == o.listing && files == o.files; }
};

Snapshot snapshot(const TempDir& dir, const std::string& volume)
{
    Snapshot s;
    const ToolResult list = mtool({"mdir", "-/", "-a", "-i", volume, "::"});
    for (size_t at = 0; at < list.output.size();) {
        size_t end = list.output.find('\n', at);
        if (end == std::string::npos)
            end = list.output.size();
        const std::string line = list.output.substr(at, end - at);
        if (line.find("Serial Number") == std::string::npos && line.find("bytes free") == std::string::npos)
            s.listing += line + "\n";
        at = end + 1;
    }
    s.listing += mtool({"mattrib", "-/", "-i", volume, "::/*"}).output;
    const std::string out = dir.File("out");
    fsys::remove_all(out);
    fsys::create_directories(out);
    mtool({"mcopy", "-s", "-n", "-i", volume, "::/*", out});
    s.files = VolumeCheck::TreeHashes(out);
    fsys::remove_all(out);
    return s;
}

struct Volume {
    std::string image;
    int64_t start = 0, sectors = 0;
};

// Makes a volume of `kind` (12, 16, 32) and `sectors` at `start` of a pattern-filled image, filled.
std::string makeVolume(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, int kind,
                       int spc, Fill fill, bool ours, uint32_t seed, int64_t diskSectors = kDiskSectors)
{
    const std::string vol = dir.File("vol" + std::to_string(seed) + ".img");
    if (!MakeSparseFile(vol, sectors * 512))
        return "sparse";
    if (ours) {
        KDisk disk;
        if (!disk.OpenPath(vol, 9))
            return "open";
        int type = kind == 12 ? 1 : kind == 16 ? 6 : 11, cs = spc;
        char label[12] = "VOLMARA";
        if (FormatFatVolume(&disk, 0, sectors, start, type, cs, label) != 0)
            return "format";
    } else {
        std::vector<std::string> argv = {"mkfs.fat", "-F", std::to_string(kind), "-n", "TESTLABEL"};
        if (spc)
            argv.insert(argv.end(), {"-s", std::to_string(spc)});
        if (kind == 32)
            argv.insert(argv.end(), {"-R", "32"});
        argv.push_back(vol);
        const ToolResult r = RunTool(argv);
        if (r.exitCode != 0)
            return "mkfs.fat: " + r.output;
    }
    const std::vector<uint8_t> boot = ReadBytes(vol, 0, 512);
    const int64_t clusterBytes = int64_t(boot[13]) * 512;
    if (std::string e = fillVolume(dir, vol, fill, clusterBytes, seed); !e.empty())
        return e;
    if (!fsys::exists(image) && (!MakeSparseFile(image, diskSectors * 512) ||
                                 !FillPattern(image, 0, std::min(diskSectors, kDiskSectors) * 512, seed)))
        return "image";
    std::vector<uint8_t> bytes = ReadBytes(vol, 0, sectors * 512);
    if (!WriteBytes(image, start * 512, bytes))
        return "write";
    fsys::remove(vol);
    return {};
}

Snapshot snapshotAt(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors)
{
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "snap.img");
    Snapshot s = snapshot(dir, vol);
    fsys::remove(vol);
    return s;
}

// fsck.fat finds nothing, blkid sees a FAT volume with the label, and the files are those of `before`.
void expectIntact(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, const Snapshot& before,
                  const std::string& what)
{
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "judge.img");
    const ToolResult fsck = RunTool({"fsck.fat", "-n", vol});
    EXPECT_EQ(fsck.exitCode, 0) << what << "\n" << fsck.output;
    const std::string blkid = RunTool({"blkid", "-p", "-o", "export", vol}).output;
    EXPECT_NE(blkid.find("TYPE=vfat"), std::string::npos) << what << "\n" << blkid;
    const Snapshot after = snapshot(dir, vol);
    EXPECT_EQ(after.listing, before.listing) << what;
    EXPECT_TRUE(after.files == before.files) << what << ": " << after.files.size() << " files, were " << before.files.size();
    fsys::remove(vol);
}

struct Around {
    uint64_t below = 0, above = 0;
};

Around hashAround(const std::string& image, int64_t start, int64_t sectors, int64_t diskSectors = kDiskSectors)
{
    return {HashRange(image, 0, start * 512), HashRange(image, (start + sectors) * 512, (diskSectors - start - sectors) * 512)};
}

// The operations the matrix draws from. Each moves the volume at `start` (`sectors` long) and says where
// it ends up.
enum class Op { Grow, Shrink, MoveUpOdd, MoveDown, MoveFar, GrowMove, CopySame, CopyBigger, CopyOther, ClusterUp, ClusterDown };

const char* opName(Op op)
{
    switch (op) {
    case Op::Grow: return "grow";
    case Op::Shrink: return "shrink";
    case Op::MoveUpOdd: return "move up by an odd count";
    case Op::MoveDown: return "move down";
    case Op::MoveFar: return "move far";
    case Op::GrowMove: return "grow and move";
    case Op::CopySame: return "copy within the disk";
    case Op::CopyBigger: return "copy to a larger extent";
    case Op::CopyOther: return "copy to another image";
    case Op::ClusterUp: return "larger clusters";
    default: return "smaller clusters";
    }
}

struct Outcome {
    int rc = -1;
    std::string image;
    int64_t start = 0, sectors = 0;
};

// Where an operation puts the volume.
Outcome target(Op op, int64_t start, int64_t sectors)
{
    Outcome o{-1, {}, start, sectors};
    switch (op) {
    case Op::Grow: o.sectors = sectors * 3 / 2; break;
    case Op::Shrink: o.sectors = sectors * 7 / 10; break;
    case Op::MoveUpOdd: o.start = start + sectors / 3 + 1; break;
    case Op::MoveDown: o.start = start - sectors / 4 - 7; break;
    case Op::MoveFar: o.start = start + sectors + 4096; break;
    case Op::GrowMove: o.start = start + 2049, o.sectors = sectors * 5 / 4; break;
    case Op::CopySame: o.start = start + sectors + 2048; break;
    case Op::CopyBigger: o.start = start + sectors + 2048, o.sectors = sectors * 3 / 2; break;
    default: break;
    }
    return o;
}

Outcome runOp(const TempDir& dir, const std::string& image, Op op, int64_t start, int64_t sectors, int spc, int keep)
{
    KDisk disk;
    EXPECT_TRUE(disk.OpenPath(image, 0));
    RecordingProgress progress;
    KFatResize resizer;
    Outcome o = target(op, start, sectors);
    o.image = op == Op::CopyOther ? dir.File("other.img") : image;
    if (op == Op::CopySame || op == Op::CopyBigger) {
        o.rc = resizer.CopyFat(&disk, start, sectors, &disk, o.start, o.sectors, 1, &progress);
    } else if (op == Op::CopyOther) {
        if (!fsys::exists(o.image)) {
            MakeSparseFile(o.image, kDiskSectors * 512);
            FillPattern(o.image, 0, kDiskSectors * 512, 99);
        }
        KDisk other;
        EXPECT_TRUE(other.OpenPath(o.image, 1));
        o.rc = resizer.CopyFat(&disk, start, sectors, &other, start, sectors, 1, &progress);
    } else if (op == Op::ClusterUp || op == Op::ClusterDown) {
        o.rc = resizer.ChangeFatClusterSize(&disk, start, sectors, op == Op::ClusterUp ? spc * 2 : std::max(1, spc / 2), 1,
                                            keep, &progress);
    } else {
        o.rc = resizer.ResizeFat(&disk, start, sectors, o.start, o.sectors, 1, keep, &progress);
    }
    return o;
}

struct MatrixCase {
    int kind, spc;
    Op op;
    Fill fill;
    bool ours;
    int keep;
};

std::string describe(const MatrixCase& c)
{
    static const char* fills[] = {"tree", "1,100 files", "fragmented", "high", "full root"};
    return "FAT" + std::to_string(c.kind) + " spc " + std::to_string(c.spc) + ", " + opName(c.op) + ", " +
           fills[int(c.fill)] + (c.ours ? ", made by Volmara" : ", made by mkfs.fat") + ", keep " + std::to_string(c.keep);
}

// One case: make, fill, operate, judge. Cluster changes the size cannot take are refused with nothing
// written (false); everything else must succeed.
bool runCase(const MatrixCase& c, uint32_t seed)
{
    SCOPED_TRACE(describe(c));
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t sectors = c.kind == 12 ? 24000 : c.kind == 16 ? 60000 : 72000;
    const int64_t start = 40000;
    const std::string made = makeVolume(dir, image, start, sectors, c.kind, c.spc, c.fill, c.ours, seed);
    EXPECT_EQ(made, "");
    const Snapshot before = snapshotAt(dir, image, start, sectors);
    EXPECT_FALSE(before.files.empty());
    if (!made.empty() || before.files.empty())
        return true;
    const uint64_t wholeBefore = HashRange(image, 0, kDiskSectors * 512);
    // Where the volume goes is known before: what lies around it there must not change.
    const Outcome planned = target(c.op, start, sectors);
    const Around around = hashAround(image, planned.start, planned.sectors);
    const Outcome o = runOp(dir, image, c.op, start, sectors, c.spc, c.keep);
    if (o.rc == kFatResizeBadArgument && (c.op == Op::ClusterUp || c.op == Op::ClusterDown)) {
        EXPECT_EQ(HashRange(image, 0, kDiskSectors * 512), wholeBefore) << "a refused change wrote";
        return false;
    }
    EXPECT_EQ(o.rc, kFatResizeOk);
    if (o.rc != kFatResizeOk)
        return true;
    expectIntact(dir, o.image, o.start, o.sectors, before, describe(c));
    if (o.image == image) {
        const Around now = hashAround(image, o.start, o.sectors);
        EXPECT_EQ(now.below, around.below) << "written below the target";
        EXPECT_EQ(now.above, around.above) << "written above the target";
        if (c.op == Op::CopySame || c.op == Op::CopyBigger)
            expectIntact(dir, image, start, sectors, before, "the source of the copy");
    } else {
        EXPECT_EQ(HashRange(image, 0, kDiskSectors * 512), wholeBefore) << "the source image changed";
    }
    return true;
}

} // namespace

// A fixed-seed draw of kind x cluster size x operation x fill; VOLMARA_FAT_MATRIX_RUNS sets how many
// (bench/fat_resize_matrix.sh runs it long).
TEST(FatResize, RandomMatrix)
{
    REQUIRE_FAT_TOOLS();
    const char* runs = std::getenv("VOLMARA_FAT_MATRIX_RUNS");
    const int count = runs ? std::atoi(runs) : 14;
    std::mt19937 random(20261208u + uint32_t(count));
    const Op ops[] = {Op::Grow, Op::Shrink, Op::MoveUpOdd, Op::MoveDown, Op::MoveFar, Op::GrowMove,
                      Op::CopySame, Op::CopyBigger, Op::CopyOther, Op::ClusterUp, Op::ClusterDown};
    int done = 0;
    for (int i = 0; i < count && !HasFailure(); ++i) {
        MatrixCase c;
        static const int kinds[] = {12, 16, 32}, fat12Spc[] = {8, 16}, fat16Spc[] = {2, 4, 8};
        c.kind = kinds[random() % 3];
        c.spc = c.kind == 32 ? 1 : c.kind == 12 ? fat12Spc[random() % 2] : fat16Spc[random() % 3];
        c.op = ops[random() % std::size(ops)];
        c.fill = Fill(random() % (c.kind == 32 ? 4 : 5));
        if (c.fill == Fill::Many && c.kind == 12)
            c.fill = Fill::Tree; // 1,100 files do not fit in 12 MiB of 4 KiB clusters
        c.ours = random() % 2;
        c.keep = int(random() % 3);
        done += runCase(c, uint32_t(i + 1)) ? 1 : 0;
    }
    std::printf("%d cases: %d rebuilt, %d cluster sizes refused as the volume cannot take them\n", count, done,
                count - done);
}

// The cases the Part names, each once.
TEST(FatResize, KindChanges)
{
    REQUIRE_FAT_TOOLS();
    struct Case {
        int kind, spc;
        int64_t sectors, newSectors;
        int convertTo; // 0: resize
        const char* expected;
    } cases[] = {
        {16, 4, 60000, 30000, 0, "FAT12"},  // shrinking below 0x8000 sectors gives FAT12
        {16, 2, 80000, 80000, 11, "FAT32"}, // kind conversion in place
        {32, 1, 72000, 72000, 6, "FAT16"},
        {12, 8, 20000, 20000, 6, "FAT16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("FAT") + std::to_string(c.kind) + " to " + c.expected);
        TempDir dir;
        const std::string image = dir.File("disk.img");
        ASSERT_EQ(makeVolume(dir, image, 2048, c.sectors, c.kind, c.spc, Fill::Tree, false, 5), "");
        const Snapshot before = snapshotAt(dir, image, 2048, c.sectors);
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        RecordingProgress progress;
        KFatResize resizer;
        const int rc = c.convertTo ? resizer.ConvertFatType(&disk, 2048, c.sectors, c.convertTo, &progress)
                                   : resizer.ResizeFat(&disk, 2048, c.sectors, 2048, c.newSectors, 1, 1, &progress);
        if (c.convertTo == 6 && c.kind == 12) {
            // 20,000 sectors are below the smallest FAT16 volume: refused before writing.
            EXPECT_EQ(rc, kFatResizeBadArgument);
            continue;
        }
        ASSERT_EQ(rc, kFatResizeOk);
        expectIntact(dir, image, 2048, c.newSectors, before, c.expected);
        EXPECT_NE(VolumeCheck::BlkidAt(image, 2048, c.newSectors).find(std::string("VERSION=") + c.expected),
                  std::string::npos);
    }
}

// Growing FAT16 past its largest size makes it FAT32.
TEST(FatResize, GrowingFat16PastItsLargestSizeMakesFat32)
{
    REQUIRE_FAT_TOOLS();
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t disk = 0x7FF800 + 100000, size = 0x7FF800 + 60000;
    ASSERT_EQ(makeVolume(dir, image, 2048, 60000, 16, 4, Fill::Fragmented, false, 8, disk), "");
    const Snapshot before = snapshotAt(dir, image, 2048, 60000);
    KDisk device;
    ASSERT_TRUE(device.OpenPath(image, 0));
    RecordingProgress progress;
    KFatResize resizer;
    ASSERT_EQ(resizer.ResizeFat(&device, 2048, 60000, 2048, size, 1, 1, &progress), kFatResizeOk);
    expectIntact(dir, image, 2048, size, before, "FAT16 grown to FAT32");
    EXPECT_NE(VolumeCheck::BlkidAt(image, 2048, size).find("VERSION=FAT32"), std::string::npos);
}

// Damaged volumes are refused in the checking pass, before anything is written.
TEST(FatResize, DamageIsRefusedWithNothingWritten)
{
    REQUIRE_FAT_TOOLS();
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t start = 2048, sectors = 60000;
    ASSERT_EQ(makeVolume(dir, image, start, sectors, 16, 4, Fill::Tree, false, 3), "");
    const std::vector<uint8_t> boot = ReadBytes(image, start * 512, 512);
    const int64_t fat1 = (start + le16(boot.data() + 14)) * 512, fatBytes = int64_t(le16(boot.data() + 22)) * 512;
    const int64_t root = fat1 + 2 * fatBytes;
    const int64_t data = root + int64_t(le16(boot.data() + 17)) * 32;
    // The first subdirectory of the root and its first cluster.
    const std::vector<uint8_t> rootBytes = ReadBytes(image, root, 512 * 32);
    int64_t subdir = -1;
    for (size_t at = 0; at < rootBytes.size(); at += 32)
        if (rootBytes[at] != 0xE5 && rootBytes[at] != 0 && (rootBytes[at + 11] & 0x10) && rootBytes[at + 11] != 0x0F) {
            subdir = le16(rootBytes.data() + at + 26);
            break;
        }
    ASSERT_GE(subdir, 2);
    const int64_t subdirBytes = data + (subdir - 2) * 4 * 512;
    // A cluster some chain already links to, and another entry that is made to link to it too.
    const std::vector<uint8_t> fat = ReadBytes(image, fat1, fatBytes);
    uint32_t linked = 0;
    int64_t linkAt = 0;
    for (int64_t n = 2; n + 1 < fatBytes / 2 && !linked; ++n) {
        const uint32_t v = le16(fat.data() + n * 2);
        if (v >= 2 && v < 0xFFF0)
            linked = v, linkAt = n + 1 == int64_t(v) ? n + 2 : n + 1;
    }
    ASSERT_NE(linked, 0u);
    struct Damage {
        const char* what;
        int64_t offset;
        std::vector<uint8_t> bytes;
        int expected;
    } damages[] = {
        {"FAT copies differ", fat1 + fatBytes + 2 * 40, {0xF7, 0xFF}, kFatResizeCopiesDiffer},
        {"a link past the end", fat1 + 2 * 40, {0xF0, 0xFF}, kFatResizeBadLinks},
        {"a cross-link", fat1 + 2 * linkAt, {uint8_t(linked), uint8_t(linked >> 8)}, kFatResizeBadLinks},
        {"a subdirectory without \".\"", subdirBytes, {'X'}, kFatResizeNoDotEntries},
    };
    for (const Damage& d : damages) {
        const std::vector<uint8_t> saved = ReadBytes(image, d.offset, int64_t(d.bytes.size()));
        ASSERT_TRUE(WriteBytes(image, d.offset, d.bytes));
        const bool fatOnly = d.offset >= fat1 && d.offset < fat1 + fatBytes;
        if (fatOnly) {
            ASSERT_TRUE(WriteBytes(image, d.offset + fatBytes, d.bytes));
        }
        const uint64_t hash = HashRange(image, 0, kDiskSectors * 512);
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        RecordingProgress progress;
        KFatResize resizer;
        EXPECT_EQ(resizer.ResizeFat(&disk, start, sectors, start, sectors + 20000, 1, 1, &progress), d.expected) << d.what;
        EXPECT_EQ(HashRange(image, 0, kDiskSectors * 512), hash) << d.what << ": written";
        ASSERT_TRUE(WriteBytes(image, d.offset, saved));
        if (fatOnly) {
            ASSERT_TRUE(WriteBytes(image, d.offset + fatBytes, saved));
        }
    }
    // Too small for what the volume holds, and the same extent again: nothing written either way.
    const uint64_t hash = HashRange(image, 0, kDiskSectors * 512);
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    RecordingProgress progress;
    KFatResize resizer;
    const int small = resizer.ResizeFat(&disk, start, sectors, start, 2200, 1, 1, &progress);
    EXPECT_TRUE(small == kFatResizeNoRoom || small == kFatResizeWouldLose || small == kFatResizeBadArgument) << small;
    EXPECT_EQ(resizer.ResizeFat(&disk, start, sectors, start, sectors, 1, 1, &progress), kFatResizeOk);
    EXPECT_EQ(HashRange(image, 0, kDiskSectors * 512), hash);
    EXPECT_EQ(resizer.ResizeFat(&disk, start, sectors, start, 40000, 1, 1, nullptr), kFatResizeBadArgument);
}


// A power cut anywhere in the copy phase of a shrink and a grow that keep the start, and of a copy,
// leaves the old volume valid with every file, as long as copies only go where the old FAT was free.
TEST(FatResize, PowerCutsInTheCopyPhaseLeaveTheOldVolume)
{
    REQUIRE_FAT_TOOLS();
    struct Job {
        const char* what;
        int64_t newStart, newSectors;
        bool copy;
    } jobs[] = {
        {"shrink", 40000, 45000, false},
        {"grow", 40000, 90000, false},
        {"copy", 120000, 60000, true},
    };
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.what);
        TempDir dir;
        const std::string image = dir.File("disk.img");
        const int64_t start = 40000, sectors = 60000;
        ASSERT_EQ(makeVolume(dir, image, start, sectors, 16, 2, Fill::High, false, 11), "");
        const Snapshot before = snapshotAt(dir, image, start, sectors);
        auto run = [&](int64_t allowed, PhaseProgress** seen) {
            KDisk disk;
            EXPECT_TRUE(disk.OpenPath(image, 0));
            CountingDevice cut(&disk, allowed);
            auto* progress = new PhaseProgress(&cut, 82);
            KFatResize resizer;
            const int rc = job.copy ? resizer.CopyFat(&disk, start, sectors, &cut, job.newStart, job.newSectors, 1, progress)
                                    : resizer.ResizeFat(&cut, start, sectors, job.newStart, job.newSectors, 1, 1, progress);
            *seen = progress;
            return rc;
        };
        // A dry count on a copy of the image: how many writes the copy phase makes.
        const std::string saved = dir.File("saved.img");
        fsys::copy_file(image, saved);
        PhaseProgress* counted = nullptr;
        ASSERT_EQ(run(INT64_MAX, &counted), kFatResizeOk);
        const int64_t first = counted->copyStart, last = counted->copyEnd;
        delete counted;
        ASSERT_GE(first, 0);
        ASSERT_GT(last, first + 20) << "too few copy writes to cut at twenty points";
        fsys::copy_file(saved, image, fsys::copy_options::overwrite_existing);
        for (int point = 0; point < 20; ++point) {
            const int64_t allowed = first + (last - first) * point / 20;
            PhaseProgress* progress = nullptr;
            EXPECT_EQ(run(allowed, &progress), kFatResizeWriteFailed) << "cut after " << allowed;
            delete progress;
            const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "old.img");
            EXPECT_EQ(RunTool({"fsck.fat", "-n", vol}).exitCode, 0) << "cut after " << allowed;
            EXPECT_TRUE(snapshot(dir, vol) == before) << "cut after " << allowed;
            fsys::remove(vol);
        }
    }
}

// Hostile volumes: bytes of the boot sector, the FATs, the root and the first directories changed at
// random. Whatever the rebuild answers, it never reads or writes out of bounds (the sanitizers watch)
// and never writes outside the new extent; a refusal writes nothing.
TEST(FatResize, HostileVolumesStayInBounds)
{
    REQUIRE_FAT_TOOLS();
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t sectors = 8192, disk = 3 * sectors;
    ASSERT_EQ(makeVolume(dir, image, 0, sectors, 12, 4, Fill::Tree, false, 21, disk), "");
    const std::vector<uint8_t> pristine = ReadBytes(image, 0, disk * 512);
    std::mt19937 random(7);
    int refused = 0, rebuilt = 0;
    for (int round = 0; round < 200; ++round) {
        MemoryVolume volume(pristine);
        const int changes = 1 + int(random() % 8);
        for (int i = 0; i < changes; ++i) {
            // Mostly the metadata at the front (boot sector, FATs, root, first clusters), sometimes anywhere.
            const size_t span = random() % 4 ? 64 * 512 : size_t(sectors) * 512;
            volume.data[random() % span] = uint8_t(random());
        }
        const std::vector<uint8_t> before = volume.data;
        const int64_t newStart = int64_t(random() % 3) * 1000, newSize = sectors / 2 + int64_t(random() % sectors);
        volume.allowedFirst = newStart;
        volume.allowedEnd = newStart + newSize;
        RecordingProgress progress;
        KFatResize resizer;
        const int rc = resizer.ResizeFat(&volume, 0, sectors, newStart, newSize, 1, int(random() % 3), &progress);
        EXPECT_EQ(volume.stray, 0) << "round " << round << ": written outside the new extent";
        if (rc != kFatResizeOk) {
            ++refused;
            if (rc != kFatResizeWriteFailed && (rc < kFatResizeBootWriteFailed || rc > kFatResizeRootWriteFailed)) {
                EXPECT_TRUE(volume.data == before) << "round " << round << ": refused with " << rc << " after writing";
            }
        } else {
            ++rebuilt;
        }
    }
    std::printf("%d hostile volumes rebuilt, %d refused\n", rebuilt, refused);
    EXPECT_GT(refused, 20);
}
