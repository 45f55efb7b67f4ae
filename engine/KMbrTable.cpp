#include "KMbrTable.h"

#include "MbrLayout.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "core/ByteOrder.h"

namespace {

constexpr int kTableOffset = int(Mbr::kTableOffset);
constexpr int kEntrySize = int(Mbr::kEntryBytes);

struct RawEntry {
    uint8_t boot;
    uint8_t type;
    uint32_t start;
    uint32_t count;
};

RawEntry rawEntry(const uint8_t* sector, int slot)
{
    const uint8_t* e = sector + kTableOffset + slot * kEntrySize;
    return {e[Mbr::kEntryBoot], e[Mbr::kEntryType], le32(e + Mbr::kEntryFirstLba), le32(e + Mbr::kEntrySectorCount)};
}

bool hasSignature(const uint8_t* sector)
{
    return sector[Mbr::kMark] == 0x55 && sector[Mbr::kMark + 1] == 0xAA;
}

PartitionInfo makeEntry(const RawEntry& raw, int64_t start, int64_t hidden, bool primary, int number)
{
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = start;
    p.SectorCount = raw.count;
    p.PartitionTypeId = raw.type;
    p.HiddenSectors = hidden;
    p.IsPrimary = primary ? 1 : 0;
    p.Active = raw.boot == 0x80 ? 1 : 0;
    p.Hidden = KMbrTable::IsHiddenType(raw.type) ? 1 : 0;
    p.PartitionNumber = number;
    p.ClusterSize = 1;
    p.TotalSectors = raw.count;
    return p;
}

// Adds the entry unless it starts past the disk; an entry running past the end gets a correction.
bool addChecked(TableScan& scan, const PartitionInfo& p, int64_t totalSectors)
{
    if (p.StartingLba >= totalSectors) {
        scan.Errors.Status |= kTablePastEnd;
        return false;
    }
    scan.List.push_back(p);
    if (p.StartingLba + p.SectorCount > totalSectors)
        scan.Errors.Corrections.push_back(
            {kCorrectSectorCount, int32_t(scan.List.size() - 1), totalSectors - p.StartingLba});
    return true;
}

void walkExtended(ISectorDevice& disk, int64_t totalSectors, int64_t containerStart, int64_t containerCount,
                  TableScan& scan)
{
    const int64_t containerEnd = std::min(containerStart + containerCount, totalSectors);
    std::set<int64_t> visited;
    int64_t ebr = containerStart;
    int logicals = 0;
    int records = 0;
    int number = 5;
    uint8_t sector[512];
    while (true) {
        if (ebr < containerStart || ebr >= containerEnd) {
            scan.Errors.Status |= kTableLinkOutside;
            return;
        }
        // Empty records still cost a read each: a chain of them is bounded like the partitions are.
        if (++records > 4 * KMbrTable::kMaxLogicals) {
            scan.Errors.Status |= kTableTooManyLogicals;
            return;
        }
        if (!visited.insert(ebr).second) {
            scan.Errors.Status |= kTableLinkBackwards;
            return;
        }
        if (!disk.ReadSectors(sector, ebr, 1)) {
            scan.Errors.Status |= kTableReadFailed;
            return;
        }
        if (!hasSignature(sector)) {
            // An extended container whose first record was never written holds no logical partition.
            if (ebr != containerStart)
                scan.Errors.Status |= kTableBadEntry;
            return;
        }
        const RawEntry logical = rawEntry(sector, 0);
        const RawEntry link = rawEntry(sector, 1);
        if (logical.type != 0 && logical.count != 0) {
            if (++logicals > KMbrTable::kMaxLogicals) {
                scan.Errors.Status |= kTableTooManyLogicals;
                return;
            }
            const int64_t start = ebr + int64_t(logical.start);
            if (logical.start == 0 || start + int64_t(logical.count) > containerStart + containerCount) {
                scan.Errors.Status |= kTableLinkOutside;
                return;
            }
            if (!addChecked(scan, makeEntry(logical, start, logical.start, false, number++), totalSectors))
                return;
        }
        if (link.type == 0 || link.count == 0)
            return;
        if (!KMbrTable::IsExtendedType(link.type)) {
            scan.Errors.Status |= kTableBadEntry;
            return;
        }
        const int64_t next = containerStart + int64_t(link.start);
        if (next <= ebr) {
            scan.Errors.Status |= kTableLinkBackwards;
            return;
        }
        ebr = next;
    }
}

} // namespace

