// NTFS quick format against mkntfs -Q on the same sparse image in the same run.
//   volmara-bench-ntfs-format [DIR]     (DIR defaults to /tmp; needs room for sparse images only)
#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "fs/ntfs/KNtfsFormat.h"

using namespace Bench;

namespace {

double peer(const std::string& image)
{
    const char* argv[] = {"mkntfs", "-Q", "-F", "-q", image.c_str(), nullptr};
    return TimePeer(argv, true);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    struct Job {
        const char* name;
        long long bytes;
    } jobs[] = {{"NTFS 1 GiB", 1ll << 30}, {"NTFS 100 GiB", 100ll << 30}, {"NTFS 2 TiB", 2ll << 40}};
    for (const auto& job : jobs) {
        const std::string image = dir + "/volmara-bench-ntfs.img";
        double ours = 1e9, theirs = 1e9;
        for (int round = 0; round < 3; ++round) {
            Sparse(image, job.bytes);
            KDisk disk;
            disk.OpenPath(image, 0);
            KNtfsFormat format;
            const auto start = std::chrono::steady_clock::now();
            const int result = format.Format(&disk, 0, job.bytes / 512, 0, NtfsFormatParameters{}, nullptr);
            disk.Flush();
            ours = std::min(ours, Seconds(start));
            if (result != 0)
                std::fprintf(stderr, "%s: format failed (%d)\n", job.name, result);
            disk.Close();
            Sparse(image, job.bytes);
            theirs = std::min(theirs, peer(image));
        }
        std::printf("%-14s Volmara %8.3f s   mkntfs %8.3f s   ratio %.2f\n", job.name, ours, theirs, ours / theirs);
        ::unlink(image.c_str());
    }
    return 0;
}
