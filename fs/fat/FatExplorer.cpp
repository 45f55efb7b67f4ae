#include "fs/fat/FatExplorer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/ByteOrder.h"
#include "core/TextConversion.h"
#include "engine/KVolumeDevice.h"
#include "fs/VolumeReader.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr size_t kEntrySize = 32;

// FAT's local date and time as a FILETIME of the same calendar fields.
void toFileTime(uint16_t date, uint16_t time, uint32_t out[2])
{
    out[0] = out[1] = 0;
    if (date == 0)
        return;
    const int year = 1980 + (date >> 9), month = (date >> 5) & 0x0F, day = date & 0x1F;
    const int hour = time >> 11, minute = (time >> 5) & 0x3F, second = (time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1)
        return;
    // Days from 1601-01-01 to the date (proleptic Gregorian).
    auto daysFromCivil = [](int y, int m, int d) {
        y -= m <= 2;
        const int era = (y >= 0 ? y : y - 399) / 400;
        const int yoe = y - era * 400;
        const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return int64_t(era) * 146097 + doe - 719468; // days since 1970-01-01
    };
    const int64_t days = daysFromCivil(year, month, day) + 134774; // 1601 -> 1970
    const uint64_t ticks = (uint64_t(days) * 86400 + uint64_t(hour) * 3600 + uint64_t(minute) * 60 + uint64_t(second)) *
                           10000000ull;
    out[0] = uint32_t(ticks);
    out[1] = uint32_t(ticks >> 32);
}

// The 13 UTF-16 units of a long-name entry.
void longNamePart(const uint8_t* e, char16_t out[13])
{
    static const int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int i = 0; i < 13; ++i)
        out[i] = char16_t(le16(e + offsets[i]));
}

std::string shortName(const uint8_t* e)
{
    std::string base(reinterpret_cast<const char*>(e), 8), ext(reinterpret_cast<const char*>(e + 8), 3);
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    while (!ext.empty() && ext.back() == ' ')
        ext.pop_back();
    if (!base.empty() && uint8_t(base[0]) == 0x05)
        base[0] = char(0xE5);
    // Lower-case flags of the short name (byte 12).
    if (e[12] & 0x08)
        for (auto& c : base)
            c = char(std::tolower(static_cast<unsigned char>(c)));
    if (e[12] & 0x10)
        for (auto& c : ext)
            c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext.empty() ? base : base + "." + ext;
}

} // namespace

void ParseFatDirectory(const uint8_t* bytes, size_t size, std::vector<FatDirectoryItem>& items)
{
    items.clear();
    std::u16string longName;
    uint8_t longChecksum = 0;
    for (size_t i = 0; i + kEntrySize <= size; i += kEntrySize) {
        const uint8_t* e = bytes + i;
        if (e[0] == 0)
            break;
        if (e[0] == 0xE5) {
            longName.clear();
            continue;
        }
        const uint8_t attributes = e[11];
        if ((attributes & 0x3F) == 0x0F) {
            char16_t part[13];
            longNamePart(e, part);
            std::u16string piece;
            for (char16_t c : part) {
                if (c == 0 || c == 0xFFFF)
                    break;
                piece += c;
            }
            if (e[0] & 0x40)
                longName = piece;
            else
                longName = piece + longName;
            longChecksum = e[13];
            continue;
        }
        if (attributes & 0x08) { // the volume label
            longName.clear();
            continue;
        }
        std::string name = shortName(e);
        if (name == "." || name == "..") {
            longName.clear();
            continue;
        }
        uint8_t sum = 0;
        for (int k = 0; k < 11; ++k)
            sum = uint8_t(((sum & 1) << 7) + (sum >> 1) + e[k]);
        FatDirectoryItem item;
        if (sum == longChecksum)
            item.LongName = longName;
        item.ShortName = std::move(name);
        item.Entry = e;
        longName.clear();
        items.push_back(std::move(item));
    }
}

FatExplorer::FatExplorer() = default;
FatExplorer::~FatExplorer() = default;

int FatExplorer::Open(IDisk* disk, int64_t startSector)
{
    Release();
    if (!disk)
        return 0;
    uint8_t boot[512];
    if (!disk->ReadSectors(boot, startSector, 1) || !ParseFatBootSector(boot, sizeof boot, m_layout))
        return 0;
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = startSector;
    p.SectorCount = std::min<int64_t>(int64_t(m_layout.volumeBytes / 512), disk->GetTotalSectors() - startSector);
    m_device.reset(KVolumeDevice::Create(disk, p));
    m_sectors = p.SectorCount;
    return m_device ? 1 : 0;
}

void FatExplorer::Release()
{
    m_device.reset();
    m_layout = FatLayout{};
    m_sectors = 0;
}

bool FatExplorer::readBytes(uint64_t offset, void* buffer, size_t length)
{
    if (!m_device)
        return false;
    VolumeReader reader(*m_device, m_sectors);
    return reader.ReadBytes(offset, buffer, length);
}

