#include "RawCopy.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"

namespace RawCopy {

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr int64_t kPieceSectors = 126;
// About 8 MiB per chunk, a whole number of transfers; two chunks are in use at once.
constexpr int64_t kChunkSectors = kPieceSectors * 130;
constexpr int kProcessCopyingData = 82;

class PipelinedCopy {
public:
    PipelinedCopy(ISectorDevice* source, int64_t sourceStart, ISectorDevice* target, int64_t targetStart,
                  int64_t count, bool descending, IProgressReporter* progress)
        : m_source(source), m_target(target), m_sourceStart(sourceStart), m_targetStart(targetStart),
          m_count(count), m_descending(descending), m_progress(progress),
          m_chunks((count + kChunkSectors - 1) / kChunkSectors)
    {
    }

    int Run()
    {
        const int64_t chunkBytes = std::min(kChunkSectors, m_count) * kSectorBytes;
        for (Slot& slot : m_slots) {
            slot.data.reset(new (std::nothrow) uint8_t[size_t(chunkBytes)]);
            if (!slot.data)
                return kOutOfMemory;
        }
        m_progress->BeginStep(-1);
        m_progress->SetProcessName(kProcessCopyingData);
        m_progress->SetStepTotal(m_count);
        std::thread reader([this] { readChunks(); });
        const int result = writeChunks();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        reader.join();
        if (result == kOk)
            m_progress->CompleteStep();
        return result;
    }

private:
    enum class State { Empty, Filled, Failed };
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        State state = State::Empty;
    };

    // Chunk k's offset and length inside the extent, in walking order.
    void chunk(int64_t k, int64_t& offset, int64_t& length) const
    {
        if (!m_descending) {
            offset = k * kChunkSectors;
            length = std::min(kChunkSectors, m_count - offset);
        } else {
            const int64_t end = m_count - k * kChunkSectors;
            offset = std::max<int64_t>(0, end - kChunkSectors);
            length = end - offset;
        }
    }

    void readChunks()
    {
        for (int64_t k = 0; k < m_chunks; ++k) {
            Slot& slot = m_slots[k % 2];
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || slot.state == State::Empty; });
                if (m_stop)
                    return;
            }
            int64_t offset = 0, length = 0;
            chunk(k, offset, length);
            bool ok = true;
            for (int64_t at = 0; ok && at < length; at += kPieceSectors) {
                if (m_stop.load(std::memory_order_relaxed))
                    return;
                ok = m_source->ReadSectors(slot.data.get() + at * kSectorBytes, m_sourceStart + offset + at,
                                           std::min(kPieceSectors, length - at)) != 0;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                slot.state = ok ? State::Filled : State::Failed;
            }
            m_changed.notify_all();
            if (!ok)
                return;
        }
    }

    int writeChunks()
    {
        int64_t written = 0;
        for (int64_t k = 0; k < m_chunks; ++k) {
            Slot& slot = m_slots[k % 2];
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return slot.state != State::Empty; });
                if (slot.state == State::Failed)
                    return kReadFailed;
            }
            int64_t offset = 0, length = 0;
            chunk(k, offset, length);
            for (int64_t at = 0; at < length; at += kPieceSectors) {
                if (m_progress->IsUserCanceled())
                    return kCancelled;
                const int64_t piece = std::min(kPieceSectors, length - at);
                if (!m_target->WriteSectors(slot.data.get() + at * kSectorBytes, m_targetStart + offset + at, piece))
                    return kWriteFailed;
                written += piece;
                m_progress->SetStepPosition(written);
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                slot.state = State::Empty;
            }
            m_changed.notify_all();
        }
        return kOk;
    }

    ISectorDevice* m_source;
    ISectorDevice* m_target;
    int64_t m_sourceStart, m_targetStart, m_count;
    bool m_descending;
    IProgressReporter* m_progress;
    int64_t m_chunks;
    Slot m_slots[2];
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop{false};
};

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
    PipelinedCopy copy(source, sourceStart, target, targetStart, count, descending, progress);
    return copy.Run();
}

} // namespace RawCopy
