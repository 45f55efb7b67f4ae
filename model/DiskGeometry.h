// What the disk engine reports for a disk, and the GUID partition table header.
#pragma once

#include <cstddef>
#include <cstdint>

struct DiskGeometry {
    uint8_t EngineReserved0[8];
    int64_t Cylinders;
    int32_t TracksPerCylinder;
    int32_t SectorsPerTrack;
    int32_t BytesPerSector;
    uint8_t EngineReserved28[4];
    int64_t TotalSectors;

    int64_t SectorsPerCylinder() const { return int64_t(TracksPerCylinder) * SectorsPerTrack; }
};
static_assert(sizeof(DiskGeometry) == 40);
static_assert(offsetof(DiskGeometry, Cylinders) == 8);
static_assert(offsetof(DiskGeometry, TracksPerCylinder) == 16);
static_assert(offsetof(DiskGeometry, SectorsPerTrack) == 20);
static_assert(offsetof(DiskGeometry, BytesPerSector) == 24);
static_assert(offsetof(DiskGeometry, TotalSectors) == 32);

// UEFI header layout, read into a 96-byte zero-filled buffer.
struct GptHeader {
    char Signature[8];
    uint32_t Revision;
    uint32_t HeaderSize;
    uint32_t HeaderCrc32;
    uint32_t Reserved20;
    uint64_t MyLba;
    uint64_t AlternateLba;
    uint64_t FirstUsableLba;
    uint64_t LastUsableLba;
    uint8_t DiskGuid[16];
    uint64_t PartitionEntryLba;
    uint32_t NumberOfPartitionEntries;
    uint32_t SizeOfPartitionEntry;
    uint32_t PartitionEntryArrayCrc32;
    uint8_t Padding92[4];
};
static_assert(sizeof(GptHeader) == 96);
static_assert(offsetof(GptHeader, HeaderCrc32) == 16);
static_assert(offsetof(GptHeader, MyLba) == 24);
static_assert(offsetof(GptHeader, AlternateLba) == 32);
static_assert(offsetof(GptHeader, FirstUsableLba) == 40);
static_assert(offsetof(GptHeader, LastUsableLba) == 48);
static_assert(offsetof(GptHeader, DiskGuid) == 56);
static_assert(offsetof(GptHeader, PartitionEntryLba) == 72);
static_assert(offsetof(GptHeader, NumberOfPartitionEntries) == 80);
static_assert(offsetof(GptHeader, SizeOfPartitionEntry) == 84);
static_assert(offsetof(GptHeader, PartitionEntryArrayCrc32) == 88);
