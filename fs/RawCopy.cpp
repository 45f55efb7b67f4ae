#include "RawCopy.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <new>

#include "ReadAhead.h"
#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"

namespace RawCopy {

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr int64_t kPieceSectors = 126;
// About 8 MiB per chunk, a whole number of transfers; two chunks are in use at once.
constexpr int64_t kChunkSectors = kPieceSectors * 130;
constexpr int kProcessCopyingData = 82;

// The extent in chunks, in walking order: chunk k's offset and length inside it.
void chunk(int64_t count, bool descending, int64_t k, int64_t& offset, int64_t& length)
{
    if (!descending) {
        offset = k * kChunkSectors;
        length = std::min(kChunkSectors, count - offset);
    } else {
        const int64_t end = count - k * kChunkSectors;
        offset = std::max<int64_t>(0, end - kChunkSectors);
        length = end - offset;
    }
}

} // namespace

int CopySectors(ISectorDevice* source, int64_t sourceStart, ISectorDevice* target, int64_t targetStart,
                int64_t count, bool sameMedium, IProgressReporter* progress)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    if (!source || !target || !progress || count <= 0 || sourceStart < 0 || targetStart < 0 ||
        sourceStart > kMax - count || targetStart > kMax - count)
        return kBadArgument;
    // Only an overlap on one medium with the target above the source needs the downward walk: with one
    // chunk read ahead, the upward walk never writes where a later chunk still has to be read when the
    // target lies below, nor anywhere a read reaches when the extents are apart.
    const bool overlapping = targetStart < sourceStart + count && sourceStart < targetStart + count;
    const bool descending = (sameMedium || source == target) && overlapping && targetStart > sourceStart;
    const int64_t chunkBytes = std::min(kChunkSectors, count) * kSectorBytes;
    std::unique_ptr<uint8_t[]> slots[2];
    for (auto& slot : slots) {
        slot.reset(new (std::nothrow) uint8_t[size_t(chunkBytes)]);
        if (!slot)
            return kOutOfMemory;
    }
    progress->BeginStep(-1);
    progress->SetProcessName(kProcessCopyingData);
    progress->SetStepTotal(count);
    const auto read = [&](size_t k, uint8_t* buffer, const std::atomic<bool>& stop) {
        int64_t offset = 0, length = 0;
        chunk(count, descending, int64_t(k), offset, length);
        for (int64_t at = 0; at < length; at += kPieceSectors)
            if (stop.load(std::memory_order_relaxed) ||
                !source->ReadSectors(buffer + at * kSectorBytes, sourceStart + offset + at,
                                     std::min(kPieceSectors, length - at)))
                return false;
        return true;
    };
    int64_t written = 0;
    const auto write = [&](size_t k, uint8_t* buffer) {
        int64_t offset = 0, length = 0;
        chunk(count, descending, int64_t(k), offset, length);
        for (int64_t at = 0; at < length; at += kPieceSectors) {
            if (progress->IsUserCanceled())
                return int(kCancelled);
            const int64_t piece = std::min(kPieceSectors, length - at);
            if (!target->WriteSectors(buffer + at * kSectorBytes, targetStart + offset + at, piece))
                return int(kWriteFailed);
            written += piece;
            progress->SetStepPosition(written);
        }
        return int(kOk);
    };
    uint8_t* const buffers[2] = {slots[0].get(), slots[1].get()};
    const int result = ReadAhead::Run(size_t((count + kChunkSectors - 1) / kChunkSectors), buffers, 2, read, write,
                                      kReadFailed);
    if (result == kOk)
        progress->CompleteStep();
    return result;
}

} // namespace RawCopy
