#include "CopyEngine.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"

namespace CopyEngine {

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

bool usable(int64_t first, int64_t count)
{
    return first >= 0 && count > 0 && first <= kMax - count;
}

// Disjoint half-open sector ranges, merged as they are added.
class RangeSet {
public:
    bool Overlaps(int64_t first, int64_t count) const
    {
        auto it = m_ranges.lower_bound(first + count);
        if (it == m_ranges.begin())
            return false;
        --it;
        return it->second > first;
    }

    void Add(int64_t first, int64_t count)
    {
        int64_t begin = first, end = first + count;
        auto it = m_ranges.upper_bound(begin);
        if (it != m_ranges.begin() && std::prev(it)->second >= begin)
            --it;
        while (it != m_ranges.end() && it->first <= end) {
            begin = std::min(begin, it->first);
            end = std::max(end, it->second);
            it = m_ranges.erase(it);
        }
        m_ranges.emplace(begin, end);
    }

private:
    std::map<int64_t, int64_t> m_ranges; // first -> end
};

bool continues(const Extent& a, const Extent& b)
{
    return a.Source + a.Count == b.Source || a.Target + a.Count == b.Target;
}

} // namespace

void Plan::Copy(int64_t source, int64_t target, int64_t count, bool descending)
{
    if (count <= 0)
        return;
    m_copySectors += count;
    if (!descending) {
        for (int64_t done = 0; done < count; done += kBufferSectors)
            m_copies.push_back({source + done, target + done, std::min(kBufferSectors, count - done)});
        return;
    }
    for (int64_t end = count; end > 0; end -= kBufferSectors) {
        const int64_t piece = std::min(kBufferSectors, end);
        m_copies.push_back({source + end - piece, target + end - piece, piece});
    }
}

void Plan::Append(const Extent& extent)
{
    m_copySectors += extent.Count;
    m_copies.push_back(extent);
}

void Plan::Zero(int64_t target, int64_t count)
{
    if (count <= 0)
        return;
    m_zeroSectors += count;
    m_zeros.push_back({0, target, count});
}

std::vector<std::pair<size_t, size_t>> Batches(const Plan& plan)
{
    std::vector<std::pair<size_t, size_t>> batches;
    const std::vector<Extent>& copies = plan.Copies();
    size_t first = 0;
    while (first < copies.size()) {
        size_t end = first + 1;
        int64_t total = copies[first].Count;
        while (end < copies.size() && continues(copies[end - 1], copies[end]) &&
               total + copies[end].Count <= kBufferSectors) {
            total += copies[end].Count;
            ++end;
        }
        batches.emplace_back(first, end);
        first = end;
    }
    return batches;
}

std::string CheckPlan(const Job& job, const Plan& plan)
{
    if (!job.Source || !job.Target)
        return "no device";
    if (!usable(job.TargetFirst, job.TargetCount))
        return "no target window";
    const int64_t windowEnd = job.TargetFirst + job.TargetCount;
    auto inWindow = [&](const Extent& e) { return e.Target >= job.TargetFirst && e.Target <= windowEnd - e.Count; };
    for (const Extent& e : plan.Zeros())
        if (!usable(e.Target, e.Count) || !inWindow(e))
            return "zero extent at " + std::to_string(e.Target) + " outside the target window";
    for (const Extent& e : plan.Copies()) {
        if (!usable(e.Source, e.Count) || !usable(e.Target, e.Count) || !inWindow(e))
            return "copy extent to " + std::to_string(e.Target) + " outside the target window";
        if (e.Count > kBufferSectors)
            return "copy extent of " + std::to_string(e.Count) + " sectors is longer than the buffer";
    }
    if (!(job.SameMedium || job.Source == job.Target))
        return {};

    // Walk the batches from the last: each one's writes must miss every read still to come.
    RangeSet laterReads;
    const auto batches = Batches(plan);
    for (auto b = batches.rbegin(); b != batches.rend(); ++b) {
        for (size_t i = b->first; i < b->second; ++i) {
            const Extent& e = plan.Copies()[i];
            if (laterReads.Overlaps(e.Target, e.Count))
                return "extent " + std::to_string(i) + " overwrites sectors a later batch still reads";
        }
        for (size_t i = b->first; i < b->second; ++i)
            laterReads.Add(plan.Copies()[i].Source, plan.Copies()[i].Count);
    }
    for (const Extent& e : plan.Zeros())
        if (laterReads.Overlaps(e.Target, e.Count))
            return "zero extent at " + std::to_string(e.Target) + " overwrites sectors still to be copied";
    return {};
}

namespace {

// Batch k + 1 is read on a thread of its own while batch k is written. That never reads anything
// batch k writes: CheckPlan has made sure no batch writes what a later one reads.
class Runner {
public:
    Runner(const Job& job, IProgressReporter* progress) : m_job(job), m_progress(progress) {}

