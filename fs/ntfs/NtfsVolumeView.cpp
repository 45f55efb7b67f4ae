#include "fs/ntfs/NtfsVolumeView.h"

#include <cstring>

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"

namespace {

constexpr int64_t kUnit = 512;
constexpr uint64_t kMaxClusterBytes = 2 * 1024 * 1024;

} // namespace

uint64_t NtfsClusterBytes(const uint8_t* s)
{
    const uint32_t bytesPerSector = le16(s + 11);
    if (bytesPerSector != 512 && bytesPerSector != 1024 && bytesPerSector != 2048 && bytesPerSector != 4096)
        return 0;
    const uint32_t code = s[13];
    uint64_t sectors = 0;
    if (code > 0x80) {
        if (256 - code > 21)
            return 0;
        sectors = uint64_t(1) << (256 - code);
    } else if (code != 0 && (code & (code - 1)) == 0) {
        sectors = code;
    }
    const uint64_t bytes = sectors * bytesPerSector;
    return bytes <= kMaxClusterBytes ? bytes : 0;
}

namespace {

// A record size from its boot-sector code: clusters, or 2^-code bytes when negative.
int64_t recordBytes(int8_t code, uint64_t cluster)
{
    if (code < 0)
        return code >= -16 ? int64_t(1) << -code : 0;
    return int64_t(code) * int64_t(cluster);
}

} // namespace

bool DescribeNtfsVolume(ISectorDevice& device, int64_t volumeStart, int64_t sectorCount, NtfsVolume& volume)
{
    uint8_t boot[512];
    if (!device.ReadSectors(boot, volumeStart, 1) || std::memcmp(boot + 3, "NTFS    ", 8) != 0)
        return false;
    const uint64_t cluster = NtfsClusterBytes(boot);
    if (cluster == 0 || cluster % kUnit)
        return false;
    const int64_t file = recordBytes(int8_t(boot[0x40]), cluster), index = recordBytes(int8_t(boot[0x44]), cluster);
    if (file < 512 || file > 8192 || (file & (file - 1)) || index < 512 || index > 65536 || (index & (index - 1)))
        return false;
    const uint64_t totalBytes = le64(boot + 0x28) * le16(boot + 11);
    if (le64(boot + 0x28) == 0 || le64(boot + 0x28) > (uint64_t(1) << 48) || totalBytes / kUnit > uint64_t(sectorCount))
        return false;
    NtfsVolume v;
    v.Device = &device;
    v.VolumeStart = volumeStart;
    v.BytesPerSector = int(kUnit);
    v.SectorsPerCluster = int(cluster / kUnit);
    v.FileRecordSectors = int(file / kUnit);
    v.IndexRecordSectors = int(index / kUnit);
    v.TotalSectors = int64_t(totalBytes / kUnit);
    v.MftLcn = int64_t(le64(boot + 0x30));
    v.MftMirrorLcn = int64_t(le64(boot + 0x38));
    v.SerialNumber = le64(boot + 0x48);
    if (v.MftLcn < 0 || v.MftLcn >= v.TotalClusters())
        return false;
    volume = v;
    return true;
}
