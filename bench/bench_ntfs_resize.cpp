// Drives the NTFS resizer on an image file for bench/ntfs_resize_bench.sh:
//   volmara-bench-ntfs-resize IMAGE resize START SECTORS NEW_START NEW_SECTORS
//   volmara-bench-ntfs-resize IMAGE clusters START SECTORS SECTORS_PER_CLUSTER
//   volmara-bench-ntfs-resize IMAGE copy START SECTORS TARGET_IMAGE TARGET_START TARGET_SECTORS
//   volmara-bench-ntfs-resize IMAGE merge START MERGED_SECTORS SECOND_START EXTEND_FIRST FOLDER
// Prints the seconds the engine took (the image flushed) and exits with its result.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "fs/ntfs/KNtfsMerge.h"
#include "fs/ntfs/KNtfsResize.h"

using namespace Bench;

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s IMAGE resize|clusters|copy|merge START SECTORS ...\n", argv[0]);
        return 1;
    }
    const std::string op = argv[2];
    const long long start = std::atoll(argv[3]), sectors = std::atoll(argv[4]);
    KDisk disk, target;
    if (!disk.OpenPath(argv[1], 0)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    QuietProgress progress;
    KNtfsResize engine;
    const auto began = std::chrono::steady_clock::now();
    int rc = 1;
    if (op == "resize" && argc == 7) {
        rc = engine.ResizeNtfs(&disk, start, sectors, std::atoll(argv[5]), std::atoll(argv[6]), 1, 0, &progress);
    } else if (op == "clusters" && argc == 6) {
        rc = engine.ChangeNtfsClusterSize(&disk, start, sectors, std::atoi(argv[5]), 1, 0, &progress);
    } else if (op == "copy" && argc == 8) {
        if (!target.OpenPath(argv[5], 1)) {
            std::fprintf(stderr, "cannot open %s\n", argv[5]);
            return 1;
        }
        rc = engine.CopyNtfs(&disk, start, sectors, &target, std::atoll(argv[6]), std::atoll(argv[7]), 1, &progress);
        target.Flush();
    } else if (op == "merge" && argc == 8) {
        std::u16string folder;
        for (const char* c = argv[7]; *c; ++c)
            folder.push_back(char16_t(uint8_t(*c)));
        rc = MergeNtfs(&disk, start, std::atoll(argv[5]), std::atoi(argv[6]), 1, folder.c_str(), &progress, sectors);
    } else {
        std::fprintf(stderr, "bad arguments\n");
        return 1;
    }
    disk.Flush();
    std::printf("%.3f\n", Seconds(began));
    return rc;
}
