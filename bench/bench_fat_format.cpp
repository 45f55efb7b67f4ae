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
    for (const auto& job : jobs)
        CompareFormat(
            dir + "/volmara-bench-fat.img", job.name, job.bytes, "mkfs.fat",
            [&job](KDisk& disk, int64_t sectors) {
                int type = job.type, cluster = 0;
                return FormatFatVolume(&disk, 0, sectors, 0, type, cluster, nullptr);
            },
            [&job](const std::string& image) { return peer(job.peerBits, image); });
    return 0;
}
