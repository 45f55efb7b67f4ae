// Linux swap areas: the signature closes the first page, whatever the page size was.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "core/PartitionInfo.h"

bool ProbeSwap(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info);
