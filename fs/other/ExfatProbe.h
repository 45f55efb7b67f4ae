// exFAT volumes, shown as "Other": cluster size and the label from the root directory.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeExfat(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
