// Fuzzes the partition-table reader: the input is a disk image.
//
// The first 8 bytes (boot code in an MBR, so free for the purpose) also carry a claimed disk size and
// flags, read as described in FuzzMemoryDisk.h: a claim bigger than the data makes the scan meet sectors
// it may ask for but cannot read (or that read as zeros), as on a truncated image or a failing disk; the
// checksum flag has the GPT CRCs recomputed first, so that mutated entries get past the CRC tests.
//
// Besides memory errors, the target stops on what a scan must never do whatever the disk holds: write,
// ask for sectors outside the disk it was given, or list a partition that covers sector 0, is empty,
// starts past the end, or (GPT, where entries must lie within the usable area) runs past the end.
// VOLMARA_FUZZ_LENIENT names checks, by the tag each message starts with, that are only counted (and
// reported once) instead, to keep fuzzing past a fault that is already known:
//   VOLMARA_FUZZ_LENIENT=outside-read,gpt-past-end
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzMemoryDisk.h"
#include "core/ByteOrder.h"
#include "engine/Crc32.h"
#include "engine/PartitionTableScan.h"

namespace {

constexpr size_t kMaxInputBytes = 4 * 1024 * 1024;

// Makes the entry-array and header CRCs of the GPT header stored at `lba` match the stored bytes.
void FixGptHeader(fuzz::FuzzMemoryDisk& disk, int64_t lba)
{
    uint8_t* header = disk.StoredSector(lba);
    if (!header || std::memcmp(header, "EFI PART", 8) != 0)
        return;
    const uint64_t arrayLba = le64(header + 72);
    const uint64_t arrayBytes = uint64_t(le32(header + 80)) * le32(header + 84);
    if (arrayLba < uint64_t(disk.DataSectors()) && arrayBytes <= disk.StoredBytesFrom(int64_t(arrayLba)))
        put_le32(header + 88, Crc32(disk.StoredSector(int64_t(arrayLba)), size_t(arrayBytes)));
    const uint32_t headerSize = le32(header + 12);
    if (headerSize >= 92 && headerSize <= 512) {
        put_le32(header + 16, 0);
        put_le32(header + 16, Crc32(header, headerSize));
    }
}

void FixGptChecksums(fuzz::FuzzMemoryDisk& disk)
{
    FixGptHeader(disk, disk.DataSectors() - 1);
    if (const uint8_t* primary = disk.StoredSector(1); primary && std::memcmp(primary, "EFI PART", 8) == 0) {
        const uint64_t alternate = le64(primary + 32);
        if (alternate != 1 && alternate < uint64_t(disk.DataSectors() - 1))
            FixGptHeader(disk, int64_t(alternate));
    }
    FixGptHeader(disk, 1);
}

bool Lenient(const char* tag)
{
    static const std::string list = [] {
        const char* env = std::getenv("VOLMARA_FUZZ_LENIENT");
        return "," + std::string(env ? env : "") + ",";
    }();
    return list.find("," + std::string(tag) + ",") != std::string::npos;
}

// Stops the run on a broken promise, unless the check is lenient: then it is reported the first time only.
void Fail(const char* tag, const char* what, const PartitionInfo* p, int64_t totalSectors)
{
    const bool lenient = Lenient(tag);
    static std::string reported;
    if (lenient && reported.find("," + std::string(tag) + ",") != std::string::npos)
        return;
    std::fprintf(stderr, "table scan: [%s] %s (disk of %" PRId64 " sectors)\n", tag, what, totalSectors);
    if (p)
        std::fprintf(stderr, "  entry #%d: %s, start %" PRId64 ", %" PRId64 " sectors, type 0x%02x\n",
                     p->PartitionNumber, p->IsGptEntry ? "GPT" : "MBR", p->StartingLba, p->SectorCount,
                     unsigned(uint16_t(p->PartitionTypeId)));
    if (!lenient)
        std::abort();
    reported += "," + std::string(tag) + ",";
}

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
    if (claim.fixChecksums)
        FixGptChecksums(disk);
    const int64_t total = disk.ClaimedSectors();
    TableScan scan;
    ScanPartitionTables(disk, total, scan);

    if (disk.Writes() != 0)
        Fail("write", "wrote to the disk", nullptr, total);
    if (disk.OutsideReads() != 0)
        Fail("outside-read", "asked for sectors outside the disk", nullptr, total);
    for (const PartitionInfo& p : scan.List) {
        // The first rule an entry breaks is reported; the later ones would do arithmetic on nonsense.
        if (p.StartingLba < 1)
            Fail("sector0", "partition covers sector 0 or starts before it", &p, total);
        else if (p.SectorCount < 1)
            Fail("empty", "empty partition", &p, total);
        else if (p.StartingLba >= total)
            Fail("past-end", "partition starts past the end", &p, total);
        else if (p.IsGptEntry && p.SectorCount > total - p.StartingLba)
            Fail("gpt-past-end", "GPT partition runs past the end", &p, total);
    }
    return 0;
}
