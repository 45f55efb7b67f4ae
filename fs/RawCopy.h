// Copies sectors as they are, for volumes whose file system this program does not read: every
// sector of the extent, in read and write calls of at most 126 sectors. Reading runs one staging
// chunk ahead of writing on its own thread, so the two media work at once.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

namespace RawCopy {

enum Result : int {
    kOk = 0,
    kBadArgument = 1,
    kOutOfMemory = 2,
    kReadFailed = 3,
    kWriteFailed = 4,
    kCancelled = 23,
};

// `sameMedium`: source and target are one disk, so overlapping extents are walked in the direction
// that never overwrites sectors not yet read (downward when the target lies above the source).
// Cancellation is asked before every write call; on a cancel or failure nothing more is read or
// written. Progress: BeginStep(-1), SetProcessName(82), SetStepTotal(count), SetStepPosition with
// the sectors written, CompleteStep. The target is not flushed.
int CopySectors(ISectorDevice* source, int64_t sourceStart, ISectorDevice* target, int64_t targetStart,
                int64_t count, bool sameMedium, IProgressReporter* progress);

} // namespace RawCopy
