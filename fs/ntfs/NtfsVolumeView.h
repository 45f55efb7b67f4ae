// Describes an NTFS volume for the engine's readers (volume information, label, recovery) in the
// engine's 512-byte sector units, whatever sector size and cluster size the volume was made with.
#pragma once

#include <cstdint>

#include "fs/ntfs/NtfsStructures.h"

class ISectorDevice;

// Reads the boot sector at volumeStart; true for an NTFS boot sector with sane sizes whose file
// system fits in `sectorCount` 512-byte sectors. The description's sector fields count 512-byte units.
bool DescribeNtfsVolume(ISectorDevice& device, int64_t volumeStart, int64_t sectorCount, NtfsVolume& volume);

