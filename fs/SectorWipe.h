// Overwrites a range of a disk with the passes of a wiping method, run by run: every pass of a
// 126-sector run reaches the medium (written past the system cache, then flushed) before the next
// pass of that run, and all passes of a run before the next run.
#pragma once

#include <cstdint>
#include <vector>

class IDisk;
class IProgressReporter;

namespace SectorWipe {

constexpr int64_t kRunSectors = 126;

enum Result : int {
    kOk = 0,
    kBadArgument = 1,
    kOutOfMemory = 2,
    kWriteFailed = 4,
    kCancelled = 23,
};

// The fill byte of every pass of a method (0 to 4); any other method is one pass of zeros.
std::vector<uint8_t> Passes(int method);

// Checks for cancellation before every run: a cancel zeros the range's first sector and returns
// kCancelled. Progress: SetStepTotal(count), SetStepPosition(i x 126) before run i, CompleteStep.
// At the end the first sector of the range is zeroed again. A failed write or flush stops at once.
int Wipe(IDisk* disk, int64_t first, int64_t count, int method, IProgressReporter* progress);

} // namespace SectorWipe
