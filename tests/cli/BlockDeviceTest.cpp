// Volmara on a real block device: a loop device with partition scanning, driven through volmara-cli.
// After every change the kernel's partitions (sysfs and the device nodes) are those of the table as
// sfdisk reads it; a partition held exclusively elsewhere cannot be locked; and a change the kernel
// could not follow because a partition is mounted is refused before anything is written.
#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/LinuxBlock.h"
#include "model/KVolumeManager.h"
#include "support/PartitionLockHolder.h"
#include "support/TableFixtures.h"

using namespace TestSupport;
using LinuxBlock::KernelPartition;

namespace LinuxBlock {
void PrintTo(const KernelPartition& p, std::ostream* out)
{
    *out << p.number << ":" << p.startSector << "+" << p.sectorCount;
}
} // namespace LinuxBlock

namespace {

// Attaches an image as a loop device for the life of the object; detaches on every path.
class LoopDevice {
public:
    explicit LoopDevice(const std::string& image)
    {
        const ToolResult r = RunTool({"losetup", "--find", "--show", "--partscan", image});
        if (r.exitCode == 0)
            m_path = r.output.substr(0, r.output.find('\n'));
        else
            m_error = r.output;
    }
    ~LoopDevice()
    {
        if (!m_path.empty())
            RunTool({"losetup", "-d", m_path});
    }
    const std::string& Path() const { return m_path; }
    const std::string& Error() const { return m_error; }

private:
    std::string m_path;
    std::string m_error;
};

// A file system mounted for the life of the object.
class Mount {
public:
    Mount(const std::string& node, const std::string& point) : m_point(point)
    {
        ::mkdir(point.c_str(), 0755);
        m_mounted = ::mount(node.c_str(), point.c_str(), "ext2", 0, nullptr) == 0;
    }
    ~Mount()
    {
        if (m_mounted && ::umount2(m_point.c_str(), 0) != 0)
            ::umount2(m_point.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }

private:
    std::string m_point;
    bool m_mounted = false;
};

// Another process holding a node open with O_EXCL until released.
class ExclusiveHolder : public ForkedHolder {
public:
    explicit ExclusiveHolder(const std::string& node)
        : ForkedHolder([node] { return ::open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC) >= 0; })
    {
    }
};

std::string Describe(const std::vector<KernelPartition>& parts)
{
    std::string text;
    for (const auto& p : parts)
        text += std::to_string(p.number) + ":" + std::to_string(p.startSector) + "+" + std::to_string(p.sectorCount) + " ";
    return text;
}

// The partitions the kernel should know for the table sfdisk reads from the device: every entry, an
// extended container as its first two sectors.
std::vector<KernelPartition> TableView(const std::string& device)
{
    std::vector<KernelPartition> parts;
    for (const auto& e : TableFixtures::SfdiskDump(device).entries) {
        const bool container = e.type == "5" || e.type == "f" || e.type == "85";
        parts.push_back({e.number, e.start, container ? std::min<int64_t>(2, e.size) : e.size});
    }
    std::sort(parts.begin(), parts.end(), [](auto& a, auto& b) { return a.number < b.number; });
    return parts;
}

// Every partition in sysfs has its node: /dev/<name>, a block device with the same number.
std::string MissingNodes(const std::string& device)
{
    std::string missing;
    const std::string name = device.substr(device.rfind('/') + 1);
    for (const auto& p : LinuxBlock::KernelPartitions(device)) {
        const std::string part = name + "p" + std::to_string(p.number);
        std::string dev;
        if (FILE* f = std::fopen(("/sys/block/" + name + "/" + part + "/dev").c_str(), "r")) {
            char buffer[32] = {};
            if (std::fgets(buffer, sizeof buffer, f))
                dev = buffer;
            std::fclose(f);
        }
        struct stat st {};
        const bool ok = ::stat(("/dev/" + part).c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
                        dev == std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)) + "\n";
        if (!ok)
            missing += "/dev/" + part + " ";
    }
    return missing;
}

// 1-based position of the partition starting at `start` in Volmara's list of disk 0, as lines name it.
int Position(int64_t start)
{
    KVolumeManager manager;
    if (!manager.Load(0, 0))
        return -1;
    for (int i = 0; i < manager.GetPartitionCount(0); ++i) {
        PartitionInfo p{};
        if (manager.GetPartition(0, i, &p) && p.StartingLba == start)
            return i + 1;
    }
    return -1;
}

