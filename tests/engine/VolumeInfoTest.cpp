// ReadVolumeInfo against images made by the real file-system tools, and against hostile volumes.
#include "engine/VolumeInfo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ImageVolume.h"
#include "engine/ByteOrder.h"
#include "engine/volinfo/LabelText.h"
#include "model/FileSystemTypes.h"
#include "support/TestSupport.h"

using TestSupport::HaveTool;
using TestSupport::MakeSparseFile;
using TestSupport::RunTool;
using TestSupport::TempDir;
using TestSupport::ToolResult;
using namespace volinfo_test;

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kTiB = kMiB * kMiB;

// ---- Running the tools ----

// Runs one step, appending the command and its output to `log`; true when it exited with 0. Variables in
// `env` ("NAME=value") are handed over through env(1), still as an argument vector.
bool Step(std::string& log, const std::vector<std::string>& argv, const std::vector<std::string>& env = {})
{
    std::vector<std::string> command;
    if (!env.empty()) {
        command.push_back("env");
        command.insert(command.end(), env.begin(), env.end());
    }
    command.insert(command.end(), argv.begin(), argv.end());
    const ToolResult result = RunTool(command);
    log += "$";
    for (const std::string& arg : command)
        log += " " + arg;
    log += "  [exit " + std::to_string(result.exitCode) + "]\n" + result.output + "\n";
    return result.exitCode == 0;
}

std::string Capture(std::string& log, const std::vector<std::string>& argv)
{
    const ToolResult result = RunTool(argv);
    log += "$ " + argv[0] + " ...  [exit " + std::to_string(result.exitCode) + "]\n" + result.output + "\n";
    return result.output;
}

// The value after `key` on the first line that starts with it ("TYPE=" in blkid's export, "Block size:" in dumpe2fs).
std::string LineValue(const std::string& text, const std::string& key)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (text.compare(at, key.size(), key) == 0) {
            std::string value = text.substr(at + key.size(), end - at - key.size());
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        at = end + 1;
    }
    return {};
}

// The decimal number that ends right before position `end` of `text`, or -1.
int64_t NumberEndingAt(const std::string& text, size_t end)
{
    size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1])))
        --start;
    return start == end ? -1 : std::stoll(text.substr(start, end - start));
}

// The number right before the first (or, with `last`, the last) occurrence of `suffix`.
int64_t NumberBefore(const std::string& text, const std::string& suffix, bool last = false)
{
    const size_t at = last ? text.rfind(suffix) : text.find(suffix);
    return at == std::string::npos ? -1 : NumberEndingAt(text, at);
}

// A folder of files of several sizes (some empty, some spanning many clusters), for filling volumes.
std::string MakeTree(const std::string& dir)
{
    const std::string root = dir + "/tree";
    std::filesystem::create_directories(root + "/sub/deeper");
    std::mt19937 random(7);
    const size_t sizes[] = {0, 1, 511, 4096, 33000, 150000, 700000};
    int n = 0;
    for (const char* folder : {"", "/sub", "/sub/deeper"}) {
        for (size_t size : sizes) {
            std::string bytes(size, '\0');
            for (char& c : bytes)
                c = char(random());
            std::ofstream(root + folder + "/file" + std::to_string(n++) + ".bin", std::ios::binary) << bytes;
        }
    }
    return root;
}

// ---- What the tools say about an image ----

struct Expected {
    int16_t type = kFsNone;
    int32_t clusterSize = 1;
    std::string label;
    int64_t freeSectors = 0;
};

using MakeFn = std::function<bool(const std::string& image, const std::string& dir, std::string& log)>;
using ExpectFn = std::function<Expected(const std::string& image, std::string& log)>;

std::string BlkidExport(const std::string& image, std::string& log)
{
    return Capture(log, {"blkid", "-p", "-o", "export", image});
}

int16_t CodeForBlkidType(const std::string& type)
{
    if (type.empty())
        return kFsNone;
    if (type == "ntfs")
        return kFsNtfs;
    if (type == "ext2")
        return kFsExt2;
    if (type == "ext3")
        return kFsExt3;
    if (type == "swap")
        return kFsLinuxSwap;
    return kFsOther;
}

// fsck.fat for geometry and free clusters, blkid for the label.
Expected FatFromTools(const std::string& image, std::string& log)
{
    const std::string fsck = Capture(log, {"fsck.fat", "-n", "-v", image});
    Expected e;
    const int64_t bits = NumberBefore(fsck, " bit entries");
    const int64_t clusterBytes = NumberBefore(fsck, " bytes per cluster");
    // The closing line: "volume.img: 4 files, 880/32695 clusters".
    const int64_t total = NumberBefore(fsck, " clusters", true);
    const size_t slash = fsck.rfind('/', fsck.rfind(" clusters"));
    const int64_t used = slash == std::string::npos ? -1 : NumberEndingAt(fsck, slash);
    e.type = bits == 12 ? kFsFat12 : bits == 16 ? kFsFat16 : bits == 32 ? kFsFat32 : kFsNone;
    e.clusterSize = int32_t(clusterBytes / 512);
    e.freeSectors = (total - used) * clusterBytes / 512;
    e.label = LineValue(BlkidExport(image, log), "LABEL=");
    return e;
}

