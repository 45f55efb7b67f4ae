#include "KGptTable.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/ByteOrder.h"
#include "Crc32.h"
#include "Guid.h"

namespace {

void decodeHeader(const uint8_t* s, GptHeader& h)
{
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.Signature, s, 8);
    h.Revision = le32(s + Gpt::kRevision);
    h.HeaderSize = le32(s + Gpt::kHeaderSize);
    h.HeaderCrc32 = le32(s + Gpt::kHeaderCrc32);
    h.Reserved20 = le32(s + Gpt::kReserved20);
    h.MyLba = le64(s + Gpt::kMyLba);
    h.AlternateLba = le64(s + Gpt::kAlternateLba);
    h.FirstUsableLba = le64(s + Gpt::kFirstUsableLba);
    h.LastUsableLba = le64(s + Gpt::kLastUsableLba);
    std::memcpy(h.DiskGuid, s + Gpt::kDiskGuid, 16);
    h.PartitionEntryLba = le64(s + Gpt::kPartitionEntryLba);
    h.NumberOfPartitionEntries = le32(s + Gpt::kNumberOfPartitionEntries);
    h.SizeOfPartitionEntry = le32(s + Gpt::kSizeOfPartitionEntry);
    h.PartitionEntryArrayCrc32 = le32(s + Gpt::kPartitionEntryArrayCrc32);
}

void encodeHeader(const GptHeader& h, uint8_t* s)
{
    std::memset(s, 0, 512);
    std::memcpy(s, "EFI PART", 8);
    put_le32(s + Gpt::kRevision, Gpt::kRevision1);
    put_le32(s + Gpt::kHeaderSize, uint32_t(Gpt::kHeaderBytes));
    put_le64(s + Gpt::kMyLba, h.MyLba);
    put_le64(s + Gpt::kAlternateLba, h.AlternateLba);
    put_le64(s + Gpt::kFirstUsableLba, h.FirstUsableLba);
    put_le64(s + Gpt::kLastUsableLba, h.LastUsableLba);
    std::memcpy(s + Gpt::kDiskGuid, h.DiskGuid, 16);
    put_le64(s + Gpt::kPartitionEntryLba, h.PartitionEntryLba);
    put_le32(s + Gpt::kNumberOfPartitionEntries, h.NumberOfPartitionEntries);
    put_le32(s + Gpt::kSizeOfPartitionEntry, h.SizeOfPartitionEntry);
    put_le32(s + Gpt::kPartitionEntryArrayCrc32, h.PartitionEntryArrayCrc32);
    put_le32(s + Gpt::kHeaderCrc32, Crc32(s, Gpt::kHeaderBytes));
}

int64_t arraySectors(const GptHeader& h)
{
    return (int64_t(h.NumberOfPartitionEntries) * h.SizeOfPartitionEntry + 511) / 512;
}

bool readArray(ISectorDevice& disk, int64_t totalSectors, const GptHeader& h, std::vector<uint8_t>& array)
{
    const int64_t sectors = arraySectors(h);
    if (sectors > totalSectors || h.PartitionEntryLba < 2 || h.PartitionEntryLba > uint64_t(totalSectors - sectors))
        return false;
    array.assign(size_t(sectors) * 512, 0);
    if (!disk.ReadSectors(array.data(), int64_t(h.PartitionEntryLba), sectors))
        return false;
    const size_t bytes = size_t(h.NumberOfPartitionEntries) * h.SizeOfPartitionEntry;
    return Crc32(array.data(), bytes) == h.PartitionEntryArrayCrc32;
}

} // namespace

bool KGptTable::ReadHeader(ISectorDevice& disk, int64_t totalSectors, int64_t lba, GptHeader& header)
{
    if (lba < 1 || lba >= totalSectors)
        return false;
    uint8_t s[512];
    if (!disk.ReadSectors(s, lba, 1))
        return false;
    if (std::memcmp(s, "EFI PART", 8) != 0)
        return false;
    GptHeader h;
    decodeHeader(s, h);
    if (h.HeaderSize < 92 || h.HeaderSize > 512)
        return false;
    uint8_t copy[512];
    std::memcpy(copy, s, 512);
    put_le32(copy + Gpt::kHeaderCrc32, 0);
    if (Crc32(copy, h.HeaderSize) != h.HeaderCrc32)
        return false;
    if (int64_t(h.MyLba) != lba)
        return false;
    if (h.SizeOfPartitionEntry < kEntrySize || h.SizeOfPartitionEntry > 4096 || (h.SizeOfPartitionEntry % 8) != 0 ||
        h.NumberOfPartitionEntries == 0 || h.NumberOfPartitionEntries > kMaxEntries)
        return false;
    // The usable area never covers the protective MBR, the primary header or the backup header.
    if (totalSectors < 3 || h.FirstUsableLba < 2 || h.FirstUsableLba > h.LastUsableLba ||
        h.LastUsableLba > uint64_t(totalSectors) - 2)
        return false;
    header = h;
    return true;
}

