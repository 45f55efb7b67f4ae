// The shared data movers: the copy plan engine, the raw sector copy and the wipe, on memory disks that
// record every call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "engine/IDisk.h"
#include "fs/CopyEngine.h"
#include "fs/RawCopy.h"
#include "fs/SectorWipe.h"
#include "support/RecordingProgress.h"
#include "support/StubDisk.h"

using TestSupport::RecordingProgress;

namespace {

// A disk in memory: sector s holds bytes [s * 512, s * 512 + 512). Records every call, fails the n-th
// read or write when asked, and counts calls after a failure.
class MemoryDisk : public TestSupport::StubDisk {
public:
    struct Call {
        char Kind; // 'r', 'w' (normal), 't' (write-through), 'f' (flush)
        int64_t First, Count;
        uint8_t FirstByte;
    };

    explicit MemoryDisk(int64_t sectors, uint32_t seed = 0) : bytes(size_t(sectors) * 512)
    {
        uint64_t x = 0x9E3779B97F4A7C15ull * (seed + 1);
        for (size_t i = 0; i < bytes.size(); i += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            std::memcpy(bytes.data() + i, &x, 8);
        }
    }

    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        if (!transfer('r', first, count, buffer))
            return 0;
        std::memcpy(buffer, bytes.data() + first * 512, size_t(count) * 512);
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        return write('w', buffer, first, count);
    }
    int WriteSectorsThrough(const void* buffer, int64_t first, int64_t count) override
    {
        return write('t', buffer, first, count);
    }
    int Flush() override
    {
        calls.push_back({'f', 0, 0, 0});
        return failFlush ? 0 : 1;
    }
    int64_t GetTotalSectors() override { return int64_t(bytes.size() / 512); }

    std::vector<uint8_t> Sectors(int64_t first, int64_t count) const
    {
        return {bytes.begin() + first * 512, bytes.begin() + (first + count) * 512};
    }
    int64_t Writes() const
    {
        return std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.Kind == 'w' || c.Kind == 't'; });
    }

    std::vector<uint8_t> bytes;
    std::vector<Call> calls;
    int failRead = 0, failWrite = 0; // the n-th read or write fails (0: none)
    bool failFlush = false;
    int reads = 0, writes = 0, callsAfterFailure = 0, largest = 0;
    bool failed = false;

private:
    bool transfer(char kind, int64_t first, int64_t count, const void* data)
    {
        std::lock_guard<std::mutex> lock(m_mutex); // the raw copy reads on a thread of its own
        if (failed)
            ++callsAfterFailure;
        const bool isRead = kind == 'r';
        const int n = isRead ? ++reads : ++writes;
        largest = std::max<int>(largest, int(count));
        calls.push_back({kind, first, count, data && !isRead ? *static_cast<const uint8_t*>(data) : uint8_t(0)});
        if (first < 0 || count < 0 || first + count > GetTotalSectors() || n == (isRead ? failRead : failWrite)) {
            failed = true;
            return false;
        }
        return true;
    }
    int write(char kind, const void* buffer, int64_t first, int64_t count)
    {
        if (!transfer(kind, first, count, buffer))
            return 0;
        std::memcpy(bytes.data() + first * 512, buffer, size_t(count) * 512);
        return 1;
    }
    std::mutex m_mutex;
};

using CopyEngine::Extent;

// What a plan must produce when every read sees the data as it was before the run: each extent's
// source bytes at its target, later extents over earlier ones.
std::vector<uint8_t> Expected(const std::vector<uint8_t>& before, const CopyEngine::Plan& plan)
{
    std::vector<uint8_t> after = before;
    for (const Extent& z : plan.Zeros())
        std::fill(after.begin() + z.Target * 512, after.begin() + (z.Target + z.Count) * 512, uint8_t(0));
    for (const Extent& e : plan.Copies())
        std::copy(before.begin() + e.Source * 512, before.begin() + (e.Source + e.Count) * 512,
                  after.begin() + e.Target * 512);
    return after;
}

CopyEngine::Job SameDisk(MemoryDisk& disk)
{
    CopyEngine::Job job;
    job.Source = job.Target = &disk;
    job.TargetCount = disk.GetTotalSectors();
    return job;
}

} // namespace

