// How much of a processor the calling thread uses while the executive runs a line on its worker.
//   volmara-bench-executive-wait [DIR] [SECONDS]
// Lays out a 1 TiB sparse image in DIR (default /tmp) with one FAT32 partition, then formats it again
// and again through KBatchCommandExecutive::RunWithWorker, as volmara-cli runs lines, until about
// SECONDS (default 10) of work are queued. Reports the wall time of the run, the CPU time of the calling
// thread (which only waits and serves events) and that of the whole process.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

#include "BenchSupport.h"
#include "execution/IExecutiveInteraction.h"
#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandWorkingThread.h"
#include "model/KVolumeManager.h"

using namespace Bench;

namespace {

struct Silent : IExecutiveInteraction {
    int AskVolumeInUse(const std::string&, const std::string&) override { return kChoiceCancel; }
    void ShowCommandError(const std::string& line, const std::string& text) override
    {
        std::fprintf(stderr, "failed: %s\n%s\n", line.c_str(), text.c_str());
    }
    void ShowRebootFailed() override {}
};

double cpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double wall, mainCpu, processCpu;
    int result;
};

Run runLines(KVolumeManager& manager, const std::string& line, int count)
{
    Silent user;
    KBatchCommandExecutive executive(&user);
    for (int i = 0; i < count; ++i)
        executive.AddCommand(line.c_str(), 0);
    KCommandWorkingThread worker(&executive);
    const double main0 = cpuSeconds(RUSAGE_THREAD), process0 = cpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    const int result = executive.RunWithWorker(&manager, &worker);
    return {Seconds(start), cpuSeconds(RUSAGE_THREAD) - main0, cpuSeconds(RUSAGE_SELF) - process0, result};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const std::string image = dir + "/volmara-bench-wait.img";
    const long long bytes = 1ll << 40;
    if (!Sparse(image, bytes)) {
        std::fprintf(stderr, "cannot make %s\n", image.c_str());
        return 1;
    }
    ::setenv("VOLMARA_DISKS", image.c_str(), 1);
    ::setenv("VOLMARA_STATE_DIR", (dir + "/volmara-bench-wait-state").c_str(), 1);
    KVolumeManager manager;
    if (!manager.Load(1, 1))
        return 1;
    const std::string create = "CreatePartition DiskIndex:0 StartingOffset:2048 PartitionLength:" +
                               std::to_string(bytes / 512 - 2048) +
                               " PartTypeId:11 FsType:11 ClusterSize:0 Label:\"BENCH\" Letter:0 Active:0 "
                               "Primary:1 BootVolume:0 SystemVolume:0";
    const std::string format = "FormatPartition DiskIndex:0 PartitionIndex:1 FsType:11 ClusterSize:0 Label:\"BENCH\"";
    const Run first = runLines(manager, create, 1);
    const Run sample = runLines(manager, format, 3);
    if (first.result != 0 || sample.result != 0) {
        std::fprintf(stderr, "the lines failed (%d, %d)\n", first.result, sample.result);
        return 1;
    }
    const int count = std::max(1, int(seconds / (sample.wall / 3) + 0.5));
    const Run run = runLines(manager, format, count);
    std::printf("%d FAT32 formats of 1 TiB: wall %.2f s, calling thread %.3f s CPU (%.2f %% of wall), "
                "whole process %.2f s CPU, result %d\n",
                count, run.wall, run.mainCpu, 100.0 * run.mainCpu / run.wall, run.processCpu, run.result);
    ::unlink(image.c_str());
    return run.result == 0 ? 0 : 1;
}