// dumpe2fs for block size, free blocks and label; blkid for ext2/ext3/ext4.
Expected ExtFromTools(const std::string& image, std::string& log)
{
    const std::string dump = Capture(log, {"dumpe2fs", "-h", image});
    Expected e;
    const int64_t blockSize = std::stoll("0" + LineValue(dump, "Block size:"));
    e.type = CodeForBlkidType(LineValue(BlkidExport(image, log), "TYPE="));
    e.clusterSize = int32_t(blockSize / 512);
    e.freeSectors = std::stoll("0" + LineValue(dump, "Free blocks:")) * blockSize / 512;
    e.label = LineValue(dump, "Filesystem volume name:");
    if (e.label == "<none>")
        e.label.clear();
    return e;
}

// ntfsinfo for the cluster size, the label and the free clusters.
Expected NtfsFromTools(const std::string& image, std::string& log)
{
    Expected e;
    e.type = CodeForBlkidType(LineValue(BlkidExport(image, log), "TYPE="));
    const std::string ntfsinfo = Capture(log, {"ntfsinfo", "-m", "-f", image});
    e.clusterSize = int32_t(std::stoll("0" + LineValue(ntfsinfo, "\tCluster Size:")) / 512);
    e.label = LineValue(ntfsinfo, "\tVolume Name:");
    e.freeSectors = std::stoll("0" + LineValue(ntfsinfo, "\tFree Clusters:")) * e.clusterSize;
    return e;
}

// blkid for type and label; the cluster size is the one the case formatted with.
ExpectFn BlkidWithCluster(int32_t clusterSectors)
{
    return [clusterSectors](const std::string& image, std::string& log) {
        const std::string found = BlkidExport(image, log);
        Expected e;
        e.type = CodeForBlkidType(LineValue(found, "TYPE="));
        e.label = LineValue(found, "LABEL=");
        e.clusterSize = clusterSectors;
        return e;
    };
}

// A fixed answer where the tools disagree with the rules on purpose; their output is still logged.
ExpectFn Fixed(Expected expected, ExpectFn logged = nullptr)
{
    return [expected, logged](const std::string& image, std::string& log) {
        if (logged)
            logged(image, log);
        else
            BlkidExport(image, log);
        return expected;
    };
}

ExpectFn WithLabel(ExpectFn base, std::string label)
{
    return [base, label](const std::string& image, std::string& log) {
        Expected e = base(image, log);
        e.label = label;
        return e;
    };
}

// ---- How the images are made ----

MakeFn Mkfs(std::vector<std::string> argv, bool fillFat = false)
{
    return [argv, fillFat](const std::string& image, const std::string& dir, std::string& log) {
        std::vector<std::string> command = argv;
        command.push_back(image);
        if (!Step(log, command))
            return false;
        return !fillFat || Step(log, {"mcopy", "-s", "-i", image, MakeTree(dir), "::/"}, {"MTOOLS_SKIP_CHECK=1"});
    };
}

MakeFn MkfsExt(const std::string& type, const std::string& blockSize, const std::string& label)
{
    return [=](const std::string& image, const std::string& dir, std::string& log) {
        return Step(log, {"mke2fs", "-q", "-F", "-t", type, "-b", blockSize, "-L", label, "-d", MakeTree(dir), image});
    };
}

MakeFn Then(MakeFn first, MakeFn second)
{
    return [first, second](const std::string& image, const std::string& dir, std::string& log) {
        return first(image, dir, log) && second(image, dir, log);
    };
}

bool PatchBytes(const std::string& image, uint64_t offset, const std::string& bytes)
{
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(std::streamoff(offset));
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(file);
}

// FAT32 with 512-byte clusters whose label entry sits behind forty long names, many clusters down the
// root directory's chain; the boot sector says something else, so only the chain gives the right answer.
bool MakeDeepLabelFat32(const std::string& image, const std::string& dir, std::string& log)
{
    const std::string names = dir + "/names";
    std::filesystem::create_directories(names);
    std::vector<std::string> copy = {"mcopy", "-i", image};
    for (int i = 0; i < 40; ++i) {
        const std::string file = names + "/a rather long file name, number " + std::to_string(i) + ".txt";
        std::ofstream(file) << i;
        copy.push_back(file);
    }
    copy.push_back("::/");
    return Step(log, {"mkfs.fat", "-F", "32", "-s", "1", image}) && Step(log, copy, {"MTOOLS_SKIP_CHECK=1"}) &&
           Step(log, {"mlabel", "-i", image, "::DEEPLABEL"}, {"MTOOLS_SKIP_CHECK=1"}) &&
           PatchBytes(image, 71, "BOOTLABEL  ") && PatchBytes(image, 6 * 512 + 71, "BOOTLABEL  ");
}

