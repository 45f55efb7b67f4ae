// Fuzzes the volume-information reader: the input is an 8-byte claimed volume length followed by the
// volume image.
//
// The length is read as described in FuzzMemoryDisk.h; all zeros means the image's own length. The seeds
// from make_seeds.sh carry the length the volume had before it was cut down, with a zero-filled tail, so
// the probes see a consistent file system of which only the first part is stored.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FuzzMemoryDisk.h"
#include "fs/VolumeInfo.h"

namespace {

constexpr size_t kMaxInputBytes = 4 * 1024 * 1024;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "volume info: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kMaxInputBytes)
        size = kMaxInputBytes;
    fuzz::Claim claim;
    if (size >= 8) {
        claim = fuzz::ParseClaim(data, fuzz::FuzzMemoryDisk::SectorsFor(size - 8));
        data += 8;
        size -= 8;
    } else {
        claim.sectors = fuzz::FuzzMemoryDisk::SectorsFor(size);
    }

    fuzz::FuzzMemoryDisk volume(data, size, claim.sectors, claim.tail);
    PartitionInfo info;
    std::memset(&info, 0, sizeof info);
    const int result = ReadVolumeInfo(volume, volume.ClaimedSectors(), info);

    // What the reader promises whatever the volume holds.
    if (volume.Writes() != 0)
        Fail("wrote to the volume");
    if (volume.OutsideReads() != 0)
        Fail("asked for sectors outside the volume");
    const bool firstReadable = volume.DataSectors() > 0 || claim.tail == fuzz::Tail::Zeros;
    if (volume.ClaimedSectors() > 0 && firstReadable && result != 1)
        Fail("gave up although the first sector is readable");
    if (std::memchr(info.Label, 0, sizeof info.Label) == nullptr)
        Fail("label is not terminated");
    if (info.ClusterSize < 1)
        Fail("cluster size below one sector");
    if (info.FreeSectors < 0 || info.FreeSectors > info.TotalSectors)
        Fail("free space outside [0, total]");
    return 0;
}
