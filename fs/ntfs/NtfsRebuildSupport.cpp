#include "fs/ntfs/NtfsRebuildSupport.h"

#include <cstring>

#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "fs/ntfs/NtfsBootSector.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRecord.h"

using namespace Ntfs;

namespace NtfsRebuild {

namespace {

constexpr int64_t kSector = 512;
constexpr int64_t kMirrorRecords = 4;

} // namespace

int Log2(int64_t v)
{
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

int64_t NextBit(const KBitmap& b, int64_t from, int64_t end, bool set)
{
    end = std::min(end, b.BitCount());
    const uint8_t* d = b.Data();
    const uint8_t skip = set ? 0x00 : 0xFF;
    while (from < end) {
        if ((from & 7) == 0 && from + 8 <= end && d[from >> 3] == skip) {
            from += 8;
            continue;
        }
        if (b.Test(from) == set)
            return from;
        ++from;
    }
    return end;
}

bool BlankRecord(int64_t number, size_t recordBytes, KNtfsFileRecord& record)
{
    std::vector<uint8_t> raw(recordBytes, 0);
    std::memcpy(raw.data(), "FILE", 4);
    const uint16_t usaCount = UsaCount(recordBytes);
    const size_t first = RoundUp(kRecHeaderEnd + 2 * usaCount, 8);
    put_le16(raw.data() + kRecUsaOffset, uint16_t(kRecHeaderEnd));
    put_le16(raw.data() + kRecUsaCount, usaCount);
    put_le16(raw.data() + kRecHeaderEnd, 1);
    put_le16(raw.data() + kRecSequence, 1);
    put_le16(raw.data() + kRecAttrsOffset, uint16_t(first));
    put_le32(raw.data() + first, kAttrEnd);
    put_le32(raw.data() + kRecBytesInUse, uint32_t(first + 8));
    put_le32(raw.data() + kRecBytesAllocated, uint32_t(recordBytes));
    put_le32(raw.data() + kRecNumber, uint32_t(number));
    return ApplyFixups(raw.data(), recordBytes) && record.Load(raw.data(), raw.size());
}

int LoadVolumeBitmap(KNtfsMFT& mft, const NtfsVolume& volume, KBitmap& bitmap)
{
    constexpr int64_t kRecBitmap = 6, kLimitBytes = int64_t(1) << 29;
    KNtfsFileRecord record;
    if (!mft.ReadRecord(kRecBitmap, record))
        return 1;
    const int data = record.FindAttribute(kAttrData);
    if (data < 0)
        return 2;
    const KNtfsAttribute& bits = record.GetAttribute(size_t(data));
    const int64_t clusters = volume.TotalClusters(), bytes = bits.GetDataSize();
    if (!bits.IsNonResident() || bytes * 8 < clusters || bytes > kLimitBytes)
        return 3;
    std::vector<uint8_t> image(size_t(RoundUp(uint64_t(std::max<int64_t>(bits.GetAllocatedSize(), bytes)), uint64_t(kSector))));
    if (bits.ReadData(volume, image.data(), int64_t(image.size())) < bytes)
        return 4;
    return bitmap.Load(image.data(), bytes, clusters) ? 0 : 5;
}

int VolumeIsDirty(KNtfsMFT& mft)
{
    constexpr int64_t kRecVolume = 3;
    KNtfsFileRecord volume;
    if (!mft.ReadRecord(kRecVolume, volume))
        return -1;
    const int info = volume.FindAttribute(kAttrVolumeInformation);
    if (info < 0)
        return 0;
    const KNtfsAttribute& v = volume.GetAttribute(size_t(info));
    const uint8_t* value = v.GetValuePointer();
    return value && v.GetValueLength() >= 12 && (le16(value + 0x0A) & 0x0001) ? 1 : 0;
}

bool BitmapMatchesFiles(const KBitmap& marked, const KBitmap& owned, int64_t clusters)
{
    int64_t orphans = 0;
    const int64_t middle = clusters / 2;
    for (int64_t c = 0; c < clusters; c += 8) {
        const int64_t end = std::min(c + 8, clusters);
        if ((end - c == 8) && marked.Data()[c >> 3] == owned.Data()[c >> 3])
            continue;
        for (int64_t k = c; k < end; ++k) {
            const bool isMarked = marked.Test(k), isOwned = owned.Test(k);
            if (isOwned && !isMarked)
                return false;
            if (isMarked && !isOwned && k != middle)
                ++orphans;
        }
    }
    return orphans <= 7;
}

void FillBootSector(uint8_t* b, ISectorDevice* device, const NtfsVolume& volume, bool hiddenIsStart)
{
    DiskGeometry geometry{};
    if (device->GetGeometry(&geometry) && geometry.SectorsPerTrack > 0 && geometry.TracksPerCylinder > 0) {
        put_le16(b + kBootSectorsPerTrack, uint16_t(geometry.SectorsPerTrack));
        put_le16(b + kBootHeads, uint16_t(geometry.TracksPerCylinder));
    }
    const uint16_t track = le16(b + kBootSectorsPerTrack);
    const int64_t clusterBytes = int64_t(volume.SectorsPerCluster) * kSector;
    auto sizeCode = [&](int64_t bytes) {
        return bytes < clusterBytes ? uint8_t(int8_t(-Log2(bytes))) : uint8_t(bytes / clusterBytes);
    };
    put_le16(b + kBootBytesPerSector, uint16_t(kSector));
    b[kBootSectorsPerCluster] = uint8_t(volume.SectorsPerCluster);
    put_le32(b + kBootHiddenSectors, uint32_t(hiddenIsStart ? volume.VolumeStart : track));
    put_le32(b + kBootLargeSectorCount, 0);
    put_le64(b + kBootTotalSectors, uint64_t(volume.TotalSectors));
    put_le64(b + kBootMftLcn, uint64_t(volume.MftLcn));
    put_le64(b + kBootMftMirrorLcn, uint64_t(volume.MftMirrorLcn));
    b[kBootFileRecordSize] = sizeCode(volume.FileRecordBytes());
    b[kBootIndexRecordSize] = sizeCode(volume.IndexRecordBytes());
    put_le64(b + kBootSerialNumber, GetSystemFileTime());
}

int WriteMftMirror(const NtfsVolume& volume)
{
    KNtfsMFT mft;
    if (!mft.Open(volume, nullptr, true))
        return 1;
    const KNtfsRunList& mirror = mft.MirrorRunList();
    const int64_t clusterBytes = volume.ClusterBytes(), recordBytes = volume.FileRecordBytes();
    const int64_t count = std::min(kMirrorRecords, mirror.GetTotalClusters() * clusterBytes / recordBytes);
    for (int64_t n = 0; n < count; ++n) {
        std::vector<uint8_t> raw;
        KNtfsFileRecord blank;
        if (!mft.ReadRawRecord(n, raw)) {
            if (!BlankRecord(n, size_t(recordBytes), blank) || !blank.Serialize(raw, size_t(recordBytes)))
                return 2;
        }
        for (int64_t s = 0; s < recordBytes / kSector; ++s) {
            const int64_t offset = n * recordBytes + s * kSector;
            const int64_t lcn = mirror.Map(offset / clusterBytes);
            if (lcn < 0)
                return 1;
            if (!volume.Device->WriteSectors(raw.data() + s * kSector,
                                             volume.VolumeStart + lcn * volume.SectorsPerCluster +
                                                 (offset % clusterBytes) / kSector,
                                             1))
                return 3;
        }
    }
    return 0;
}


KNtfsAttribute ResidentAttribute(uint32_t type, const KNtfsString& name, const std::vector<uint8_t>& value)
{
    const size_t nameBytes = name.GetCount() * 2, valueOffset = RoundUp(kResHeaderEnd + nameBytes, 8);
    std::vector<uint8_t> a(RoundUp(valueOffset + value.size(), 8), 0);
    put_le32(a.data() + kAttrTypeOff, type);
    put_le32(a.data() + kAttrLengthOff, uint32_t(a.size()));
    a[kAttrNameLengthOff] = uint8_t(name.GetCount());
    put_le16(a.data() + kAttrNameOffsetOff, uint16_t(kResHeaderEnd));
    for (size_t i = 0; i < name.GetCount(); ++i)
        put_le16(a.data() + kResHeaderEnd + 2 * i, name[i]);
    put_le32(a.data() + kResValueLength, uint32_t(value.size()));
    put_le16(a.data() + kResValueOffset, uint16_t(valueOffset));
    if (!value.empty())
        std::memcpy(a.data() + valueOffset, value.data(), value.size());
    KNtfsAttribute out;
    out.Assign(a.data(), a.size());
    return out;
}

KNtfsAttribute NonResidentAttribute(uint32_t type, const KNtfsString& name, const KNtfsRunList& runs, int64_t dataBytes,
                                    int64_t clusterBytes)
{
    const size_t nameBytes = name.GetCount() * 2, pairsOffset = RoundUp(kNrHeaderEnd + nameBytes, 8);
    std::vector<uint8_t> a(pairsOffset, 0);
    put_le32(a.data() + kAttrTypeOff, type);
    put_le32(a.data() + kAttrLengthOff, uint32_t(a.size()));
    a[kAttrNonResidentOff] = 1;
    a[kAttrNameLengthOff] = uint8_t(name.GetCount());
    put_le16(a.data() + kAttrNameOffsetOff, uint16_t(kNrHeaderEnd));
    for (size_t i = 0; i < name.GetCount(); ++i)
        put_le16(a.data() + kNrHeaderEnd + 2 * i, name[i]);
    put_le16(a.data() + kNrMappingPairsOffset, uint16_t(pairsOffset));
    KNtfsAttribute out;
    out.Assign(a.data(), a.size());
    const int64_t clusters = runs.GetTotalClusters();
    out.SetRunList(runs);
    out.SetVcnRange(0, clusters - 1);
    out.SetSizes(clusters * clusterBytes, dataBytes, dataBytes);
    return out;
}

namespace {
constexpr int kMaxDepth = 32;
constexpr uint16_t kEntryHasChild = 1, kEntryLast = 2;
} // namespace

// A B+ tree over sorted entries: the root takes them all when they fit; otherwise full INDX blocks,
// a level at a time, each block giving one entry to the level above, until a level fits the root.
bool BuildIndex(const std::vector<std::vector<uint8_t>>& entries, size_t smallCap, size_t largeCap, int64_t indexBytes,
                int64_t clusterBytes, BuiltIndex& out)
{
    struct Item {
        const std::vector<uint8_t>* entry;
        int64_t child;
    };
    const auto encode = [](std::vector<uint8_t>& to, const std::vector<uint8_t>* entry, int64_t child) {
        const size_t at = to.size();
        if (entry) {
            to.insert(to.end(), entry->begin(), entry->end());
        } else {
            to.resize(at + 0x10, 0);
            put_le16(to.data() + at + 12, kEntryLast);
        }
        if (child >= 0) {
            to.resize(to.size() + 8, 0);
            put_le64(to.data() + to.size() - 8, uint64_t(child));
            put_le16(to.data() + at + 12, uint16_t(le16(to.data() + at + 12) | kEntryHasChild));
        }
        put_le16(to.data() + at + 8, uint16_t(to.size() - at));
    };
    const auto sizeOf = [](const Item& i) { return i.entry->size() + (i.child >= 0 ? 8 : 0); };

    std::vector<Item> level;
    for (const auto& e : entries)
        level.push_back(Item{&e, -1});
    int64_t endChild = -1;
    out = BuiltIndex{};
    const int64_t unit = indexBytes >= clusterBytes ? clusterBytes : 512;
    const size_t usaEnd = RoundUp(0x28 + 2 * UsaCount(size_t(indexBytes)), 8);
    const size_t blockCap = size_t(indexBytes) - usaEnd;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        size_t total = endChild >= 0 ? 0x18 : 0x10;
        for (const Item& i : level)
            total += sizeOf(i);
        if (total <= (out.blocks.empty() ? smallCap : largeCap)) {
            for (const Item& i : level)
                encode(out.root, i.entry, i.child);
            encode(out.root, nullptr, endChild);
            out.large = !out.blocks.empty();
            return true;
        }
        // One more level of blocks.
        std::vector<Item> up;
        const bool children = endChild >= 0;
        const size_t endSize = children ? 0x18 : 0x10;
        size_t first = 0;
        while (first <= level.size()) {
            size_t used = endSize, last = first;
            while (last < level.size() && used + sizeOf(level[last]) <= blockCap)
                used += sizeOf(level[last++]);
            const bool final = last >= level.size();
            if (!final && last == first)
                return false; // an entry larger than a block
            std::vector<uint8_t> block(size_t(indexBytes), 0);
            std::memcpy(block.data(), "INDX", 4);
            put_le16(block.data() + 4, 0x28);
            put_le16(block.data() + 6, UsaCount(size_t(indexBytes)));
            const int64_t vcn = int64_t(out.blocks.size()) * (indexBytes / unit);
            put_le64(block.data() + 0x10, uint64_t(vcn));
            put_le16(block.data() + 0x28, 1);
            std::vector<uint8_t> body;
            for (size_t k = first; k < last; ++k)
                encode(body, level[k].entry, level[k].child);
            encode(body, nullptr, final ? endChild : level[last].child);
            std::memcpy(block.data() + usaEnd, body.data(), body.size());
            put_le32(block.data() + 0x18, uint32_t(usaEnd - 0x18));
            put_le32(block.data() + 0x1C, uint32_t(usaEnd - 0x18 + body.size()));
            put_le32(block.data() + 0x20, uint32_t(indexBytes - 0x18));
            block[0x24] = children ? 1 : 0;
            if (!ApplyFixups(block.data(), block.size()))
                return false;
            out.blocks.push_back(std::move(block));
            if (final) {
                endChild = vcn;
                break;
            }
            up.push_back(Item{level[last].entry, vcn});
            first = last + 1;
        }
        level = std::move(up);
    }
    return false;
}

} // namespace NtfsRebuild
