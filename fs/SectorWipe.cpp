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

bool writeThrough(IDisk* disk, const uint8_t* data, int64_t sector, int64_t count)
{
    return disk->WriteSectorsThrough(data, sector, count) && disk->Flush();
}

} // namespace

int Wipe(IDisk* disk, int64_t first, int64_t count, int method, IProgressReporter* progress)
{
    if (!disk || !progress || first < 0 || count <= 0 || first > std::numeric_limits<int64_t>::max() - count)
        return kBadArgument;
    const size_t bytes = size_t(kRunSectors * kSectorBytes);
    std::unique_ptr<uint8_t, void (*)(void*)> buffer(
        static_cast<uint8_t*>(std::aligned_alloc(kAlignment, (bytes + kAlignment - 1) / kAlignment * kAlignment)),
        std::free);
    if (!buffer)
        return kOutOfMemory;
    const std::vector<uint8_t> passes = Passes(method);
    auto zeroFirstSector = [&] {
        std::memset(buffer.get(), 0, size_t(kSectorBytes));
        return writeThrough(disk, buffer.get(), first, 1);
    };

    progress->SetStepTotal(count);
    const int64_t runs = (count + kRunSectors - 1) / kRunSectors;
    for (int64_t i = 0; i < runs; ++i) {
        if (progress->IsUserCanceled())
            return zeroFirstSector() ? kCancelled : kWriteFailed;
        progress->SetStepPosition(i * kRunSectors);
        const int64_t sectors = std::min(kRunSectors, count - i * kRunSectors);
        for (const uint8_t fill : passes) {
            std::memset(buffer.get(), fill, size_t(sectors * kSectorBytes));
            if (!writeThrough(disk, buffer.get(), first + i * kRunSectors, sectors))
                return kWriteFailed;
        }
    }
    if (!zeroFirstSector())
        return kWriteFailed;
    progress->CompleteStep();
    return kOk;
}

} // namespace SectorWipe
