// FAT format against mkfs.fat on the same sparse image in the same run.
//   volmara-bench-fat-format [DIR]     (DIR defaults to /tmp; needs room for sparse images only)
#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "fs/fat/FatFormat.h"

using namespace Bench;

namespace {

double peer(const std::string& fatBits, const std::string& image)
{
    const char* argv[] = {"mkfs.fat", "-F", fatBits.c_str(), image.c_str(), nullptr};
    return TimePeer(argv);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    struct Job {
        const char* name;
        long long bytes;
        int type;
        const char* peerBits;
    } jobs[] = {{"FAT16 2 GiB", 2ll << 30, 6, "16"},
                {"FAT32 32 GiB", 32ll << 30, 11, "32"},
                {"FAT32 2 TiB", (2ll << 40) - (1ll << 20), 11, "32"}};
    for (const auto& job : jobs) {
        const std::string image = dir + "/volmara-bench-fat.img";
        double ours = 1e9, theirs = 1e9;
        for (int round = 0; round < 3; ++round) {
            Sparse(image, job.bytes);
            KDisk disk;
            disk.OpenPath(image, 0);
            int type = job.type, cluster = 0;
            const auto start = std::chrono::steady_clock::now();
            const int result = FormatFatVolume(&disk, 0, job.bytes / 512, 0, type, cluster, nullptr);
            disk.Flush();
            ours = std::min(ours, Seconds(start));
            if (result != 0)
                std::fprintf(stderr, "%s: format failed (%d)\n", job.name, result);
            disk.Close();
            Sparse(image, job.bytes);
            theirs = std::min(theirs, peer(job.peerBits, image));
        }
        std::printf("%-14s Volmara %8.3f s   mkfs.fat %8.3f s   ratio %.2f\n", job.name, ours, theirs, ours / theirs);
        ::unlink(image.c_str());
    }
    return 0;
}
