// Fuzzes the LDM database reader and the dynamic-to-basic plan built on it.
//
// The disk is 4096 sectors (2 MiB) of zeros with two windows of input: the first 4096 input bytes are
// sectors 0 to 7 (the MBR and the private header in sector 6), the rest lands at the start of the last
// megabyte, where an MBR-style disk keeps its database (tables of contents, database header, records).
// So a seed of about 15 KB is a whole dynamic disk, and mutations reach every record parser.
//
// Besides sanitizer reports, the target stops when the reader writes, reads outside the disk, or plans
// partitions that overlap, leave the disk, start at sector 0, pass the MBR's reach or number more than
// four.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/ISectorDevice.h"
#include "engine/KLdmDatabase.h"

namespace {

constexpr int64_t kTotal = 4096;
constexpr int64_t kDatabase = kTotal - 2048;
constexpr size_t kHeadBytes = 8 * 512;

class WindowDisk : public ISectorDevice {
public:
    WindowDisk(const uint8_t* data, size_t size)
    {
        const size_t head = std::min(size, kHeadBytes);
        m_head.assign(data, data + head);
        m_head.resize(kHeadBytes, 0);
        m_tail.assign(data + head, data + std::min(size, kHeadBytes + size_t(2048) * 512));
    }
    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        if (first < 0 || count < 0 || first > kTotal || count > kTotal - first) {
            ++outside;
            return 0;
        }
        auto* out = static_cast<uint8_t*>(buffer);
        std::memset(out, 0, size_t(count) * 512);
        for (int64_t s = first; s < first + count; ++s, out += 512) {
            if (s < 8) {
                std::memcpy(out, m_head.data() + s * 512, 512);
            } else if (s >= kDatabase) {
                const size_t at = size_t(s - kDatabase) * 512;
                if (at < m_tail.size())
                    std::memcpy(out, m_tail.data() + at, std::min<size_t>(512, m_tail.size() - at));
            }
        }
        return 1;
    }
    int WriteSectors(const void*, int64_t, int64_t) override
    {
        ++writes;
        return 0;
    }
    int VerifySectors(int64_t, int64_t) override { return 1; }
    int GetGeometry(DiskGeometry*) override { return 0; }
    int outside = 0;
    int writes = 0;

private:
    std::vector<uint8_t> m_head, m_tail;
};

void fail(const char* what)
{
    std::fprintf(stderr, "ldm database: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WindowDisk disk(data, size);
    Ldm::Database db;
    const Ldm::Status status = Ldm::ReadDatabase(disk, kTotal, db);
    if (status != Ldm::kOk && !db.Volumes.empty())
        fail("a refused database kept records");
    Ldm::BasicPlan plan;
    const Ldm::PlanStatus planned = Ldm::PlanBasicConversion(disk, kTotal, plan);
    if (disk.writes)
        fail("wrote to the disk");
    if (disk.outside)
        fail("read outside the disk");
    if (planned != Ldm::kPlanOk && !plan.Partitions.empty())
        fail("a refused plan kept partitions");
    if (plan.Partitions.size() > 4)
        fail("more than four partitions");
    int64_t end = 0;
    for (const PartitionInfo& p : plan.Partitions) {
        if (p.StartingLba < 1 || p.SectorCount < 1 || p.StartingLba + p.SectorCount > kTotal)
            fail("partition outside the disk");
        if (p.StartingLba < end)
            fail("partitions overlap");
        end = p.StartingLba + p.SectorCount;
    }
    return 0;
}