TEST(CopyEngine, BatchesFollowTheBufferAndTheRuns)
{
    struct Case {
        const char* What;
        std::vector<Extent> Extents;
        std::vector<std::pair<size_t, size_t>> Batches;
    } cases[] = {
        {"a source run", {{0, 1000, 10}, {10, 5000, 10}, {20, 9000, 10}}, {{0, 3}}},
        {"a target run", {{300, 0, 10}, {100, 10, 10}, {700, 20, 10}}, {{0, 3}}},
        {"neither run", {{0, 1000, 10}, {50, 5000, 10}, {60, 5010, 10}}, {{0, 1}, {1, 3}}},
        {"the buffer fills", {{0, 0, 40000}, {40000, 40000, 960}, {40960, 40960, 1}}, {{0, 2}, {2, 3}}},
        {"one extent the size of the buffer", {{0, 50000, 40960}, {40960, 90960, 1}}, {{0, 1}, {1, 2}}},
        {"a walk downwards", {{200, 300, 100}, {100, 200, 100}, {0, 100, 100}}, {{0, 1}, {1, 2}, {2, 3}}},
    };
    for (const Case& c : cases) {
        CopyEngine::Plan plan;
        for (const Extent& e : c.Extents)
            plan.Copy(e.Source, e.Target, e.Count);
        EXPECT_EQ(CopyEngine::Batches(plan), c.Batches) << c.What;
    }

    // Long copies are split into buffer-sized extents, in the order asked for.
    CopyEngine::Plan plan;
    plan.Copy(0, 100000, 90000);
    plan.Copy(200000, 100, 90000, true);
    const std::vector<int64_t> counts = {40960, 40960, 8080, 40960, 40960, 8080};
    ASSERT_EQ(plan.Copies().size(), counts.size());
    for (size_t i = 0; i < counts.size(); ++i)
        EXPECT_EQ(plan.Copies()[i].Count, counts[i]) << i;
    EXPECT_EQ(plan.Copies()[3].Source, 200000 + 90000 - 40960);
    EXPECT_EQ(plan.Copies()[5].Source, 200000);
    EXPECT_EQ(plan.Copies()[5].Target, 100);
    EXPECT_EQ(plan.CopySectors(), 180000);
}

// Plans that would destroy data a later batch needs, or write outside the target, are refused with
// nothing read or written.
TEST(CopyEngine, BadPlansAreRefusedBeforeAnyTransfer)
{
    struct Case {
        const char* What;
        std::vector<Extent> Copies;
        std::vector<Extent> Zeros;
        int64_t WindowFirst, WindowCount;
    } cases[] = {
        {"a move up walked upwards", {{0, 10000, 30000}, {30000, 40000, 30000}}, {}, 0, 100000},
        {"a move down walked downwards", {{200, 100, 100}, {100, 0, 100}}, {}, 0, 1000},
        {"a zero extent over a source", {{500, 600, 10}}, {{0, 505, 1}}, 0, 1000},
        {"a write below the window", {{500, 99, 10}}, {}, 100, 900},
        {"a write past the window", {{0, 995, 10}}, {}, 0, 1000},
        {"a zero extent past the window", {}, {{0, 999, 2}}, 0, 1000},
        {"an empty extent", {{0, 500, 0}}, {}, 0, 1000},
        {"a negative source", {{-1, 500, 10}}, {}, 0, 1000},
        {"an extent longer than the buffer", {{0, 50000, 40961}}, {}, 0, 100000},
    };
    for (const Case& c : cases) {
        CopyEngine::Plan plan;
        for (const Extent& e : c.Copies)
            plan.Append(e);
        for (const Extent& z : c.Zeros)
            plan.Zero(z.Target, z.Count);
        MemoryDisk disk(60000, 1);
        const auto before = disk.bytes;
        CopyEngine::Job job = SameDisk(disk);
        job.TargetFirst = c.WindowFirst;
        job.TargetCount = c.WindowCount;
        RecordingProgress progress;
        EXPECT_FALSE(CopyEngine::CheckPlan(job, plan).empty()) << c.What;
        EXPECT_EQ(CopyEngine::Run(job, plan, &progress), CopyEngine::kBadPlan) << c.What;
        EXPECT_TRUE(disk.calls.empty()) << c.What;
        EXPECT_TRUE(progress.totals.empty()) << c.What;
        EXPECT_TRUE(disk.bytes == before) << c.What;
    }
    // The same downward walk of a move up is fine, and on two disks any order is.
    CopyEngine::Plan plan;
    plan.Copy(0, 100, 300, true);
    MemoryDisk disk(1000, 2);
    EXPECT_EQ(CopyEngine::CheckPlan(SameDisk(disk), plan), "");
}

