// Creates empty Ext2 and Ext3 file systems (Ext3 with its journal).
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum ExtFormatResult : int {
    kExtFormatOk = 0,
    kExtBadArgument = 1,   // no progress object, or a block size other than 1, 2 or 4 KiB
    kExtOutOfMemory = 2,
    kExtWriteFailed = 4,
    kExtNoRoom = 13,       // no block left for the root, lost+found or the journal
};

// Sectors per block (512-byte sectors) for a volume of `sectors` sectors: 2, 4 or 8.
int GetDefaultExtBlockSize(int64_t sectors);
// The journal size class for a volume of `blocks` blocks; 0 below 2,048 blocks. The format writes
// max(this / 4, 1,024) journal blocks.
int GetExtJournalBlocks(int64_t blocks);
// Sectors an empty volume occupies; blockSize in bytes (0: the default for the size).
int64_t GetExtSystemAreaSectors(int64_t sectors, int blockSize, bool withJournal);

// blockSize in bytes (0: the default). The label is 8-bit text, at most 16 bytes kept.
int FormatExt(ISectorDevice* device, int64_t volumeStart, int64_t sectors, const char* label, int blockSize,
              bool ext3, IProgressReporter* progress);
