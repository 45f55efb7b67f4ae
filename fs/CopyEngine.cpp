#include "CopyEngine.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <map>
#include <memory>
#include <new>

#include "ReadAhead.h"
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

// Batch k + 1 is read ahead while batch k is written. That never reads anything batch k writes:
// CheckPlan has made sure no batch writes what a later one reads.
class Runner {
public:
    Runner(const Job& job, IProgressReporter* progress) : m_job(job), m_progress(progress) {}

    int Run(const Plan& plan)
    {
        const auto batches = Batches(plan);
        int64_t longest = 0;
        for (const Extent& e : plan.Zeros())
            longest = std::max(longest, std::min(e.Count, kBufferSectors));
        for (const auto& [first, end] : batches) {
            int64_t total = 0;
            for (size_t i = first; i < end; ++i)
                total += plan.Copies()[i].Count;
            longest = std::max(longest, total);
        }
        const size_t slots = batches.size() > 1 ? 2 : 1;
        for (size_t i = 0; i < slots && longest > 0; ++i) {
            m_buffers[i].reset(new (std::nothrow) uint8_t[size_t(longest * kSectorBytes)]);
            if (!m_buffers[i])
                return kOutOfMemory;
        }

        m_progress->SetStepTotal(plan.ZeroSectors() + 2 * plan.CopySectors() + 1);
        m_progress->BeginStep(-1);
        if (m_job.ProcessName)
            m_progress->SetProcessName(m_job.ProcessName);
        if (const int rc = zero(plan, std::min(longest, kPieceSectors)))
            return rc;

        const auto read = [&](size_t k, uint8_t* buffer, const std::atomic<bool>& stop) {
            int64_t offset = 0;
            for (size_t i = batches[k].first; i < batches[k].second; ++i) {
                const Extent& e = plan.Copies()[i];
                for (int64_t at = 0; at < e.Count;) {
                    if (stop.load(std::memory_order_relaxed))
                        return false;
                    const int64_t piece = std::min(kPieceSectors, e.Count - at);
                    if (!m_job.Source->ReadSectors(buffer + (offset + at) * kSectorBytes, e.Source + at, piece))
                        return false;
                    at += piece;
                    m_read += piece;
                }
                offset += e.Count;
            }
            return true;
        };
        const auto write = [&](size_t k, uint8_t* buffer) {
            // Asked once per extent, before any of the batch is written: a batch goes whole or not at all.
            for (size_t i = batches[k].first; i < batches[k].second; ++i)
                if (m_progress->IsUserCanceled())
                    return int(kCancelled);
            int64_t offset = 0;
            for (size_t i = batches[k].first; i < batches[k].second; ++i) {
                const Extent& e = plan.Copies()[i];
                for (int64_t at = 0; at < e.Count;) {
                    const int64_t piece = std::min(kPieceSectors, e.Count - at);
                    m_progress->SetStepPosition(done());
                    if (!m_job.Target->WriteSectors(buffer + (offset + at) * kSectorBytes, e.Target + at, piece))
                        return int(kWriteFailed);
                    at += piece;
                    m_written += piece;
                }
                offset += e.Count;
            }
            return int(kOk);
        };
        uint8_t* const buffers[2] = {m_buffers[0].get(), m_buffers[1].get()};
        if (const int rc = ReadAhead::Run(batches.size(), buffers, slots, read, write, kReadFailed))
            return rc;
        m_progress->CompleteStep();
        return kOk;
    }

private:
    int64_t done() const { return m_read.load() + m_written; }

    // Zero pieces are at most 126 sectors and never longer than the largest zero extent (`fill`).
    int zero(const Plan& plan, int64_t fill)
    {
        if (plan.Zeros().empty())
            return kOk;
        uint8_t* buffer = m_buffers[0].get();
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

    const Job& m_job;
    IProgressReporter* m_progress;
    std::unique_ptr<uint8_t[]> m_buffers[2];
    std::atomic<int64_t> m_read{0};
    int64_t m_written = 0;
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
