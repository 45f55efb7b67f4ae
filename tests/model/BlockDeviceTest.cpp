// The engine on a real block device (a loop device with partition scanning): the kernel learns the
// new table, and a partition held open exclusively elsewhere cannot be locked.
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/LinuxBlock.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

// Attaches an image as a loop device for the life of the object; detaches on every path.
class LoopDevice {
public:
    explicit LoopDevice(const std::string& image)
    {
        const ToolResult r = RunTool({"losetup", "--find", "--show", "--partscan", image});
        if (r.exitCode == 0) {
            m_path = r.output.substr(0, r.output.find('\n'));
            m_error.clear();
        } else {
            m_error = r.output;
        }
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
    std::string m_error = "not attached";
};

} // namespace

TEST(BlockDevice, KernelSeesTheNewTableAndExclusiveHoldersBlockTheLock)
{
    if (::geteuid() != 0 || !HaveTool("losetup"))
        GTEST_SKIP() << "needs root and losetup";
    TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    LoopDevice loop(image);
    if (loop.Path().empty())
        GTEST_SKIP() << "no loop device: " << loop.Error();
    LinuxBlock::UdevSettle(3000);
    if (LinuxBlock::KernelPartitions(loop.Path()).empty())
        GTEST_SKIP() << "this kernel does not scan the partitions of loop devices";
    EngineEnvironment env({loop.Path()}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    ASSERT_EQ(manager.GetDiskCount(), 1);
    ASSERT_TRUE(manager.GetDisk(0)->IsBlockDevice());
    ASSERT_EQ(manager.GetPartitionCount(0), 5);

    PartitionInfo extra = MakeEmptyPartitionInfo();
    extra.StartingLba = 114688;
    extra.SectorCount = 8192;
    extra.HiddenSectors = extra.StartingLba;
    extra.PartitionTypeId = 0x83;
    extra.IsPrimary = 1;
    int index = -1;
    ASSERT_EQ(manager.CreatePartition(0, &index, &extra), kTableChangeOk);
    bool seen = false;
    for (const auto& kp : LinuxBlock::KernelPartitions(loop.Path()))
        seen = seen || (kp.startSector == 114688 && kp.sectorCount == 8192);
    EXPECT_TRUE(seen) << "the kernel does not know the new partition";
    PartitionInfo p{};
    ASSERT_TRUE(manager.GetPartition(0, index, &p));
    EXPECT_EQ(p.PartitionNumber, 4);

    // Delete it again: the kernel forgets it.
    ASSERT_EQ(manager.DeletePartition(0, index), kTableChangeOk);
    for (const auto& kp : LinuxBlock::KernelPartitions(loop.Path()))
        EXPECT_NE(kp.startSector, 114688);

    // Another holder of the partition node makes the lock fail.
    const std::string node = LinuxBlock::PartitionNode(loop.Path(), 2048);
    ASSERT_FALSE(node.empty());
    const int holder = ::open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    std::unique_ptr<IVolumeDevice> device(manager.CreateVolumeDevice(0, 0));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->Lock(), 0);
    ::close(holder);
    EXPECT_EQ(device->Lock(), 1);
    EXPECT_EQ(device->Unlock(), 1);
}
