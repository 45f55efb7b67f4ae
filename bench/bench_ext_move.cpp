// Moving a half-full 4 GiB Ext3 volume by 1 GiB with MoveExt, against dd copying the whole volume,
// on the same images in the same run. dd can move a volume in place only towards lower offsets (it
// reads ahead of what it writes), so the like-for-like pair is the move down; the move up has no dd
// counterpart. Copies to a second, freshly made sparse image are timed as well, for both.
//   volmara-bench-ext-move [DIR]     (DIR defaults to /tmp; needs about 12 GB free there)
// Every timing includes flushing the image to the disk (fdatasync for Volmara, conv=fsync for dd).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "core/IProgressReporter.h"
#include "fs/ext/ExtMove.h"

using namespace Bench;

namespace {

constexpr long long kVolumeBytes = 4ll << 30;
constexpr long long kShiftBytes = 1ll << 30;
constexpr long long kImageBytes = kVolumeBytes + kShiftBytes;


// About 2 GiB in 1,000 files of 4 KiB to 4 MiB over 20 folders, pseudo-random contents.
bool writeTree(const std::string& root)
{
    std::vector<unsigned char> chunk(4 << 20);
    uint32_t state = 2463534242u;
    for (auto& b : chunk) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<unsigned char>(state);
    }
    for (int i = 0; i < 1000; ++i) {
        const std::string folder = root + "/d" + std::to_string(i % 20);
        std::filesystem::create_directories(folder);
        const size_t size = size_t((uint64_t(i) * 2654435761u) % (4 << 20)) + 4096;
        chunk[0] = static_cast<unsigned char>(i); // no two files alike
        std::FILE* f = std::fopen((folder + "/f" + std::to_string(i)).c_str(), "wb");
        if (!f || std::fwrite(chunk.data(), 1, size, f) != size) {
            if (f)
                std::fclose(f);
            return false;
        }
        std::fclose(f);
    }
    return true;
}

double moveExt(const std::string& from, long long fromByte, const std::string& to, long long toByte, int64_t* total)
{
    KDisk source, target;
    if (!source.OpenPath(from, 0) || (from != to && !target.OpenPath(to, 1)))
        return -1;
    ISectorDevice* out = from == to ? static_cast<ISectorDevice*>(&source) : &target;
    QuietProgress progress;
    const auto start = std::chrono::steady_clock::now();
    const int result = MoveExt(&source, fromByte / 512, kVolumeBytes / 512, out, toByte / 512, &progress);
    if (result != kExtMoveOk) {
        std::fprintf(stderr, "MoveExt failed (%d)\n", result);
        return -1;
    }
    (from == to ? source : target).Flush();
    *total = progress.total;
    return Seconds(start);
}

// dd of the whole volume from `from` at fromByte to `to` at toByte, in 1 MiB blocks.
double ddCopy(const std::string& from, long long fromByte, const std::string& to, long long toByte, bool sparse)
{
    const std::string in = "if=" + from, out = "of=" + to, count = "count=" + std::to_string(kVolumeBytes >> 20),
                      skip = "skip=" + std::to_string(fromByte >> 20), seek = "seek=" + std::to_string(toByte >> 20);
    const char* argv[] = {"dd", in.c_str(), out.c_str(), "bs=1M", count.c_str(), skip.c_str(), seek.c_str(),
                          sparse ? "conv=notrunc,sparse,fsync" : "conv=notrunc,fsync", nullptr};
    return TimePeer(argv, true);
}

// The exit status of argv run with its output discarded; -1 when it cannot start.
int exitStatus(const char* const* argv)
{
    pid_t pid = 0;
    const int devnull = ::open("/dev/null", O_WRONLY);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devnull, 1);
    posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(devnull);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const std::string tree = dir + "/volmara-bench-ext-tree", image = dir + "/volmara-bench-ext.img",
                      second = dir + "/volmara-bench-ext-copy.img";
    std::printf("making the volume (about a minute)...\n");
    std::fflush(stdout);
    std::filesystem::remove_all(tree);
    if (!writeTree(tree) || !Sparse(image, kImageBytes)) {
        std::fprintf(stderr, "cannot write the files or the image in %s\n", dir.c_str());
        return 1;
    }
    const std::string size = std::to_string(kVolumeBytes >> 10) + "k";
    const char* mkfs[] = {"mke2fs", "-q", "-F", "-t", "ext3", "-d", tree.c_str(), image.c_str(), size.c_str(), nullptr};
    const double made = TimePeer(mkfs, true);
    std::filesystem::remove_all(tree);
    if (made < 0) {
        std::fprintf(stderr, "mke2fs failed\n");
        return 1;
    }

    double up = 1e9, down = 1e9, ddDown = 1e9, copy = 1e9, ddCopyAll = 1e9, ddCopySparse = 1e9;
    int64_t total = 0;
    for (int round = 0; round < 3; ++round) {
        // Each round starts and ends with the volume at offset 0; the last move of a round is MoveExt's.
        const double u = moveExt(image, 0, image, kShiftBytes, &total);
        const double p = ddCopy(image, kShiftBytes, image, 0, false);
        const double again = moveExt(image, 0, image, kShiftBytes, &total);
        const double d = moveExt(image, kShiftBytes, image, 0, &total);
        Sparse(second, kImageBytes);
        const double c = moveExt(image, 0, second, kShiftBytes, &total);
        Sparse(second, kImageBytes);
        const double a = ddCopy(image, 0, second, kShiftBytes, false);
        Sparse(second, kImageBytes);
        const double s = ddCopy(image, 0, second, kShiftBytes, true);
        if (u < 0 || p < 0 || again < 0 || d < 0 || c < 0 || a < 0 || s < 0)
            return 1;
        up = std::min({up, u, again});
        down = std::min(down, d);
        ddDown = std::min(ddDown, p);
        copy = std::min(copy, c);
        ddCopyAll = std::min(ddCopyAll, a);
        ddCopySparse = std::min(ddCopySparse, s);
    }
    const char* fsck[] = {"e2fsck", "-fn", image.c_str(), nullptr};
    const int checked = exitStatus(fsck);
    ::unlink(second.c_str());
    ::unlink(image.c_str());

    const double usedMiB = double(total) / 2 * 512 / (1 << 20);
    std::printf("4 GiB ext3, %.0f MiB in used blocks, shifted by 1 GiB; best of 3\n", usedMiB);
    std::printf("in place   MoveExt up    %8.3f s\n", up);
    std::printf("in place   MoveExt down  %8.3f s   dd down %8.3f s   ratio %.2f\n", down, ddDown, down / ddDown);
    std::printf("2nd image  MoveExt copy  %8.3f s   dd      %8.3f s   ratio %.2f   dd conv=sparse %8.3f s   ratio %.2f\n",
                copy, ddCopyAll, copy / ddCopyAll, ddCopySparse, copy / ddCopySparse);
    std::printf("e2fsck -fn after the moves: exit status %d\n", checked);
    return 0;
}
