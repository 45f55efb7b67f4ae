#include "fs/fat/FatLabel.h"

#include "fs/fat/FatStructures.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "fs/fat/FatLayout.h"
#include "fs/VolumeReader.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr size_t kEntry = Fat::kDirEntryBytes;

bool isLabelEntry(const uint8_t* e)
{
    return e[0] != Fat::kEntryEnd && e[0] != Fat::kEntryFree && (e[Fat::kDirAttributes] & Fat::kAttrVolumeLabel) &&
           (e[Fat::kDirAttributes] & Fat::kAttrLongName) != Fat::kAttrLongName;
}

// Writes a byte range of the volume through whole sectors.
bool writeBytes(ISectorDevice& volume, VolumeReader& reader, uint64_t offset, const uint8_t* data, size_t length)
{
    const int64_t first = int64_t(offset / 512);
    const int64_t last = int64_t((offset + length - 1) / 512);
    std::vector<uint8_t> sectors(size_t(last - first + 1) * 512);
    if (!reader.ReadSectors(sectors.data(), first, last - first + 1))
        return false;
    std::memcpy(sectors.data() + (offset - uint64_t(first) * 512), data, length);
    return volume.WriteSectors(sectors.data(), first, last - first + 1) != 0;
}

// The byte ranges of the root directory: the fixed area, or the clusters of FAT32's chain.
std::vector<std::pair<uint64_t, uint64_t>> rootRanges(VolumeReader& reader, const FatLayout& layout)
{
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    if (layout.code != kFsFat32) {
        ranges.emplace_back(layout.rootDirOffset, layout.rootDirBytes);
        return ranges;
    }
    uint32_t cluster = layout.rootCluster;
    for (uint32_t steps = 0; steps <= layout.clusterCount && cluster >= 2 && cluster < layout.clusterCount + 2; ++steps) {
        const uint64_t offset = layout.dataOffset + uint64_t(cluster - 2) * layout.clusterBytes;
        if (!reader.Contains(offset, layout.clusterBytes))
            break;
        ranges.emplace_back(offset, layout.clusterBytes);
        uint8_t entry[4];
        if (!reader.ReadBytes(layout.fatOffset + uint64_t(cluster) * 4, entry, 4))
            break;
        cluster = le32(entry) & 0x0FFFFFFF;
    }
    return ranges;
}

} // namespace

int SetFatVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label, bool* noRoom)
{
    if (noRoom)
        *noRoom = false;
    VolumeReader reader(volume, sectorCount);
    uint8_t boot[512];
    FatLayout layout;
    if (!reader.ReadSectors(boot, 0, 1) || !ParseFatBootSector(boot, sizeof boot, layout) || !layout.bootLabelOffset)
        return 0;

    std::string text = label ? label : "";
    for (auto& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    uint8_t field[Fat::kLabelBytes];
    std::memset(field, ' ', sizeof field);
    const std::string shown = text.empty() ? "NO NAME" : text;
    std::memcpy(field, shown.data(), std::min<size_t>(shown.size(), 11));

    // The root directory first: when it has no room the volume is left as it was.
    const auto ranges = rootRanges(reader, layout);
    bool done = false;
    uint64_t freeSlot = 0;
    bool haveFree = false;
    for (const auto& [offset, length] : ranges) {
        std::vector<uint8_t> dir(length);
        if (!reader.ReadBytes(offset, dir.data(), dir.size()))
            return 0;
        for (size_t i = 0; i + kEntry <= dir.size() && !done; i += kEntry) {
            uint8_t* e = dir.data() + i;
            if (isLabelEntry(e)) {
                if (text.empty())
                    e[0] = Fat::kEntryFree; // no label: the entry goes
                else
                    std::memcpy(e, field, 11);
                if (!writeBytes(volume, reader, offset + i, e, kEntry))
                    return 0;
                done = true;
            } else if (!haveFree && (e[0] == Fat::kEntryEnd || e[0] == Fat::kEntryFree)) {
                haveFree = true;
                freeSlot = offset + i;
            }
            if (e[0] == 0)
                break; // nothing follows an end marker
        }
        if (done)
            break;
    }
    if (!done && !text.empty()) {
        if (!haveFree) {
            if (noRoom)
                *noRoom = true;
            return 0;
        }
        uint8_t e[kEntry] = {};
        std::memcpy(e, field, 11);
        e[Fat::kDirAttributes] = Fat::kAttrVolumeLabel;
        const EngineLocalTime t = GetLocalTime();
        put_le16(e + 22, uint16_t((t.Hour << 11) | (t.Minute << 5) | (t.Second / 2)));
        put_le16(e + 24, uint16_t(((t.Year - 1980) << 9) | (t.Month << 5) | t.Day));
        if (!writeBytes(volume, reader, freeSlot, e, kEntry))
            return 0;
    }

    std::memcpy(boot + layout.bootLabelOffset, field, 11);
    if (!volume.WriteSectors(boot, 0, 1))
        return 0;
    if (layout.code == kFsFat32) {
        const uint16_t backup = le16(boot + Fat::kBackupBootSector);
        uint8_t copy[512];
        if (backup > 0 && backup < le16(boot + Fat::kReservedSectors) && reader.ReadSectors(copy, backup, 1) &&
            std::memcmp(copy + Fat::kFileSystemType32, "FAT32", 5) == 0) {
            std::memcpy(copy + layout.bootLabelOffset, field, 11);
            if (!volume.WriteSectors(copy, backup, 1))
                return 0;
        }
    }
    return 1;
}