// Random plans on one disk: every plan the check lets through leaves exactly what copying from an
// untouched source would, in transfers of at most 126 sectors; every plan it refuses writes nothing.
TEST(CopyEngine, RandomPlansEitherRunExactlyOrAreRefused)
{
    std::mt19937 random(19);
    int ran = 0, refused = 0;
    for (int round = 0; round < 400; ++round) {
        const int64_t sectors = 3000;
        CopyEngine::Plan plan;
        const int extents = 1 + int(random() % 6);
        const bool down = random() % 2;
        for (int i = 0; i < extents; ++i) {
            const int64_t count = 1 + int64_t(random() % 400);
            const int64_t source = int64_t(random() % (sectors - count));
            const int64_t shift = int64_t(random() % 600) - 300;
            const int64_t target = std::clamp<int64_t>(source + shift, 0, sectors - count);
            plan.Copy(source, target, count, down);
        }
        if (random() % 4 == 0)
            plan.Zero(int64_t(random() % (sectors - 10)), 1 + int64_t(random() % 10));
        MemoryDisk disk(sectors, uint32_t(round));
        const auto before = disk.bytes;
        RecordingProgress progress;
        const bool accepted = CopyEngine::CheckPlan(SameDisk(disk), plan).empty();
        const int rc = CopyEngine::Run(SameDisk(disk), plan, &progress);
        if (!accepted) {
            ++refused;
            EXPECT_EQ(rc, CopyEngine::kBadPlan);
            EXPECT_TRUE(disk.calls.empty());
            continue;
        }
        ++ran;
        ASSERT_EQ(rc, CopyEngine::kOk) << round;
        EXPECT_TRUE(disk.bytes == Expected(before, plan)) << round;
        EXPECT_LE(disk.largest, 126);
        EXPECT_EQ(progress.totals, std::vector<int64_t>{plan.ZeroSectors() + 2 * plan.CopySectors() + 1});
        EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
        EXPECT_EQ(progress.completed, 1);
        EXPECT_EQ(progress.polls, int(plan.Copies().size() + plan.Zeros().size()));
    }
    EXPECT_GT(ran, 100);
    EXPECT_GT(refused, 50);
}

TEST(CopyEngine, ZerosRunFirstAndEveryBatchReadsBeforeItWrites)
{
    CopyEngine::Plan plan;
    plan.Zero(900, 200);
    plan.Copy(0, 5000, 100);
    plan.Copy(100, 5100, 100);
    plan.Copy(3000, 7000, 10);
    MemoryDisk disk(10000, 3);
    RecordingProgress progress;
    ASSERT_EQ(CopyEngine::Run(SameDisk(disk), plan, &progress), CopyEngine::kOk);
    // The order of each call, by kind and first sector.
    std::map<std::pair<char, int64_t>, size_t> order;
    for (size_t i = 0; i < disk.calls.size(); ++i)
        order[{disk.calls[i].Kind, disk.calls[i].First}] = i;
    auto at = [&](char kind, int64_t first) { return order[{kind, first}]; };
    ASSERT_EQ(disk.calls.size(), 8u);
    // Zero pieces of 126 and 74 sectors first; batch one (two extents) read whole before it is written;
    // batch two read before it is written, and written after batch one.
    EXPECT_EQ(at('w', 900), 0u);
    EXPECT_EQ(at('w', 1026), 1u);
    EXPECT_LT(at('r', 0), at('r', 100));
    EXPECT_LT(at('r', 100), at('w', 5000));
    EXPECT_LT(at('w', 5000), at('w', 5100));
    EXPECT_LT(at('r', 100), at('r', 3000));
    EXPECT_LT(at('r', 3000), at('w', 7000));
    EXPECT_LT(at('w', 5100), at('w', 7000));
}

TEST(CopyEngine, FailuresAndCancelStopAtOnce)
{
    // Two batches of 40 transfers each.
    CopyEngine::Plan plan;
    plan.Copy(0, 20000, 5000);
    plan.Copy(10000, 30000, 5000);
    for (int n : {1, 7, 41, 50}) {
        MemoryDisk disk(40000, 4);
        disk.failRead = n;
        RecordingProgress progress;
        EXPECT_EQ(CopyEngine::Run(SameDisk(disk), plan, &progress), CopyEngine::kReadFailed) << n;
        EXPECT_EQ(disk.reads, n) << "nothing read after the failure";
        // Only a batch read whole before the failure may be written.
        EXPECT_EQ(disk.Writes(), n <= 40 ? 0 : 40) << n;
        EXPECT_EQ(progress.completed, 0);
    }
    for (int n : {1, 40, 41}) {
        MemoryDisk disk(40000, 5);
        disk.failWrite = n;
        RecordingProgress progress;
        EXPECT_EQ(CopyEngine::Run(SameDisk(disk), plan, &progress), CopyEngine::kWriteFailed) << n;
        EXPECT_EQ(disk.writes, n) << "nothing written after the failure";
    }
    // Polled per extent before its batch is written: a cancel at the second poll leaves the second
    // batch unwritten.
    MemoryDisk disk(40000, 6);
    RecordingProgress progress(2);
    EXPECT_EQ(CopyEngine::Run(SameDisk(disk), plan, &progress), CopyEngine::kCancelled);
    EXPECT_EQ(disk.Writes(), (5000 + 125) / 126);
    EXPECT_EQ(progress.completed, 0);
}

