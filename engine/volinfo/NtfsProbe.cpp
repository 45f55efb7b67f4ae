#include "NtfsProbe.h"

#include <cstring>

#include "VolumeReader.h"
#include "engine/ByteOrder.h"
#include "model/FileSystemTypes.h"

namespace {

constexpr uint64_t kMaxClusterBytes = 2 * 1024 * 1024;

// Bytes per cluster from the boot sector, or 0 when the fields make no sense. Above 0x80 the
// sectors-per-cluster byte is a negative exponent: 2^(256 - value) sectors.
uint64_t ClusterBytes(const uint8_t* s)
{
    const uint32_t bytesPerSector = le16(s + 11);
    if (bytesPerSector != 512 && bytesPerSector != 1024 && bytesPerSector != 2048 && bytesPerSector != 4096)
        return 0;
    const uint32_t code = s[13];
    uint64_t sectors = 0;
    if (code > 0x80) {
        const uint32_t shift = 256 - code;
        if (shift > 21)
            return 0;
        sectors = uint64_t(1) << shift;
    } else if (code != 0 && (code & (code - 1)) == 0) {
        sectors = code;
    }
    const uint64_t bytes = sectors * bytesPerSector;
    return bytes <= kMaxClusterBytes ? bytes : 0;
}

} // namespace

bool ProbeNtfs(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t boot[512];
    if (!reader.ReadSectors(boot, 0, 1))
        return false;
    if (std::memcmp(boot + 3, "NTFS    ", 8) != 0 || boot[510] != 0x55 || boot[511] != 0xAA)
        return false;
    const uint64_t clusterBytes = ClusterBytes(boot);
    if (clusterBytes == 0 || le64(boot + 40) == 0)
        return false;

    info.FileSystemType = kFsNtfs;
    info.ClusterSize = int32_t(clusterBytes / kVolumeSectorBytes);
    return true;
}
