// Fuzzes the partition-table reader: the input is a disk image.
//
// The first 8 bytes (boot code in an MBR, so free for the purpose) also carry a claimed disk size,
// read as described in FuzzMemoryDisk.h: a claim bigger than the data makes the scan meet sectors it
// is allowed to ask for but cannot read (or reads as zeros), as on a truncated image or a failing disk.
#include <cstdio>
#include <cstdlib>

#include "FuzzMemoryDisk.h"
#include "engine/PartitionTableScan.h"

namespace {

constexpr size_t kMaxInputBytes = 4 * 1024 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kMaxInputBytes)
        size = kMaxInputBytes;
    const int64_t dataSectors = fuzz::FuzzMemoryDisk::SectorsFor(size);
    fuzz::Claim claim;
    claim.sectors = dataSectors;
    if (size >= 8)
        claim = fuzz::ParseClaim(data, dataSectors);

    fuzz::FuzzMemoryDisk disk(data, size, claim.sectors, claim.tail);
    TableScan scan;
    ScanPartitionTables(disk, disk.ClaimedSectors(), scan);

    if (disk.Writes() != 0) {
        std::fprintf(stderr, "table scan wrote to the disk\n");
        std::abort();
    }
    return 0;
}