    int Run(const Plan& plan)
    {
        m_batches = Batches(plan);
        int64_t longest = 0;
        for (const Extent& e : plan.Zeros())
            longest = std::max(longest, std::min(e.Count, kBufferSectors));
        for (const auto& [first, end] : m_batches) {
            int64_t total = 0;
            for (size_t i = first; i < end; ++i)
                total += plan.Copies()[i].Count;
            longest = std::max(longest, total);
        }
        m_bufferSectors = longest;
        const size_t slots = m_batches.size() > 1 ? 2 : 1;
        for (size_t i = 0; i < slots && longest > 0; ++i) {
            m_slots[i].data.reset(new (std::nothrow) uint8_t[size_t(longest * kSectorBytes)]);
            if (!m_slots[i].data)
                return kOutOfMemory;
        }
        m_slotCount = slots;

        m_progress->SetStepTotal(plan.ZeroSectors() + 2 * plan.CopySectors() + 1);
        m_progress->BeginStep(-1);
        if (m_job.ProcessName)
            m_progress->SetProcessName(m_job.ProcessName);
        if (const int rc = zero(plan))
            return rc;
        if (!m_batches.empty()) {
            std::thread reader([this, &plan] { readBatches(plan); });
            const int rc = writeBatches(plan);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stop = true;
            }
            m_changed.notify_all();
            reader.join();
            if (rc)
                return rc;
        }
        m_progress->CompleteStep();
        return kOk;
    }

private:
    enum class State { Empty, Filled, Failed };
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        State state = State::Empty;
    };

    int64_t done() const { return m_read.load() + m_written; }

    int zero(const Plan& plan)
    {
        if (plan.Zeros().empty())
            return kOk;
        // Zero pieces are at most 126 sectors and never longer than the largest zero extent.
        uint8_t* buffer = m_slots[0].data.get();
        const int64_t fill = std::min(m_bufferSectors, kPieceSectors);
        std::fill(buffer, buffer + fill * kSectorBytes, uint8_t(0));
        for (const Extent& e : plan.Zeros()) {
            if (m_progress->IsUserCanceled())
                return kCancelled;
            for (int64_t at = 0; at < e.Count;) {
                const int64_t piece = std::min(kPieceSectors, e.Count - at);
                m_progress->SetStepPosition(done());
                if (!m_job.Target->WriteSectors(buffer, e.Target + at, piece))
                    return kWriteFailed;
                at += piece;
                m_written += piece;
            }
        }
        return kOk;
    }

    void readBatches(const Plan& plan)
    {
        for (size_t k = 0; k < m_batches.size(); ++k) {
            Slot& slot = m_slots[k % m_slotCount];
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || slot.state == State::Empty; });
                if (m_stop)
                    return;
            }
            bool ok = true;
            int64_t offset = 0;
            for (size_t i = m_batches[k].first; ok && i < m_batches[k].second; ++i) {
                const Extent& e = plan.Copies()[i];
                for (int64_t at = 0; ok && at < e.Count;) {
                    if (m_stop.load(std::memory_order_relaxed))
                        return;
                    const int64_t piece = std::min(kPieceSectors, e.Count - at);
                    ok = m_job.Source->ReadSectors(slot.data.get() + (offset + at) * kSectorBytes, e.Source + at,
                                                   piece) != 0;
                    at += piece;
                    if (ok)
                        m_read += piece;
                }
                offset += e.Count;
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

    int writeBatches(const Plan& plan)
    {
        for (size_t k = 0; k < m_batches.size(); ++k) {
            Slot& slot = m_slots[k % m_slotCount];
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return slot.state != State::Empty; });
                if (slot.state == State::Failed)
                    return kReadFailed;
            }
            // Asked once per extent, before any of the batch is written: a batch goes whole or not at all.
            for (size_t i = m_batches[k].first; i < m_batches[k].second; ++i)
                if (m_progress->IsUserCanceled())
                    return kCancelled;
            int64_t offset = 0;
            for (size_t i = m_batches[k].first; i < m_batches[k].second; ++i) {
                const Extent& e = plan.Copies()[i];
                for (int64_t at = 0; at < e.Count;) {
                    const int64_t piece = std::min(kPieceSectors, e.Count - at);
                    m_progress->SetStepPosition(done());
                    if (!m_job.Target->WriteSectors(slot.data.get() + (offset + at) * kSectorBytes, e.Target + at, piece))
                        return kWriteFailed;
                    at += piece;
                    m_written += piece;
                }
                offset += e.Count;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                slot.state = State::Empty;
            }
            m_changed.notify_all();
        }
        return kOk;
    }

    const Job& m_job;
    IProgressReporter* m_progress;
    std::vector<std::pair<size_t, size_t>> m_batches;
    Slot m_slots[2];
    size_t m_slotCount = 1;
    int64_t m_bufferSectors = 0;
    std::atomic<int64_t> m_read{0};
    int64_t m_written = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop{false};
};

} // namespace

int Run(const Job& job, const Plan& plan, IProgressReporter* progress)
{
    if (!progress || !CheckPlan(job, plan).empty())
        return kBadPlan;
    Runner runner(job, progress);
    return runner.Run(plan);
}

} // namespace CopyEngine
