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

// Header field offsets in the sector, taken from the layout above.
namespace Gpt {
inline constexpr size_t kSignature = offsetof(GptHeader, Signature);
inline constexpr size_t kRevision = offsetof(GptHeader, Revision);
inline constexpr size_t kHeaderSize = offsetof(GptHeader, HeaderSize);
inline constexpr size_t kHeaderCrc32 = offsetof(GptHeader, HeaderCrc32);
inline constexpr size_t kReserved20 = offsetof(GptHeader, Reserved20);
inline constexpr size_t kMyLba = offsetof(GptHeader, MyLba);
inline constexpr size_t kAlternateLba = offsetof(GptHeader, AlternateLba);
inline constexpr size_t kFirstUsableLba = offsetof(GptHeader, FirstUsableLba);
inline constexpr size_t kLastUsableLba = offsetof(GptHeader, LastUsableLba);
inline constexpr size_t kDiskGuid = offsetof(GptHeader, DiskGuid);
inline constexpr size_t kPartitionEntryLba = offsetof(GptHeader, PartitionEntryLba);
inline constexpr size_t kNumberOfPartitionEntries = offsetof(GptHeader, NumberOfPartitionEntries);
inline constexpr size_t kSizeOfPartitionEntry = offsetof(GptHeader, SizeOfPartitionEntry);
inline constexpr size_t kPartitionEntryArrayCrc32 = offsetof(GptHeader, PartitionEntryArrayCrc32);
inline constexpr size_t kHeaderBytes = 92; // what the header CRC covers
inline constexpr uint32_t kRevision1 = 0x00010000;

// One entry of the partition entry array (128 bytes in every GPT this program writes).
struct EntryLayout {
    uint8_t TypeGuid[16];
    uint8_t UniqueGuid[16];
    uint64_t FirstLba;
    uint64_t LastLba;          // inclusive
    uint64_t Attributes;
    uint16_t Name[36];         // UTF-16LE
};
static_assert(sizeof(EntryLayout) == 128);
inline constexpr size_t kEntryTypeGuid = offsetof(EntryLayout, TypeGuid);
inline constexpr size_t kEntryUniqueGuid = offsetof(EntryLayout, UniqueGuid);
inline constexpr size_t kEntryFirstLba = offsetof(EntryLayout, FirstLba);
inline constexpr size_t kEntryLastLba = offsetof(EntryLayout, LastLba);
inline constexpr size_t kEntryAttributes = offsetof(EntryLayout, Attributes);
inline constexpr size_t kEntryName = offsetof(EntryLayout, Name);
inline constexpr int kEntryNameUnits = 36;
static_assert(kEntryFirstLba == 32 && kEntryLastLba == 40 && kEntryAttributes == 48 && kEntryName == 56);
} // namespace Gpt
