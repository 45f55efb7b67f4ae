// Rebuilds a FAT12/16/32 file system into a new extent: larger or smaller, moved, copied to another
// device, with another cluster size or another FAT kind. The old FATs are never edited: the old
// volume is read and checked, a new layout planned on the old cluster grid, every used cluster mapped
// to a new one (left where it lies when it already sits on a new cluster, copied otherwise), every
// directory rebuilt with the new cluster numbers and a new FAT built. Each operation runs twice: a
// checking pass that plans everything and writes nothing, then the real pass, which copies the data
// first and writes the new directories, boot sector(s), FATs and root directory last.
//
// Data copies only go to clusters whose sectors held nothing the old volume uses (or lie outside it),
// so until the metadata is written at the end the old file system stays valid: a failure, a cancel
// or a power cut during the copy leaves it as it was.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;
class KFileAllocationTable;

enum FatResizeResult : int {
    kFatResizeOk = 0,
    kFatResizeBadArgument = 1, // also: the new size cannot hold the FAT kind, or its cluster count is invalid
    kFatResizeOutOfMemory = 2,
    kFatResizeReadFailed = 3,
    kFatResizeWriteFailed = 4,     // a data copy or a directory
    kFatResizeNotFat = 5,
    kFatResizeRootChain = 6,       // the FAT32 root directory chain cannot be followed
    kFatResizeNoDotEntries = 7,    // a subdirectory does not start with "." and ".."
    kFatResizeBadLinks = 9,        // links past the end, a cluster with two predecessors, a broken chain
    kFatResizeCopiesDiffer = 10,
    kFatResizeWouldLose = 12,      // a used cluster no file or directory holds
    kFatResizeNoRoom = 13,
    kFatResizeBootWriteFailed = 14,
    kFatResizeFatWriteFailed = 15,
    kFatResizeReservedWriteFailed = 16,
    kFatResizeRootWriteFailed = 17,
    kFatResizeCancelled = 46,
};

class KFatResize {
public:
    virtual ~KFatResize();

    // hiddenOption: the boot sector's hidden sectors become the new start (else the device's sectors
    // per track). keepOption: 0 leaves files and directories where they lie when they can stay, 1 files
    // only (directories always move, so the old volume stays valid until the end), other values never.
    int ResizeFat(ISectorDevice* device, int64_t oldStart, int64_t oldSize, int64_t newStart, int64_t newSize,
                  int hiddenOption, int keepOption, IProgressReporter* progress);
    int CopyFat(ISectorDevice* source, int64_t sourceStart, int64_t sourceSize, ISectorDevice* target,
                int64_t targetStart, int64_t targetSize, int hiddenOption, IProgressReporter* progress);
    // sectorsPerCluster: a power of two from 1 to 128.
    int ChangeFatClusterSize(ISectorDevice* device, int64_t start, int64_t size, int sectorsPerCluster,
                             int hiddenOption, int keepOption, IProgressReporter* progress);
    // type: 1 FAT12, 6 FAT16, 11 FAT32.
    int ConvertFatType(ISectorDevice* device, int64_t start, int64_t size, int type, IProgressReporter* progress);
};

// Reads the FATs of a volume (the first at firstFatSector, each fatSectors long, entries for clusters
// 2 .. clusters + 1) into `out` and checks them: no link past the end, no cluster the successor of
// two, and with compareAll every readable copy equal to the first, entry by entry (without it only
// the first copy is read). kFatResizeOk, kFatResizeBadLinks, kFatResizeCopiesDiffer,
// kFatResizeReadFailed or kFatResizeOutOfMemory.
int LoadCheckedFat(ISectorDevice* device, int64_t firstFatSector, int fats, int64_t fatSectors, uint32_t clusters,
                   int kind, bool compareAll, KFileAllocationTable& out);
