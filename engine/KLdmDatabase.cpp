#include "KLdmDatabase.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "Guid.h"
#include "PartitionTableScan.h"

namespace Ldm {

namespace {

constexpr int64_t kSector = 512;
// The private header of an MBR-style disk, and its copies' places inside the database.
constexpr int64_t kMbrPrivateHeader = 6;
constexpr int64_t kPrivateHeaderCopy = 1856;
// Where the tables of contents sit in the database when the private header does not say.
constexpr int64_t kTocPlaces[] = {1, 2, 2045, 2046};
// The database is one megabyte; a header claiming more is not believed.
constexpr uint64_t kMaxConfigSectors = 2048;
constexpr int kMaxFragments = 64;

uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
uint64_t be64(const uint8_t* p) { return (uint64_t(be32(p)) << 32) | be32(p + 4); }

// Sum of the sector's bytes with the four checksum bytes at `field` left out. A stored zero means the
// writer kept no checksum.
bool checksumHolds(const uint8_t* sector, size_t field)
{
    const uint32_t stored = be32(sector + field);
    if (stored == 0)
        return true;
    uint32_t sum = 0;
    for (size_t i = 0; i < size_t(kSector); ++i)
        if (i < field || i >= field + 4)
            sum += sector[i];
    return sum == stored;
}

std::string fixedText(const uint8_t* p, size_t width)
{
    size_t n = 0;
    while (n < width && p[n])
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

std::string lowerCase(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

// A bounded reader over one record: any read past the end marks it broken and yields zeros.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t end, size_t pos) : m_data(data), m_end(end), m_pos(pos) {}
    bool Ok() const { return m_ok; }
    size_t Pos() const { return m_pos; }

    const uint8_t* Take(size_t n)
    {
        if (!m_ok || !fits(m_end, m_pos, n)) {
            m_ok = false;
            return nullptr;
        }
        const uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    void Skip(size_t n) { Take(n); }
    uint8_t Byte()
    {
        const uint8_t* p = Take(1);
        return p ? *p : 0;
    }
    uint64_t Fixed64()
    {
        const uint8_t* p = Take(8);
        return p ? be64(p) : 0;
    }
    // A variable-width number: a length byte (at most 8), then that many big-endian bytes.
    uint64_t Number()
    {
        const uint8_t n = Byte();
        if (n > 8) {
            m_ok = false;
            return 0;
        }
        const uint8_t* p = Take(n);
        uint64_t v = 0;
        for (size_t i = 0; p && i < n; ++i)
            v = (v << 8) | p[i];
        return v;
    }
    std::string Text()
    {
        const uint8_t n = Byte();
        const uint8_t* p = Take(n);
        return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
    }

private:
    static bool fits(size_t size, size_t offset, size_t width) { return offset <= size && width <= size - offset; }
    const uint8_t* m_data;
    size_t m_end;
    size_t m_pos;
    bool m_ok = true;
};

struct PrivateHeader {
    uint64_t Sequence = 0;
    std::string DiskGuid, GroupGuid, GroupName;
    uint64_t PublicStart = 0, PublicSize = 0, ConfigStart = 0, ConfigSize = 0;
    uint64_t PrimaryToc = 0, SecondaryToc = 0;
};

bool readPrivateHeader(ISectorDevice& disk, int64_t total, int64_t lba, PrivateHeader& h)
{
    uint8_t s[kSector];
    if (lba < 0 || lba >= total || !disk.ReadSectors(s, lba, 1))
        return false;
    if (std::memcmp(s, "PRIVHEAD", 8) != 0 || !checksumHolds(s, 0x08))
        return false;
    if (be16(s + 0x0C) != 2 || (be16(s + 0x0E) != 11 && be16(s + 0x0E) != 12))
        return false;
    h.Sequence = be64(s + 0x18);
    h.DiskGuid = lowerCase(fixedText(s + 0x30, 64));
    h.GroupGuid = lowerCase(fixedText(s + 0xB0, 64));
    h.GroupName = fixedText(s + 0xF0, 31);
    h.PublicStart = be64(s + 0x11B);
    h.PublicSize = be64(s + 0x123);
    h.ConfigStart = be64(s + 0x12B);
    h.ConfigSize = be64(s + 0x133);
    h.PrimaryToc = be64(s + 0x13B);
    h.SecondaryToc = be64(s + 0x143);
    const uint64_t t = uint64_t(total);
    // Both regions inside the disk, the database one megabyte at most, the public region never over it.
    if (h.DiskGuid.empty() || h.ConfigSize < 32 || h.ConfigSize > kMaxConfigSectors || h.ConfigStart >= t ||
        h.ConfigSize > t - h.ConfigStart || h.PublicSize == 0 || h.PublicStart == 0 || h.PublicStart >= t ||
        h.PublicSize > t - h.PublicStart)
        return false;
    const uint64_t publicEnd = h.PublicStart + h.PublicSize, configEnd = h.ConfigStart + h.ConfigSize;
    return publicEnd <= h.ConfigStart || configEnd <= h.PublicStart;
}

struct Toc {
    uint64_t Sequence = 0;
    uint64_t ConfigStart = 0, ConfigSize = 0; // sectors, inside the database
};

bool readToc(ISectorDevice& disk, const PrivateHeader& h, uint64_t relative, Toc& toc)
{
    uint8_t s[kSector];
    if (relative == 0 || relative >= h.ConfigSize || !disk.ReadSectors(s, int64_t(h.ConfigStart + relative), 1))
        return false;
    if (std::memcmp(s, "TOCBLOCK", 8) != 0 || !checksumHolds(s, 0x08))
        return false;
    toc.Sequence = be64(s + 0x0C);
    // The regions: 34 bytes each from 0x24, named; the one named "config" holds the database proper.
    for (size_t at = 0x24; at + 34 <= size_t(kSector); at += 34) {
        if (s[at] == 0)
            break;
        if (fixedText(s + at, 8) != "config")
            continue;
        toc.ConfigStart = be64(s + at + 0x0A);
        toc.ConfigSize = be64(s + at + 0x12);
        return toc.ConfigStart > 0 && toc.ConfigSize > 0 && toc.ConfigStart < h.ConfigSize &&
               toc.ConfigSize <= h.ConfigSize - toc.ConfigStart;
    }
    return false;
}

Status parseRecord(const std::vector<uint8_t>& r, Database& db)
{
    if (r.size() < 0x18)
        return kBadRecord;
    const uint8_t flags = r[0x12];
    const int type = r[0x13] & 0x0F;
    const int revision = r[0x13] >> 4;
    const uint32_t length = be32(r.data() + 0x14);
    if (length > r.size() - 0x18)
        return kBadRecord;
    Cursor c(r.data(), 0x18 + size_t(length), 0x18);
    switch (type) {
    case kRecordVolume: {
        if (revision != 5)
            return kBadRecord;
        Volume v;
        v.Id = c.Number();
        v.Name = c.Text();
        v.Type = c.Text();
        c.Text();    // a field that is empty in every known database
        c.Skip(14);  // state, "ACTIVE"
        c.Skip(7);   // volume kind, volume number, flags
        v.Children = c.Number();
        c.Skip(16);  // log commit id and another id
        v.Size = c.Number();
        c.Skip(4);
        v.PartitionType = c.Byte();
        c.Skip(16); // the volume's GUID
        if (flags & 0x08)
            c.Text();
        if (flags & 0x20)
            c.Text();
        if (flags & 0x80)
            c.Number();
        if (flags & 0x02)
            v.DriveHint = c.Text();
        if (!c.Ok())
            return kBadRecord;
        db.Volumes.push_back(v);
        return kOk;
    }
    case kRecordComponent: {
        if (revision != 3)
            return kBadRecord;
        Component k;
        k.Id = c.Number();
        k.Name = c.Text();
        c.Text(); // state
        k.Layout = c.Byte();
        c.Skip(4);
        k.Children = c.Number();
        c.Skip(16);
        k.VolumeId = c.Number();
        c.Skip(1);
        if (flags & 0x10) {
            k.StripeSize = c.Number();
            k.Columns = c.Number();
        }
        if (!c.Ok())
            return kBadRecord;
        db.Components.push_back(k);
        return kOk;
    }
    case kRecordPartition: {
        if (revision != 3)
            return kBadRecord;
        Partition p;
        p.Id = c.Number();
        p.Name = c.Text();
        c.Skip(12); // zeros and the log commit id
        p.Start = c.Fixed64();
        p.VolumeOffset = c.Fixed64();
        p.Size = c.Number();
        p.ComponentId = c.Number();
        p.DiskId = c.Number();
        if (flags & 0x08)
            c.Number();
        if (!c.Ok())
            return kBadRecord;
        db.Partitions.push_back(p);
        return kOk;
    }
    case kRecordDisk: {
        Disk d;
        d.Id = c.Number();
        d.Name = c.Text();
        if (revision == 3) {
            d.Guid = lowerCase(c.Text());
            c.Text(); // alternative name
        } else if (revision == 4) {
            const uint8_t* g = c.Take(16);
            if (g) {
                // Stored as the text form reads, most significant byte first.
                static const char* hex = "0123456789abcdef";
                for (int i = 0; i < 16; ++i) {
                    if (i == 4 || i == 6 || i == 8 || i == 10)
                        d.Guid += '-';
                    d.Guid += hex[g[i] >> 4];
                    d.Guid += hex[g[i] & 15];
                }
            }
        } else {
            return kBadRecord;
        }
        if (!c.Ok())
            return kBadRecord;
        db.Disks.push_back(d);
        return kOk;
    }
    case kRecordDiskGroup: {
        if (revision != 3 && revision != 4)
            return kBadRecord;
        DiskGroup g;
        g.Id = c.Number();
        g.Name = c.Text();
        if (!c.Ok())
            return kBadRecord;
        db.DiskGroups.push_back(g);
        return kOk;
    }
    default:
        return kBadRecord;
    }
}

template <typename T> bool uniqueIds(const std::vector<T>& items)
{
    std::set<uint64_t> seen;
    for (const T& t : items)
        if (t.Id == 0 || !seen.insert(t.Id).second)
            return false;
    return true;
}

Status checkReferences(const Database& db, const uint8_t* vmdb)
{
    if (!uniqueIds(db.Volumes) || !uniqueIds(db.Components) || !uniqueIds(db.Partitions) || !uniqueIds(db.Disks) ||
        db.DiskGroups.size() != 1)
        return kBadReference;
    // The header counts what is committed; the records found must be exactly those.
    if (be32(vmdb + 0x85) != db.Volumes.size() || be32(vmdb + 0x89) != db.Components.size() ||
        be32(vmdb + 0x8D) != db.Partitions.size() || be32(vmdb + 0x91) != db.Disks.size())
        return kBadReference;
    std::map<uint64_t, uint64_t> componentsOf, partitionsOf;
    for (const Component& k : db.Components) {
        if (!db.FindVolume(k.VolumeId))
            return kBadReference;
        ++componentsOf[k.VolumeId];
    }
    for (const Partition& p : db.Partitions) {
        if (!db.FindComponent(p.ComponentId) || !db.FindDisk(p.DiskId) || p.Size == 0)
            return kBadReference;
        ++partitionsOf[p.ComponentId];
    }
    for (const Volume& v : db.Volumes)
        if (v.Children == 0 || componentsOf[v.Id] != v.Children)
            return kBadReference;
    for (const Component& k : db.Components)
        if (k.Children == 0 || partitionsOf[k.Id] != k.Children)
            return kBadReference;
    if (!db.ThisDisk())
        return kBadReference;
    return kOk;
}

Status readVblks(ISectorDevice& disk, const PrivateHeader& h, const Toc& toc, Database& db)
{
    const int64_t first = int64_t(h.ConfigStart + toc.ConfigStart);
    const int64_t sectors = int64_t(toc.ConfigSize);
    uint8_t vmdb[kSector];
    if (!disk.ReadSectors(vmdb, first, 1))
        return kReadFailed;
    if (std::memcmp(vmdb, "VMDB", 4) != 0 || be16(vmdb + 0x12) != 4 || be16(vmdb + 0x14) != 10)
        return kBadVmdb;
    // A database in the middle of an update is not consistent enough to convert.
    if (be16(vmdb + 0x10) != 1)
        return kBadVmdb;
    const uint32_t lastSequence = be32(vmdb + 0x04);
    const uint32_t slot = be32(vmdb + 0x08);
    const uint32_t firstOffset = be32(vmdb + 0x0C);
    // The header's own fields end at 0xC5: the first record comes after them, on a slot boundary.
    if (slot < 0x20 || slot > uint32_t(kSector) * 8 || firstOffset < 0xC5 || firstOffset % slot != 0)
        return kBadVmdb;
    // Slot n lies n slots after the header; the header itself takes the first few. Only the slots up to
    // the last record are read, and they must lie inside the config region.
    const uint64_t firstSlot = firstOffset / slot;
    const uint64_t slots = uint64_t(sectors) * uint64_t(kSector) / slot;
    if (lastSequence < firstSlot || lastSequence >= slots)
        return kBadRecord; // records past the end of the database
    const int64_t needed = int64_t((uint64_t(lastSequence) + 1) * slot + uint64_t(kSector) - 1) / kSector;
    std::vector<uint8_t> area(size_t(needed * kSector));
    if (!disk.ReadSectors(area.data(), first, needed))
        return kReadFailed;
    std::map<uint32_t, std::vector<const uint8_t*>> groups;
    std::map<uint32_t, uint16_t> counts;
    for (uint64_t n = firstSlot; n <= lastSequence; ++n) {
        const uint8_t* v = area.data() + n * slot;
        if (std::memcmp(v, "VBLK", 4) != 0)
            continue;
        const uint32_t sequence = be32(v + 0x04);
        const uint32_t group = be32(v + 0x08);
        const uint16_t index = be16(v + 0x0C);
        const uint16_t count = be16(v + 0x0E);
        if (group == 0)
            continue; // a free slot
        if (sequence != n || count == 0 || count > kMaxFragments || index >= count)
            return kBadRecord;
        auto& fragments = groups[group];
        if (fragments.empty()) {
            fragments.assign(count, nullptr);
            counts[group] = count;
        }
        if (counts[group] != count || fragments[index] != nullptr)
            return kBadRecord;
        fragments[index] = v;
    }
    // A record is its fragments put together: the first one whole, the others without their headers.
    for (const auto& entry : groups) {
        const std::vector<const uint8_t*>& fragments = entry.second;
        std::vector<uint8_t> record;
        for (size_t i = 0; i < fragments.size(); ++i) {
            if (!fragments[i])
                return kBadRecord; // a fragment is missing
            record.insert(record.end(), fragments[i] + (i == 0 ? 0 : 16), fragments[i] + slot);
        }
        if (const Status s = parseRecord(record, db))
            return s;
    }
    return checkReferences(db, area.data());
}

} // namespace

const Disk* Database::FindDisk(uint64_t id) const
{
    for (const Disk& d : Disks)
        if (d.Id == id)
            return &d;
    return nullptr;
}

const Component* Database::FindComponent(uint64_t id) const
{
    for (const Component& k : Components)
        if (k.Id == id)
            return &k;
    return nullptr;
}

const Volume* Database::FindVolume(uint64_t id) const
{
    for (const Volume& v : Volumes)
        if (v.Id == id)
            return &v;
    return nullptr;
}

const Disk* Database::ThisDisk() const
{
    for (const Disk& d : Disks)
        if (d.Guid == DiskGuid)
            return &d;
    return nullptr;
}

namespace {

Status readWithScan(ISectorDevice& disk, int64_t total, const TableScan& scan, Database& out)
{
    out = Database{};
    if (!scan.IsDynamic)
        return kNotDynamic;
    // Where the private header and its copies may be.
    std::vector<int64_t> places;
    int64_t metadataStart = -1, metadataEnd = -1;
    if (scan.IsGpt) {
        for (const PartitionInfo& p : scan.List)
            if (GuidEquals(p.GptTypeGuid, GptType::LdmMetadata)) {
                metadataStart = p.StartingLba;
                metadataEnd = p.StartingLba + p.SectorCount;
                break;
            }
        if (metadataStart < 0)
            return kNotDynamic;
        places = {metadataEnd - 1, metadataStart + kPrivateHeaderCopy};
    } else {
        places = {kMbrPrivateHeader, total - 1};
    }
    PrivateHeader h;
    bool found = false;
    for (const int64_t at : places)
        if (readPrivateHeader(disk, total, at, h)) {
            found = true;
            break;
        }
    if (!found)
        return kBadPrivateHeader;
    // On a GPT disk the database is the metadata partition.
    if (scan.IsGpt && (int64_t(h.ConfigStart) < metadataStart || int64_t(h.ConfigStart + h.ConfigSize) > metadataEnd))
        return kBadPrivateHeader;

    // The newest table of contents that agrees with the private header.
    std::vector<uint64_t> tocPlaces = {h.PrimaryToc, h.SecondaryToc};
    for (const int64_t t : kTocPlaces)
        tocPlaces.push_back(uint64_t(t));
    Toc toc;
    bool haveToc = false;
    for (const uint64_t at : tocPlaces) {
        Toc candidate;
        if (readToc(disk, h, at, candidate) && candidate.Sequence == h.Sequence) {
            toc = candidate;
            haveToc = true;
            break;
        }
    }
    if (!haveToc)
        return kBadToc;

    out.DiskGuid = h.DiskGuid;
    out.DiskGroupGuid = h.GroupGuid;
    out.DiskGroupName = h.GroupName;
    out.PublicStart = h.PublicStart;
    out.PublicSize = h.PublicSize;
    out.ConfigStart = h.ConfigStart;
    out.ConfigSize = h.ConfigSize;
    out.UpdateSequence = h.Sequence;
    out.GptStyle = scan.IsGpt;
    const Status s = readVblks(disk, h, toc, out);
    if (s != kOk) {
        out = Database{};
        return s;
    }
    return kOk;
}

} // namespace

Status ReadDatabase(ISectorDevice& disk, int64_t totalSectors, Database& out)
{
    TableScan scan;
    ScanPartitionTables(disk, totalSectors, scan);
    return readWithScan(disk, totalSectors, scan, out);
}

PlanStatus PlanBasicConversion(ISectorDevice& disk, int64_t totalSectors, BasicPlan& out)
{
    out = BasicPlan{};
    TableScan scan;
    ScanPartitionTables(disk, totalSectors, scan);
    Database db;
    if (readWithScan(disk, totalSectors, scan, db) != kOk)
        return kPlanDamaged;
    const Disk* self = db.ThisDisk();

    PartitionList list;
    bool unsupported = false;
    for (const Volume& v : db.Volumes) {
        std::vector<const Component*> components;
        for (const Component& k : db.Components)
            if (k.VolumeId == v.Id)
                components.push_back(&k);
        std::vector<const Partition*> mine;
        bool onThisDisk = false;
        for (const Component* k : components)
            for (const Partition& p : db.Partitions)
                if (p.ComponentId == k->Id && p.DiskId == self->Id) {
                    onThisDisk = true;
                    mine.push_back(&p);
                }
        if (!onThisDisk)
            continue;
        const bool raid = v.Type != "gen";
        bool everyPlexSimple = true;
        for (const Component* k : components)
            everyPlexSimple = everyPlexSimple && k->Layout == kComponentSpanned && k->Children == 1;
        if (raid || !everyPlexSimple || mine.size() != 1) {
            unsupported = true;
            continue;
        }
        if (components.size() > 1)
            out.HasMirroredVolumes = true;
        const Partition& p = *mine.front();
        // The partition must lie inside the public region and cover the volume.
        if (p.Start >= db.PublicSize || p.Size > db.PublicSize - p.Start || p.VolumeOffset != 0 || p.Size < v.Size)
            return kPlanDamaged;
        PartitionInfo e = MakeEmptyPartitionInfo();
        e.StartingLba = int64_t(db.PublicStart + p.Start);
        e.SectorCount = int64_t(v.Size);
        e.TotalSectors = e.SectorCount;
        e.HiddenSectors = e.StartingLba;
        e.PartitionTypeId = int16_t(v.PartitionType);
        e.IsPrimary = 1;
        e.ClusterSize = 1;
        e.VolumePresent = 1;
        if (v.DriveHint.size() >= 1 && v.DriveHint[0] >= 'C' && v.DriveHint[0] <= 'Z')
            e.DriveLetter = v.DriveHint[0];
        else if (v.DriveHint.size() >= 1 && v.DriveHint[0] >= 'c' && v.DriveHint[0] <= 'z')
            e.DriveLetter = char(v.DriveHint[0] - 'a' + 'A');
        // The only boot flag the disk itself keeps: an MBR entry marked active that starts at the volume.
        for (const PartitionInfo& t : scan.List)
            if (!scan.IsGpt && t.Active && t.StartingLba == e.StartingLba)
                e.Active = 1;
        list.push_back(e);
    }
    if (unsupported)
        return kPlanUnsupported;
    SortByStartingLba(list);
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i].StartingLba < list[i - 1].StartingLba + list[i - 1].SectorCount)
            return kPlanDamaged; // two volumes on the same sectors
    if (list.size() > 4)
        return kPlanNoRoom;
    for (const PartitionInfo& e : list)
        if (e.PartitionTypeId == 0 || e.StartingLba + e.SectorCount > 0xFFFFFFFFll)
            return kPlanNoRoom;
    out.Partitions = list;
    return kPlanOk;
}

} // namespace Ldm
