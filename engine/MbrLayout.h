// The master boot record and the extended boot records: a boot program, the disk signature, four
// 16-byte partition entries and the 0x55 0xAA mark. Offsets are taken from the layouts below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Mbr {

struct __attribute__((packed)) EntryLayout {
    uint8_t BootIndicator;  // 0x80 active
    uint8_t FirstChs[3];
    uint8_t Type;
    uint8_t LastChs[3];
    uint32_t FirstLba;      // from the disk start (MBR) or from the container or this record (EBR)
    uint32_t SectorCount;
};
static_assert(sizeof(EntryLayout) == 16);

struct __attribute__((packed)) SectorLayout {
    uint8_t BootProgram[440];
    uint32_t DiskSignature;
    uint16_t Reserved;
    EntryLayout Entries[4];
    uint8_t Mark[2];        // 0x55 0xAA
};
static_assert(sizeof(SectorLayout) == 512);

inline constexpr size_t kDiskSignature = offsetof(SectorLayout, DiskSignature);
inline constexpr size_t kTableOffset = offsetof(SectorLayout, Entries);
inline constexpr size_t kEntryBytes = sizeof(EntryLayout);
inline constexpr size_t kMark = offsetof(SectorLayout, Mark);
inline constexpr size_t kEntryBoot = offsetof(EntryLayout, BootIndicator);
inline constexpr size_t kEntryFirstChs = offsetof(EntryLayout, FirstChs);
inline constexpr size_t kEntryType = offsetof(EntryLayout, Type);
inline constexpr size_t kEntryLastChs = offsetof(EntryLayout, LastChs);
inline constexpr size_t kEntryFirstLba = offsetof(EntryLayout, FirstLba);
inline constexpr size_t kEntrySectorCount = offsetof(EntryLayout, SectorCount);
static_assert(kDiskSignature == 440 && kTableOffset == 446 && kMark == 510);
static_assert(kEntryType == 4 && kEntryLastChs == 5 && kEntryFirstLba == 8 && kEntrySectorCount == 12);

} // namespace Mbr