// FAT16 whose root-directory label entry was erased (as some tools do) while the boot sector keeps its
// copy: the volume has no label.
bool MakeErasedLabelFat16(const std::string& image, const std::string& dir, std::string& log)
{
    if (!Mkfs({"mkfs.fat", "-F", "16", "-n", "OLDLABEL"}, true)(image, dir, log))
        return false;
    std::ifstream in(image, std::ios::binary);
    std::string head(1 << 20, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    const std::string entry = std::string("OLDLABEL   ") + char(0x08);
    const size_t at = head.find(entry);
    return at != std::string::npos && at % 32 == 0 && PatchBytes(image, at, "\xE5");
}

struct FsCase {
    std::string name;
    std::vector<std::string> tools; // the case is skipped when one is missing
    uint64_t bytes;
    MakeFn make;
    ExpectFn expect;
};

void PrintTo(const FsCase& c, std::ostream* out) { *out << c.name; }

std::vector<FsCase> ToolCases()
{
    const std::vector<std::string> fat = {"mkfs.fat", "mcopy", "fsck.fat", "blkid"};
    const std::vector<std::string> ntfs = {"mkntfs", "ntfsinfo", "blkid"};
    const std::vector<std::string> ext = {"mke2fs", "dumpe2fs", "blkid"};
    const std::vector<std::string> swap = {"mkswap", "blkid"};
    const Expected swapOverExfat{kFsLinuxSwap, 8, "afterexfat", 0};
    return {
        {"fat12", fat, 4 * kMiB, Mkfs({"mkfs.fat", "-F", "12", "-n", "FAT12VOL"}, true), FatFromTools},
        {"fat16", fat, 64 * kMiB, Mkfs({"mkfs.fat", "-F", "16", "-s", "4", "-n", "FAT16VOL"}, true), FatFromTools},
        {"fat16_1k_sectors", fat, 64 * kMiB, Mkfs({"mkfs.fat", "-F", "16", "-S", "1024", "-n", "KSECT"}, true),
         FatFromTools},
        {"fat16_no_label", fat, 16 * kMiB, Mkfs({"mkfs.fat", "-F", "16"}, true), FatFromTools},
        {"fat16_erased_label", fat, 16 * kMiB, MakeErasedLabelFat16, WithLabel(FatFromTools, "")},
        // mlabel stores "CAFÉ" (0x90 in code page 850) in the root directory; blkid shows the raw byte.
        {"fat16_cp850_label", {"mkfs.fat", "mlabel", "fsck.fat", "blkid"}, 16 * kMiB,
         Then(Mkfs({"mkfs.fat", "-F", "16"}),
              [](const std::string& image, const std::string&, std::string& log) {
                  return Step(log, {"mlabel", "-i", image, "::café"}, {"LC_ALL=C.UTF-8", "MTOOLS_SKIP_CHECK=1"});
              }),
         WithLabel(FatFromTools, "CAF\xC3\x89")},
        {"fat32", fat, 40 * kMiB, Mkfs({"mkfs.fat", "-F", "32", "-s", "1", "-n", "FAT32VOL"}, true), FatFromTools},
        {"fat32_4k_sectors", fat, 300 * kMiB, Mkfs({"mkfs.fat", "-F", "32", "-S", "4096", "-n", "SECT4K"}, true),
         FatFromTools},
        {"fat32_deep_label", {"mkfs.fat", "mcopy", "mlabel", "fsck.fat", "blkid"}, 40 * kMiB, MakeDeepLabelFat32,
         FatFromTools},
        {"fat32_2tib", fat, 2 * kTiB, Mkfs({"mkfs.fat", "-F", "32", "-s", "64", "-n", "HUGE"}, true), FatFromTools},
        // Forced FAT32 with fewer than 65525 clusters (as EFI system partitions often are): its boot
        // sector's layout is FAT32's, and FAT32 it is.
        {"fat32_too_few_clusters", fat, 33792000, Mkfs({"mkfs.fat", "-F", "32", "-n", "FEWCLUST"}),
         FatFromTools},
        {"ntfs_512", ntfs, 64 * kMiB, Mkfs({"mkntfs", "-Q", "-F", "-q", "-L", "ntfs512", "-c", "512"}), NtfsFromTools},
        {"ntfs_4k", ntfs, 64 * kMiB, Mkfs({"mkntfs", "-Q", "-F", "-q", "-L", "ntfs4k", "-c", "4096"}), NtfsFromTools},
        {"ntfs_64k", ntfs, 128 * kMiB, Mkfs({"mkntfs", "-Q", "-F", "-q", "-c", "65536"}), NtfsFromTools},
        // 128 KiB clusters are written as 0xF8: 2^8 sectors.
        {"ntfs_128k", ntfs, 256 * kMiB, Mkfs({"mkntfs", "-Q", "-F", "-q", "-c", "131072"}), NtfsFromTools},
        {"ntfs_4k_sectors", ntfs, 128 * kMiB, Mkfs({"mkntfs", "-Q", "-F", "-q", "-s", "4096", "-c", "8192"}),
         NtfsFromTools},
        {"ext2_1k", ext, 64 * kMiB, MkfsExt("ext2", "1024", "ext2label"), ExtFromTools},
        {"ext2_utf8_label", ext, 32 * kMiB, MkfsExt("ext2", "4096", "\xC3\x89tiquette \xE2\x82\xAC"), ExtFromTools},
        {"ext3_4k", ext, 128 * kMiB, MkfsExt("ext3", "4096", "ext3label"), ExtFromTools},
        {"ext3_1k", ext, 64 * kMiB, MkfsExt("ext3", "1024", ""), ExtFromTools},
        {"ext4", ext, 128 * kMiB, MkfsExt("ext4", "4096", "ext4label"), ExtFromTools},
        {"ext_journal_device", ext, 16 * kMiB, Mkfs({"mke2fs", "-q", "-F", "-O", "journal_dev", "-L", "jdev"}),
         ExtFromTools},
        {"swap_4k", swap, 64 * kMiB, Mkfs({"mkswap", "-L", "swaplabel"}), BlkidWithCluster(8)},
        {"swap_64k_pages", swap, 64 * kMiB, Mkfs({"mkswap", "-p", "65536", "-L", "bigpages"}), BlkidWithCluster(128)},
        {"swap_16k_pages", swap, 8 * kMiB, Mkfs({"mkswap", "-p", "16384", "-L", "sixteen"}), BlkidWithCluster(32)},
        {"swap_no_label", swap, 8 * kMiB, Mkfs({"mkswap"}), BlkidWithCluster(8)},
        // mkswap keeps the first KiB, so the exFAT boot sector stays and blkid calls the result ambivalent.
        {"swap_over_exfat", {"mkswap", "mkfs.exfat", "blkid"}, 64 * kMiB,
         Then(Mkfs({"mkfs.exfat", "-L", "old"}), Mkfs({"mkswap", "-L", "afterexfat"})), Fixed(swapOverExfat)},
        {"exfat", {"mkfs.exfat", "blkid"}, 64 * kMiB, Mkfs({"mkfs.exfat", "-L", "exfatlabel", "-c", "32K"}),
         BlkidWithCluster(64)},
        {"exfat_no_label", {"mkfs.exfat", "blkid"}, 64 * kMiB, Mkfs({"mkfs.exfat"}), BlkidWithCluster(8)},
        {"btrfs", {"mkfs.btrfs", "blkid"}, 200 * kMiB, Mkfs({"mkfs.btrfs", "-q", "-L", "btrfslabel"}),
         BlkidWithCluster(1)},
        {"xfs", {"mkfs.xfs", "blkid"}, 320 * kMiB, Mkfs({"mkfs.xfs", "-q", "-L", "xfslabel"}), BlkidWithCluster(1)},
        {"unformatted", {"blkid"}, 16 * kMiB, [](const std::string&, const std::string&, std::string&) { return true; },
         BlkidWithCluster(1)},
    };
}

// One image per case, shared by the whole-image and the embedded runs.
struct BuiltImage {
    std::string path;
    Expected expected;
    std::string log;
    std::string skip;
};

class VolumeInfoToolTest : public ::testing::TestWithParam<std::tuple<FsCase, bool>> {
protected:
    static void SetUpTestSuite() { s_dir = new TempDir(); }
    static void TearDownTestSuite()
    {
        s_built.clear();
        delete s_dir;
        s_dir = nullptr;
    }

    static const BuiltImage& Build(const FsCase& c)
    {
        auto found = s_built.find(c.name);
        if (found != s_built.end())
            return found->second;
        BuiltImage& image = s_built[c.name];
        for (const std::string& tool : c.tools)
            if (!HaveTool(tool))
                image.skip += tool + " is not installed. ";
        if (!image.skip.empty())
            return image;
        const std::string caseDir = s_dir->File(c.name);
        std::filesystem::create_directories(caseDir);
        image.path = caseDir + "/volume.img";
        if (!MakeSparseFile(image.path, int64_t(c.bytes)) || !c.make(image.path, caseDir, image.log))
            image.skip = "could not make the image";
        else
            image.expected = c.expect(image.path, image.log);
        return image;
    }

    // Copies the volume into a disk image after `lead` bytes of junk, with junk behind it as well. Only the
    // volume's data extents are read and only their non-zero blocks written, so the copy stays sparse.
    static std::string Embed(const std::string& volume, uint64_t bytes, uint64_t lead)
    {
        const std::string disk = volume + ".disk";
        if (std::filesystem::exists(disk))
            return disk;
        std::mt19937 random(11);
        std::vector<char> junk(lead);
        for (char& c : junk)
            c = char(random());
        const int in = open(volume.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = open(disk.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        bool ok = in >= 0 && out >= 0 && pwrite(out, junk.data(), lead, 0) == ssize_t(lead) &&
                  pwrite(out, junk.data(), lead, off_t(lead + bytes)) == ssize_t(lead);
        std::vector<char> block(kMiB);
        const std::vector<char> zeros(kMiB);
        off_t at = 0;
        while (ok && uint64_t(at) < bytes) {
            const off_t data = lseek(in, at, SEEK_DATA);
            if (data < 0)
                break; // nothing but holes up to the end
            const off_t hole = lseek(in, data, SEEK_HOLE);
            for (at = data; ok && at < hole;) {
                const size_t length = size_t(std::min<off_t>(off_t(block.size()), hole - at));
                ok = pread(in, block.data(), length, at) == ssize_t(length);
                const bool zero = std::memcmp(block.data(), zeros.data(), length) == 0;
                if (ok && !zero)
                    ok = pwrite(out, block.data(), length, off_t(lead) + at) == ssize_t(length);
                at += off_t(length);
            }
        }
        if (in >= 0)
            close(in);
        if (out >= 0)
            close(out);
        return ok ? disk : std::string();
    }

    static TempDir* s_dir;
    static std::map<std::string, BuiltImage> s_built;
};

TempDir* VolumeInfoToolTest::s_dir = nullptr;
std::map<std::string, BuiltImage> VolumeInfoToolTest::s_built;

TEST_P(VolumeInfoToolTest, MatchesWhatTheToolsReport)
{
    const auto& [fsCase, embedded] = GetParam();
    const BuiltImage& image = Build(fsCase);
    if (!image.skip.empty())
        GTEST_SKIP() << image.skip << "\n" << image.log;

    const int64_t sectors = int64_t(fsCase.bytes / 512);
    const uint64_t lead = embedded ? kMiB : 0;
    const std::string path = embedded ? Embed(image.path, fsCase.bytes, lead) : image.path;
    ASSERT_FALSE(path.empty()) << "could not embed the image";
    ImageVolume volume(path, int64_t(lead / 512), sectors);
    ASSERT_TRUE(volume.IsOpen());

    PartitionInfo info = MakeEmptyPartitionInfo();
    std::memset(&info, 0x5A, sizeof info); // everything the reader owns must be rewritten
    info.StartingLba = 2048;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(ReadVolumeInfo(volume, sectors, info), 1) << image.log;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const Expected& want = image.expected;
    RecordProperty("type", info.FileSystemType);
    RecordProperty("cluster_size", info.ClusterSize);
    RecordProperty("label", info.Label);
    RecordProperty("free_sectors", std::to_string(info.FreeSectors));
    RecordProperty("read_ms", int(seconds * 1000));
    EXPECT_EQ(info.FileSystemType, want.type) << image.log;
    EXPECT_EQ(info.ClusterSize, want.clusterSize) << image.log;
    EXPECT_STREQ(info.Label, want.label.c_str()) << image.log;
    EXPECT_EQ(info.FreeSectors, want.freeSectors) << image.log;
    EXPECT_EQ(info.TotalSectors, sectors);
    EXPECT_EQ(info.UsedSectorsHint, 0);
    if (want.type == kFsNtfs) { // the MFT and the log file: more than a log file's 256 KiB, less than the volume
        EXPECT_GT(info.NtfsReserveSectors, 512);
        EXPECT_LT(info.NtfsReserveSectors, sectors / 2);
    } else {
        EXPECT_EQ(info.NtfsReserveSectors, 0);
    }
    EXPECT_EQ(info.StartingLba, 2048);
    EXPECT_EQ(volume.OutOfRangeReads(), 0);
    EXPECT_LT(seconds, 20.0);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<FsCase, bool>>& param)
{
    return std::get<0>(param.param).name + (std::get<1>(param.param) ? "_embedded" : "_whole");
}

INSTANTIATE_TEST_SUITE_P(Tools, VolumeInfoToolTest,
                         ::testing::Combine(::testing::ValuesIn(ToolCases()), ::testing::Bool()), CaseName);

// ---- Hostile volumes ----

// The first `bytes` of an image the tools made, kept for patching in memory.
class HostileVolumeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_dir = new TempDir(); }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    // Formats a sparse file of `volumeBytes` with argv + path and returns its first `keepBytes`, or nothing.
    static std::vector<uint8_t> Made(std::vector<std::string> argv, uint64_t volumeBytes, uint64_t keepBytes,
                                     std::string& log)
    {
        if (!HaveTool(argv[0]))
            return {};
        const std::string path = s_dir->File("hostile-" + std::to_string(s_counter++) + ".img");
        if (!MakeSparseFile(path, int64_t(volumeBytes)))
            return {};
        argv.push_back(path);
        if (!Step(log, argv))
            return {};
        std::vector<uint8_t> bytes(keepBytes);
        std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), std::streamsize(keepBytes));
        std::filesystem::remove(path);
        return bytes;
    }

    struct Outcome {
        int result = -1;
        PartitionInfo info = MakeEmptyPartitionInfo();
        double seconds = 0;
        int64_t outOfRange = 0;
    };

    static Outcome Read(MemoryVolume& volume)
    {
        Outcome outcome;
        const auto started = std::chrono::steady_clock::now();
        outcome.result = ReadVolumeInfo(volume, volume.SectorCount(), outcome.info);
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        outcome.outOfRange = volume.OutOfRangeReads();
        return outcome;
    }

    static Outcome Read(std::vector<uint8_t> bytes)
    {
        MemoryVolume volume(std::move(bytes));
        return Read(volume);
    }

    static bool NotFatNorExt(int16_t type) { return type == kFsNone || type == kFsOther; }

    static TempDir* s_dir;
    static int s_counter;
};

