// Changes fields of a partition's boot sector, in the main copy and in the backup copy that FAT32 and
// NTFS keep, so that both stay equal.
#pragma once

#include <cstdint>
#include <functional>

#include "core/PartitionInfo.h"

class IDisk;

class KBootSectorEditor {
public:
    // 0 success, kDetailReadFailed or kDetailWriteFailed. `edit` changes the 512 bytes of a copy.
    static int Edit(IDisk* disk, const PartitionInfo& partition, const std::function<void(uint8_t*)>& edit);
    // The backup boot sector's sector within the partition, or -1 when the file system keeps none.
    static int64_t BackupSector(const PartitionInfo& partition, const uint8_t* bootSector);
};
