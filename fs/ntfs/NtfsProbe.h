// NTFS volumes: type and cluster size from the boot sector; label, free space and the copy reserve
// from $Volume, $Bitmap, the MFT and $LogFile.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeNtfs(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