TempDir* HostileVolumeTest::s_dir = nullptr;
int HostileVolumeTest::s_counter = 0;

#define EXPECT_HARMLESS(outcome)                                                                                  \
    do {                                                                                                           \
        EXPECT_EQ((outcome).result, 1);                                                                            \
        EXPECT_EQ((outcome).outOfRange, 0);                                                                        \
        EXPECT_LT((outcome).seconds, 5.0);                                                                         \
        EXPECT_GE((outcome).info.FreeSectors, 0);                                                                  \
        EXPECT_GE((outcome).info.ClusterSize, 1);                                                                  \
    } while (0)

TEST_F(HostileVolumeTest, RandomBytesAreNeitherFatNorExt)
{
    std::mt19937_64 random(1234);
    for (int round = 0; round < 60; ++round) {
        const size_t sectors = 1 + random() % 3000;
        std::vector<uint8_t> bytes(sectors * 512);
        for (uint8_t& b : bytes)
            b = uint8_t(random());
        const Outcome outcome = Read(bytes);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_HARMLESS(outcome);
        EXPECT_TRUE(NotFatNorExt(outcome.info.FileSystemType)) << outcome.info.FileSystemType;
    }
}

TEST_F(HostileVolumeTest, ScrambledBootSectorsNeverCrash)
{
    std::string log;
    // The first MiBs are enough: whatever lies further is out of the volume and must stay unread.
    std::vector<std::vector<uint8_t>> bases = {
        Made({"mkfs.fat", "-F", "16", "-n", "BASE"}, 16 * kMiB, 2 * kMiB, log),
        Made({"mkfs.fat", "-F", "32", "-s", "1", "-n", "BASE"}, 40 * kMiB, 2 * kMiB, log),
        Made({"mke2fs", "-q", "-F", "-t", "ext2", "-L", "base"}, 8 * kMiB, 2 * kMiB, log),
    };
    std::mt19937 random(99);
    for (std::vector<uint8_t>& base : bases) {
        if (base.empty())
            continue;
        // The FAT boot sector fields, or the first bytes of the ext superblock.
        const size_t first = base[1080] == 0x53 ? 1024 : 11;
        for (int round = 0; round < 100; ++round) {
            std::vector<uint8_t> bytes = base;
            for (int flips = 0; flips < 4; ++flips)
                bytes[first + random() % 100] = uint8_t(random());
            const Outcome outcome = Read(bytes);
            EXPECT_HARMLESS(outcome);
        }
    }
}

