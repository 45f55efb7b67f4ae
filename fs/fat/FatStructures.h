// The FAT on-disk structures: the boot sector (BIOS parameter block and the FAT12/16 or FAT32 extended
// fields), the FAT32 FSInfo sector and the 32-byte directory entry. Each packed struct defines its
// layout; the named offsets are taken from it and held to the format by static_asserts. Fields are
// read and written through the little-endian helpers at these offsets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Fat {

struct __attribute__((packed)) BiosParameterBlock {
    uint8_t Jump[3];             // EB xx 90 or E9 xx xx
    char OemName[8];
    uint16_t BytesPerSector;
    uint8_t SectorsPerCluster;
    uint16_t ReservedSectors;
    uint8_t NumberOfFats;
    uint16_t RootEntries;        // 0 on FAT32
    uint16_t TotalSectors16;     // 0 when the 32-bit count is used
    uint8_t Media;
    uint16_t FatSize16;          // 0 on FAT32
    uint16_t SectorsPerTrack;
    uint16_t NumberOfHeads;
    uint32_t HiddenSectors;
    uint32_t TotalSectors32;
};

// The FAT12/16 extended fields follow the parameter block at 0x24.
struct __attribute__((packed)) BootSector16 {
    BiosParameterBlock Bpb;
    uint8_t DriveNumber;
    uint8_t Reserved1;
    uint8_t BootSignature;       // kExtendedBootSignature when the next three fields are valid
    uint32_t VolumeId;           // the serial number
    char VolumeLabel[11];
    char FileSystemType[8];
};

// FAT32 puts its own fields first, then the same extended fields at 0x40.
struct __attribute__((packed)) BootSector32 {
    BiosParameterBlock Bpb;
    uint32_t FatSize32;
    uint16_t ExtFlags;
    uint16_t FsVersion;
    uint32_t RootCluster;
    uint16_t FsInfoSector;
    uint16_t BackupBootSector;
    uint8_t Reserved[12];
    uint8_t DriveNumber;
    uint8_t Reserved1;
    uint8_t BootSignature;
    uint32_t VolumeId;
    char VolumeLabel[11];
    char FileSystemType[8];
};

inline constexpr uint8_t kExtendedBootSignature = 0x29;
inline constexpr size_t kLabelBytes = 11;

inline constexpr size_t kBytesPerSector = offsetof(BiosParameterBlock, BytesPerSector);
inline constexpr size_t kSectorsPerCluster = offsetof(BiosParameterBlock, SectorsPerCluster);
inline constexpr size_t kReservedSectors = offsetof(BiosParameterBlock, ReservedSectors);
inline constexpr size_t kNumberOfFats = offsetof(BiosParameterBlock, NumberOfFats);
inline constexpr size_t kRootEntries = offsetof(BiosParameterBlock, RootEntries);
inline constexpr size_t kTotalSectors16 = offsetof(BiosParameterBlock, TotalSectors16);
inline constexpr size_t kMedia = offsetof(BiosParameterBlock, Media);
inline constexpr size_t kFatSize16 = offsetof(BiosParameterBlock, FatSize16);
inline constexpr size_t kSectorsPerTrack = offsetof(BiosParameterBlock, SectorsPerTrack);
inline constexpr size_t kNumberOfHeads = offsetof(BiosParameterBlock, NumberOfHeads);
inline constexpr size_t kHiddenSectors = offsetof(BiosParameterBlock, HiddenSectors);
inline constexpr size_t kTotalSectors32 = offsetof(BiosParameterBlock, TotalSectors32);
inline constexpr size_t kFatSize32 = offsetof(BootSector32, FatSize32);
inline constexpr size_t kRootCluster = offsetof(BootSector32, RootCluster);
inline constexpr size_t kFsInfoSector = offsetof(BootSector32, FsInfoSector);
inline constexpr size_t kBackupBootSector = offsetof(BootSector32, BackupBootSector);
inline constexpr size_t kBootSignature16 = offsetof(BootSector16, BootSignature);
inline constexpr size_t kVolumeId16 = offsetof(BootSector16, VolumeId);
inline constexpr size_t kVolumeLabel16 = offsetof(BootSector16, VolumeLabel);
inline constexpr size_t kFileSystemType16 = offsetof(BootSector16, FileSystemType);
inline constexpr size_t kBootSignature32 = offsetof(BootSector32, BootSignature);
inline constexpr size_t kVolumeId32 = offsetof(BootSector32, VolumeId);
inline constexpr size_t kVolumeLabel32 = offsetof(BootSector32, VolumeLabel);
inline constexpr size_t kFileSystemType32 = offsetof(BootSector32, FileSystemType);

