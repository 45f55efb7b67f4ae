// Reads what a volume holds: file-system type, cluster size, label and free space.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

// Fills FileSystemType, ClusterSize, Label, TotalSectors, FreeSectors, UsedSectorsHint (0) and
// NtfsReserveSectors of `info` from the volume's sectors. `sectorCount` is the partition length.
// Returns 1 when the entry was filled (also for an unformatted or unknown volume), 0 when the first sectors cannot be read.
int ReadVolumeInfo(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