TEST_F(HostileVolumeTest, FatWithZeroSectorsPerClusterIsNotFat)
{
    std::string log;
    std::vector<uint8_t> bytes = Made({"mkfs.fat", "-F", "16", "-n", "ZERO"}, 16 * kMiB, 16 * kMiB, log);
    if (bytes.empty())
        GTEST_SKIP() << log;
    bytes[13] = 0;
    const Outcome outcome = Read(bytes);
    EXPECT_HARMLESS(outcome);
    EXPECT_TRUE(NotFatNorExt(outcome.info.FileSystemType)) << outcome.info.FileSystemType;
}

TEST_F(HostileVolumeTest, FatWithHugeFatSizeIsNotFat)
{
    std::string log;
    std::vector<uint8_t> bytes = Made({"mkfs.fat", "-F", "32", "-s", "1"}, 40 * kMiB, 40 * kMiB, log);
    if (bytes.empty())
        GTEST_SKIP() << log;
    put_le32(bytes.data() + 36, 0xFFFFFFFFu);
    const Outcome outcome = Read(bytes);
    EXPECT_HARMLESS(outcome);
    EXPECT_TRUE(NotFatNorExt(outcome.info.FileSystemType)) << outcome.info.FileSystemType;
}

// A consistent boot sector for a FAT32 of 2 TiB on a 40 MiB partition: the FATs lie past the end.
TEST_F(HostileVolumeTest, FatLargerThanThePartitionIsReadOnlyInside)
{
    std::string log;
    std::vector<uint8_t> bytes = Made({"mkfs.fat", "-F", "32", "-s", "1"}, 40 * kMiB, 40 * kMiB, log);
    if (bytes.empty())
        GTEST_SKIP() << log;
    bytes[13] = 64;
    put_le32(bytes.data() + 32, 0xFFFFFFFFu);
    put_le32(bytes.data() + 36, 524288);
    const Outcome outcome = Read(bytes);
    EXPECT_HARMLESS(outcome);
    EXPECT_EQ(outcome.info.FileSystemType, kFsFat32);
    EXPECT_EQ(outcome.info.ClusterSize, 64);
    EXPECT_EQ(outcome.info.FreeSectors, 0);
}

