#include "fs/fat/FatLayout.h"

#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"
#include "fs/fat/FatStructures.h"

namespace {

constexpr uint32_t kMaxFat12Clusters = 4084;
constexpr uint32_t kMaxFat16Clusters = 65524;
constexpr uint32_t kMaxFat32Clusters = 0x0FFFFFF5;

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool SaneJumpAndMedia(const uint8_t* s)
{
    const bool jump = s[0] == 0xEB || s[0] == 0xE9;
    const uint8_t media = s[Fat::kMedia];
    return jump && (media == 0xF0 || media >= 0xF8);
}

} // namespace

bool ParseFatBootSector(const uint8_t* s, size_t size, FatLayout& layout)
{
    layout = FatLayout{};
    if (!fits(size, 0, 512) || !SaneJumpAndMedia(s))
        return false;

    const uint32_t bytesPerSector = le16(s + Fat::kBytesPerSector);
    const uint32_t sectorsPerCluster = s[Fat::kSectorsPerCluster];
    const uint32_t reservedSectors = le16(s + Fat::kReservedSectors);
    const uint32_t fatCount = s[Fat::kNumberOfFats];
    const uint32_t rootEntries = le16(s + Fat::kRootEntries);
    const uint32_t totalSectors = le16(s + Fat::kTotalSectors16) != 0 ? le16(s + Fat::kTotalSectors16)
                                                                    : le32(s + Fat::kTotalSectors32);
    const uint32_t fatSize16 = le16(s + Fat::kFatSize16);
    const uint32_t fatSectors = fatSize16 != 0 ? fatSize16 : le32(s + Fat::kFatSize32);
    const bool fat32Layout = fatSize16 == 0;

    if (bytesPerSector != 512 && bytesPerSector != 1024 && bytesPerSector != 2048 && bytesPerSector != 4096)
        return false;
    if (!IsPowerOfTwo(sectorsPerCluster) || reservedSectors == 0 || fatCount < 1 || fatCount > 4)
        return false;
    if (totalSectors == 0 || fatSectors == 0)
        return false;
    // A FAT32 boot sector has no fixed root directory; a FAT12/16 one must have one.
    if (fat32Layout != (rootEntries == 0))
        return false;

    const uint64_t rootDirSectors = (uint64_t(rootEntries) * Fat::kDirEntryBytes + bytesPerSector - 1) / bytesPerSector;
    const uint64_t metaSectors = reservedSectors + uint64_t(fatCount) * fatSectors + rootDirSectors;
    if (metaSectors >= totalSectors)
        return false;
    const uint64_t clusters = (totalSectors - metaSectors) / sectorsPerCluster;
    if (clusters == 0 || clusters > kMaxFat32Clusters)
        return false;

    // The boot sector's own layout decides FAT32: tools make small FAT32 volumes (EFI system
    // partitions) with fewer clusters than the count rule wants, and every system reads them as FAT32.
    if (fat32Layout) {
        layout.code = kFsFat32;
        layout.entryBits = 32;
    } else if (clusters <= kMaxFat12Clusters) {
        layout.code = kFsFat12;
        layout.entryBits = 12;
    } else if (clusters <= kMaxFat16Clusters) {
        layout.code = kFsFat16;
        layout.entryBits = 16;
    } else {
        return false; // a fixed root directory with a FAT32-sized cluster count
    }
    // Every cluster, and the two reserved entries, must have an entry in the FAT.
    if ((clusters + 2) * layout.entryBits > uint64_t(fatSectors) * bytesPerSector * 8)
        return false;

    layout.bytesPerSector = bytesPerSector;
    layout.sectorsPerCluster = sectorsPerCluster;
    layout.clusterBytes = bytesPerSector * sectorsPerCluster;
    layout.clusterCount = uint32_t(clusters);
    layout.volumeBytes = uint64_t(totalSectors) * bytesPerSector;
    layout.fatOffset = uint64_t(reservedSectors) * bytesPerSector;
    layout.fatBytes = uint64_t(fatSectors) * bytesPerSector;
    layout.rootDirOffset = layout.fatOffset + layout.fatBytes * fatCount;
    layout.rootDirBytes = uint64_t(rootEntries) * Fat::kDirEntryBytes;
    layout.dataOffset = layout.rootDirOffset + rootDirSectors * bytesPerSector;

    if (fat32Layout) {
        layout.rootCluster = le32(s + Fat::kRootCluster);
        if (layout.rootCluster < 2 || uint64_t(layout.rootCluster) - 2 >= clusters)
            return false;
        if (s[Fat::kBootSignature32] == Fat::kExtendedBootSignature)
            layout.bootLabelOffset = Fat::kVolumeLabel32;
    } else if (s[Fat::kBootSignature16] == Fat::kExtendedBootSignature) {
        layout.bootLabelOffset = Fat::kVolumeLabel16;
    }
    return true;
}
