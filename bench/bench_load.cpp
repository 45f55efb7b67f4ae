// Loads every configured disk (VOLMARA_DISKS) a number of times and reports the time per load, for a
// table-only load and for a load with volume information, so that the difference is what reading the
// volumes costs; and, as a peer figure, the same work done in process with libblkid. See bench/README.md.
//   bench/make_load_images.sh DIR   creates 32 GPT images of 128 partitions with file systems
//   export VOLMARA_DISKS=$(ls DIR/*.img | paste -sd:) VOLMARA_STATE_DIR=$(mktemp -d)
//   build-bench/bench/volmara-bench-load [rounds] [table|full|peer|all]
#include <blkid/blkid.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/IVolumeLoader.h"
#include "core/FileSystemTypes.h"
#include "model/KVolumeManager.h"

namespace {

struct Result {
    double best = 1e300;
    double total = 0;
    int disks = 0;
    int partitions = 0;
    std::map<int, int> fileSystems;          // file-system code -> partitions, from the last round
    std::map<std::string, int> peerTypes;    // libblkid TYPE -> partitions, from the last round
};

bool Measure(int option, int rounds, Result& result)
{
    for (int r = 0; r < rounds; ++r) {
        KVolumeManager manager;
        const auto t0 = std::chrono::steady_clock::now();
        if (!manager.Load(option, 1)) {
            std::fprintf(stderr, "load failed\n");
            return false;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        result.best = ms < result.best ? ms : result.best;
        result.total += ms;
        result.disks = manager.GetDiskCount();
        result.partitions = 0;
        result.fileSystems.clear();
        for (int d = 0; d < result.disks; ++d) {
            const int count = manager.GetPartitionCount(d);
            for (int i = 0; i < count; ++i) {
                PartitionInfo p{};
                if (manager.GetPartition(d, i, &p) && !p.IsUnallocated()) {
                    ++result.partitions;
                    ++result.fileSystems[p.FileSystemType];
                }
            }
        }
    }
    return true;
}

// The peer: each disk's partition table read by libblkid, then each partition's superblocks probed for
// type and label through the same file descriptor.
bool PeerLoad(Result& result)
{
    const char* env = std::getenv("VOLMARA_DISKS");
    if (!env) {
        std::fprintf(stderr, "the peer figure needs VOLMARA_DISKS\n");
        return false;
    }
    std::stringstream in(env);
    std::string path;
    result.disks = 0;
    result.partitions = 0;
    result.fileSystems.clear();
    while (std::getline(in, path, ':')) {
        if (path.empty())
            continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::vector<std::pair<blkid_loff_t, blkid_loff_t>> parts; // start and length in bytes
        if (blkid_probe table = blkid_new_probe()) {
            if (blkid_probe_set_device(table, fd, 0, 0) == 0) {
                blkid_probe_enable_superblocks(table, 0);
                blkid_probe_enable_partitions(table, 1);
                if (blkid_partlist list = blkid_probe_get_partitions(table)) {
                    const int count = blkid_partlist_numof_partitions(list);
                    for (int i = 0; i < count; ++i) {
                        blkid_partition part = blkid_partlist_get_partition(list, i);
                        parts.emplace_back(blkid_partition_get_start(part) * 512,
                                           blkid_partition_get_size(part) * 512);
                    }
                }
            }
            blkid_free_probe(table);
        }
        if (blkid_probe volume = blkid_new_probe()) {
            for (const auto& [start, length] : parts) {
                if (blkid_probe_set_device(volume, fd, start, length) != 0)
                    continue;
                blkid_probe_enable_partitions(volume, 0);
                blkid_probe_enable_superblocks(volume, 1);
                blkid_probe_set_superblocks_flags(volume, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
                const char* type = nullptr;
                if (blkid_do_safeprobe(volume) != 0 || blkid_probe_lookup_value(volume, "TYPE", &type, nullptr) != 0)
                    type = nullptr;
                ++result.peerTypes[type ? type : "unformatted"];
            }
            blkid_free_probe(volume);
        }
        ::close(fd);
        ++result.disks;
        result.partitions += int(parts.size());
    }
    return true;
}

bool MeasurePeer(int rounds, Result& result)
{
    for (int r = 0; r < rounds; ++r) {
        result.peerTypes.clear();
        const auto t0 = std::chrono::steady_clock::now();
        if (!PeerLoad(result))
            return false;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        result.best = ms < result.best ? ms : result.best;
        result.total += ms;
    }
    return true;
}

void Report(const char* name, int rounds, const Result& r)
{
    std::printf("%-5s disks %d, partitions %d, rounds %d: best %.1f ms, mean %.1f ms, %.1f us per partition\n", name,
                r.disks, r.partitions, rounds, r.best, r.total / rounds,
                r.partitions ? r.best * 1000.0 / r.partitions : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::string mode = argc > 2 ? argv[2] : "all";
    if (rounds < 1 || (mode != "table" && mode != "full" && mode != "peer" && mode != "all")) {
        std::fprintf(stderr, "usage: %s [rounds] [table|full|peer|all]\n", argv[0]);
        return 2;
    }
    const bool table = mode == "table" || mode == "all";
    const bool full = mode == "full" || mode == "all";
    const bool peer = mode == "peer" || mode == "all";

    Result tableOnly, withVolumes, libblkid;
    if (table && !Measure(kLoadTableOnly, rounds, tableOnly))
        return 1;
    if (full && !Measure(kLoadWithVolumeInfo, rounds, withVolumes))
        return 1;
    if (peer && !MeasurePeer(rounds, libblkid))
        return 1;
    if (table)
        Report("table", rounds, tableOnly);
    if (full) {
        Report("full", rounds, withVolumes);
        std::printf("      file systems:");
        for (const auto& [code, count] : withVolumes.fileSystems)
            std::printf(" %s %d", code == kFsNone ? "unformatted" : FileSystemPropertiesText(code), count);
        std::printf("\n");
    }
    if (peer) {
        Report("blkid", rounds, libblkid);
        std::printf("      file systems:");
        for (const auto& [type, count] : libblkid.peerTypes)
            std::printf(" %s %d", type.c_str(), count);
        std::printf("\n");
    }
    if (table && full)
        std::printf("volume information: %.1f ms of the best full load\n", withVolumes.best - tableOnly.best);
    if (full && peer)
        std::printf("full load / libblkid: %.2f\n", withVolumes.best / libblkid.best);
    return 0;
}