// A root directory of deleted entries whose chain runs in a circle: the label comes from the boot sector.
TEST_F(HostileVolumeTest, Fat32RootChainLoopEnds)
{
    std::string log;
    const std::vector<uint8_t> base = Made({"mkfs.fat", "-F", "32", "-s", "1"}, 40 * kMiB, 40 * kMiB, log);
    if (base.empty())
        GTEST_SKIP() << log;
    const uint32_t reserved = le16(base.data() + 14);
    const uint32_t fatSectors = le32(base.data() + 36);
    const uint64_t fat = uint64_t(reserved) * 512;
    const uint64_t data = fat + 2ull * fatSectors * 512;
    for (const std::vector<uint32_t>& links : {std::vector<uint32_t>{2}, std::vector<uint32_t>{3, 2},
                                               std::vector<uint32_t>{3, 4, 5, 3}}) {
        std::vector<uint8_t> bytes = base;
        std::memcpy(bytes.data() + 71, "BOOTLBL    ", 11);
        for (size_t i = 0; i < links.size(); ++i) {
            const uint32_t cluster = uint32_t(2 + i);
            put_le32(bytes.data() + fat + cluster * 4, links[i]);
            uint8_t* dir = bytes.data() + data + (cluster - 2) * 512;
            for (int entry = 0; entry < 16; ++entry) {
                std::memset(dir + entry * 32, 'X', 11);
                dir[entry * 32] = 0xE5;
                dir[entry * 32 + 11] = 0x20;
            }
        }
        MemoryVolume volume(bytes);
        const Outcome outcome = Read(volume);
        EXPECT_HARMLESS(outcome);
        EXPECT_EQ(outcome.info.FileSystemType, kFsFat32);
        EXPECT_STREQ(outcome.info.Label, "") << "the boot sector's copy is not the label";
        EXPECT_LT(volume.ReadCalls(), 200);
    }
}

