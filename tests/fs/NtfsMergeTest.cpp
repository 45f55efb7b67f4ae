// Two adjacent NTFS volumes, made by mkntfs and by Volmara and filled through ntfs-3g, merged by
// MergeNtfs in both directions, on and off the cluster grid. The merged volume is judged by ntfsfix -n,
// ntfsresize --info --force and a mount: the kept volume's tree unchanged at the root, the other's
// whole tree under the folder (content, streams, links, attributes, times and security descriptors),
// and nothing outside the two volumes changed. Refusals write nothing; a power cut before the boot
// sector changes leaves both volumes as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <sys/statvfs.h>
#include <iterator>
#include <random>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/ByteOrder.h"
#include "engine/KDisk.h"
#include "fs/ntfs/KNtfsMerge.h"
#include "support/CutDevice.h"
#include "support/MemoryVolume.h"
#include "support/NtfsVolumes.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"

using namespace TestSupport;
using namespace NtfsVolumes;
namespace fsys = std::filesystem;

namespace {

constexpr int64_t kDisk = 262144;
constexpr int64_t kFirst = 2048, kFirstSectors = 100000, kSecondSectors = 120000;

#define REQUIRE_NTFS_TOOLS()                                                                                           \
    do {                                                                                                               \
        if (!HaveTools())                                                                                              \
            GTEST_SKIP() << "ntfs-3g tools or FUSE missing";                                                           \
    } while (0)

// Two volumes side by side: the second starts right after the first one's partition, which is
// `offGrid` sectors longer than a whole number of clusters.
struct Pair {
    TempDir dir;
    std::string image = dir.File("disk.img");
    int64_t secondStart = 0, end = 0;
    Snapshot first, second;
};

// `rootFiles` empty files in the root of the first (side 0) or second (side 1) volume: a root whose
// index needs blocks of its own.
std::string addRootFiles(Pair& p, int side, int count, int64_t firstSectors)
{
    const int64_t start = side ? p.secondStart : kFirst, sectors = side ? kSecondSectors : firstSectors;
    return WithMount(p.dir, p.image, start, sectors, "", [&](const std::string& root) -> std::string {
        for (int i = 0; i < count; ++i)
            if (!(std::ofstream(root + "/root file " + std::to_string(i)) << i))
                return "no root file";
        return "";
    });
}

std::string makePair(Pair& p, int64_t offGrid, Maker firstMaker, Maker secondMaker, const FillOptions& firstFill,
                     const FillOptions& secondFill, int firstCluster = 4096, int secondCluster = 4096,
                     int rootFilesSide = -1, bool firstFull = false)
{
    p.secondStart = kFirst + kFirstSectors + offGrid;
    p.end = p.secondStart + kSecondSectors;
    if (!MakeImage(p.image, kDisk, firstFill.seed))
        return "no image";
    std::string e = Make(p.dir, p.image, kFirst, kFirstSectors + offGrid, firstMaker, firstCluster);
    if (e.empty())
        e = Make(p.dir, p.image, p.secondStart, kSecondSectors, secondMaker, secondCluster);
    if (e.empty())
        e = Fill(p.dir, p.image, kFirst, kFirstSectors + offGrid, firstFill);
    if (e.empty())
        e = Fill(p.dir, p.image, p.secondStart, kSecondSectors, secondFill);
    if (e.empty() && rootFilesSide >= 0)
        e = addRootFiles(p, rootFilesSide, 400, kFirstSectors + offGrid);
    if (e.empty() && firstFull) // all but a few clusters taken by one more file
        e = WithMount(p.dir, p.image, kFirst, kFirstSectors + offGrid, "", [](const std::string& root) -> std::string {
            struct statvfs v = {};
            if (::statvfs(root.c_str(), &v) != 0)
                return "statvfs";
            const int64_t room = int64_t(v.f_bavail) * int64_t(v.f_frsize) - (int64_t(64) << 10);
            std::ofstream out(root + "/filler", std::ios::binary);
            const std::string chunk(1 << 16, 'f');
            for (int64_t at = 0; at + int64_t(chunk.size()) <= room; at += int64_t(chunk.size()))
                out.write(chunk.data(), std::streamsize(chunk.size()));
            return out ? "" : "filler";
        });
    if (e.empty()) {
        p.first = Take(p.dir, p.image, kFirst, kFirstSectors + offGrid);
        p.second = Take(p.dir, p.image, p.secondStart, kSecondSectors);
    }
    return e;
}

// The kept volume's lines as they were, and the other's under the folder.
std::vector<std::string> expectedTree(const Snapshot& kept, const Snapshot& folded, const std::string& folder)
{
    std::vector<std::string> lines = kept.entries;
    for (std::string line : folded.entries) {
        const size_t links = line.rfind(" links ");
        const size_t with = links == std::string::npos ? links : line.find(" with ", links);
        if (with != std::string::npos)
            line.insert(with + 6, folder + "/");
        lines.push_back(folder + "/" + line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The merged volume's lines without the folder's own.
std::vector<std::string> mergedTree(const Snapshot& merged, const std::string& folder, std::string* folderLine)
{
    std::vector<std::string> lines;
    for (const std::string& line : merged.entries) {
        if (line.rfind(folder + " ", 0) == 0) {
            *folderLine = line;
            continue;
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

FillOptions richFill(uint32_t seed, int files)
{
    FillOptions f;
    f.seed = seed;
    f.treeFiles = files;
    f.hardLinks = 3;
    f.streams = true;
    f.sparse = true;
    return f;
}

TEST(NtfsMerge, MergedVolumesKeepEveryFile)
{
    REQUIRE_NTFS_TOOLS();
    const struct Case {
        const char* what;
        bool extendFirst;
        int64_t offGrid;
        Maker firstMaker, secondMaker;
        FillOptions firstFill, secondFill;
        std::u16string folder;
        int rootFilesSide;
        bool firstFull;
    } cases[] = {
        {"left survives, aligned, mkntfs", true, 0, Maker::Mkntfs, Maker::Mkntfs, richFill(1, 150), richFill(2, 150),
         u"Merged", 0, false},
        {"right survives, 3 sectors off the grid", false, 3, Maker::Volmara, Maker::Mkntfs, richFill(3, 120),
         richFill(4, 160), u"Données Ω", 0, false},
        {"left survives, off the grid, thousands of files into a nearly empty volume", true, 3, Maker::Mkntfs,
         Maker::Volmara, richFill(5, 2), richFill(6, 2500), u"OLD_D", -1, false},
        {"right survives, aligned, a nearly empty volume folded", false, 0, Maker::Mkntfs, Maker::Volmara,
         richFill(7, 2), richFill(8, 200), u"from left", 1, false},
        {"left survives, aligned, the left volume full", true, 0, Maker::Mkntfs, Maker::Mkntfs, richFill(9, 60),
         richFill(10, 60), u"second", -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pair p;
        ASSERT_EQ(makePair(p, c.offGrid, c.firstMaker, c.secondMaker, c.firstFill, c.secondFill, 4096, 4096, c.rootFilesSide,
                           c.firstFull),
                  "");
        const uint64_t outside = HashOutside(p.image, kFirst, p.end - kFirst);
        {
            KDisk disk;
            ASSERT_TRUE(disk.OpenPath(p.image, 0));
            RecordingProgress progress;
            ASSERT_EQ(MergeNtfs(&disk, kFirst, p.secondStart, c.extendFirst ? 1 : 0, 1, c.folder.c_str(), &progress, p.end - kFirst),
                      kNtfsMergeOk);
            EXPECT_EQ(progress.weights.size(), c.offGrid ? 5u : 4u);
        }
        ExpectHealthy(p.dir, p.image, kFirst, p.end - kFirst, c.what, 8 + c.offGrid);
        EXPECT_EQ(HashOutside(p.image, kFirst, p.end - kFirst), outside);
        const Snapshot merged = Take(p.dir, p.image, kFirst, p.end - kFirst);
        ASSERT_TRUE(merged.mounted);
        std::string folder;
        for (char16_t u : c.folder) // UTF-8 of the test names
            if (u < 0x80)
                folder += char(u);
            else if (u < 0x800)
                folder += {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F))};
        std::string folderLine;
        const std::vector<std::string> got = mergedTree(merged, folder, &folderLine);
        const std::vector<std::string> want = c.extendFirst ? expectedTree(p.first, p.second, folder)
                                                            : expectedTree(p.second, p.first, folder);
        std::vector<std::string> missing, extra;
        std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(missing));
        std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
        EXPECT_TRUE(missing.empty() && extra.empty())
            << "missing:\n  " << ::testing::PrintToString(missing) << "\nunexpected:\n  " << ::testing::PrintToString(extra);
        EXPECT_NE(folderLine.find(" dir "), std::string::npos) << folderLine;
    }
}

} // namespace

namespace {

// Refusals are found before anything is written: the whole image stays as it was.
TEST(NtfsMerge, RefusalsWriteNothing)
{
    REQUIRE_NTFS_TOOLS();
    FillOptions small;
    small.treeFiles = 40;
    const auto patchByte = [](Pair& p, int64_t sector, size_t offset, uint8_t value) {
        std::vector<uint8_t> b = ReadBytes(p.image, sector * 512, 512);
        b[offset] = value;
        return WriteBytes(p.image, sector * 512, b) ? "" : "patch failed";
    };
    const struct Case {
        const char* what;
        int secondCluster;
        std::function<std::string(Pair&)> damage;
        int cancelOnPoll;
        int expected;
    } cases[] = {
        {"4 KiB and 8 KiB clusters", 8192, nullptr, 0, kNtfsMergeClusterSizes},
        {"2 KiB file records", 4096, [&](Pair& p) { return patchByte(p, p.secondStart, 0x40, 0xF5); }, 0,
         kNtfsMergeRecordSizes},
        {"2 KiB index records", 4096, [&](Pair& p) { return patchByte(p, p.secondStart, 0x44, 0xF5); }, 0,
         kNtfsMergeIndexSizes},
        {"a bitmap marking clusters no file owns", 4096,
         [](Pair& p) { return MarkFreeClustersUsed(p.image, p.secondStart, 12) >= 0 ? "" : "no free clusters"; }, 0,
         kNtfsMergeBitmapMismatch},
        {"a torn record in use", 4096,
         [](Pair& p) {
             const Layout l = ReadLayout(p.image, kFirst);
             int64_t n = 27;
             for (std::vector<uint8_t> r; n < 1000; ++n)
                 if ((r = ReadRecord(p.image, kFirst, n)).size() > 0x18 && (r[0x16] & 1))
                     break;
             const int64_t at = kFirst * 512 + l.mftLcn * l.clusterBytes + n * l.recordBytes + 510;
             std::vector<uint8_t> b = ReadBytes(p.image, at, 1);
             b[0] ^= 0x5A;
             return WriteBytes(p.image, at, b) ? "" : "patch failed";
         },
         0, kNtfsMergeBadRecord},
        {"cancelled while checking", 4096, nullptr, 300, kNtfsMergeCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pair p;
        ASSERT_EQ(makePair(p, 0, Maker::Mkntfs, Maker::Mkntfs, small, small, 4096, c.secondCluster), "");
        if (c.damage) {
            ASSERT_EQ(c.damage(p), "");
        }
        const uint64_t before = HashRange(p.image, 0, kDisk * 512);
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(p.image, 0));
        RecordingProgress progress(c.cancelOnPoll);
        EXPECT_EQ(MergeNtfs(&disk, kFirst, p.secondStart, 1, 1, u"Folder", &progress), c.expected);
        EXPECT_EQ(HashRange(p.image, 0, kDisk * 512), before);
    }
}

// Notes how many writes had gone before the merged volume's boot sector was written.
class CommitWatch : public CountingDevice {
public:
    CommitWatch(ISectorDevice* inner, int64_t allowed, int64_t bootSector)
        : CountingDevice(inner, allowed), m_boot(bootSector)
    {
    }
    int WriteSectors(const void* b, int64_t f, int64_t c) override
    {
        if (f <= m_boot && m_boot < f + c && commitAt < 0)
            commitAt = writes;
        return CountingDevice::WriteSectors(b, f, c);
    }
    int64_t commitAt = -1;

private:
    int64_t m_boot;
};

// A power cut on the cluster grid before the boot sector is rewritten leaves both volumes as they were.
TEST(NtfsMerge, PowerCutsBeforeTheBootSectorLeaveBothVolumes)
{
    REQUIRE_NTFS_TOOLS();
    Pair base;
    FillOptions f = richFill(11, 80);
    ASSERT_EQ(makePair(base, 0, Maker::Mkntfs, Maker::Mkntfs, f, richFill(12, 80)), "");
    const std::string image = base.dir.File("cut.img");
    const auto run = [&](int64_t allowed, int64_t* commitAt) {
        KDisk disk;
        EXPECT_TRUE(disk.OpenPath(image, 0));
        CommitWatch cut(&disk, allowed, kFirst);
        RecordingProgress progress;
        const int rc = MergeNtfs(&cut, kFirst, base.secondStart, 0, 1, u"left", &progress, base.end - kFirst);
        *commitAt = cut.commitAt;
        return rc;
    };
    fsys::copy_file(base.image, image);
    int64_t commitAt = -1;
    ASSERT_EQ(run(INT64_MAX, &commitAt), kNtfsMergeOk);
    ASSERT_GT(commitAt, 0);
    for (int point = 0; point < 6; ++point) {
        const int64_t allowed = commitAt * point / 6;
        fsys::copy_file(base.image, image, fsys::copy_options::overwrite_existing);
        int64_t ignored = 0;
        EXPECT_EQ(run(allowed, &ignored), kNtfsMergeWriteFailed) << "cut after " << allowed;
        EXPECT_TRUE(Take(base.dir, image, kFirst, kFirstSectors) == base.first) << "cut after " << allowed;
        EXPECT_TRUE(Take(base.dir, image, base.secondStart, kSecondSectors) == base.second) << "cut after " << allowed;
        EXPECT_TRUE(FixClean(base.dir, image, kFirst, kFirstSectors)) << "cut after " << allowed;
        EXPECT_TRUE(FixClean(base.dir, image, base.secondStart, kSecondSectors)) << "cut after " << allowed;
    }
}

// Damaged metadata in either volume is refused before anything is written, or merged; nothing is ever
// written outside the two volumes, whatever the bytes say.
TEST(NtfsMerge, HostileVolumesStayInBounds)
{
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t sectors = 32768, disk = 4 * sectors;
    ASSERT_TRUE(MakeSparseFile(image, disk * 512));
    ASSERT_EQ(Make(dir, image, sectors, sectors, Maker::Volmara, 4096), "");
    ASSERT_EQ(Make(dir, image, 2 * sectors + 3, sectors, Maker::Volmara, 4096), "");
    const std::vector<uint8_t> pristine = ReadBytes(image, 0, disk * 512);
    const int64_t base[2] = {sectors * 512, (2 * sectors + 3) * 512};
    std::mt19937 random(7);
    int refused = 0, merged = 0;
    for (int round = 0; round < 120; ++round) {
        MemoryVolume volume(pristine);
        for (int i = 1 + int(random() % 6); i > 0; --i) {
            const int64_t at0 = base[random() % 2];
            const int64_t mft = at0 + int64_t(le64(pristine.data() + at0 + 0x30)) * 4096;
            const int64_t at = random() % 6 == 0 ? at0 + int64_t(random() % 512)
                               : random() % 6 == 0 ? at0 + int64_t(random() % (sectors * 512))
                                                   : mft + int64_t(random() % (27 * 1024));
            volume.data[size_t(at)] = uint8_t(random());
        }
        const std::vector<uint8_t> before = volume.data;
        volume.allowedFirst = sectors;
        volume.allowedEnd = 3 * sectors + 3;
        RecordingProgress progress;
        const int rc = MergeNtfs(&volume, sectors, 2 * sectors + 3, int(random() % 2), 1, u"hostile", &progress,
                                 2 * sectors + 3);
        EXPECT_EQ(volume.stray, 0) << "round " << round << ": written outside the volumes";
        if (rc == kNtfsMergeOk) {
            ++merged;
        } else {
            ++refused;
            EXPECT_TRUE(volume.data == before) << "round " << round << ": refused with " << rc << " after writing";
        }
    }
    std::printf("%d hostile pairs merged, %d refused\n", merged, refused);
    EXPECT_GT(refused, 5);
    EXPECT_GT(merged, 5);
}

} // namespace
