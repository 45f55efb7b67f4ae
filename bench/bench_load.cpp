// Loads every configured disk (VOLMARA_DISKS) a number of times and reports the time per load.
//   bench/make_load_images.sh DIR   creates 32 GPT images of 128 partitions with file systems
//   VOLMARA_DISKS=$(ls DIR/*.img | paste -sd:) build/bench/volmara-bench-load [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "model/KVolumeManager.h"

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    double best = 1e9, total = 0;
    int disks = 0, partitions = 0;
    for (int r = 0; r < rounds; ++r) {
        KVolumeManager manager;
        const auto t0 = std::chrono::steady_clock::now();
        if (!manager.Load(1, 1)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = ms < best ? ms : best;
        total += ms;
        disks = manager.GetDiskCount();
        partitions = 0;
        for (int d = 0; d < disks; ++d)
            partitions += manager.GetPartitionCount(d);
    }
    std::printf("disks %d, partitions %d, rounds %d: best %.1f ms, mean %.1f ms\n", disks, partitions, rounds, best,
                total / rounds);
    return 0;
}