TEST_F(HostileVolumeTest, ExtWithBlockSizeShift40IsNotExt)
{
    std::string log;
    std::vector<uint8_t> bytes = Made({"mke2fs", "-q", "-F", "-t", "ext2"}, 8 * kMiB, 8 * kMiB, log);
    if (bytes.empty())
        GTEST_SKIP() << log;
    put_le32(bytes.data() + 1024 + 24, 40);
    const Outcome outcome = Read(bytes);
    EXPECT_HARMLESS(outcome);
    EXPECT_TRUE(NotFatNorExt(outcome.info.FileSystemType)) << outcome.info.FileSystemType;
}

TEST_F(HostileVolumeTest, ExtWithHugeFreeCountIsNotExt)
{
    std::string log;
    std::vector<uint8_t> bytes = Made({"mke2fs", "-q", "-F", "-t", "ext2"}, 8 * kMiB, 8 * kMiB, log);
    if (bytes.empty())
        GTEST_SKIP() << log;
    put_le32(bytes.data() + 1024 + 12, 0xFFFFFFFFu);
    const Outcome outcome = Read(bytes);
    EXPECT_HARMLESS(outcome);
    EXPECT_NE(outcome.info.FileSystemType, kFsExt2);
}

TEST_F(HostileVolumeTest, OneSectorVolumes)
{
    std::string log;
    std::vector<std::vector<uint8_t>> sectors = {
        std::vector<uint8_t>(512, 0),
        Made({"mkfs.fat", "-F", "16"}, 16 * kMiB, 512, log),
        Made({"mkfs.fat", "-F", "32"}, 40 * kMiB, 512, log),
        Made({"mkntfs", "-Q", "-F", "-q"}, 16 * kMiB, 512, log),
    };
    for (std::vector<uint8_t>& sector : sectors) {
        if (sector.empty())
            continue;
        const Outcome outcome = Read(sector);
        EXPECT_HARMLESS(outcome);
        EXPECT_EQ(outcome.info.FreeSectors, 0);
        EXPECT_EQ(outcome.info.TotalSectors, 1);
    }
}

