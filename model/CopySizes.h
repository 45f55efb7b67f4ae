// How small and how large a copy of a partition may be made (used = TotalSectors - FreeSectors).
#pragma once

#include <cstdint>

#include "core/PartitionInfo.h"

// NTFS: used + the engine's reserve + 409600; file systems that cannot shrink: their own size;
// others: the larger of used x 1.2 and used + 614400. Never below one cylinder.
int64_t MinimumCopySize(const PartitionInfo& entry, int64_t cylinder);
// NTFS: unlimited; file systems that cannot grow: their own size; others: 0x2FFFFFFF.
int64_t MaximumCopySize(const PartitionInfo& entry);
