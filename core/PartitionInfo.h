// The partition record exchanged between the disk engine, the models, the commands and the views.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

static_assert(std::endian::native == std::endian::little, "records are little-endian in memory");

// Bit 31 of EntryFlags: an unallocated area synthesised by the model.
inline constexpr uint32_t kEntryUnallocated = 0x80000000u;
// Pending marks (bits 0 to 3) set in the virtual layout by the operation handlers.
inline constexpr uint32_t kEntryPendingCreated = 0x1;
inline constexpr uint32_t kEntryPendingFormatted = 0x2;
inline constexpr uint32_t kEntryPendingLetter = 0x4;
inline constexpr uint32_t kEntryPendingMoved = 0x8;

// GPT attribute bits.
inline constexpr uint64_t kGptAttrNoDriveLetter = 1ull << 63;
inline constexpr uint64_t kGptAttrHidden = 1ull << 62;
inline constexpr uint64_t kGptAttrReadOnly = 1ull << 60;

// Whole-disk placeholder type ids.
inline constexpr int16_t kPlaceholderGptUnsupported = -1;
inline constexpr int16_t kPlaceholderDynamic = -2;
inline constexpr int16_t kPlaceholderBadDisk = -3;

// 768 bytes, zero-filled before use. Reserved bytes are carried unchanged.
struct PartitionInfo {
    uint32_t EntryFlags;
    int32_t IsGptEntry;
    int32_t Active;
    int32_t GptReserved;
    int32_t GptRecovery;
    int32_t GptData;
    int64_t StartingLba;
    int64_t SectorCount;
    int16_t PartitionTypeId;
    uint8_t Reserved42[6];
    int64_t HiddenSectors;
    int32_t IsPrimary;
    int32_t Hidden;
    int32_t ReadOnly;
    uint8_t Reserved68[4];
    uint8_t GptTypeGuid[16];
    uint8_t GptUniqueGuid[16];
    uint64_t GptAttributes;
    char16_t GptName[36];
    int32_t SystemVolume;
    int32_t BootVolume;
    uint8_t Reserved192[4];
    int32_t VolumePresent;
    uint8_t Reserved200[8];
    int32_t PartitionNumber;
    uint8_t Reserved212[256];
    char DriveLetter;
    uint8_t Reserved469[3];
    int16_t FileSystemType;
    uint8_t Reserved474[2];
    int32_t ClusterSize;
    char Label[256];
    int64_t UsedSectorsHint;
    int64_t TotalSectors;
    int64_t FreeSectors;
    int64_t NtfsReserveSectors;

    int64_t EndLba() const { return StartingLba + SectorCount - 1; }
    bool IsUnallocated() const { return PartitionTypeId == 0; }
};

static_assert(sizeof(PartitionInfo) == 768);
static_assert(offsetof(PartitionInfo, EntryFlags) == 0);
static_assert(offsetof(PartitionInfo, IsGptEntry) == 4);
static_assert(offsetof(PartitionInfo, Active) == 8);
static_assert(offsetof(PartitionInfo, GptReserved) == 12);
static_assert(offsetof(PartitionInfo, GptRecovery) == 16);
static_assert(offsetof(PartitionInfo, GptData) == 20);
static_assert(offsetof(PartitionInfo, StartingLba) == 24);
static_assert(offsetof(PartitionInfo, SectorCount) == 32);
static_assert(offsetof(PartitionInfo, PartitionTypeId) == 40);
static_assert(offsetof(PartitionInfo, HiddenSectors) == 48);
static_assert(offsetof(PartitionInfo, IsPrimary) == 56);
static_assert(offsetof(PartitionInfo, Hidden) == 60);
static_assert(offsetof(PartitionInfo, ReadOnly) == 64);
static_assert(offsetof(PartitionInfo, GptTypeGuid) == 72);
static_assert(offsetof(PartitionInfo, GptUniqueGuid) == 88);
static_assert(offsetof(PartitionInfo, GptAttributes) == 104);
static_assert(offsetof(PartitionInfo, GptName) == 112);
static_assert(offsetof(PartitionInfo, SystemVolume) == 184);
static_assert(offsetof(PartitionInfo, BootVolume) == 188);
static_assert(offsetof(PartitionInfo, VolumePresent) == 196);
static_assert(offsetof(PartitionInfo, PartitionNumber) == 208);
static_assert(offsetof(PartitionInfo, DriveLetter) == 468);
static_assert(offsetof(PartitionInfo, FileSystemType) == 472);
static_assert(offsetof(PartitionInfo, ClusterSize) == 476);
static_assert(offsetof(PartitionInfo, Label) == 480);
static_assert(offsetof(PartitionInfo, UsedSectorsHint) == 736);
static_assert(offsetof(PartitionInfo, TotalSectors) == 744);
static_assert(offsetof(PartitionInfo, FreeSectors) == 752);
static_assert(offsetof(PartitionInfo, NtfsReserveSectors) == 760);

using PartitionList = std::vector<PartitionInfo>;

// A zero-filled record.
PartitionInfo MakeEmptyPartitionInfo();

// Two entries denote the same partition when start and length are equal; nothing else counts.
bool SamePartition(const PartitionInfo& a, const PartitionInfo& b);

// Stable sort by StartingLba (signed comparison).
void SortByStartingLba(PartitionList& list);

// Copies a label into the fixed field, truncating and NUL-terminating.
void SetLabel(PartitionInfo& info, const char* label);
