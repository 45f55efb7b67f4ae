// The GUID partition table header as the disk engine reads and writes it.
#pragma once

#include <cstddef>
#include <cstdint>

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