void KMbrTable::Read(ISectorDevice& disk, int64_t totalSectors, TableScan& scan)
{
    uint8_t sector[512];
    if (totalSectors < 1 || !disk.ReadSectors(sector, 0, 1)) {
        scan.Errors.Status |= kTableReadFailed;
        return;
    }
    scan.MbrSignature = le32(sector + Mbr::kDiskSignature);
    if (!hasSignature(sector))
        return; // a blank disk
    bool haveContainer = false;
    for (int slot = 0; slot < 4; ++slot) {
        const RawEntry raw = rawEntry(sector, slot);
        if (raw.type == 0 || raw.count == 0)
            continue;
        if (raw.boot != 0 && raw.boot != 0x80)
            scan.Errors.Status |= kTableBadEntry;
        if (raw.type == 0x42)
            scan.IsDynamic = true;
        if (IsExtendedType(raw.type)) {
            if (haveContainer || raw.start == 0) {
                scan.Errors.Status |= kTableBadEntry;
                continue;
            }
            haveContainer = true;
            scan.ContainerNumber = slot + 1;
            scan.ContainerStart = raw.start;
            scan.ContainerSectors = raw.count;
            walkExtended(disk, totalSectors, raw.start, raw.count, scan);
            continue;
        }
        if (raw.start == 0) {
            scan.Errors.Status |= kTableOverlap; // would cover the table itself
            continue;
        }
        addChecked(scan, makeEntry(raw, raw.start, raw.start, true, slot + 1), totalSectors);
    }
    SortByStartingLba(scan.List);
    for (size_t i = 1; i < scan.List.size(); ++i)
        if (scan.List[i].StartingLba < scan.List[i - 1].StartingLba + scan.List[i - 1].SectorCount)
            scan.Errors.Status |= kTableOverlap;
}

void KMbrTable::EncodeChs(uint8_t* out, int64_t lba, const DiskGeometry& geometry)
{
    const int64_t heads = geometry.TracksPerCylinder > 0 ? geometry.TracksPerCylinder : 255;
    const int64_t spt = geometry.SectorsPerTrack > 0 ? geometry.SectorsPerTrack : 63;
    int64_t cylinder = lba / (heads * spt);
    int64_t head = (lba / spt) % heads;
    int64_t sector = lba % spt + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = 254;
        sector = 63;
    }
    out[0] = uint8_t(head);
    out[1] = uint8_t((sector & 0x3F) | ((cylinder >> 2) & 0xC0));
    out[2] = uint8_t(cylinder & 0xFF);
}

namespace {

void putEntry(uint8_t* sector, int slot, uint8_t boot, uint8_t type, int64_t absStart, int64_t relStart,
              int64_t count, const DiskGeometry& geometry)
{
    uint8_t* e = sector + kTableOffset + slot * kEntrySize;
    e[Mbr::kEntryBoot] = boot;
    KMbrTable::EncodeChs(e + Mbr::kEntryFirstChs, absStart, geometry);
    e[Mbr::kEntryType] = type;
    KMbrTable::EncodeChs(e + Mbr::kEntryLastChs, absStart + count - 1, geometry);
    put_le32(e + Mbr::kEntryFirstLba, uint32_t(relStart));
    put_le32(e + Mbr::kEntrySectorCount, uint32_t(count));
}

bool fits32(int64_t v)
{
    return v >= 0 && v <= 0xFFFFFFFFll;
}

} // namespace

