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
    for (const auto& job : jobs)
        CompareFormat(
            dir + "/volmara-bench-ntfs.img", job.name, job.bytes, "mkntfs",
            [](KDisk& disk, int64_t sectors) {
                KNtfsFormat format;
                return format.Format(&disk, 0, sectors, 0, NtfsFormatParameters{}, nullptr);
            },
            peer);
    return 0;
}