// The raw copy within one disk, overlapping in both directions and apart, and to a second disk, at
// sizes around the staging chunk.
TEST(RawCopy, EverySectorArrivesAndNothingElseChanges)
{
    const int64_t chunk = 126 * 130;
    struct Case {
        int64_t Source, Target, Count;
        bool OtherDisk;
    } cases[] = {
        {1000, 1000 + chunk / 3, 2 * chunk + 77, false},     // up, overlapping by more than a chunk
        {1000 + chunk / 3, 1000, 2 * chunk + 77, false},     // down, overlapping
        {1000, 1001, chunk + 1, false},                      // up by one sector
        {5000, 4999, chunk + 1, false},                      // down by one sector
        {100, 60000, 3 * chunk, false},                      // apart
        {100, 100, 1, true},                                 // a single sector to another disk
        {700, 300, 3 * chunk + 5, true},
    };
    for (const Case& c : cases) {
        MemoryDisk source(120000, 7), other(120000, 8);
        MemoryDisk& target = c.OtherDisk ? other : source;
        const auto sourceBefore = source.bytes, targetBefore = target.bytes;
        RecordingProgress progress;
        ASSERT_EQ(RawCopy::CopySectors(&source, c.Source, &target, c.Target, c.Count, false, &progress), RawCopy::kOk);
        std::vector<uint8_t> expected = targetBefore;
        std::copy(sourceBefore.begin() + c.Source * 512, sourceBefore.begin() + (c.Source + c.Count) * 512,
                  expected.begin() + c.Target * 512);
        EXPECT_TRUE(target.bytes == expected) << c.Source << " -> " << c.Target;
        if (c.OtherDisk) {
            EXPECT_TRUE(source.bytes == sourceBefore);
        }
        EXPECT_LE(source.largest, 126);
        EXPECT_LE(target.largest, 126);
        EXPECT_EQ(progress.names, std::vector<int>{82});
        EXPECT_EQ(progress.totals, std::vector<int64_t>{c.Count});
        EXPECT_EQ(progress.positions.back(), c.Count);
        EXPECT_EQ(progress.polls, int((c.Count + 125) / 126)) << "asked before every write";
    }
}

TEST(RawCopy, FailuresAndCancel)
{
    const int64_t count = 126 * 300;
    struct Case {
        int FailRead, FailWrite, CancelPoll, Expected;
    } cases[] = {
        {1, 0, 0, RawCopy::kReadFailed}, {200, 0, 0, RawCopy::kReadFailed}, {0, 1, 0, RawCopy::kWriteFailed},
        {0, 250, 0, RawCopy::kWriteFailed}, {0, 0, 1, RawCopy::kCancelled}, {0, 0, 150, RawCopy::kCancelled},
    };
    for (const Case& c : cases) {
        MemoryDisk source(count, 9), target(count, 10);
        source.failRead = c.FailRead;
        target.failWrite = c.FailWrite;
        RecordingProgress progress(c.CancelPoll);
        EXPECT_EQ(RawCopy::CopySectors(&source, 0, &target, 0, count, false, &progress), c.Expected);
        EXPECT_EQ(target.callsAfterFailure, 0);
        EXPECT_EQ(progress.completed, 0);
        if (c.CancelPoll) {
            EXPECT_EQ(target.writes, c.CancelPoll - 1) << "nothing written after the cancel";
        }
        if (c.FailRead) {
            EXPECT_LT(target.writes, c.FailRead) << "only what was read before the failure";
        }
    }
    MemoryDisk disk(100, 11);
    RecordingProgress progress;
    EXPECT_EQ(RawCopy::CopySectors(&disk, 0, &disk, 50, 0, true, &progress), RawCopy::kBadArgument);
    EXPECT_EQ(RawCopy::CopySectors(&disk, -1, &disk, 50, 10, true, &progress), RawCopy::kBadArgument);
    EXPECT_EQ(RawCopy::CopySectors(&disk, 0, nullptr, 50, 10, true, &progress), RawCopy::kBadArgument);
    EXPECT_TRUE(disk.calls.empty());
}

