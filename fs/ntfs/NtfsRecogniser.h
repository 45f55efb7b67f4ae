// Finds NTFS volumes while partition recovery scans a disk sector by sector.
#pragma once

#include <cstdint>

#include "core/PartitionInfo.h"

class IDisk;

// `sector` was read at `lba`. An NTFS boot sector counts when the volume's MFT opens; the entry gets
// type 7, the volume's sectors plus the backup boot sector after them, the boot sector's hidden
// sectors, and the rest from a volume device on it. 1 when found.
int RecogniseNtfs(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found);
