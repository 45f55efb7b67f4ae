// The raw sector copy and the wipe against dd doing the same job on the same files in the same run.
//   volmara-bench-data-move [DIR [copy|wipe]]   (DIR defaults to /tmp; needs about 15 GB free there,
//                                                and root with losetup for the wipe part)
// Copy: a 4 GiB pattern-filled partition copied to a second image and within its own image, warm
// cache, best of 3 for each side, against dd bs=4M over the same byte ranges; neither side flushes.
// Wipe: a 2 GiB loop device (once with direct I/O to its file, which behaves as a disk does, once
// buffered by its file, where dd's direct writes stop in the page cache) wiped with one pass (method 0) and with three (method 3), against
// dd if=/dev/zero bs=4M oflag=direct and against dd writing the same 126-sector runs with oflag=direct,dsync
// (every write on the medium before the next, as each pass of the wipe is).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

#include "BenchSupport.h"
#include "engine/KDisk.h"
#include "fs/RawCopy.h"
#include "fs/SectorWipe.h"

using namespace Bench;

namespace {

constexpr long long kPart = 4ll << 30;
constexpr long long kFirst = 1ll << 20;                 // the partition's first byte
constexpr long long kWithin = kFirst + kPart + (1 << 20); // where the copy inside the same image goes

bool fill(const std::string& path, long long offset, long long bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f)
        return false;
    std::vector<unsigned char> chunk(8 << 20);
    uint64_t x = 88172645463325252ull;
    bool ok = std::fseek(f, long(offset), SEEK_SET) == 0;
    for (long long done = 0; ok && done < bytes; done += (long long)chunk.size()) {
        for (size_t i = 0; i < chunk.size(); i += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            std::memcpy(chunk.data() + i, &x, 8);
        }
        ok = std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
    }
    return std::fclose(f) == 0 && ok;
}

double ourCopy(const std::string& from, long long fromByte, const std::string& to, long long toByte)
{
    KDisk source, target;
    if (!source.OpenPath(from, 0) || (from != to && !target.OpenPath(to, 1)))
        return -1;
    IDisk* out = from == to ? static_cast<IDisk*>(&source) : &target;
    QuietProgress progress;
    const auto start = std::chrono::steady_clock::now();
    const int rc = RawCopy::CopySectors(&source, fromByte / 512, out, toByte / 512, kPart / 512, from == to, &progress);
    return rc == RawCopy::kOk ? Seconds(start) : -1;
}

double ddCopy(const std::string& from, long long fromByte, const std::string& to, long long toByte)
{
    const std::string in = "if=" + from, out = "of=" + to, skip = "skip=" + std::to_string(fromByte),
                      seek = "seek=" + std::to_string(toByte), count = "count=" + std::to_string(kPart);
    const char* argv[] = {"dd", in.c_str(), out.c_str(), "bs=4M", skip.c_str(), seek.c_str(), count.c_str(),
                          "iflag=skip_bytes,count_bytes", "oflag=seek_bytes", "conv=notrunc", "status=none", nullptr};
    return TimePeer(argv);
}

void compareCopy(const char* what, const std::string& from, const std::string& to, long long toByte)
{
    double ours = 1e30, dd = 1e30;
    for (int round = 0; round < 3; ++round) {
        const double d = ddCopy(from, kFirst, to, toByte);
        const double o = ourCopy(from, kFirst, to, toByte);
        if (d < 0 || o < 0) {
            std::printf("%s: a copy failed\n", what);
            return;
        }
        dd = std::min(dd, d);
        ours = std::min(ours, o);
    }
    const double mib = double(kPart) / (1 << 20);
    std::printf("raw copy %s: volmara %.2f s (%.0f MiB/s), dd %.2f s (%.0f MiB/s): throughput ratio %.2f\n", what,
                ours, mib / ours, dd, mib / dd, dd / ours);
}

double ourWipe(const std::string& device, long long sectors, int method)
{
    KDisk disk;
    if (!disk.OpenPath(device, 0))
        return -1;
    QuietProgress progress;
    const auto start = std::chrono::steady_clock::now();
    return SectorWipe::Wipe(&disk, 0, sectors, method, &progress) == SectorWipe::kOk ? Seconds(start) : -1;
}

std::string run(const std::string& command)
{
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

void compareWipe(const std::string& dir, bool directLoop)
{
    const std::string file = dir + "/wipe.img";
    const long long bytes = 2ll << 30;
    if (!Sparse(file, bytes))
        return;
    const std::string loop = run(std::string("losetup -f --show --direct-io=") + (directLoop ? "on " : "off ") + file);
    if (loop.rfind("/dev/loop", 0) != 0) {
        std::printf("wipe: no loop device (%s)\n", loop.c_str());
        return;
    }
    const std::string of = "of=" + loop;
    const char* dd[] = {"dd", "if=/dev/zero", of.c_str(), "bs=4M", "oflag=direct", "status=none", nullptr};
    const char* ddSynced[] = {"dd", "if=/dev/zero", of.c_str(), "bs=4M", "oflag=direct", "conv=fsync", "status=none",
                              nullptr};
    const char* ddRuns[] = {"dd", "if=/dev/zero", of.c_str(), "bs=64512", "oflag=direct,dsync", "status=none", nullptr};
    double best = 1e30, bestSynced = 1e30, bestRuns = 1e30, one = 1e30;
    for (int round = 0; round < 3; ++round) {
        best = std::min(best, TimePeer(dd, true));
        bestSynced = std::min(bestSynced, TimePeer(ddSynced, true));
        bestRuns = std::min(bestRuns, TimePeer(ddRuns, true));
        one = std::min(one, ourWipe(loop, bytes / 512, 0));
    }
    const double three = ourWipe(loop, bytes / 512, 3);
    std::printf("wipe 2 GiB loop device (%s): one pass %.2f s, three passes %.2f s; dd bs=4M direct %.2f s (ratio %.2f), "
                "the same with conv=fsync %.2f s (ratio %.2f), dd 126-sector direct+dsync writes %.2f s (ratio %.2f)\n",
                directLoop ? "direct I/O to its file, as a disk" : "buffered by its file", one, three, best, one / best, bestSynced, one / bestSynced, bestRuns, one / bestRuns);
    run("losetup -d " + loop);
    std::remove(file.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const std::string only = argc > 2 ? argv[2] : "";
    if (only == "wipe") {
        compareWipe(dir, true);
        compareWipe(dir, false);
        return 0;
    }
    const std::string a = dir + "/copy-a.img", b = dir + "/copy-b.img";
    if (!Sparse(a, kWithin + kPart) || !Sparse(b, kPart + kFirst) || !fill(a, kFirst, kPart)) {
        std::printf("cannot make the images in %s\n", dir.c_str());
        return 1;
    }
    compareCopy("to another image", a, b, kFirst);
    compareCopy("within one image", a, a, kWithin);
    std::remove(a.c_str());
    std::remove(b.c_str());
    if (only != "copy") {
        compareWipe(dir, true);
        compareWipe(dir, false);
    }
    return 0;
}
