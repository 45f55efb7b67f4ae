#include "SectorWipe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "core/IProgressReporter.h"
#include "engine/IDisk.h"

namespace SectorWipe {

std::vector<uint8_t> Passes(int method)
{
    switch (method) {
    case 1: return {0xFF};
    case 2: return {0x00, 0xFF};
    case 3: return {0x00, 0xFF, 0xF6};
    case 4: return {0x00, 0xFF, 0xF6, 0x40, 0x00, 0xFF, 0x90};
    default: return {0x00};
    }
}

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr size_t kAlignment = 4096; // direct writes need page-aligned memory

} // namespace

int Wipe(IDisk* disk, int64_t first, int64_t count, int method, IProgressReporter* progress)
{
    if (!disk || !progress || first < 0 || count <= 0 || first > std::numeric_limits<int64_t>::max() - count)
        return kBadArgument;
    const int64_t runs = (count + kRunSectors - 1) / kRunSectors;
    const int64_t windowSectors = std::min(count, kWindowRuns * kRunSectors);
    const size_t bytes = size_t(windowSectors * kSectorBytes);
    std::unique_ptr<uint8_t, void (*)(void*)> buffer(
        static_cast<uint8_t*>(std::aligned_alloc(kAlignment, (bytes + kAlignment - 1) / kAlignment * kAlignment)),
        std::free);
    if (!buffer)
        return kOutOfMemory;
    const std::vector<uint8_t> passes = Passes(method);
    auto zeroFirstSector = [&] {
        std::memset(buffer.get(), 0, size_t(kSectorBytes));
        return disk->WriteSectorsThrough(buffer.get(), first, 1) && disk->Flush();
    };

    progress->SetStepTotal(count);
    for (int64_t run = 0; run < runs; run += kWindowRuns) {
        if (progress->IsUserCanceled())
            return zeroFirstSector() ? kCancelled : kWriteFailed;
        progress->SetStepPosition(run * kRunSectors);
        const int64_t start = first + run * kRunSectors;
        const int64_t sectors = std::min(kWindowRuns * kRunSectors, count - run * kRunSectors);
        // The whole runs of the window in one call, a shorter last run in another.
        const int64_t whole = sectors / kRunSectors * kRunSectors, rest = sectors - whole;
        for (const uint8_t fill : passes) {
            std::memset(buffer.get(), fill, size_t(sectors * kSectorBytes));
            if ((whole && !disk->WriteSectorsThrough(buffer.get(), start, whole)) ||
                (rest && !disk->WriteSectorsThrough(buffer.get() + whole * kSectorBytes, start + whole, rest)) ||
                !disk->Flush())
                return kWriteFailed;
        }
    }
    if (!zeroFirstSector())
        return kWriteFailed;
    progress->CompleteStep();
    return kOk;
}

} // namespace SectorWipe
