// NTFS volumes: type and cluster size from the boot sector (label and free space come later from $Volume and $Bitmap).
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "model/PartitionInfo.h"

bool ProbeNtfs(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
