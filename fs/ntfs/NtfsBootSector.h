// The NTFS boot sector: its layout, and the one decoder every reader of it uses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Ntfs {

// The fields at the front of sector 0 (the boot program and the 0x55 0xAA mark follow). Packed: the
// format puts 16-bit fields at odd offsets.
struct __attribute__((packed)) BootSectorLayout {
    uint8_t Jump[3];
    char OemId[8];                 // "NTFS    "
    uint16_t BytesPerSector;
    uint8_t SectorsPerCluster;     // a power of two, or 2^(256 - code) for codes above 0x80
    uint16_t ReservedSectors;
    uint8_t Unused1[5];
    uint8_t MediaDescriptor;
    uint16_t Unused2;
    uint16_t SectorsPerTrack;
    uint16_t NumberOfHeads;
    uint32_t HiddenSectors;
    uint32_t LargeSectorCount;     // unused by NTFS: 0
    uint32_t Unused4;
    uint64_t TotalSectors;         // in the volume's own sectors, the backup boot sector excluded
    uint64_t MftLcn;
    uint64_t MftMirrorLcn;
    int8_t ClustersPerFileRecord;  // clusters, or 2^-value bytes when negative
    uint8_t Unused5[3];
    int8_t ClustersPerIndexRecord;
    uint8_t Unused6[3];
    uint64_t SerialNumber;
    uint32_t Checksum;
};

inline constexpr size_t kBootOemId = offsetof(BootSectorLayout, OemId);
inline constexpr size_t kBootBytesPerSector = offsetof(BootSectorLayout, BytesPerSector);
inline constexpr size_t kBootSectorsPerCluster = offsetof(BootSectorLayout, SectorsPerCluster);
inline constexpr size_t kBootSectorsPerTrack = offsetof(BootSectorLayout, SectorsPerTrack);
inline constexpr size_t kBootHeads = offsetof(BootSectorLayout, NumberOfHeads);
inline constexpr size_t kBootHiddenSectors = offsetof(BootSectorLayout, HiddenSectors);
inline constexpr size_t kBootLargeSectorCount = offsetof(BootSectorLayout, LargeSectorCount);
inline constexpr size_t kBootTotalSectors = offsetof(BootSectorLayout, TotalSectors);
inline constexpr size_t kBootMftLcn = offsetof(BootSectorLayout, MftLcn);
inline constexpr size_t kBootMftMirrorLcn = offsetof(BootSectorLayout, MftMirrorLcn);
inline constexpr size_t kBootFileRecordSize = offsetof(BootSectorLayout, ClustersPerFileRecord);
inline constexpr size_t kBootIndexRecordSize = offsetof(BootSectorLayout, ClustersPerIndexRecord);
inline constexpr size_t kBootSerialNumber = offsetof(BootSectorLayout, SerialNumber);
static_assert(kBootOemId == 0x03 && kBootBytesPerSector == 0x0B && kBootSectorsPerCluster == 0x0D);
static_assert(kBootSectorsPerTrack == 0x18 && kBootHeads == 0x1A && kBootHiddenSectors == 0x1C);
static_assert(kBootLargeSectorCount == 0x20);
static_assert(kBootTotalSectors == 0x28 && kBootMftLcn == 0x30 && kBootMftMirrorLcn == 0x38);
static_assert(kBootFileRecordSize == 0x40 && kBootIndexRecordSize == 0x44 && kBootSerialNumber == 0x48);
static_assert(sizeof(BootSectorLayout) == 0x54);

// What a valid boot sector says, in bytes.
struct BootSector {
    uint32_t BytesPerSector = 0;  // 512, 1024, 2048 or 4096
    uint64_t ClusterBytes = 0;    // a power of two up to 2 MiB, a whole number of sectors
    uint64_t TotalBytes = 0;
    int64_t FileRecordBytes = 0;  // a power of two from 512 to 8 KiB
    int64_t IndexRecordBytes = 0; // a power of two from 512 to 64 KiB
    uint64_t MftLcn = 0;          // inside the volume
    uint64_t MftMirrorLcn = 0;
    uint64_t SerialNumber = 0;
};

// Decodes and checks the boot sector (512 bytes): the signature, the sector and cluster sizes, the
// record sizes, a volume of at least one sector and at most 2^48, and an MFT inside it. False for
// anything else.
bool DecodeBootSector(const uint8_t* sector, BootSector& out);

} // namespace Ntfs
