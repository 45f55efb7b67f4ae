// Volume devices: transfers bounded by the partition, exclusive locks across processes.
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TableFixtures.h"
#include "engine/DiskEngine.h"
#include "engine/FaultInjection.h"
#include "engine/KDisk.h"

using namespace TestSupport;

namespace {

PartitionInfo partition(int64_t start, int64_t count)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = start;
    p.SectorCount = count;
    p.PartitionTypeId = 0x83;
    return p;
}

} // namespace

TEST(VolumeDevice, TransfersNeverLeaveThePartition)
{
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 4 << 20));
    ASSERT_TRUE(FillPattern(image, 0, 4 << 20, 3));
    const uint64_t before = HashRange(image, 0, 4 << 20);
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IVolumeDevice> v(CreateVolumeDevice(&disk, partition(1000, 100)));
    ASSERT_TRUE(v);
    std::vector<uint8_t> buffer(512 * 200, 0xAB);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 0, 100), 1);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 99, 1), 1);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 99, 2), 0);
    EXPECT_EQ(v->ReadSectors(buffer.data(), -1, 1), 0);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 0, 101), 0);
    EXPECT_EQ(v->ReadSectors(buffer.data(), INT64_MAX, 1), 0);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 50, INT64_MAX), 0);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 100, 1), 0);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 1, 100), 0);
    EXPECT_EQ(v->WriteSectors(buffer.data(), -5, 10), 0);
    EXPECT_EQ(v->VerifySectors(90, 20), 0);
    EXPECT_EQ(HashRange(image, 0, 4 << 20), before) << "a refused transfer touched the disk";

    // Writes inside land at the partition's start.
    std::fill(buffer.begin(), buffer.end(), 0xAB);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 0, 1), 1);
    EXPECT_EQ(ReadBytes(image, 1000 * 512, 512), std::vector<uint8_t>(512, 0xAB));

    // A partition that does not lie on the disk gets no device.
    EXPECT_EQ(CreateVolumeDevice(&disk, partition(8000, 500)), nullptr);
    EXPECT_EQ(CreateVolumeDevice(&disk, partition(-1, 5)), nullptr);
    EXPECT_EQ(CreateVolumeDevice(&disk, partition(10, 0)), nullptr);
    EXPECT_EQ(CreateVolumeDevice(nullptr, partition(10, 5)), nullptr);
}

TEST(VolumeDevice, LockedPartitionCannotBeLockedByAnotherProcess)
{
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 4 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IVolumeDevice> first(CreateVolumeDevice(&disk, partition(1000, 100)));
    ASSERT_TRUE(first && first->Lock());

    auto lockInChild = [&](int64_t start, int64_t count) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            KDisk d;
            d.OpenPath(image, 0);
            std::unique_ptr<IVolumeDevice> v(CreateVolumeDevice(&d, partition(start, count)));
            ::_exit(v && v->Lock() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_FALSE(lockInChild(1000, 100)) << "the same partition";
    EXPECT_TRUE(lockInChild(2000, 100)) << "a neighbour is independent";
    // A second device in this process is another holder too.
    std::unique_ptr<IVolumeDevice> second(CreateVolumeDevice(&disk, partition(1000, 100)));
    EXPECT_EQ(second->Lock(), 0);
    first->Unlock();
    EXPECT_TRUE(lockInChild(1000, 100)) << "released";
    EXPECT_EQ(second->Lock(), 1);
}

TEST(VolumeDevice, InjectedFaultsFailTransfers)
{
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 1 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IVolumeDevice> v(CreateVolumeDevice(&disk, partition(100, 100)));
    std::vector<uint8_t> buffer(512 * 4);
    FaultInjection::Configure("0:r:150-151,0:w:120-120");
    EXPECT_EQ(v->ReadSectors(buffer.data(), 49, 1), 1);
    EXPECT_EQ(v->ReadSectors(buffer.data(), 49, 2), 0);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 19, 2), 0);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 21, 2), 1);
    FaultInjection::Configure("0:w-after:2");
    EXPECT_EQ(v->WriteSectors(buffer.data(), 0, 1), 1);
    EXPECT_EQ(disk.WriteSectors(buffer.data(), 0, 1), 1);
    EXPECT_EQ(v->WriteSectors(buffer.data(), 0, 1), 0);
    EXPECT_EQ(disk.WriteSectors(buffer.data(), 0, 1), 0);
    FaultInjection::Configure("1:w-after:0");
    EXPECT_EQ(disk.WriteSectors(buffer.data(), 0, 1), 1) << "rules name their disk";
    FaultInjection::Configure("");
}