void KGptTable::ClassifyEntry(PartitionInfo& p)
{
    const uint8_t* t = p.GptTypeGuid;
    p.Active = GuidEquals(t, GptType::EfiSystem) ? 1 : 0;
    p.GptReserved = GuidEquals(t, GptType::MicrosoftReserved) ? 1 : 0;
    p.GptRecovery = GuidEquals(t, GptType::WindowsRecovery) ? 1 : 0;
    p.GptData = GuidEquals(t, GptType::BasicData) ? 1 : 0;
    p.Hidden = (p.GptAttributes & kGptAttrHidden) ? 1 : 0;
    p.ReadOnly = (p.GptAttributes & kGptAttrReadOnly) ? 1 : 0;
    if (p.GptData)
        p.PartitionTypeId = p.FileSystemType == 11 ? 0x0B : 0x07;
    else if (GuidEquals(t, GptType::LinuxData))
        p.PartitionTypeId = 0x83;
    else if (GuidEquals(t, GptType::LinuxSwap))
        p.PartitionTypeId = 0x82;
    else if (p.Active)
        p.PartitionTypeId = 0xEF;
    else if (GuidEquals(t, GptType::LdmMetadata) || GuidEquals(t, GptType::LdmData))
        p.PartitionTypeId = 0x42;
    else
        p.PartitionTypeId = 0x0C;
}

void KGptTable::Read(ISectorDevice& disk, int64_t totalSectors, TableScan& scan)
{
    scan.IsGpt = true;
    std::vector<uint8_t> array;
    GptHeader h{};
    bool ok = ReadHeader(disk, totalSectors, 1, h) && readArray(disk, totalSectors, h, array);
    if (!ok) {
        GptHeader primary{};
        const bool primaryHeaderOk = ReadHeader(disk, totalSectors, 1, primary);
        const int64_t backupLba = primaryHeaderOk ? int64_t(primary.AlternateLba) : totalSectors - 1;
        ok = ReadHeader(disk, totalSectors, backupLba, h) && readArray(disk, totalSectors, h, array);
        if (!ok && backupLba != totalSectors - 1)
            ok = ReadHeader(disk, totalSectors, totalSectors - 1, h) && readArray(disk, totalSectors, h, array);
    }
    if (!ok) {
        scan.Errors.Status |= kTableGptDamaged;
        return;
    }
    scan.GptHeaderValid = true;
    scan.Header = h;
    for (uint32_t i = 0; i < h.NumberOfPartitionEntries; ++i) {
        const uint8_t* e = array.data() + size_t(i) * h.SizeOfPartitionEntry;
        if (GuidIsZero(e))
            continue;
        const uint64_t first = le64(e + Gpt::kEntryFirstLba);
        const uint64_t last = le64(e + Gpt::kEntryLastLba);
        if (last < first || first < h.FirstUsableLba || last > h.LastUsableLba) {
            scan.Errors.Status |= first >= uint64_t(totalSectors) ? kTablePastEnd : kTableBadEntry;
            continue;
        }
        PartitionInfo p = MakeEmptyPartitionInfo();
        p.IsGptEntry = 1;
        p.IsPrimary = 1;
        p.StartingLba = int64_t(first);
        p.SectorCount = int64_t(last - first + 1);
        p.HiddenSectors = p.StartingLba;
        std::memcpy(p.GptTypeGuid, e + Gpt::kEntryTypeGuid, 16);
        std::memcpy(p.GptUniqueGuid, e + Gpt::kEntryUniqueGuid, 16);
        p.GptAttributes = le64(e + Gpt::kEntryAttributes);
        for (int c = 0; c < Gpt::kEntryNameUnits; ++c)
            p.GptName[c] = char16_t(le16(e + Gpt::kEntryName + 2 * c));
        p.PartitionNumber = int32_t(i + 1);
        p.ClusterSize = 1;
        p.TotalSectors = p.SectorCount;
        ClassifyEntry(p);
        scan.List.push_back(p);
        if (GuidEquals(p.GptTypeGuid, GptType::LdmMetadata))
            scan.IsDynamic = true;
    }
    SortByStartingLba(scan.List);
    for (size_t i = 1; i < scan.List.size(); ++i)
        if (scan.List[i].StartingLba < scan.List[i - 1].StartingLba + scan.List[i - 1].SectorCount)
            scan.Errors.Status |= kTableOverlap;
}