bool FatExplorer::nextCluster(uint32_t cluster, uint32_t& next)
{
    uint8_t b[4] = {};
    if (m_layout.entryBits == 12) {
        if (!readBytes(m_layout.fatOffset + uint64_t(cluster) * 3 / 2, b, 2))
            return false;
        const uint32_t v = le16(b);
        next = (cluster & 1) ? v >> 4 : v & 0x0FFF;
        if (next >= 0xFF8)
            next = 0x0FFFFFFF;
    } else if (m_layout.entryBits == 16) {
        if (!readBytes(m_layout.fatOffset + uint64_t(cluster) * 2, b, 2))
            return false;
        next = le16(b);
        if (next >= 0xFFF8)
            next = 0x0FFFFFFF;
    } else {
        if (!readBytes(m_layout.fatOffset + uint64_t(cluster) * 4, b, 4))
            return false;
        next = le32(b) & 0x0FFFFFFF;
    }
    return true;
}

bool FatExplorer::chainRanges(uint32_t first, uint64_t maxBytes, std::vector<std::pair<uint64_t, uint64_t>>& ranges)
{
    ranges.clear();
    uint64_t total = 0;
    uint32_t cluster = first;
    for (uint32_t steps = 0; total < maxBytes; ++steps) {
        if (cluster < 2 || cluster >= m_layout.clusterCount + 2 || steps > m_layout.clusterCount)
            return false; // a broken or looping chain
        const uint64_t length = std::min<uint64_t>(m_layout.clusterBytes, maxBytes - total);
        ranges.emplace_back(m_layout.dataOffset + uint64_t(cluster - 2) * m_layout.clusterBytes, length);
        total += length;
        if (total >= maxBytes)
            break;
        uint32_t next = 0;
        if (!nextCluster(cluster, next))
            return false;
        if (next >= 0x0FFFFFF8)
            break;
        cluster = next;
    }
    return true;
}

int FatExplorer::List(int32_t directoryId, std::vector<ExplorerEntry>& entries)
{
    entries.clear();
    if (!m_device)
        return 0;
    std::vector<uint8_t> dir;
    const bool fixedRoot = directoryId == kExplorerRoot && m_layout.code != kFsFat32;
    if (fixedRoot) {
        dir.resize(size_t(m_layout.rootDirBytes));
        if (!readBytes(m_layout.rootDirOffset, dir.data(), dir.size()))
            return 0;
    } else {
        const uint32_t first = directoryId == kExplorerRoot ? m_layout.rootCluster : uint32_t(directoryId);
        std::vector<std::pair<uint64_t, uint64_t>> ranges;
        // Directories are at most 65536 entries long.
        if (!chainRanges(first, 65536ull * kEntrySize, ranges) && ranges.empty())
            return 0;
        for (const auto& [offset, length] : ranges) {
            const size_t at = dir.size();
            dir.resize(at + size_t(length));
            if (!readBytes(offset, dir.data() + at, size_t(length)))
                return 0;
        }
    }

    std::vector<FatDirectoryItem> items;
    ParseFatDirectory(dir.data(), dir.size(), items);
    for (const FatDirectoryItem& d : items) {
        const uint8_t* e = d.Entry;
        ExplorerEntry item;
        std::memset(&item, 0, sizeof item);
        if (!d.LongName.empty())
            UnicodeToAnsi(d.LongName.c_str(), int(d.LongName.size()), item.Name, sizeof item.Name);
        else
            std::snprintf(item.Name, sizeof item.Name, "%s", d.ShortName.c_str());
        const uint8_t attributes = e[11];
        item.Attributes = attributes;
        item.Size = (attributes & 0x10) ? 0 : int64_t(le32(e + 28));
        toFileTime(le16(e + 16), le16(e + 14), item.CreationTime);
        toFileTime(le16(e + 24), le16(e + 22), item.ModificationTime);
        const uint32_t cluster = uint32_t(le16(e + 26)) | (m_layout.code == kFsFat32 ? uint32_t(le16(e + 20)) << 16 : 0);
        item.DirectoryId = int32_t(cluster);
        entries.push_back(item);
    }
    return 1;
}

int FatExplorer::ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data)
{
    data.clear();
    if (!m_device || (file.Attributes & 0x10) || file.Size < 0)
        return 0;
    if (file.Size == 0)
        return 1;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    if (!chainRanges(uint32_t(file.DirectoryId), uint64_t(file.Size), ranges))
        return 0;
    for (const auto& [offset, length] : ranges) {
        const size_t at = data.size();
        data.resize(at + size_t(length));
        if (!readBytes(offset, data.data() + at, size_t(length)))
            return 0;
    }
    return data.size() == size_t(file.Size) ? 1 : 0;
}

int FatExplorer::WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data)
{
    if (!m_device || (file.Attributes & 0x10) || int64_t(data.size()) != file.Size)
        return 0;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    if (!chainRanges(uint32_t(file.DirectoryId), uint64_t(file.Size), ranges))
        return 0;
    VolumeReader reader(*m_device, m_sectors);
    size_t done = 0;
    for (const auto& [offset, length] : ranges) {
        // Whole sectors: read, patch, write.
        const int64_t first = int64_t(offset / 512);
        const int64_t count = int64_t((offset % 512 + length + 511) / 512);
        std::vector<uint8_t> sectors(size_t(count) * 512);
        if (!reader.ReadSectors(sectors.data(), first, count))
            return 0;
        std::memcpy(sectors.data() + offset % 512, data.data() + done, size_t(length));
        if (!m_device->WriteSectors(sectors.data(), first, count))
            return 0;
        done += size_t(length);
    }
    return 1;
}
