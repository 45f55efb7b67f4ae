// FAT12, FAT16 and FAT32 volumes: type, cluster size, label and free space.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeFat(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
