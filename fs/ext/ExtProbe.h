// Ext2, ext3 and (shown as "Other") ext4 volumes, from the superblock at byte 1024.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeExt(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
