// Moves or copies an Ext2/Ext3 file system block by block: block 0 and every block its group block
// bitmaps mark used, nothing else. The file system keeps its size; only its place changes.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum ExtMoveResult : int {
    kExtMoveOk = 0,
    kExtMoveBadArgument = 1,   // a null device or progress object, or a negative or overflowing extent
    kExtMoveOutOfMemory = 2,
    kExtMoveReadFailed = 3,
    kExtMoveWriteFailed = 4,
    kExtMoveUnsupported = 5,   // not an Ext2/Ext3 file system this routine can copy (see ExtMove.cpp)
    kExtMoveCancelled = 46,
};

// `sectors` is the volume's size in 512-byte sectors, the same at source and target. Every transfer
// stays inside [sourceStart, sourceStart + sectors) of the source and [targetStart, targetStart +
// sectors) of the target. A move inside one disk must pass the same device object as source and
// target: the copy order that keeps overlapping extents safe is chosen from that pointer. Failures
// return at once; blocks already written stay written. The devices are not flushed.
int MoveExt(ISectorDevice* source, int64_t sourceStart, int64_t sectors, ISectorDevice* target, int64_t targetStart,
            IProgressReporter* progress);