ToolResult Cli(const std::vector<std::string>& lines)
{
    std::vector<std::string> argv = {VOLMARA_CLI, "--in-use=cancel", "run"};
    argv.insert(argv.end(), lines.begin(), lines.end());
    return RunTool(argv);
}

class BlockDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0 || !HaveTool("losetup") || !HaveTool("partx"))
            GTEST_SKIP() << "needs root, losetup and partx";
        image = TableFixtures::MakeMbrLayout(dir);
        loop = std::make_unique<LoopDevice>(image);
        ASSERT_FALSE(loop->Path().empty()) << loop->Error();
        LinuxBlock::UdevSettle(3000);
        // A kernel without a parser for the table leaves the partitions to user space, as partx adds them.
        if (LinuxBlock::KernelPartitions(device()).empty()) {
            ASSERT_EQ(RunTool({"partx", "-a", device()}).exitCode, 0);
        }
        ASSERT_EQ(LinuxBlock::KernelPartitions(device()), TableView(device()));
        env = std::make_unique<EngineEnvironment>(std::vector<std::string>{device()}, dir.File("state"));
    }
    void TearDown() override
    {
        env.reset();
        loop.reset(); // before the image's folder goes
    }
    const std::string& device() const { return loop->Path(); }
    std::string node(int number) const { return device() + "p" + std::to_string(number); }

    // The kernel's partitions are those of the table, each with its node.
    void ExpectKernelFollows(const std::string& step)
    {
        const auto kernel = LinuxBlock::KernelPartitions(device());
        const auto table = TableView(device());
        EXPECT_EQ(kernel, table) << step << "\nkernel: " << Describe(kernel) << "\ntable:  " << Describe(table);
        EXPECT_EQ(MissingNodes(device()), "") << step;
    }

    TempDir dir;
    std::string image;
    std::unique_ptr<LoopDevice> loop;
    std::unique_ptr<EngineEnvironment> env;
};

} // namespace

TEST_F(BlockDevice, TheKernelFollowsEveryChange)
{
    struct Step {
        const char* what;
        std::function<std::string()> line;
        std::vector<KernelPartition> kernel; // what the kernel must show afterwards
    };
    const std::vector<Step> steps = {
        {"create a primary partition (slot 4)",
         [] {
             return std::string("CreatePartition DiskIndex:0 StartingOffset:114688 PartitionLength:8192 "
                                "PartTypeId:2147483779 FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:0 "
                                "Primary:1 BootVolume:0 SystemVolume:0");
         },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 40960, 2}, {4, 114688, 8192}, {5, 43008, 8192},
          {6, 55296, 12288}, {7, 71680, 40960}}},
        {"delete it",
         [] { return "DeletePartition DiskIndex:0 Partition:" + std::to_string(Position(114688)); },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 40960, 2}, {5, 43008, 8192}, {6, 55296, 12288},
          {7, 71680, 40960}}},
        {"move the active flag", [] { return std::string("ActivePartition DiskIndex:0 PartitionIndex:2 Active:1"); },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 40960, 2}, {5, 43008, 8192}, {6, 55296, 12288},
          {7, 71680, 40960}}},
        {"delete the first logical partition (the others are renumbered)",
         [] { return "DeletePartition DiskIndex:0 Partition:" + std::to_string(Position(43008)); },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 53248, 2}, {5, 55296, 12288}, {6, 71680, 40960}}},
        {"the last logical partition becomes primary",
         [] {
             return "ChangePartitionPrimary DiskIndex:0 PartitionIndex:" + std::to_string(Position(71680)) +
                    " Primary:1";
         },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 53248, 2}, {4, 71680, 40960}, {5, 55296, 12288}}},
        {"and logical again",
         [] {
             return "ChangePartitionPrimary DiskIndex:0 PartitionIndex:" + std::to_string(Position(71680)) +
                    " Primary:0";
         },
         {{1, 2048, 16384}, {2, 18432, 20480}, {3, 53248, 2}, {5, 55296, 12288}, {6, 71680, 40960}}},
    };
    for (const auto& step : steps) {
        const std::string line = step.line();
        const ToolResult r = Cli({line});
        ASSERT_EQ(r.exitCode, 0) << step.what << "\n" << line << "\n" << r.output;
        ExpectKernelFollows(step.what);
        EXPECT_EQ(LinuxBlock::KernelPartitions(device()), step.kernel) << step.what;
    }
    EXPECT_TRUE(TableFixtures::SfdiskDump(device()).entries[1].bootable);
}

