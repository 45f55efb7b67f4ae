// Finds FAT volumes while partition recovery scans a disk sector by sector.
#pragma once

#include <cstdint>

#include "core/PartitionInfo.h"

class IDisk;

// `sector` was read at `lba`. A FAT12/16 boot sector counts when both FATs start with the media byte
// and FF FF (FF FF FF for FAT16); a FAT32 one also needs its backup boot sector and FATs starting
// F8 FF FF ?? FF FF FF. The entry is then completed from a volume device on it. 1 when found.
int RecogniseFat(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found);

// A find that is in the disk's table now is an existing partition, not a lost one: sets VolumePresent.
void MarkWhenStillListed(IDisk* disk, PartitionInfo& found);
