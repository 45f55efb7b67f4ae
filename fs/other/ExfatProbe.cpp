#include "fs/other/ExfatProbe.h"

#include <cstring>
#include <string>

#include "fs/fat/ClusterChain.h"
#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr uint64_t kMaxLabelSearchBytes = 2 * 1024 * 1024; // the label sits among the first entries
constexpr uint8_t kEntryEnd = 0x00;
constexpr uint8_t kEntryVolumeLabel = 0x83;
constexpr uint32_t kMaxLabelUnits = 11;
constexpr uint32_t kMaxClusterCount = 0xFFFFFFF5;

bool ParseBootSector(const uint8_t* s, ClusterChain& root, uint32_t& clusterShift)
{
    if (std::memcmp(s + 3, "EXFAT   ", 8) != 0 || s[510] != 0x55 || s[511] != 0xAA)
        return false;
    for (size_t i = 11; i < 64; ++i) // where FAT keeps its BPB, exFAT keeps zeros
        if (s[i] != 0)
            return false;
    const uint32_t sectorShift = s[108];
    const uint32_t perClusterShift = s[109];
    const uint32_t fatCount = s[110];
    if (sectorShift < 9 || sectorShift > 12 || perClusterShift > 25 - sectorShift || fatCount < 1 || fatCount > 2)
        return false;
    const uint64_t fatOffset = le32(s + 80);
    const uint64_t fatLength = le32(s + 84);
    const uint64_t heapOffset = le32(s + 88);
    const uint32_t clusterCount = le32(s + 92);
    if (fatOffset < 24 || heapOffset < fatOffset + fatLength * fatCount || clusterCount == 0 ||
        clusterCount > kMaxClusterCount || (fatLength << sectorShift) < (uint64_t(clusterCount) + 2) * 4)
        return false;

    root.fatOffset = fatOffset << sectorShift;
    root.dataOffset = heapOffset << sectorShift;
    root.clusterBytes = uint64_t(1) << (sectorShift + perClusterShift);
    root.clusterCount = clusterCount;
    root.entryMask = 0xFFFFFFFFu;
    root.firstCluster = le32(s + 96);
    clusterShift = sectorShift + perClusterShift;
    return root.firstCluster >= 2 && uint64_t(root.firstCluster) - 2 < clusterCount;
}

} // namespace

bool ProbeExfat(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t boot[512];
    ClusterChain root;
    uint32_t clusterShift = 0;
    if (!reader.ReadSectors(boot, 0, 1) || !ParseBootSector(boot, root, clusterShift))
        return false;

    info.FileSystemType = kFsOther;
    info.ClusterSize = int32_t((uint64_t(1) << clusterShift) / kVolumeSectorBytes);

    std::string label;
    WalkClusterChain(reader, root, kMaxLabelSearchBytes, [&](const uint8_t* bytes, size_t size) {
        for (size_t at = 0; at + 32 <= size; at += 32) {
            const uint8_t* entry = bytes + at;
            if (entry[0] == kEntryEnd)
                return false;
            if (entry[0] == kEntryVolumeLabel) {
                label = Utf16LabelToUtf8(entry + 2, entry[1] < kMaxLabelUnits ? entry[1] : kMaxLabelUnits);
                return false;
            }
        }
        return true;
    });
    StoreLabel(info, label);
    return true;
}
