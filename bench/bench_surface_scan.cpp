// Runs the surface test's reading loop over a disk image or block device, as the surface test window
// does, and prints what it read: sectors, reports, failed reads, seconds and MB/s.
//   volmara-bench-surface-scan PATH
#include <QCoreApplication>
#include <QEventLoop>
#include <QRecursiveMutex>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "engine/KDisk.h"
#include "gui/tools/KSurfaceScanningThread.h"
#include "gui/tools/SurfaceScanRules.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    KDisk disk;
    if (!disk.OpenPath(argv[1], 0)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const int64_t total = disk.GetTotalSectors();
    const int64_t blockSectors = SurfaceScanRules::BlockSectors(total);
    QRecursiveMutex mutex;
    std::atomic<int> cancel{0};
    int64_t reports = 0, failed = 0;
    KSurfaceScanningThread worker(&disk, total, blockSectors, &mutex, &cancel);
    QObject::connect(&worker, &KSurfaceScanningThread::emit_set_scanning_progress, &app,
                     [&](qint64, bool bError) {
                         ++reports;
                         failed += bError ? 1 : 0;
                     },
                     Qt::QueuedConnection);
    QEventLoop loop;
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    const auto start = std::chrono::steady_clock::now();
    worker.start();
    loop.exec();
    worker.wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("sectors %lld block %lld reports %lld failed %lld seconds %.3f MB/s %.1f\n", (long long)total,
                (long long)blockSectors, (long long)reports, (long long)failed, seconds,
                double(total) * 512.0 / 1e6 / seconds);
    return reports == SurfaceScanRules::ReadCount(total) ? 0 : 1;
}
