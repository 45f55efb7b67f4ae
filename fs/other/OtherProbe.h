// Any other file system libblkid recognises (btrfs, xfs, LUKS, ...), shown as "Other" with its label.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeOther(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
