#include "fs/ext/ExtLabel.h"

#include <cstring>
#include <vector>

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"
#include "fs/ext/ExtStructures.h"

namespace {

constexpr int64_t kSector = 512;

bool labelBytes(const char* label, uint8_t (&out)[Ext::kLabelBytes])
{
    const size_t length = label ? std::strlen(label) : 0;
    if (length > Ext::kLabelBytes)
        return false;
    std::memset(out, 0, sizeof out);
    if (length)
        std::memcpy(out, label, length);
    return true;
}

// True for a superblock copy that belongs to this volume: the magic, the same UUID and block size, and
// the group number it was written for.
bool isCopy(const uint8_t* sb, const uint8_t* primary, int64_t group)
{
    return le16(sb + Ext::kSbMagic) == Ext::kMagic && std::memcmp(sb + Ext::kSbUuid, primary + Ext::kSbUuid, 16) == 0
        && le32(sb + Ext::kSbLogBlockSize) == le32(primary + Ext::kSbLogBlockSize)
        && le16(sb + Ext::kSbGroupNumber) == group;
}

} // namespace

int SetExtVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label)
{
    uint8_t name[Ext::kLabelBytes];
    if (!labelBytes(label, name) || sectorCount < 4)
        return 0;
    uint8_t primary[1024];
    if (!volume.ReadSectors(primary, 2, 2) || le16(primary + Ext::kSbMagic) != Ext::kMagic)
        return 0;
    const uint32_t log = le32(primary + Ext::kSbLogBlockSize), perGroup = le32(primary + Ext::kSbBlocksPerGroup);
    const uint64_t blocks = le32(primary + Ext::kSbBlocks), first = le32(primary + Ext::kSbFirstDataBlock);
    if (log > 6 || perGroup == 0 || blocks <= first)
        return 0;
    const int64_t blockSize = int64_t(1024) << log, spb = blockSize / kSector;

    std::memcpy(primary + Ext::kSbLabel, name, sizeof name);
    if (!volume.WriteSectors(primary, 2, 2))
        return 0;

    // Backup copies sit at the start of their group's first block; only real copies are touched.
    const uint64_t groups = (blocks - first + perGroup - 1) / perGroup;
    uint8_t copy[1024];
    for (uint64_t g = 1; g < groups; ++g) {
        const int64_t sector = int64_t((g * perGroup + first) * uint64_t(spb));
        if (sector + 2 > sectorCount || !volume.ReadSectors(copy, sector, 2) || !isCopy(copy, primary, int64_t(g)))
            continue;
        std::memcpy(copy + Ext::kSbLabel, name, sizeof name);
        if (!volume.WriteSectors(copy, sector, 2))
            return 0;
    }
    return 1;
}