bool KGptTable::Write(ISectorDevice& disk, int64_t totalSectors, const GptHeader& current, const DriveLayout& layout)
{
    if (layout.PartitionStyle != kLayoutGpt || totalSectors < 68)
        return false;
    GptHeader h{};
    h.SizeOfPartitionEntry = current.SizeOfPartitionEntry >= kEntrySize && current.SizeOfPartitionEntry <= 4096 &&
                                     current.SizeOfPartitionEntry % 8 == 0
                                 ? current.SizeOfPartitionEntry
                                 : kEntrySize;
    uint32_t count = layout.MaxPartitionCount ? layout.MaxPartitionCount : 128;
    count = std::min(count, kMaxEntries);
    h.NumberOfPartitionEntries = count;
    const int64_t sectors = arraySectors(h);
    h.FirstUsableLba = uint64_t(layout.StartingUsableOffset / 512);
    h.LastUsableLba = uint64_t((layout.StartingUsableOffset + layout.UsableLength) / 512 - 1);
    std::memcpy(h.DiskGuid, layout.DiskId, 16);
    // The arrays must lie between the headers and the usable area.
    if (int64_t(h.FirstUsableLba) < 2 + sectors || int64_t(h.LastUsableLba) > totalSectors - 2 - sectors ||
        h.FirstUsableLba > h.LastUsableLba)
        return false;

    std::vector<uint8_t> array(size_t(sectors) * 512, 0);
    std::vector<bool> used(count, false);
    std::vector<const DriveLayoutEntry*> pending;
    for (const auto& e : layout.Entries) {
        if (e.StartingOffset % 512 || e.PartitionLength % 512 || e.PartitionLength <= 0)
            return false;
        const int64_t first = e.StartingOffset / 512;
        const int64_t last = first + e.PartitionLength / 512 - 1;
        if (first < int64_t(h.FirstUsableLba) || last > int64_t(h.LastUsableLba))
            return false;
        pending.push_back(&e);
    }
    // Keep each partition in its slot when its number names a free one; the rest take the first free slots.
    std::vector<std::pair<uint32_t, const DriveLayoutEntry*>> placed;
    std::vector<const DriveLayoutEntry*> unplaced;
    for (const auto* e : pending) {
        const uint32_t slot = e->PartitionNumber - 1;
        if (e->PartitionNumber >= 1 && slot < count && !used[slot]) {
            used[slot] = true;
            placed.push_back({slot, e});
        } else {
            unplaced.push_back(e);
        }
    }
    uint32_t next = 0;
    for (const auto* e : unplaced) {
        while (next < count && used[next])
            ++next;
        if (next >= count)
            return false;
        used[next] = true;
        placed.push_back({next, e});
    }
    for (const auto& [slot, e] : placed) {
        uint8_t* out = array.data() + size_t(slot) * h.SizeOfPartitionEntry;
        std::memcpy(out + Gpt::kEntryTypeGuid, e->Gpt.PartitionType, 16);
        std::memcpy(out + Gpt::kEntryUniqueGuid, e->Gpt.PartitionId, 16);
        put_le64(out + Gpt::kEntryFirstLba, uint64_t(e->StartingOffset / 512));
        put_le64(out + Gpt::kEntryLastLba, uint64_t(e->StartingOffset / 512 + e->PartitionLength / 512 - 1));
        put_le64(out + Gpt::kEntryAttributes, e->Gpt.Attributes);
        for (int c = 0; c < Gpt::kEntryNameUnits; ++c)
            put_le16(out + Gpt::kEntryName + 2 * c, uint16_t(e->Gpt.Name[c]));
    }
    h.PartitionEntryArrayCrc32 = Crc32(array.data(), size_t(count) * h.SizeOfPartitionEntry);

    GptHeader primary = h;
    primary.MyLba = 1;
    primary.AlternateLba = uint64_t(totalSectors - 1);
    primary.PartitionEntryLba = 2;
    GptHeader backup = h;
    backup.MyLba = uint64_t(totalSectors - 1);
    backup.AlternateLba = 1;
    backup.PartitionEntryLba = uint64_t(totalSectors - 1 - sectors);

    uint8_t sector[512];
    // Backup first, so an interruption leaves one whole copy.
    if (!disk.WriteSectors(array.data(), int64_t(backup.PartitionEntryLba), sectors))
        return false;
    encodeHeader(backup, sector);
    if (!disk.WriteSectors(sector, int64_t(backup.MyLba), 1))
        return false;
    if (!disk.WriteSectors(array.data(), 2, sectors))
        return false;
    encodeHeader(primary, sector);
    return disk.WriteSectors(sector, 1, 1) != 0;
}
