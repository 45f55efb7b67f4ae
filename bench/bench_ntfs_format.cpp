// NTFS quick format against mkntfs -Q on the same sparse image in the same run.
//   volmara-bench-ntfs-format [DIR]     (DIR defaults to /tmp; needs room for sparse images only)
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/KDisk.h"
#include "fs/ntfs/KNtfsFormat.h"

extern char** environ;

namespace {

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool sparse(const std::string& path, long long bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::ftruncate(fd, bytes) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

double peer(const std::string& image)
{
    const char* argv[] = {"mkntfs", "-Q", "-F", "-q", image.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int devnull = ::open("/dev/null", O_WRONLY);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devnull, 1);
    posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    if (::posix_spawnp(&pid, "mkntfs", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(devnull);
    posix_spawn_file_actions_destroy(&actions);
    return seconds(start);
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
            sparse(image, job.bytes);
            KDisk disk;
            disk.OpenPath(image, 0);
            KNtfsFormat format;
            const auto start = std::chrono::steady_clock::now();
            const int result = format.Format(&disk, 0, job.bytes / 512, 0, NtfsFormatParameters{}, nullptr);
            disk.Flush();
            ours = std::min(ours, seconds(start));
            if (result != 0)
                std::fprintf(stderr, "%s: format failed (%d)\n", job.name, result);
            disk.Close();
            sparse(image, job.bytes);
            theirs = std::min(theirs, peer(image));
        }
        std::printf("%-14s Volmara %8.3f s   mkntfs %8.3f s   ratio %.2f\n", job.name, ours, theirs, ours / theirs);
        ::unlink(image.c_str());
    }
    return 0;
}
