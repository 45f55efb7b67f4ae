// Runs partition recovery's reading loop over a disk image, as the recovery wizard's last page does,
// and prints every find (start, sectors, file-system code, label) and the time the scan took.
//   volmara-bench-recovery-scan PATH [quick|full]      (full by default)
#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "core/PartitionInfo.h"
#include "engine/KDisk.h"
#include "gui/wizards/KPartitionScanningThread.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "quick") != 0 && std::strcmp(argv[2], "full") != 0)) {
        std::fprintf(stderr, "usage: %s PATH [quick|full]\n", argv[0]);
        return 2;
    }
    KDisk disk;
    if (!disk.OpenPath(argv[1], 0)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const bool quick = argc == 3 && std::strcmp(argv[2], "quick") == 0;
    const int64_t total = disk.GetTotalSectors();
    KPartitionScanningThread worker(&disk, {{0, total - 1}}, quick);
    int finds = 0;
    QObject::connect(&worker, &KPartitionScanningThread::partitionFound, &app,
                     [&](const QByteArray& record) {
                         PartitionInfo found{};
                         std::memcpy(&found, record.constData(), std::min<size_t>(sizeof found, size_t(record.size())));
                         found.Label[sizeof found.Label - 1] = 0;
                         std::printf("found start %lld sectors %lld fs %d label \"%s\"\n", (long long)found.StartingLba,
                                     (long long)found.SectorCount, int(found.FileSystemType), found.Label);
                         ++finds;
                     },
                     Qt::QueuedConnection);
    QEventLoop loop;
    QObject::connect(&worker, &KPartitionScanningThread::scanFinished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    const auto start = std::chrono::steady_clock::now();
    worker.start();
    loop.exec();
    worker.wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s scan: sectors %lld finds %d seconds %.3f MB/s %.1f\n", quick ? "quick" : "full", (long long)total,
                finds, seconds, double(total) * 512.0 / 1e6 / seconds);
    return 0;
}
