#include "fs/ntfs/NtfsVolumeView.h"

#include <cstring>

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"
#include "fs/ntfs/NtfsBootSector.h"

namespace {

constexpr int64_t kUnit = 512;

} // namespace

bool DescribeNtfsVolume(ISectorDevice& device, int64_t volumeStart, int64_t sectorCount, NtfsVolume& volume)
{
    uint8_t boot[512];
    Ntfs::BootSector b;
    if (!device.ReadSectors(boot, volumeStart, 1) || !Ntfs::DecodeBootSector(boot, b))
        return false;
    // The volume is described in 512-byte units and must fit the partition.
    if (b.ClusterBytes % kUnit || b.TotalBytes / kUnit > uint64_t(sectorCount))
        return false;
    NtfsVolume v;
    v.Device = &device;
    v.VolumeStart = volumeStart;
    v.BytesPerSector = int(kUnit);
    v.SectorsPerCluster = int(b.ClusterBytes / kUnit);
    v.FileRecordSectors = int(b.FileRecordBytes / kUnit);
    v.IndexRecordSectors = int(b.IndexRecordBytes / kUnit);
    v.TotalSectors = int64_t(b.TotalBytes / kUnit);
    v.MftLcn = int64_t(b.MftLcn);
    v.MftMirrorLcn = int64_t(b.MftMirrorLcn);
    v.SerialNumber = b.SerialNumber;
    volume = v;
    return true;
}