TEST_F(BlockDevice, AnExclusiveHolderElsewhereBlocksTheLock)
{
    {
        ExclusiveHolder holder(node(1));
        ASSERT_TRUE(holder.Holding());
        KVolumeManager manager;
        ASSERT_EQ(manager.Load(1, 1), 1);
        ASSERT_TRUE(manager.GetDisk(0)->IsBlockDevice());
        std::unique_ptr<IVolumeDevice> device(manager.CreateVolumeDevice(0, 0));
        ASSERT_TRUE(device);
        EXPECT_EQ(device->Lock(), 0);

        const ToolResult r = Cli({"HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0"});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find("is being used now"), std::string::npos) << r.output;
        EXPECT_EQ(TableFixtures::SfdiskDump(this->device()).entries[0].type, "c") << "nothing was written";

        holder.Release();
        EXPECT_EQ(device->Lock(), 1);
        EXPECT_EQ(device->Unlock(), 1);
    }
    // Released, the same line runs; the kernel's view stays whole while Volmara holds its own lock.
    const ToolResult r = Cli({"HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(TableFixtures::SfdiskDump(device()).entries[0].type, "1c");
    ExpectKernelFollows("hide");
}

TEST_F(BlockDevice, AMountedPartitionTheKernelWouldDropRefusesTheChangeBeforeWriting)
{
    if (!HaveTool("mkfs.ext2"))
        GTEST_SKIP() << "needs mkfs.ext2";
    ASSERT_EQ(RunTool({"mkfs.ext2", "-q", node(2)}).exitCode, 0);
    Mount mounted(node(2), dir.File("mnt"));
    if (!mounted.Mounted())
        GTEST_SKIP() << "ext2 cannot be mounted here";

    // Deleting the first primary would renumber the mounted second one (slots follow disk order).
    const std::string before = TableFixtures::SfdiskDump(device()).text;
    const auto kernelBefore = LinuxBlock::KernelPartitions(device());
    const auto busy = LinuxBlock::PartitionsInTheWay(
        device(), {{1, 18432, 20480}, {2, 40960, 2}, {5, 43008, 8192}, {6, 55296, 12288}, {7, 71680, 40960}});
    ASSERT_EQ(busy.size(), 1u);
    EXPECT_EQ(busy[0], node(2) + ": mounted at " + dir.File("mnt"));

    ToolResult r = Cli({"DeletePartition DiskIndex:0 Partition:1"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("line 1 failed (result 24, error code 60)"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("mounted or otherwise in use by the system"), std::string::npos) << r.output;
    EXPECT_EQ(TableFixtures::SfdiskDump(device()).text, before) << "the table was written";
    EXPECT_EQ(LinuxBlock::KernelPartitions(device()), kernelBefore);

    // A change that leaves the mounted partition where it is goes ahead.
    r = Cli({"DeletePartition DiskIndex:0 Partition:" + std::to_string(Position(43008))});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ExpectKernelFollows("delete a logical partition beside a mounted primary");
}

// A wipe written past the cache and a raw copy, on a real block device: the partition nodes show the
// new bytes at once, as any other program reading them would.
TEST_F(BlockDevice, WipesAndCopiesReachThePartitionNodes)
{
    auto readNode = [](const std::string& path, int64_t bytes) {
        std::vector<uint8_t> data(size_t(bytes), 0);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << path;
        if (fd >= 0) {
            EXPECT_EQ(::pread(fd, data.data(), data.size(), 0), ssize_t(data.size())) << path;
            ::close(fd);
        }
        return data;
    };
    const int number = Position(43008);
    ASSERT_GT(number, 0);
    // Something reads the partition first and leaves its bytes cached.
    const auto old = readNode(node(5), 8192 * 512);
    ToolResult r = Cli({"WipeDisk DiskIndex:0 PartitionIndex:" + std::to_string(number) +
                        " StartingLba:43008 SectorsCount:8192 WipingMethod:1"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto wiped = readNode(node(5), 8192 * 512);
    EXPECT_TRUE(std::all_of(wiped.begin(), wiped.begin() + 512, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(wiped.begin() + 512, wiped.end(), [](uint8_t b) { return b == 0xFF; }));

    r = Cli({"CopyPartition DiskIndex:0 PartitionIndex:" + std::to_string(number) +
                 " DestDiskIndex:0 DestStartingLba:114688 DestPartitionSize:8192 DestPartitionIsPrimary:1",
             "CreatePartition DiskIndex:0 StartingOffset:114688 PartitionLength:8192 PartTypeId:2147483779 FsType:0 "
             "ClusterSize:0 Label:\"\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ExpectKernelFollows("after the copy");
    EXPECT_TRUE(readNode(node(4), 8192 * 512) == wiped);
}
