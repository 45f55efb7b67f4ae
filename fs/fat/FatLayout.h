// The layout of a FAT12/16/32 volume as its boot sector describes it, checked for sanity.
#pragma once

#include <cstddef>
#include <cstdint>

struct FatLayout {
    int16_t code = 0;           // kFsFat12, kFsFat16 or kFsFat32
    uint32_t entryBits = 0;     // 12, 16 or 32
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerCluster = 0;
    uint32_t clusterBytes = 0;
    uint32_t clusterCount = 0;  // clusters 2 .. clusterCount + 1
    uint64_t volumeBytes = 0;   // size the boot sector claims
    uint64_t fatOffset = 0;     // first FAT, in bytes from the volume start
    uint64_t fatBytes = 0;      // one FAT
    uint64_t rootDirOffset = 0; // FAT12/16: the fixed root directory
    uint64_t rootDirBytes = 0;
    uint64_t dataOffset = 0;    // cluster 2
    uint32_t rootCluster = 0;   // FAT32: first cluster of the root directory
    size_t bootLabelOffset = 0; // 11-byte label in the boot sector, 0 when absent
};

// Fills `layout` from the first 512 bytes of a volume; false when they do not hold a sane FAT boot sector.
// A FAT32 layout (no fixed root directory, 16-bit FAT size 0) is FAT32 whatever its cluster count;
// otherwise the count decides between FAT12 (below 4085) and FAT16 (below 65525).
bool ParseFatBootSector(const uint8_t* sector, size_t size, FatLayout& layout);
