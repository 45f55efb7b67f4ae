#include "VolumeInfo.h"

#include "engine/volinfo/ExfatProbe.h"
#include "engine/volinfo/ExtProbe.h"
#include "engine/volinfo/FatProbe.h"
#include "engine/volinfo/NtfsProbe.h"
#include "engine/volinfo/OtherProbe.h"
#include "engine/volinfo/SwapProbe.h"
#include "model/FileSystemTypes.h"

namespace {

using VolumeProbe = bool (*)(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);

// Tried in this order; the first that recognises the volume fills the entry. Swap comes first because
// mkswap keeps the first KiB of whatever was there before; the generic libblkid probe comes last.
constexpr VolumeProbe kProbes[] = {ProbeSwap, ProbeNtfs, ProbeFat, ProbeExt, ProbeExfat, ProbeOther};

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
    for (VolumeProbe probe : kProbes) {
        if (probe(volume, sectorCount, info))
            return 1;
        ResetVolumeFields(info, sectorCount); // a probe that gave up may have filled some fields
    }
    return 1;
}
