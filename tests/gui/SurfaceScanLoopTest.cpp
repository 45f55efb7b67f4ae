// The surface test on a real block device (a loop device over an image): the faults are found, nothing
// is written, and the device is read past the page cache. Needs root and losetup; skipped otherwise.
#include <QCoreApplication>
#include <QEventLoop>
#include <QRecursiveMutex>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "SurfaceScanSupport.h"
#include "engine/FaultInjection.h"
#include "gui/tools/KSurfaceScanningThread.h"
#include "gui/tools/SurfaceScanRules.h"
#include "support/TestSupport.h"

namespace {

// A loop device over an image, detached on every way out of the test.
class LoopDevice {
public:
    explicit LoopDevice(const std::string& image)
    {
        const TestSupport::ToolResult r = TestSupport::RunTool({"losetup", "--find", "--show", image});
        if (r.exitCode == 0 && !r.output.empty())
            m_path = r.output.substr(0, r.output.find('\n'));
    }
    ~LoopDevice()
    {
        if (!m_path.empty())
            TestSupport::RunTool({"losetup", "--detach", m_path});
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Pages of the device held in the page cache; -1 when it cannot be told.
int64_t CachedPages(const std::string& device, int64_t bytes)
{
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    void* map = ::mmap(nullptr, size_t(bytes), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return -1;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> resident(size_t((bytes + page - 1) / page));
    int64_t cached = -1;
    if (::mincore(map, size_t(bytes), resident.data()) == 0) {
        cached = 0;
        for (unsigned char r : resident)
            cached += r & 1;
    }
    ::munmap(map, size_t(bytes));
    return cached;
}

void DropCache(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::ioctl(fd, BLKFLSBUF, 0);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

} // namespace

TEST(SurfaceScanLoopDevice, FindsTheFaultsAndReadsPastTheCache)
{
    if (::geteuid() != 0 || !TestSupport::HaveTool("losetup"))
        GTEST_SKIP() << "needs root and losetup";
    TestSupport::TempDir dir;
    const int64_t sectors = 131072;
    const std::string image = dir.File("loop.img");
    ASSERT_TRUE(TestSupport::MakeSparseFile(image, sectors * 512));
    ASSERT_TRUE(TestSupport::FillPattern(image, 0, sectors * 512, 3));
    const uint64_t before = TestSupport::HashRange(image, 0, sectors * 512);
    LoopDevice loop(image);
    if (loop.Path().empty())
        GTEST_SKIP() << "no loop device could be set up";
    FaultInjection::Configure("0:r:6300-6300,0:r:131071-131071");
    SurfaceScanSupport::ModifyWatch watch(loop.Path());
    DropCache(loop.Path());
    {
        SurfaceScanSupport::GatedDevice device(loop.Path());
        ASSERT_TRUE(device.IsOpen());
        QRecursiveMutex mutex;
        std::atomic<int> cancel{0};
        std::vector<int64_t> failed;
        int64_t reports = 0;
        KSurfaceScanningThread worker(&device, sectors, 63, &mutex, &cancel);
        QObject::connect(&worker, &KSurfaceScanningThread::emit_set_scanning_progress, qApp,
                         [&](qint64 block, bool bad) {
                             ++reports;
                             if (bad)
                                 failed.push_back(block);
                         },
                         Qt::QueuedConnection);
        QEventLoop wait;
        QObject::connect(&worker, &QThread::finished, &wait, &QEventLoop::quit, Qt::QueuedConnection);
        worker.start();
        wait.exec();
        worker.wait();
        EXPECT_EQ(reports, SurfaceScanRules::ReadCount(sectors));
        EXPECT_EQ(failed, (std::vector<int64_t>{100, 2080}));
        EXPECT_EQ(device.Writes(), 0);
    }
    FaultInjection::Configure("");
    const int64_t afterScan = CachedPages(loop.Path(), sectors * 512);
    // The measure sees cached pages: an ordinary read of the device fills the cache.
    {
        SurfaceScanSupport::GatedDevice device(loop.Path());
        std::vector<uint8_t> buffer(2048 * 512);
        for (int64_t s = 0; s < sectors; s += 2048)
            ASSERT_TRUE(device.ReadSectors(buffer.data(), s, 2048));
    }
    const int64_t afterBufferedRead = CachedPages(loop.Path(), sectors * 512);
    EXPECT_FALSE(watch.Modified());
    DropCache(loop.Path());
    EXPECT_EQ(TestSupport::HashRange(image, 0, sectors * 512), before);
    if (afterScan < 0 || afterBufferedRead <= 0)
        GTEST_SKIP() << "the page cache of the device cannot be seen here (the rest was checked)";
    EXPECT_LT(afterScan, afterBufferedRead / 100) << "the scan read through the page cache";
}