bool KMbrTable::Write(ISectorDevice& disk, int64_t totalSectors, const DiskGeometry& geometry,
                      const DriveLayout& layout)
{
    if (layout.PartitionStyle != kLayoutMbr)
        return false;
    std::vector<DriveLayoutEntry> entries = layout.Entries;
    std::sort(entries.begin(), entries.end(),
              [](const DriveLayoutEntry& a, const DriveLayoutEntry& b) { return a.StartingOffset < b.StartingOffset; });

    const DriveLayoutEntry* container = nullptr;
    for (const auto& e : entries) {
        if (e.PartitionLength <= 0 || e.StartingOffset <= 0 || !fits32(e.StartingOffset) ||
            !fits32(e.PartitionLength) || e.StartingOffset + e.PartitionLength > totalSectors)
            return false;
        if (IsExtendedType(e.Mbr.PartitionType)) {
            if (container)
                return false;
            container = &e;
        }
    }
    const int64_t cStart = container ? container->StartingOffset : 0;
    const int64_t cEnd = container ? container->StartingOffset + container->PartitionLength : 0;
    auto inContainer = [&](const DriveLayoutEntry& e) {
        return container && &e != container && e.StartingOffset >= cStart && e.StartingOffset < cEnd;
    };

    std::vector<const DriveLayoutEntry*> primaries, logicals;
    for (const auto& e : entries)
        (inContainer(e) ? logicals : primaries).push_back(&e);
    if (primaries.size() > 4)
        return false;
    // The slots (the container among them) never share a sector: a record written into one would land
    // inside another.
    for (size_t i = 1; i < primaries.size(); ++i)
        if (primaries[i]->StartingOffset < primaries[i - 1]->StartingOffset + primaries[i - 1]->PartitionLength)
            return false;

    // Extended boot records: each sits before its partition, after the previous one, inside the container.
    std::vector<int64_t> ebrs;
    int64_t previousEnd = cStart;
    for (const auto* l : logicals) {
        const int64_t hidden = l->Mbr.HiddenSectors;
        const int64_t ebr = l->StartingOffset - hidden;
        if (hidden <= 0 || ebr < cStart || (!ebrs.empty() && ebr < previousEnd) ||
            l->StartingOffset + l->PartitionLength > cEnd)
            return false;
        ebrs.push_back(ebr);
        previousEnd = l->StartingOffset + l->PartitionLength;
    }
    if (!logicals.empty() && ebrs.front() != cStart)
        return false; // the chain must begin at the container's first sector

    uint8_t sector[512];
    for (size_t i = 0; i < logicals.size(); ++i) {
        std::memset(sector, 0, sizeof sector);
        const auto* l = logicals[i];
        putEntry(sector, 0, l->Mbr.BootIndicator, l->Mbr.PartitionType, l->StartingOffset, l->Mbr.HiddenSectors,
                 l->PartitionLength, geometry);
        if (i + 1 < logicals.size()) {
            const int64_t next = ebrs[i + 1];
            const int64_t nextEnd = logicals[i + 1]->StartingOffset + logicals[i + 1]->PartitionLength;
            putEntry(sector, 1, 0, 0x05, next, next - cStart, nextEnd - next, geometry);
        }
        sector[Mbr::kMark] = 0x55;
        sector[Mbr::kMark + 1] = 0xAA;
        if (!disk.WriteSectors(sector, ebrs[i], 1))
            return false;
    }
    if (container && logicals.empty()) {
        // An empty container still needs a terminating record at its start.
        std::memset(sector, 0, sizeof sector);
        sector[Mbr::kMark] = 0x55;
        sector[Mbr::kMark + 1] = 0xAA;
        if (!disk.WriteSectors(sector, cStart, 1))
            return false;
    }

    if (!disk.ReadSectors(sector, 0, 1))
        std::memset(sector, 0, sizeof sector);
    put_le32(sector + Mbr::kDiskSignature, layout.Signature);
    std::memset(sector + kTableOffset, 0, 4 * kEntrySize);
    for (size_t slot = 0; slot < primaries.size(); ++slot) {
        const auto* p = primaries[slot];
        putEntry(sector, int(slot), p->Mbr.BootIndicator, p->Mbr.PartitionType, p->StartingOffset, p->StartingOffset,
                 p->PartitionLength, geometry);
    }
    sector[Mbr::kMark] = 0x55;
    sector[Mbr::kMark + 1] = 0xAA;
    return disk.WriteSectors(sector, 0, 1) != 0;
}