TEST_F(HostileVolumeTest, VolumeShorterThanItsFat)
{
    std::string log;
    const struct {
        std::vector<std::string> argv;
        uint64_t bytes;
        int16_t type;
    } cases[] = {
        {{"mkfs.fat", "-F", "32", "-s", "1", "-n", "SHORT"}, 40 * kMiB, kFsFat32},
        {{"mkfs.fat", "-F", "16", "-n", "SHORT"}, 64 * kMiB, kFsFat16},
        {{"mkfs.fat", "-F", "12", "-n", "SHORT"}, 4 * kMiB, kFsFat12},
    };
    for (const auto& c : cases) {
        // Keep 3 sectors: the boot sector and a little of the reserved area or the first FAT.
        const std::vector<uint8_t> bytes = Made(c.argv, c.bytes, 3 * 512, log);
        if (bytes.empty())
            continue;
        const Outcome outcome = Read(bytes);
        EXPECT_HARMLESS(outcome);
        EXPECT_EQ(outcome.info.FileSystemType, c.type);
        EXPECT_EQ(outcome.info.FreeSectors, 0);
        EXPECT_STREQ(outcome.info.Label, "") << "the root directory is out of reach";
    }
}

TEST_F(HostileVolumeTest, UnreadableFirstSectorFails)
{
    MemoryVolume volume(std::vector<uint8_t>(64 * 512, 0));
    volume.FailReads(true);
    PartitionInfo info = MakeEmptyPartitionInfo();
    EXPECT_EQ(ReadVolumeInfo(volume, volume.SectorCount(), info), 0);
}

TEST_F(HostileVolumeTest, EmptyVolumeIsUnformatted)
{
    MemoryVolume volume(std::vector<uint8_t>{});
    PartitionInfo info = MakeEmptyPartitionInfo();
    SetLabel(info, "stale");
    EXPECT_EQ(ReadVolumeInfo(volume, 0, info), 1);
    EXPECT_EQ(info.FileSystemType, kFsNone);
    EXPECT_EQ(info.ClusterSize, 1);
    EXPECT_STREQ(info.Label, "");
    EXPECT_EQ(volume.ReadCalls(), 0);
}

// ---- Label text ----

TEST(VolumeLabelText, Cp850TableMatchesIconv)
{
    iconv_t convert = iconv_open("UTF-32LE", "CP850");
    if (convert == iconv_t(-1))
        GTEST_SKIP() << "iconv has no CP850";
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = char(byte);
        uint8_t out[4] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        ASSERT_NE(iconv(convert, &inPtr, &inLeft, &outPtr, &outLeft), size_t(-1)) << byte;
        EXPECT_EQ(Cp850ToUnicode(uint8_t(byte)), le32(out)) << "byte 0x" << std::hex << byte;
    }
    iconv_close(convert);
}

TEST(VolumeLabelText, OemLabels)
{
    const uint8_t cafe[11] = {'C', 'A', 'F', 0x90, ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    EXPECT_EQ(OemLabelToUtf8(cafe, 11), "CAF\xC3\x89");
    const uint8_t control[11] = {'A', 0x01, 'B', 0x7F, ' ', 'C', ' ', ' ', 0, 0, 0};
    EXPECT_EQ(OemLabelToUtf8(control, 11), "A?B? C");
    const uint8_t box[3] = {0xB0, 0xDB, 0xFE};
    EXPECT_EQ(OemLabelToUtf8(box, 3), "\xE2\x96\x91\xE2\x96\x88\xE2\x96\xA0");
}

TEST(VolumeLabelText, Utf8Labels)
{
    const std::string valid = "\xC3\x89t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8LabelFromBytes(reinterpret_cast<const uint8_t*>(valid.data()), valid.size()), valid);
    const uint8_t broken[] = {'a', 0xC3, 'b', 0xE2, 0x82, 'c', 0xC0, 0xAF, 0xED, 0xA0, 0x80, 0x09, 0, 'z'};
    EXPECT_EQ(Utf8LabelFromBytes(broken, sizeof broken), "a?b??c??????");
    const uint8_t truncated[] = {'o', 'k', 0xE2, 0x82};
    EXPECT_EQ(Utf8LabelFromBytes(truncated, sizeof truncated), "ok??");
}

TEST(VolumeLabelText, Utf16Labels)
{
    const uint8_t text[] = {'E', 0, 'x', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'q', 0};
    EXPECT_EQ(Utf16LabelToUtf8(text, 7), "Ex\xE2\x82\xAC\xF0\x9F\x98\x80?q");
}

TEST(VolumeLabelText, StoreLabelCutsAtCharacterBoundary)
{
    std::string label;
    for (int i = 0; i < 200; ++i)
        label += "\xC3\xA9"; // 400 bytes
    PartitionInfo info = MakeEmptyPartitionInfo();
    StoreLabel(info, "x" + label);
    const std::string stored = info.Label;
    EXPECT_EQ(stored.size(), 255u);
    EXPECT_EQ(stored, ("x" + label).substr(0, 255));
    StoreLabel(info, label);
    EXPECT_EQ(std::string(info.Label).size(), 254u);
}

} // namespace
