// Damaged and hostile tables: every one answers quickly, never crashes, and lands in the error list.
#include <chrono>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/Crc32.h"
#include "engine/PartitionTableScan.h"

namespace {

// A disk in memory; reads outside it fail like a short transfer would.
class MemoryDisk : public ISectorDevice {
public:
    explicit MemoryDisk(int64_t sectors) : data(size_t(sectors) * 512, 0) {}
    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        if (first < 0 || count < 0 || first + count > sectors())
            return 0;
        std::memcpy(buffer, data.data() + first * 512, size_t(count) * 512);
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        if (first < 0 || count < 0 || first + count > sectors())
            return 0;
        std::memcpy(data.data() + first * 512, buffer, size_t(count) * 512);
        return 1;
    }
    int VerifySectors(int64_t, int64_t) override { return 1; }
    int GetGeometry(DiskGeometry*) override { return 0; }
    int64_t sectors() const { return int64_t(data.size() / 512); }
    uint8_t* sector(int64_t lba) { return data.data() + lba * 512; }
    std::vector<uint8_t> data;
};

void putEntry(uint8_t* sector, int slot, uint8_t type, uint32_t start, uint32_t count, uint8_t boot = 0)
{
    uint8_t* e = sector + 446 + 16 * slot;
    e[0] = boot;
    e[4] = type;
    put_le32(e + 8, start);
    put_le32(e + 12, count);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

TableScan scanTimed(MemoryDisk& disk)
{
    TableScan scan;
    const auto t0 = std::chrono::steady_clock::now();
    ScanPartitionTables(disk, disk.sectors(), scan);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    return scan;
}

} // namespace

TEST(HostileTable, ExtendedChainLoopEndsTheWalk)
{
    MemoryDisk disk(100000);
    putEntry(disk.sector(0), 0, 0x05, 1000, 50000);
    putEntry(disk.sector(1000), 0, 0x83, 63, 1000);
    putEntry(disk.sector(1000), 1, 0x05, 2000, 2000); // -> 3000
    putEntry(disk.sector(3000), 0, 0x83, 63, 1000);
    putEntry(disk.sector(3000), 1, 0x05, 0, 2000); // back to the first record
    const TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableLinkBackwards, 0u);
    EXPECT_EQ(scan.List.size(), 2u);
}

TEST(HostileTable, SelfLinkAndLinkOutsideTheContainer)
{
    MemoryDisk disk(100000);
    putEntry(disk.sector(0), 0, 0x0F, 1000, 5000);
    putEntry(disk.sector(1000), 0, 0x83, 63, 100);
    putEntry(disk.sector(1000), 1, 0x05, 9000, 100); // 10000: outside the container
    TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableLinkOutside, 0u);

    MemoryDisk self(100000);
    putEntry(self.sector(0), 0, 0x0F, 1000, 5000);
    putEntry(self.sector(1000), 1, 0x05, 0, 100);
    scan = scanTimed(self);
    EXPECT_NE(scan.Errors.Status & kTableLinkBackwards, 0u);
}

TEST(HostileTable, MoreThan256LogicalsStops)
{
    MemoryDisk disk(400000);
    putEntry(disk.sector(0), 0, 0x05, 1, 399000);
    for (uint32_t i = 0; i < 300; ++i) {
        const uint32_t ebr = 1 + i * 1000;
        putEntry(disk.sector(ebr), 0, 0x83, 1, 999);
        putEntry(disk.sector(ebr), 1, 0x05, (i + 1) * 1000, 1000);
    }
    const TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableTooManyLogicals, 0u);
    EXPECT_EQ(scan.List.size(), 256u);
}

TEST(HostileTable, OverlapsAndEntriesPastTheEnd)
{
    MemoryDisk disk(10000);
    putEntry(disk.sector(0), 0, 0x83, 100, 1000);
    putEntry(disk.sector(0), 1, 0x07, 500, 1000);
    TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableOverlap, 0u);

    MemoryDisk past(10000);
    putEntry(past.sector(0), 0, 0x83, 100, 1000);
    putEntry(past.sector(0), 1, 0x07, 9000, 5000);
    putEntry(past.sector(0), 2, 0x07, 20000, 5);
    scan = scanTimed(past);
    EXPECT_NE(scan.Errors.Status & kTablePastEnd, 0u);
    ASSERT_EQ(scan.Errors.Corrections.size(), 1u);
    EXPECT_EQ(scan.Errors.Corrections[0].Kind, kCorrectSectorCount);
    EXPECT_EQ(scan.Errors.Corrections[0].Value, 1000);
}

