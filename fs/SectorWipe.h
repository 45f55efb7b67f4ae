// Overwrites a range of a disk with the passes of a wiping method. The range is cut into runs of 126
// sectors, and consecutive runs are taken a window at a time: every pass goes over the whole window
// and reaches the medium (written past the system cache, then flushed) before the next pass starts,
// and all passes of a window are done before the next window. The full runs of a window are written
// with one call per pass, a last, shorter run with a call of its own. A window is a few mebibytes:
// large enough that the flush between passes costs little, small enough to stop soon on a cancel.
#pragma once

#include <cstdint>
#include <vector>

class IDisk;
class IProgressReporter;

namespace SectorWipe {

constexpr int64_t kRunSectors = 126;
constexpr int64_t kWindowRuns = 130; // about 8 MiB

enum Result : int {
    kOk = 0,
    kBadArgument = 1,
    kOutOfMemory = 2,
    kWriteFailed = 4,
    kCancelled = 23,
};

// The fill byte of every pass of a method (0 to 4); any other method is one pass of zeros.
std::vector<uint8_t> Passes(int method);

// Checks for cancellation before every window: a cancel zeros the range's first sector and returns
// kCancelled. Progress: SetStepTotal(count), SetStepPosition(i x 126) before the window that starts
// with run i, CompleteStep.
// At the end the first sector of the range is zeroed again. A failed write or flush stops at once.
int Wipe(IDisk* disk, int64_t first, int64_t count, int method, IProgressReporter* progress);

} // namespace SectorWipe
