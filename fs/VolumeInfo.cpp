#include "fs/VolumeInfo.h"

#include "fs/FileSystemRegistry.h"

#include "core/FileSystemTypes.h"

namespace {

void ResetVolumeFields(PartitionInfo& info, int64_t sectorCount)
{
    info.FileSystemType = kFsNone;
    info.ClusterSize = 1;
    SetLabel(info, nullptr);
    info.TotalSectors = sectorCount;
    info.FreeSectors = 0;
    info.UsedSectorsHint = 0;
    info.NtfsReserveSectors = 0;
}

} // namespace

int ReadVolumeInfo(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    ResetVolumeFields(info, sectorCount);
    if (sectorCount <= 0)
        return 1;
    uint8_t first[512];
    if (!volume.ReadSectors(first, 0, 1))
        return 0;
    for (const IFileSystem* family : FileSystems()) {
        if (family->Probe(volume, sectorCount, info))
            return 1;
        ResetVolumeFields(info, sectorCount); // a probe that gave up may have filled some fields
    }
    return 1;
}
