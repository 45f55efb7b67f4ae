// The copy machinery every file-system engine moves data with: a plan of copy extents (source
// sector, target sector, count) and zero extents, run through one 20 MiB buffer in transfers of at
// most 126 sectors.
//
// Zero extents run first. Copy extents then run in plan order, in batches: a batch starts at the next
// extent and takes extents while their total stays within the buffer (40,960 sectors); it also ends
// after an extent whose successor continues neither its source run nor its target run. Every extent
// of a batch is read into the buffer before the first of them is written, and they are written in the
// same order. So a batch may overwrite its own sources, but never what a later batch still reads:
// a plan that would is refused before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ISectorDevice;
class IProgressReporter;

namespace CopyEngine {

constexpr int64_t kBufferSectors = 40960; // 20 MiB
constexpr int64_t kPieceSectors = 126;    // the most sectors one read or write call takes

enum Result : int {
    kOk = 0,
    kBadPlan = 1, // a programming error: the plan is refused, nothing was written
    kOutOfMemory = 2,
    kReadFailed = 3,
    kWriteFailed = 4,
    kCancelled = 46,
};

struct Extent {
    int64_t Source = 0; // unused by zero extents
    int64_t Target = 0;
    int64_t Count = 0;
};

class Plan {
public:
    // Adds a copy; one longer than the buffer is split into buffer-sized extents in the same
    // direction the plan walks (`descending`: the last piece first).
    void Copy(int64_t source, int64_t target, int64_t count, bool descending = false);
    void Zero(int64_t target, int64_t count);
    // One extent exactly as given, for planners that split and order their own (the run checks it).
    void Append(const Extent& extent);

    const std::vector<Extent>& Copies() const { return m_copies; }
    const std::vector<Extent>& Zeros() const { return m_zeros; }
    int64_t CopySectors() const { return m_copySectors; }
    int64_t ZeroSectors() const { return m_zeroSectors; }

private:
    std::vector<Extent> m_copies, m_zeros;
    int64_t m_copySectors = 0, m_zeroSectors = 0;
};

struct Job {
    ISectorDevice* Source = nullptr;
    ISectorDevice* Target = nullptr;
    // Source and target are the same medium: what is written may be read later. Defaults to the
    // devices being one object; callers holding two objects on one disk must say so.
    bool SameMedium = false;
    // Every write must lie inside [TargetFirst, TargetFirst + TargetCount) of the target.
    int64_t TargetFirst = 0;
    int64_t TargetCount = 0;
    // Passed to SetProcessName before the work when non-zero.
    int ProcessName = 0;
};

// The batches of a plan as index ranges [first, end) into Copies().
std::vector<std::pair<size_t, size_t>> Batches(const Plan& plan);

// Empty when the plan may run; else why not (an extent out of the target window or unusable, an
// extent longer than the buffer, a zero extent over a later source, a batch writing over what a
// later batch reads).
std::string CheckPlan(const Job& job, const Plan& plan);

// Progress: BeginStep(-1), SetStepTotal(zero sectors + 2 x copy sectors + 1: every sector read and
// every sector written), SetStepPosition with the sectors done before every write, IsUserCanceled once
// per extent before its batch is written, CompleteStep at the end. While a batch is written the next
// one is already read on a second thread (two buffers). Failures return at once; what was written
// stays written. The devices are not flushed.
int Run(const Job& job, const Plan& plan, IProgressReporter* progress);

} // namespace CopyEngine