// Each method's passes over windows of whole 126-sector runs: every pass of a window written through
// and flushed before the next, a shorter last run in a call of its own, then the first sector zeroed;
// the neighbours of the range keep their bytes.
TEST(SectorWipe, PassesRunsAndFlushes)
{
    const int64_t window = SectorWipe::kWindowRuns * 126;
    struct Case {
        int Method;
        int64_t Count;
        std::vector<uint8_t> Passes;
    } cases[] = {
        {0, 300, {0x00}},
        {1, 126, {0xFF}},
        {2, 127, {0x00, 0xFF}},
        {3, 252, {0x00, 0xFF, 0xF6}},
        {4, 1, {0x00, 0xFF, 0xF6, 0x40, 0x00, 0xFF, 0x90}},
        {4, 127, {0x00, 0xFF, 0xF6, 0x40, 0x00, 0xFF, 0x90}},
        {2, 2 * window + 130, {0x00, 0xFF}},
        {9, 5, {0x00}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SectorWipe::Passes(c.Method), c.Passes) << c.Method;
        const int64_t first = 1000;
        MemoryDisk disk(first + c.Count + 1000, 12);
        const auto before = disk.bytes;
        RecordingProgress progress;
        ASSERT_EQ(SectorWipe::Wipe(&disk, first, c.Count, c.Method, &progress), SectorWipe::kOk);

        std::vector<MemoryDisk::Call> expected;
        std::vector<int64_t> positions;
        for (int64_t done = 0; done < c.Count; done += window) {
            positions.push_back(done);
            const int64_t sectors = std::min(window, c.Count - done);
            const int64_t whole = sectors / 126 * 126;
            for (uint8_t pass : c.Passes) {
                if (whole)
                    expected.push_back({'t', first + done, whole, pass});
                if (sectors > whole)
                    expected.push_back({'t', first + done + whole, sectors - whole, pass});
                expected.push_back({'f', 0, 0, 0});
            }
        }
        expected.push_back({'t', first, 1, 0});
        expected.push_back({'f', 0, 0, 0});
        ASSERT_EQ(disk.calls.size(), expected.size()) << "method " << c.Method << ", " << c.Count << " sectors";
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(disk.calls[i].Kind, expected[i].Kind) << i;
            EXPECT_EQ(disk.calls[i].First, expected[i].First) << i;
            EXPECT_EQ(disk.calls[i].Count, expected[i].Count) << i;
            EXPECT_EQ(disk.calls[i].FirstByte, expected[i].FirstByte) << i;
        }
        // The last pass everywhere but the first sector, which ends as zeros.
        std::vector<uint8_t> after = before;
        std::fill(after.begin() + first * 512, after.begin() + (first + c.Count) * 512, c.Passes.back());
        std::fill(after.begin() + first * 512, after.begin() + (first + 1) * 512, uint8_t(0));
        EXPECT_TRUE(disk.bytes == after) << c.Method;
        EXPECT_EQ(progress.positions, positions);
        EXPECT_EQ(progress.totals, std::vector<int64_t>{c.Count});
    }
}

TEST(SectorWipe, CancelZerosTheFirstSectorAndFailuresStop)
{
    const int64_t window = SectorWipe::kWindowRuns * 126;
    MemoryDisk disk(5 * window, 13);
    const auto before = disk.bytes;
    RecordingProgress progress(3); // before the third window
    EXPECT_EQ(SectorWipe::Wipe(&disk, 100, 4 * window, 1, &progress), SectorWipe::kCancelled);
    std::vector<uint8_t> after = before;
    std::fill(after.begin() + 100 * 512, after.begin() + (100 + 2 * window) * 512, uint8_t(0xFF));
    std::fill(after.begin() + 100 * 512, after.begin() + 101 * 512, uint8_t(0));
    EXPECT_TRUE(disk.bytes == after);
    EXPECT_EQ(disk.calls.back().Kind, 'f');

    MemoryDisk failing(2000, 14);
    failing.failWrite = 3;
    RecordingProgress quiet;
    EXPECT_EQ(SectorWipe::Wipe(&failing, 100, 1000, 3, &quiet), SectorWipe::kWriteFailed);
    EXPECT_EQ(failing.callsAfterFailure, 0);
    MemoryDisk unflushed(2000, 15);
    unflushed.failFlush = true;
    EXPECT_EQ(SectorWipe::Wipe(&unflushed, 100, 1000, 0, &quiet), SectorWipe::kWriteFailed);
    EXPECT_EQ(unflushed.Writes(), 2) << "a pass that did not reach the medium stops the wipe";
    EXPECT_EQ(SectorWipe::Wipe(&disk, 100, 0, 0, &quiet), SectorWipe::kBadArgument);
}
