// Ext3 format against mke2fs (inode tables and journal written in full) on the same sparse image in
// the same run.
//   volmara-bench-ext-format [DIR]     (DIR defaults to /tmp; needs room for the written metadata)
#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "core/IProgressReporter.h"
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
    for (const auto& job : jobs)
        CompareFormat(
            dir + "/volmara-bench-ext.img", job.name, job.bytes, "mke2fs",
            [&quiet](KDisk& disk, int64_t sectors) { return FormatExt(&disk, 0, sectors, "", 0, true, &quiet); },
            peer);
    return 0;
}