static_assert(kBytesPerSector == 11 && kSectorsPerCluster == 13 && kReservedSectors == 14 && kNumberOfFats == 16);
static_assert(kRootEntries == 17 && kTotalSectors16 == 19 && kMedia == 21 && kFatSize16 == 22);
static_assert(kSectorsPerTrack == 24 && kNumberOfHeads == 26 && kHiddenSectors == 28 && kTotalSectors32 == 32);
static_assert(kFatSize32 == 36 && kRootCluster == 44 && kFsInfoSector == 48 && kBackupBootSector == 50);
static_assert(kBootSignature16 == 38 && kVolumeId16 == 0x27 && kVolumeLabel16 == 43 && kFileSystemType16 == 54);
static_assert(kBootSignature32 == 66 && kVolumeId32 == 0x43 && kVolumeLabel32 == 71 && kFileSystemType32 == 82);

// The FAT32 FSInfo sector.
struct __attribute__((packed)) FsInfoSector {
    uint32_t LeadSignature;      // kFsInfoLeadSignature
    uint8_t Reserved1[480];
    uint32_t StructSignature;    // kFsInfoStructSignature
    uint32_t FreeCount;          // 0xFFFFFFFF when unknown
    uint32_t NextFree;
    uint8_t Reserved2[12];
    uint32_t TrailSignature;     // kFsInfoTrailSignature
};
static_assert(sizeof(FsInfoSector) == 512);
inline constexpr size_t kFsInfoLead = offsetof(FsInfoSector, LeadSignature);
inline constexpr size_t kFsInfoStruct = offsetof(FsInfoSector, StructSignature);
inline constexpr size_t kFsInfoFreeCount = offsetof(FsInfoSector, FreeCount);
inline constexpr size_t kFsInfoNextFree = offsetof(FsInfoSector, NextFree);
inline constexpr size_t kFsInfoTrail = offsetof(FsInfoSector, TrailSignature);
static_assert(kFsInfoStruct == 484 && kFsInfoFreeCount == 488 && kFsInfoNextFree == 492 && kFsInfoTrail == 508);
inline constexpr uint32_t kFsInfoLeadSignature = 0x41615252;
inline constexpr uint32_t kFsInfoStructSignature = 0x61417272;
inline constexpr uint32_t kFsInfoTrailSignature = 0xAA550000;

// The 32-byte directory entry (short name form).
struct __attribute__((packed)) DirectoryEntry {
    char Name[11];               // 8.3, space padded; the label entry holds the 11-byte label
    uint8_t Attributes;
    uint8_t Reserved;
    uint8_t CreateTimeTenths;
    uint16_t CreateTime;
    uint16_t CreateDate;
    uint16_t AccessDate;
    uint16_t FirstClusterHigh;
    uint16_t WriteTime;
    uint16_t WriteDate;
    uint16_t FirstClusterLow;
    uint32_t FileSize;
};
static_assert(sizeof(DirectoryEntry) == 32);
inline constexpr size_t kDirEntryBytes = sizeof(DirectoryEntry);
inline constexpr size_t kDirAttributes = offsetof(DirectoryEntry, Attributes);
inline constexpr size_t kDirFirstClusterHigh = offsetof(DirectoryEntry, FirstClusterHigh);
inline constexpr size_t kDirWriteTime = offsetof(DirectoryEntry, WriteTime);
inline constexpr size_t kDirWriteDate = offsetof(DirectoryEntry, WriteDate);
inline constexpr size_t kDirFirstClusterLow = offsetof(DirectoryEntry, FirstClusterLow);
inline constexpr size_t kDirFileSize = offsetof(DirectoryEntry, FileSize);
static_assert(kDirAttributes == 11 && kDirFirstClusterHigh == 20 && kDirWriteTime == 22 && kDirWriteDate == 24);
static_assert(kDirFirstClusterLow == 26 && kDirFileSize == 28);
inline constexpr uint8_t kEntryFree = 0xE5;  // first name byte of a deleted entry
inline constexpr uint8_t kEntryEnd = 0x00;   // first name byte after the last entry
inline constexpr uint8_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04, kAttrVolumeLabel = 0x08,
                         kAttrDirectory = 0x10, kAttrArchive = 0x20, kAttrLongName = 0x0F;

} // namespace Fat
