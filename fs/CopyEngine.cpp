#include "CopyEngine.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <new>

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

class Runner {
public:
    Runner(const Job& job, IProgressReporter* progress) : m_job(job), m_progress(progress) {}

    int Run(const Plan& plan)
    {
        int64_t longest = 0;
        for (const Extent& e : plan.Zeros())
            longest = std::max(longest, std::min(e.Count, kBufferSectors));
        for (const auto& [first, end] : Batches(plan)) {
            int64_t total = 0;
            for (size_t i = first; i < end; ++i)
                total += plan.Copies()[i].Count;
            longest = std::max(longest, total);
        }
        m_bufferSectors = longest;
        if (longest > 0) {
            m_buffer.reset(new (std::nothrow) uint8_t[size_t(longest * kSectorBytes)]);
            if (!m_buffer)
                return kOutOfMemory;
        }

        m_progress->SetStepTotal(plan.ZeroSectors() + 2 * plan.CopySectors() + 1);
        m_progress->BeginStep(-1);
        if (m_job.ProcessName)
            m_progress->SetProcessName(m_job.ProcessName);
        if (const int rc = zero(plan))
            return rc;
        for (const auto& [first, end] : Batches(plan))
            if (const int rc = batch(plan, first, end))
                return rc;
        m_progress->CompleteStep();
        return kOk;
    }

private:
    int zero(const Plan& plan)
    {
        if (plan.Zeros().empty())
            return kOk;
        // Zero pieces are at most 126 sectors and never longer than the largest zero extent.
        const int64_t fill = std::min(m_bufferSectors, kPieceSectors);
        std::fill(m_buffer.get(), m_buffer.get() + fill * kSectorBytes, uint8_t(0));
        for (const Extent& e : plan.Zeros()) {
            if (m_progress->IsUserCanceled())
                return kCancelled;
            for (int64_t at = 0; at < e.Count;) {
                const int64_t piece = std::min(kPieceSectors, e.Count - at);
                m_progress->SetStepPosition(m_done);
                if (!m_job.Target->WriteSectors(m_buffer.get(), e.Target + at, piece))
                    return kWriteFailed;
                at += piece;
                m_done += piece;
            }
        }
        return kOk;
    }

    int batch(const Plan& plan, size_t first, size_t end)
    {
        int64_t offset = 0;
        for (size_t i = first; i < end; ++i) {
            const Extent& e = plan.Copies()[i];
            if (m_progress->IsUserCanceled())
                return kCancelled;
            if (!transfer(e.Source, e.Count, offset, false))
                return kReadFailed;
            offset += e.Count;
        }
        offset = 0;
        for (size_t i = first; i < end; ++i) {
            const Extent& e = plan.Copies()[i];
            if (!transfer(e.Target, e.Count, offset, true))
                return kWriteFailed;
            offset += e.Count;
        }
        return kOk;
    }

    bool transfer(int64_t sector, int64_t count, int64_t bufferSector, bool write)
    {
        for (int64_t at = 0; at < count;) {
            const int64_t piece = std::min(kPieceSectors, count - at);
            uint8_t* data = m_buffer.get() + (bufferSector + at) * kSectorBytes;
            m_progress->SetStepPosition(m_done);
            const int ok = write ? m_job.Target->WriteSectors(data, sector + at, piece)
                                 : m_job.Source->ReadSectors(data, sector + at, piece);
            if (!ok)
                return false;
            at += piece;
            m_done += piece;
        }
        return true;
    }

    const Job& m_job;
    IProgressReporter* m_progress;
    std::unique_ptr<uint8_t[]> m_buffer;
    int64_t m_bufferSectors = 0;
    int64_t m_done = 0;
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
