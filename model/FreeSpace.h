// Free-space regeneration of one disk's pending list: old unallocated entries go, placeholders replace
// disks that cannot be shown partition by partition, and every gap of at least one cylinder becomes an
// unallocated entry.
#pragma once

#include "core/PartitionInfo.h"
#include "core/TableErrorList.h"

class IDisk;

struct FreeSpaceFlags {
    bool Gpt = false;
    bool Dynamic = false;
    // The loader's errors; none for the copy preview, which never shows a bad disk.
    const TableErrorList* Errors = nullptr;
};

void RegenerateFreeSpace(IDisk* disk, const FreeSpaceFlags& flags, PartitionList& list);

// The 32-bit word at the type id's place is non-zero: a partition or a placeholder, not free space.
bool IsPartitionEntry(const PartitionInfo& entry);
