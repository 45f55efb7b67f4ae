// Finds Ext2/Ext3 volumes while partition recovery scans a disk sector by sector.
#pragma once

#include <cstdint>

#include "core/PartitionInfo.h"

class IDisk;

// `sector` was read at `lba`. A primary Ext2/Ext3 superblock (group 0, sane sizes, only the
// features Ext2 and Ext3 know) counts, and the partition starts 2 sectors before it. The entry is
// filled from the superblock. 1 when found.
int RecogniseExt(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found);
