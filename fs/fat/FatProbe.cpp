#include "fs/fat/FatProbe.h"

#include "fs/fat/FatStructures.h"

#include <algorithm>
#include <string>
#include <vector>

#include "fs/fat/ClusterChain.h"
#include "fs/fat/FatLayout.h"
#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr size_t kFatChunkBytes = 1024 * 1024;
constexpr uint64_t kMaxDirectoryBytes = 65536 * 32; // a FAT directory holds at most 65536 entries

enum class DirScan { Continue, Found, End };

// Looks for the volume-label entry among whole 32-byte directory entries.
DirScan ScanForLabel(const uint8_t* p, size_t size, std::string& label)
{
    for (size_t at = 0; at + Fat::kDirEntryBytes <= size; at += Fat::kDirEntryBytes) {
        const uint8_t* entry = p + at;
        const uint8_t attributes = entry[Fat::kDirAttributes];
        if (entry[0] == Fat::kEntryEnd)
            return DirScan::End;
        if (entry[0] == Fat::kEntryFree || (attributes & 0x3F) == Fat::kAttrLongName ||
            (attributes & (Fat::kAttrVolumeLabel | Fat::kAttrDirectory)) != Fat::kAttrVolumeLabel)
            continue;
        uint8_t name[Fat::kLabelBytes];
        std::copy(entry, entry + Fat::kLabelBytes, name);
        if (name[0] == 0x05) // a leading 0xE5 byte is stored as 0x05
            name[0] = 0xE5;
        label = OemLabelToUtf8(name, sizeof name);
        return DirScan::Found;
    }
    return DirScan::Continue;
}

bool ReadRootLabel(VolumeReader& reader, const FatLayout& layout, std::string& label)
{
    DirScan result = DirScan::Continue;
    if (layout.code != kFsFat32) {
        uint64_t bytes = layout.rootDirBytes;
        if (!reader.Contains(layout.rootDirOffset, bytes))
            bytes = reader.Contains(layout.rootDirOffset, 0) ? reader.ByteCount() - layout.rootDirOffset : 0;
        std::vector<uint8_t> root(size_t(bytes / 32 * 32));
        if (!root.empty() && reader.ReadBytes(layout.rootDirOffset, root.data(), root.size()))
            result = ScanForLabel(root.data(), root.size(), label);
        return result == DirScan::Found;
    }
    ClusterChain chain;
    chain.fatOffset = layout.fatOffset;
    chain.dataOffset = layout.dataOffset;
    chain.clusterBytes = layout.clusterBytes;
    chain.clusterCount = layout.clusterCount;
    chain.entryMask = 0x0FFFFFFF;
    chain.firstCluster = layout.rootCluster;
    WalkClusterChain(reader, chain, kMaxDirectoryBytes, [&](const uint8_t* bytes, size_t size) {
        result = ScanForLabel(bytes, size, label);
        return result == DirScan::Continue;
    });
    return result == DirScan::Found;
}

uint32_t FatEntry(const uint8_t* fat, uint32_t bits, uint64_t index)
{
    if (bits == 32)
        return le32(fat + index * 4) & 0x0FFFFFFF;
    if (bits == 16)
        return le16(fat + index * 2);
    const uint16_t pair = le16(fat + index * 3 / 2);
    return (index & 1) ? pair >> 4 : pair & 0x0FFF;
}

// Free clusters among those whose data lies inside the volume, counted in the first FAT;
// false when the FAT cannot be read.
bool CountFreeClusters(VolumeReader& reader, const FatLayout& layout, uint64_t& freeClusters)
{
    freeClusters = 0;
    const uint64_t inside =
        reader.ByteCount() > layout.dataOffset ? (reader.ByteCount() - layout.dataOffset) / layout.clusterBytes : 0;
    const uint64_t entries = 2 + std::min<uint64_t>(layout.clusterCount, inside);
    if (entries == 2)
        return true;

    // Clusters inside the volume mean the FAT before them is inside it too.
    const uint64_t neededBytes = (entries * layout.entryBits + 7) / 8;
    const uint64_t tableBytes = std::min(layout.fatBytes, (neededBytes + 1 + 511) / 512 * 512);
    // A FAT12 table is a few KiB and its entries straddle bytes: it is read in one piece.
    const uint64_t chunkBytes = layout.entryBits == 12 ? tableBytes : std::min<uint64_t>(kFatChunkBytes, tableBytes);
    const uint64_t entriesPerChunk = chunkBytes * 8 / layout.entryBits;
    std::vector<uint8_t> chunk(static_cast<size_t>(chunkBytes));

    for (uint64_t first = 0; first < entries; first += entriesPerChunk) {
        const uint64_t offset = first * layout.entryBits / 8;
        const size_t length = size_t(std::min<uint64_t>(chunk.size(), tableBytes - offset));
        if (!reader.ReadBytes(layout.fatOffset + offset, chunk.data(), length))
            return false;
        const uint64_t last = std::min(entries, first + entriesPerChunk);
        for (uint64_t index = std::max<uint64_t>(first, 2); index < last; ++index)
            freeClusters += FatEntry(chunk.data(), layout.entryBits, index - first) == 0;
    }
    return true;
}

} // namespace

bool ProbeFat(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t boot[512];
    FatLayout layout;
    if (!reader.ReadSectors(boot, 0, 1) || !ParseFatBootSector(boot, sizeof boot, layout))
        return false;

    info.FileSystemType = layout.code;
    info.ClusterSize = int32_t(layout.clusterBytes / kVolumeSectorBytes);

    // The label is the root directory's label entry alone, as Windows and libblkid read it: tools that
    // erase a label often leave the boot sector's copy behind, and it must not come back.
    std::string label;
    if (!ReadRootLabel(reader, layout, label) || label == "NO NAME")
        label.clear();
    StoreLabel(info, label);

    uint64_t freeClusters = 0;
    if (CountFreeClusters(reader, layout, freeClusters))
        info.FreeSectors = int64_t(freeClusters * layout.clusterBytes / kVolumeSectorBytes);
    return true;
}
