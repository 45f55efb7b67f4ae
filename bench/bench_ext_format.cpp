// Ext3 format against mke2fs (inode tables and journal written in full) on the same sparse image in
// the same run.
//   volmara-bench-ext-format [DIR]     (DIR defaults to /tmp; needs room for the written metadata)
#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "execution/IProgressReporter.h"
#include "fs/ext/ExtFormat.h"

using namespace Bench;

namespace {


double peer(const std::string& image)
{
    const char* argv[] = {"mke2fs", "-q", "-F", "-t", "ext3", "-E", "lazy_itable_init=0,lazy_journal_init=0",
                          image.c_str(), nullptr};
    return TimePeer(argv, true);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    struct Job {
        const char* name;
        long long bytes;
    } jobs[] = {{"Ext3 8 GiB", 8ll << 30}, {"Ext3 100 GiB", 100ll << 30}};
    QuietProgress quiet;
    for (const auto& job : jobs) {
        const std::string image = dir + "/volmara-bench-ext.img";
        double ours = 1e9, theirs = 1e9;
        for (int round = 0; round < 3; ++round) {
            Sparse(image, job.bytes);
            KDisk disk;
            disk.OpenPath(image, 0);
            const auto start = std::chrono::steady_clock::now();
            const int result = FormatExt(&disk, 0, job.bytes / 512, "", 0, true, &quiet);
            disk.Flush();
            ours = std::min(ours, Seconds(start));
            if (result != 0)
                std::fprintf(stderr, "%s: format failed (%d)\n", job.name, result);
            disk.Close();
            Sparse(image, job.bytes);
            theirs = std::min(theirs, peer(image));
        }
        std::printf("%-14s Volmara %8.3f s   mke2fs %8.3f s   ratio %.2f\n", job.name, ours, theirs, ours / theirs);
        ::unlink(image.c_str());
    }
    return 0;
}