TEST(HostileTable, TinyAndRandomDisks)
{
    MemoryDisk one(1);
    putEntry(one.sector(0), 0, 0xEE, 1, 0xFFFFFFFF);
    TableScan scan = scanTimed(one);
    EXPECT_TRUE(scan.Errors.HasErrors());

    MemoryDisk empty(0);
    scan = scanTimed(empty);
    EXPECT_NE(scan.Errors.Status & kTableReadFailed, 0u);

    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        MemoryDisk disk(4096);
        for (auto& b : disk.data)
            b = uint8_t(rng());
        disk.sector(0)[510] = 0x55;
        disk.sector(0)[511] = 0xAA;
        if (round % 2)
            disk.sector(0)[446 + 4] = 0xEE;
        scanTimed(disk);
    }
}

TEST(HostileTable, GptWithHugeEntryCountOrSizeIsRefused)
{
    MemoryDisk disk(20000);
    putEntry(disk.sector(0), 0, 0xEE, 1, 19999);
    uint8_t* h = disk.sector(1);
    std::memcpy(h, "EFI PART", 8);
    put_le32(h + 8, 0x10000);
    put_le32(h + 12, 92);
    put_le64(h + 24, 1);
    put_le64(h + 32, 19999);
    put_le64(h + 40, 34);
    put_le64(h + 48, 19966);
    put_le64(h + 72, 2);
    put_le32(h + 80, 0xFFFFFFFF); // entry count
    put_le32(h + 84, 128);
    put_le32(h + 16, 0);
    put_le32(h + 16, Crc32(h, 92));
    const TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableGptDamaged, 0u);
    EXPECT_TRUE(scan.List.empty());
}

namespace {

// A protective MBR and a primary GPT header with valid CRCs over the given entry array.
void writeGpt(MemoryDisk& disk, uint64_t firstUsable, uint64_t lastUsable, uint32_t entries,
              const std::vector<uint8_t>& array)
{
    putEntry(disk.sector(0), 0, 0xEE, 1, 0xFFFFFFFF);
    std::memcpy(disk.sector(2), array.data(), std::min(array.size(), size_t(disk.sectors() - 2) * 512));
    uint8_t* h = disk.sector(1);
    std::memset(h, 0, 512);
    std::memcpy(h, "EFI PART", 8);
    put_le32(h + 8, 0x10000);
    put_le32(h + 12, 92);
    put_le64(h + 24, 1);
    put_le64(h + 32, uint64_t(disk.sectors() - 1));
    put_le64(h + 40, firstUsable);
    put_le64(h + 48, lastUsable);
    put_le64(h + 72, 2);
    put_le32(h + 80, entries);
    put_le32(h + 84, 128);
    put_le32(h + 88, Crc32(array.data(), size_t(entries) * 128));
    put_le32(h + 16, Crc32(h, 92));
}

} // namespace

TEST(HostileTable, GptUsableAreaThatWrapsIsRefused)
{
    MemoryDisk disk(2048);
    std::vector<uint8_t> array(128 * 128, 0);
    array[0] = 1; // a non-zero type GUID
    put_le64(array.data() + 32, uint64_t(1) << 62);
    put_le64(array.data() + 40, (uint64_t(1) << 63) - 1);
    for (uint64_t last : {~uint64_t(0), ~uint64_t(0) - 1, uint64_t(2048), uint64_t(2047)}) {
        writeGpt(disk, 34, last, 128, array);
        const TableScan scan = scanTimed(disk);
        EXPECT_NE(scan.Errors.Status & kTableGptDamaged, 0u) << last;
        EXPECT_TRUE(scan.List.empty()) << last;
    }
    // The same entry inside a sane usable area is refused on its own.
    writeGpt(disk, 34, 2014, 128, array);
    TableScan scan = scanTimed(disk);
    EXPECT_EQ(scan.Errors.Status & kTableGptDamaged, 0u);
    EXPECT_TRUE(scan.List.empty());
    EXPECT_TRUE(scan.Errors.HasErrors());
    // A usable area starting on the headers.
    writeGpt(disk, 0, 2014, 128, array);
    scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableGptDamaged, 0u);
}

TEST(HostileTable, GptEntryArrayLargerThanTheDisk)
{
    MemoryDisk disk(40);
    writeGpt(disk, 34, 37, 0x1000, std::vector<uint8_t>(0x1000 * 128, 0));
    const TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableGptDamaged, 0u);
}

TEST(HostileTable, LongChainOfEmptyExtendedRecordsIsBounded)
{
    MemoryDisk disk(200000);
    putEntry(disk.sector(0), 0, 0x05, 1, 199000);
    for (uint32_t i = 0; i < 150000; ++i)
        putEntry(disk.sector(1 + i), 1, 0x05, i + 1, 1);
    const TableScan scan = scanTimed(disk);
    EXPECT_NE(scan.Errors.Status & kTableTooManyLogicals, 0u);
    EXPECT_TRUE(scan.List.empty());
}