// Zeroing ranges: image files (a hole or zeroed extent), a loop device (the kernel's write-zeroes),
// and the plain writing fallback; never a sector outside the range or the partition.
TEST(VolumeDevice, ZeroedRangesStayInside)
{
    TempDir dir;
    const std::string image = dir.File("disk.img");
    ASSERT_TRUE(MakeSparseFile(image, 4 << 20));
    ASSERT_TRUE(FillPattern(image, 0, 4 << 20, 5));
    const std::string reference = dir.File("reference.img");
    ASSERT_TRUE(MakeSparseFile(reference, 4 << 20));
    ASSERT_TRUE(FillPattern(reference, 0, 4 << 20, 5));
    auto expectZeroed = [&](int64_t first, int64_t count) {
        EXPECT_EQ(ReadBytes(image, first * 512, count * 512), std::vector<uint8_t>(size_t(count) * 512, 0));
        EXPECT_EQ(HashRange(image, 0, first * 512), HashRange(reference, 0, first * 512));
        const int64_t end = (first + count) * 512;
        EXPECT_EQ(HashRange(image, end, (4 << 20) - end), HashRange(reference, end, (4 << 20) - end));
    };
    {
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        ASSERT_EQ(disk.ZeroSectors(1001, 37), 1);
        disk.Flush();
        expectZeroed(1001, 37);
        EXPECT_EQ(disk.ZeroSectors(8190, 3), 0) << "past the disk";

        // Through a volume device: relative to the partition and bounded by it.
        std::unique_ptr<IVolumeDevice> v(CreateVolumeDevice(&disk, partition(1000, 100)));
        ASSERT_TRUE(v);
        EXPECT_EQ(v->ZeroSectors(99, 2), 0);
        EXPECT_EQ(v->ZeroSectors(-1, 2), 0);
        ASSERT_EQ(v->ZeroSectors(1, 37), 1);
        disk.Flush();
        expectZeroed(1001, 37);

        // A refused write refuses the zeroing too.
        FaultInjection::Configure("0:w:3000-3000");
        EXPECT_EQ(disk.ZeroSectors(2990, 20), 0);
        FaultInjection::Configure("");
        expectZeroed(1001, 37);
    }
    // The fallback of devices that cannot do better writes the zeros.
    struct Plain : ISectorDevice {
        KDisk& d;
        explicit Plain(KDisk& disk) : d(disk) {}
        int ReadSectors(void* b, int64_t f, int64_t c) override { return d.ReadSectors(b, f, c); }
        int WriteSectors(const void* b, int64_t f, int64_t c) override { return d.WriteSectors(b, f, c); }
        int VerifySectors(int64_t f, int64_t c) override { return d.VerifySectors(f, c); }
        int GetGeometry(DiskGeometry* g) override { return d.GetGeometry(g); }
    };
    {
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        Plain plain(disk);
        ASSERT_EQ(plain.ZeroSectors(1001, 2500), 1);
        disk.Flush();
        expectZeroed(1001, 2500);
    }
    // A loop device zeroes through the kernel.
    if (::geteuid() == 0 && HaveTool("losetup")) {
        ASSERT_TRUE(FillPattern(image, 0, 4 << 20, 5));
        const ToolResult loop = RunTool({"losetup", "--find", "--show", image});
        if (loop.exitCode == 0) {
            const std::string path = loop.output.substr(0, loop.output.find('\n'));
            struct Detach {
                std::string p;
                ~Detach() { RunTool({"losetup", "-d", p}); }
            } detach{path};
            KDisk disk;
            ASSERT_TRUE(disk.OpenPath(path, 0));
            ASSERT_EQ(disk.ZeroSectors(4000, 128), 1);
            disk.Flush();
            RunTool({"sync"});
            expectZeroed(4000, 128);
        }
    }
}
