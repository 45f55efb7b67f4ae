// Helpers the format benchmarks share: wall-clock seconds, sparse images, and timing a peer tool.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "engine/KDisk.h"
#include "core/IProgressReporter.h"

extern char** environ;

namespace Bench {

inline double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline bool Sparse(const std::string& path, long long bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::ftruncate(fd, bytes) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Runs argv (looked up on PATH) with its output discarded; seconds from spawn to exit, -1 on failure.
inline double TimePeer(const char* const* argv, bool quietErrors = false)
{
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int devnull = ::open("/dev/null", O_WRONLY);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devnull, 1);
    if (quietErrors)
        posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(devnull);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return Seconds(start);
}

// Progress nobody watches, never cancelled; keeps the last step total for reports.
class QuietProgress : public IProgressReporter {
public:
    void SetReceiver(IProgressReceiver*) override {}
    void StartProgress() override {}
    int AddStep(double) override { return 0; }
    void RemoveStep(int) override {}
    void FinishProgress() override {}
    void BeginStep(int) override {}
    void CompleteStep() override {}
    void SetStepTotal(int64_t t) override { total = t; }
    void SetStepPosition(int64_t) override {}
    void Tick() override {}
    void SetProcessName(int) override {}
    void EnableUserCancel(int) override {}
    int IsUserCanceled() override { return 0; }

    int64_t total = 0;
};

// One format job against its peer tool: three rounds, each on a freshly made sparse image, best time
// of each side; prints one line with the ratio. `ours(disk, sectors)` formats and returns 0 on
// success; `peer(image)` times the peer tool on the image.
template <class Ours, class Peer>
void CompareFormat(const std::string& image, const char* name, long long bytes, const char* peerName, Ours ours,
                   Peer peer)
{
    double best = 1e9, theirs = 1e9;
    for (int round = 0; round < 3; ++round) {
        Sparse(image, bytes);
        KDisk disk;
        disk.OpenPath(image, 0);
        const auto start = std::chrono::steady_clock::now();
        const int result = ours(disk, bytes / 512);
        disk.Flush();
        best = std::min(best, Seconds(start));
        if (result != 0)
            std::fprintf(stderr, "%s: format failed (%d)\n", name, result);
        disk.Close();
        Sparse(image, bytes);
        theirs = std::min(theirs, peer(image));
    }
    std::printf("%-14s Volmara %8.3f s   %s %8.3f s   ratio %.2f\n", name, best, peerName, theirs, best / theirs);
    ::unlink(image.c_str());
}

} // namespace Bench
