#include "fs/ntfs/NtfsMft.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "fs/ntfs/NtfsRecord.h"
#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"

using namespace Ntfs;

namespace {

constexpr size_t kMaxRecordBytes = 8192;
constexpr int64_t kCacheBytes = 64 * 1024;
constexpr int64_t kReservedRecords = 24;

bool attributeLess(const KNtfsAttribute& a, const KNtfsAttribute& b)
{
    if (a.GetType() != b.GetType())
        return a.GetType() < b.GetType();
    const KNtfsString an = a.GetName(), bn = b.GetName();
    if (!(an == bn))
        return an < bn;
    // Extents of one attribute in VCN order.
    return a.IsNonResident() && b.IsNonResident() && a.GetStartingVcn() < b.GetStartingVcn();
}

size_t rounded(const KNtfsAttribute& a) { return size_t(RoundUp(a.Length(), 8)); }

} // namespace

// ---- file records ---------------------------------------------------------------------------

bool KNtfsFileRecord::Load(const uint8_t* bytes, size_t length)
{
    if (!bytes || length < kRecHeaderEnd || length > kMaxRecordBytes || length % kFixupStride)
        return false;
    if (std::memcmp(bytes, "FILE", 4) != 0)
        return false;
    const uint16_t usaOffset = le16(bytes + kRecUsaOffset), usaCount = le16(bytes + kRecUsaCount);
    const uint32_t inUse = le32(bytes + kRecBytesInUse), allocated = le32(bytes + kRecBytesAllocated);
    if (usaCount != UsaCount(length) || allocated != length || inUse > allocated || usaOffset < 42 || usaOffset > 256)
        return false;
    std::vector<uint8_t> record(bytes, bytes + length);
    if (!UndoFixups(record.data(), length))
        return false;
    const size_t first = le16(record.data() + kRecAttrsOffset);
    const size_t usaEnd = size_t(usaOffset) + 2 * usaCount;
    if (first < usaEnd || first < kRecHeaderEnd || first > inUse || first % 8)
        return false;

    KNtfsSimpleArray<KNtfsAttribute> attributes;
    size_t at = first;
    for (;;) {
        if (!fits(inUse, at, 4))
            return false; // no end marker inside the bytes in use
        const uint32_t type = le32(record.data() + at);
        if (type == kAttrEnd)
            break;
        if (!fits(inUse, at, 8))
            return false;
        const uint32_t attributeLength = le32(record.data() + at + kAttrLengthOff);
        if (attributeLength == 0)
            break;
        if (attributeLength % 8 || !fits(inUse, at, attributeLength))
            return false;
        KNtfsAttribute attribute;
        if (!attribute.Assign(record.data() + at, attributeLength))
            return false;
        attributes.Add(attribute);
        at += attributeLength;
    }
    std::memcpy(m_header, record.data(), sizeof m_header);
    m_headerTail.assign(record.begin() + ptrdiff_t(sizeof m_header), record.begin() + ptrdiff_t(first));
    m_attributes = attributes;
    m_extensions.clear();
    m_list.Clear();
    const int list = FindAttribute(kAttrAttributeList, 0, {}, true);
    if (list >= 0 && !m_attributes[size_t(list)].IsNonResident()) {
        const KNtfsAttribute& a = m_attributes[size_t(list)];
        if (!m_list.Parse(a.GetValuePointer(), a.GetValueLength()))
            return false;
    }
    return true;
}

void KNtfsFileRecord::SetHeader(const uint8_t* header) { std::memcpy(m_header, header, sizeof m_header); }

uint16_t KNtfsFileRecord::GetFlags() const { return le16(m_header + kRecFlags); }
uint16_t KNtfsFileRecord::GetSequence() const { return le16(m_header + kRecSequence); }
uint32_t KNtfsFileRecord::GetRecordNumber() const { return le32(m_header + kRecNumber); }
uint64_t KNtfsFileRecord::GetBaseReference() const { return le64(m_header + kRecBaseRecord); }

bool KNtfsFileRecord::Serialize(std::vector<uint8_t>& bytes, size_t recordBytes) const
{
    if (recordBytes < kRecHeaderEnd || recordBytes > kMaxRecordBytes || recordBytes % kFixupStride)
        return false;
    const uint16_t usaCount = UsaCount(recordBytes);
    const size_t first = RoundUp(kRecHeaderEnd + 2 * usaCount, 8);
    size_t total = first + 8;
    for (const KNtfsAttribute& a : m_attributes)
        total += rounded(a);
    if (total > recordBytes)
        return false;
    bytes.assign(recordBytes, 0);
    std::memcpy(bytes.data(), m_header, sizeof m_header);
    put_le16(bytes.data() + kRecUsaOffset, uint16_t(kRecHeaderEnd));
    put_le16(bytes.data() + kRecUsaCount, usaCount);
    // Keep the update sequence number; a fresh record starts at 1.
    uint16_t usn = m_headerTail.size() >= 2 ? uint16_t(m_headerTail[0] | (m_headerTail[1] << 8)) : 0;
    if (le16(m_header + kRecUsaOffset) != kRecHeaderEnd || usn == 0)
        usn = 1;
    put_le16(bytes.data() + kRecHeaderEnd, usn);
    put_le16(bytes.data() + kRecAttrsOffset, uint16_t(first));
    size_t at = first;
    uint16_t nextId = le16(m_header + kRecNextInstance);
    for (const KNtfsAttribute& a : m_attributes) {
        std::memcpy(bytes.data() + at, a.Data(), a.Length());
        put_le32(bytes.data() + at + kAttrLengthOff, uint32_t(rounded(a)));
        nextId = std::max<uint16_t>(nextId, uint16_t(a.GetId() + 1));
        at += rounded(a);
    }
    put_le32(bytes.data() + at, kAttrEnd);
    put_le32(bytes.data() + kRecBytesInUse, uint32_t(at + 8));
    put_le32(bytes.data() + kRecBytesAllocated, uint32_t(recordBytes));
    put_le16(bytes.data() + kRecNextInstance, nextId);
    return ApplyFixups(bytes.data(), recordBytes);
}

int KNtfsFileRecord::FindAttribute(uint32_t type, int occurrence, const KNtfsString& name, bool anyName) const
{
    for (size_t i = 0; i < m_attributes.GetCount(); ++i) {
        const KNtfsAttribute& a = m_attributes[i];
        if (a.GetType() != type || (!anyName && !(a.GetName() == name)))
            continue;
        if (occurrence-- == 0)
            return int(i);
    }
    return -1;
}

void KNtfsFileRecord::AddAttribute(const KNtfsAttribute& attribute)
{
    uint16_t id = le16(m_header + kRecNextInstance);
    for (const KNtfsAttribute& a : m_attributes)
        id = std::max<uint16_t>(id, uint16_t(a.GetId() + 1));
    KNtfsAttribute copy = attribute;
    copy.SetId(id);
    put_le16(m_header + kRecNextInstance, uint16_t(id + 1));
    m_attributes.Add(copy);
}

bool KNtfsFileRecord::LoadExtensions(KNtfsMFT& mft)
{
    const int list = FindAttribute(kAttrAttributeList, 0, {}, true);
    if (list < 0)
        return true;
    const KNtfsAttribute& listAttribute = m_attributes[size_t(list)];
    if (listAttribute.IsNonResident()) {
        const int64_t size = listAttribute.GetDataSize();
        if (size <= 0 || size > (int64_t(1) << 24))
            return false;
        std::vector<uint8_t> value(size_t(RoundUp(uint64_t(listAttribute.GetAllocatedSize()), 512)));
        if (value.size() < size_t(size) || listAttribute.ReadData(mft.Volume(), value.data(), int64_t(value.size())) < size)
            return false;
        if (!m_list.Parse(value.data(), size_t(size)))
            return false;
    }
    const uint64_t self = GetRecordNumber();
    std::vector<int64_t> records;
    for (const tagAttriListElement& e : m_list) {
        const int64_t number = int64_t(e.FileReference & 0xFFFFFFFFFFFFull);
        if (uint64_t(number) != self && std::find(records.begin(), records.end(), number) == records.end())
            records.push_back(number);
    }
    for (int64_t number : records) {
        KNtfsFileRecord extension;
        if (!mft.ReadRecord(number, extension) || (extension.GetBaseReference() & 0xFFFFFFFFFFFFull) != self)
            return false;
        for (const KNtfsAttribute& a : extension.m_attributes)
            m_attributes.Add(a);
    }
    m_extensions = records;
    std::stable_sort(m_attributes.begin(), m_attributes.end(), attributeLess);
    return true;
}

void KNtfsFileRecord::SortAttributes()
{
    std::stable_sort(m_attributes.begin(), m_attributes.end(), attributeLess);
}

bool KNtfsFileRecord::Commit(KNtfsMFT& mft, int64_t number)
{
    const size_t recordBytes = size_t(mft.Volume().FileRecordBytes());
    for (int64_t extension : m_extensions)
        if (!mft.FreeRecord(extension))
            return false;
    m_extensions.clear();
    // The attribute list is rebuilt from what is placed below; a non-resident one gives its clusters back.
    for (int list; (list = FindAttribute(kAttrAttributeList, 0, {}, true)) >= 0;) {
        KNtfsRunList runs;
        if (m_attributes[size_t(list)].IsNonResident() && m_attributes[size_t(list)].GetRunList(runs))
            mft.FreeClusters(runs);
        m_attributes.Remove(size_t(list));
    }
    m_list.Clear();
    std::stable_sort(m_attributes.begin(), m_attributes.end(), attributeLess);

    const size_t first = RoundUp(kRecHeaderEnd + 2 * UsaCount(recordBytes), 8);
    size_t total = first + 8;
    for (const KNtfsAttribute& a : m_attributes)
        total += rounded(a);
    put_le32(m_header + kRecNumber, uint32_t(number));
    if (total <= recordBytes)
        return mft.WriteRecord(number, *this);

    // Spill: the base keeps what fits besides a resident attribute list; the rest goes to extension
    // records, filled in order.
    const uint16_t sequence = GetSequence();
    const uint64_t baseReference = uint64_t(number) | (uint64_t(sequence) << 48);
    KNtfsSimpleArray<KNtfsAttribute> all = m_attributes;
    std::vector<KNtfsFileRecord> extensions;
    std::vector<int64_t> owners(all.GetCount(), number);

    // Room left in the base for its own attributes once the list is there: one list entry per
    // attribute, each at most 0x20 + 2 x 255 bytes; estimated generously from the names.
    size_t listBytes = 0;
    for (const KNtfsAttribute& a : all)
        listBytes += RoundUp(0x1A + 2 * a.GetName().GetCount(), 8);
    size_t listAttributeBytes = RoundUp(0x18 + listBytes, 8);
    const size_t standardBytes = all.GetCount() && all[0].GetType() == kAttrStandardInformation ? rounded(all[0]) : 0;
    const bool residentList = first + 8 + listAttributeBytes + standardBytes <= recordBytes;
    if (!residentList)
        listAttributeBytes = kNrHeaderEnd + 24; // header and a single run of at most 17 bytes
    size_t baseUsed = first + 8 + listAttributeBytes;
    KNtfsSimpleArray<KNtfsAttribute> keep;
    size_t i = 0;
    for (; i < all.GetCount(); ++i) {
        // $STANDARD_INFORMATION always stays; otherwise keep attributes while they fit, in order.
        if (all[i].GetType() != kAttrStandardInformation && baseUsed + rounded(all[i]) > recordBytes)
            break;
        baseUsed += rounded(all[i]);
        keep.Add(all[i]);
    }
    if (baseUsed > recordBytes)
        return false;
    const size_t extensionRoom = recordBytes - first - 8;
    for (; i < all.GetCount(); ++i) {
        if (rounded(all[i]) > extensionRoom)
            return false;
        if (extensions.empty() || [&] {
                size_t used = first + 8;
                for (const KNtfsAttribute& a : extensions.back().m_attributes)
                    used += rounded(a);
                return used + rounded(all[i]) > recordBytes;
            }()) {
            const int64_t extensionNumber = mft.AllocateRecord();
            if (extensionNumber < 0)
                return false;
            KNtfsFileRecord extension;
            std::vector<uint8_t> raw;
            if (!mft.ReadRawRecord(extensionNumber, raw) || !extension.Load(raw.data(), raw.size())) {
                extension = KNtfsFileRecord();
                std::memcpy(extension.m_header, "FILE", 4);
                put_le16(extension.m_header + kRecSequence, 1);
            }
            extension.m_attributes.Clear();
            put_le16(extension.m_header + kRecFlags, kRecordInUse);
            put_le16(extension.m_header + kRecLinkCount, 0);
            put_le64(extension.m_header + kRecBaseRecord, baseReference);
            put_le32(extension.m_header + kRecNumber, uint32_t(extensionNumber));
            put_le16(extension.m_header + kRecNextInstance, 0);
            extensions.push_back(extension);
            m_extensions.push_back(extensionNumber);
        }
        extensions.back().m_attributes.Add(all[i]);
        owners[i] = m_extensions.back();
    }

    for (size_t k = 0; k < all.GetCount(); ++k) {
        tagAttriListElement e;
        e.Type = all[k].GetType();
        e.Name = all[k].GetName();
        e.NameLength = uint8_t(e.Name.GetCount());
        e.StartingVcn = all[k].IsNonResident() ? all[k].GetStartingVcn() : 0;
        const uint16_t ownerSequence = owners[k] == number ? sequence : [&] {
            for (const KNtfsFileRecord& x : extensions)
                if (int64_t(x.GetRecordNumber()) == owners[k])
                    return x.GetSequence();
            return uint16_t(1);
        }();
        e.FileReference = uint64_t(owners[k]) | (uint64_t(ownerSequence) << 48);
        e.AttributeId = all[k].GetId();
        m_list.Add(e);
    }
    std::vector<uint8_t> value;
    if (!m_list.Build(value))
        return false;
    KNtfsAttribute listAttribute;
    if (residentList) {
        std::vector<uint8_t> image(0x18, 0);
        put_le32(image.data(), kAttrAttributeList);
        put_le32(image.data() + kAttrLengthOff, 0x18);
        put_le16(image.data() + kResValueOffset, 0x18);
        if (!listAttribute.Assign(image.data(), image.size()) || !listAttribute.SetValue(value.data(), value.size()))
            return false;
    } else {
        const int64_t clusterBytes = mft.Volume().ClusterBytes();
        const int64_t clusters = int64_t(DivideUp(value.size(), uint64_t(clusterBytes)));
        const int64_t lcn = mft.AllocateClusters(clusters);
        if (lcn < 0)
            return false;
        KNtfsRunList runs;
        runs.Add(KDataRun{lcn, 0, clusters});
        std::vector<uint8_t> image(kNrHeaderEnd + 8, 0);
        put_le32(image.data(), kAttrAttributeList);
        put_le32(image.data() + kAttrLengthOff, uint32_t(image.size()));
        image[kAttrNonResidentOff] = 1;
        put_le16(image.data() + kAttrNameOffsetOff, uint16_t(kNrHeaderEnd));
        put_le16(image.data() + kNrMappingPairsOffset, uint16_t(kNrHeaderEnd));
        bool ok = listAttribute.Assign(image.data(), image.size()) && listAttribute.SetRunList(runs);
        if (ok) {
            listAttribute.SetVcnRange(0, clusters - 1);
            listAttribute.SetSizes(clusters * clusterBytes, int64_t(value.size()), int64_t(value.size()));
            ok = listAttribute.WriteData(mft.Volume(), value.data(), int64_t(value.size()));
        }
        if (!ok) {
            mft.FreeClusters(runs);
            return false;
        }
    }
    uint16_t listId = le16(m_header + kRecNextInstance);
    for (const KNtfsAttribute& a : all)
        listId = std::max<uint16_t>(listId, uint16_t(a.GetId() + 1));
    listAttribute.SetId(listId);
    put_le16(m_header + kRecNextInstance, uint16_t(listId + 1));
    keep.Insert(keep.GetCount() && keep[0].GetType() == kAttrStandardInformation ? 1 : 0, listAttribute);
    m_attributes = keep;

    for (const KNtfsFileRecord& x : extensions)
        if (!mft.WriteRecord(int64_t(x.GetRecordNumber()), x))
            return false;
    if (!mft.WriteRecord(number, *this))
        return false;
    // Callers go on seeing every attribute, the list among them.
    all.Add(listAttribute);
    std::stable_sort(all.begin(), all.end(), attributeLess);
    m_attributes = all;
    return true;
}

// ---- the MFT --------------------------------------------------------------------------------

bool KNtfsMFT::TransferBytes(int64_t offset, void* buffer, int64_t length, bool write)
{
    const int64_t clusterBytes = m_volume.ClusterBytes();
    const int64_t bps = m_volume.BytesPerSector;
    if (!m_device || offset < 0 || length < 0 || offset % bps || length % bps || clusterBytes <= 0)
        return false;
    uint8_t* at = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        int64_t left = 0;
        const int64_t lcn = m_runs.Map(offset / clusterBytes, &left);
        if (lcn < 0 || left <= 0)
            return false;
        const int64_t inCluster = offset % clusterBytes;
        // Only as much of the run as this transfer needs, and never past the volume.
        left = std::min(left, (inCluster + length + clusterBytes - 1) / clusterBytes);
        const int64_t clusters = m_volume.TotalClusters();
        if (clusters > 0 && (lcn >= clusters || left > clusters - lcn))
            return false;
        const int64_t chunk = std::min(length, left * clusterBytes - inCluster);
        const int64_t sector = m_volume.VolumeStart + lcn * m_volume.SectorsPerCluster + inCluster / bps;
        const bool ok = write ? m_device->WriteSectors(at, sector, chunk / bps) : m_device->ReadSectors(at, sector, chunk / bps);
        if (!ok)
            return false;
        at += chunk;
        offset += chunk;
        length -= chunk;
    }
    return true;
}

bool KNtfsMFT::Open(const NtfsVolume& volume, KBitmap* clusterBitmap, bool withMirror)
{
    m_open = false;
    m_staging = false;
    m_readThrough = nullptr;
    m_staged.clear();
    m_volume = volume;
    m_device = volume.Device;
    m_clusterBitmap = clusterBitmap;
    m_cacheCount = 0;
    const int64_t recordBytes = volume.FileRecordBytes();
    const int64_t clusterBytes = volume.ClusterBytes();
    if (!m_device || recordBytes < 512 || recordBytes > int64_t(kMaxRecordBytes) || clusterBytes <= 0)
        return false;

    // Record 0 is read straight from the MFT's first cluster; its $DATA gives the run list.
    std::vector<uint8_t> raw(static_cast<size_t>(recordBytes));
    if (!m_device->ReadSectors(raw.data(), volume.VolumeStart + volume.MftLcn * volume.SectorsPerCluster,
                               recordBytes / volume.BytesPerSector))
        return false;
    KNtfsFileRecord mft;
    if (!mft.Load(raw.data(), raw.size()))
        return false;
    const int data = mft.FindAttribute(kAttrData);
    if (data < 0 || !mft.GetAttribute(size_t(data)).IsNonResident()
        || !mft.GetAttribute(size_t(data)).GetRunList(m_runs))
        return false;
    int64_t dataSize = mft.GetAttribute(size_t(data)).GetDataSize();
    m_recordCount = std::max<int64_t>(1, dataSize / recordBytes);
    if (mft.HasAttributeList()) {
        // Further $DATA extents live in extension records; the first extent must reach them.
        if (!mft.LoadExtensions(*this))
            return false;
        KNtfsRunList all;
        for (size_t i = 0; i < mft.GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = mft.GetAttribute(i);
            if (a.GetType() != kAttrData || !a.IsNonResident() || !a.GetName().IsEmpty())
                continue;
            KNtfsRunList part;
            if (!a.GetRunList(part))
                return false;
            if (a.GetStartingVcn() == 0)
                dataSize = a.GetDataSize();
            for (const KDataRun& r : part)
                all.Add(r);
        }
        std::sort(all.begin(), all.end(), [](const KDataRun& x, const KDataRun& y) { return x.Vcn < y.Vcn; });
        for (size_t i = 1; i < all.GetCount(); ++i)
            if (all[i].Vcn != all[i - 1].Vcn + all[i - 1].Length)
                return false; // a gap or an overlap between extents
        m_runs = all;
    }
    m_recordCount = dataSize / recordBytes;
    if (m_recordCount <= 0 || m_runs.GetTotalClusters() < int64_t(DivideUp(uint64_t(dataSize), uint64_t(clusterBytes))))
        return false;
    m_cacheCount = 0;

    // The MFT bitmap.
    const int bitmap = mft.FindAttribute(kAttrBitmap);
    if (bitmap < 0)
        return false;
    m_bitmapAttribute = mft.GetAttribute(size_t(bitmap));
    std::vector<uint8_t> bits;
    if (m_bitmapAttribute.IsNonResident()) {
        const int64_t allocated = m_bitmapAttribute.GetAllocatedSize();
        if (allocated <= 0 || allocated > (int64_t(1) << 30) || m_bitmapAttribute.GetDataSize() > allocated)
            return false;
        bits.resize(size_t(allocated));
        if (m_bitmapAttribute.ReadData(m_volume, bits.data(), allocated) < m_bitmapAttribute.GetDataSize())
            return false;
        bits.resize(size_t(m_bitmapAttribute.GetDataSize()));
    } else {
        bits.resize(m_bitmapAttribute.GetValueLength());
        m_bitmapAttribute.GetValue(bits.data(), bits.size());
    }
    // The bitmap keeps the attribute's whole data so that it can be written back as it stands.
    if (bits.empty() || !m_recordBitmap.Load(bits.data(), int64_t(bits.size()), 0))
        return false;

    if (withMirror) {
        KNtfsFileRecord mirror;
        const int mirrorData = ReadRecord(1, mirror) ? mirror.FindAttribute(kAttrData) : -1;
        if (mirrorData < 0 || !mirror.GetAttribute(size_t(mirrorData)).GetRunList(m_mirrorRuns))
            return false;
    }
    m_open = true;
    return true;
}

bool KNtfsMFT::OpenStaged(const NtfsVolume& volume, const KNtfsRunList& runs, int64_t recordCount,
                          const KBitmap& recordBitmap, KBitmap* clusterBitmap, KNtfsMFT* readThrough)
{
    m_open = false;
    m_volume = volume;
    m_device = volume.Device;
    m_runs = runs;
    m_mirrorRuns.Clear();
    m_recordCount = recordCount;
    m_recordBitmap = recordBitmap;
    m_clusterBitmap = clusterBitmap;
    m_readThrough = readThrough;
    m_cacheCount = 0;
    m_staged.clear();
    const int64_t recordBytes = volume.FileRecordBytes();
    if (!m_device || recordBytes < 512 || recordBytes > int64_t(kMaxRecordBytes) || recordCount <= 0
        || runs.GetTotalClusters() * volume.ClusterBytes() < recordCount * recordBytes)
        return false;
    m_staging = true;
    m_open = true;
    return true;
}

bool KNtfsMFT::FlushStaged(bool discard)
{
    const int64_t recordBytes = m_volume.FileRecordBytes();
    if (!discard) {
        std::vector<uint8_t> run;
        int64_t first = -1, next = -1;
        auto flush = [&] {
            return run.empty() || TransferBytes(first * recordBytes, run.data(), int64_t(run.size()), true);
        };
        for (const auto& [number, bytes] : m_staged) {
            // Runs of at most 256 KiB of consecutive records go in one call.
            if (number != next || int64_t(run.size()) >= (int64_t(1) << 18)) {
                if (!flush())
                    return false;
                run.clear();
                first = number;
            }
            run.insert(run.end(), bytes.begin(), bytes.end());
            next = number + 1;
        }
        if (!flush())
            return false;
    }
    m_staged.clear();
    return true;
}

bool KNtfsMFT::ReadRawRecord(int64_t number, std::vector<uint8_t>& bytes)
{
    const int64_t recordBytes = m_volume.FileRecordBytes();
    if (number < 0 || number >= m_recordCount || recordBytes <= 0)
        return false;
    if (m_staging) {
        if (const auto it = m_staged.find(number); it != m_staged.end()) {
            bytes = it->second;
            return true;
        }
        return m_readThrough && number < m_readThrough->GetRecordCount() && m_readThrough->ReadRawRecord(number, bytes);
    }
    if (number < m_cacheFirst || number >= m_cacheFirst + m_cacheCount) {
        // A 64 KiB window of consecutive records, shorter at the end of the MFT.
        const int64_t window = std::max<int64_t>(1, kCacheBytes / recordBytes);
        int64_t count = std::min(window, m_recordCount - number);
        // While the MFT opens, its run list may not reach the end yet: the window stops where it does.
        if (!m_runs.IsEmpty()) {
            const KDataRun& lastRun = m_runs[m_runs.GetCount() - 1];
            const int64_t mappedClusters = lastRun.Vcn + lastRun.Length; // Decode keeps this in range
            const int64_t clusterBytes = m_volume.ClusterBytes();
            if (mappedClusters <= INT64_MAX / clusterBytes)
                count = std::max<int64_t>(1, std::min(count, mappedClusters * clusterBytes / recordBytes - number));
        }
        m_cache.resize(size_t(count * recordBytes));
        m_cacheCount = 0;
        if (!TransferBytes(number * recordBytes, m_cache.data(), count * recordBytes, false))
            return false;
        m_cacheFirst = number;
        m_cacheCount = count;
    }
    const auto from = m_cache.begin() + ptrdiff_t((number - m_cacheFirst) * recordBytes);
    bytes.assign(from, from + ptrdiff_t(recordBytes));
    return true;
}

bool KNtfsMFT::ReadRecord(int64_t number, KNtfsFileRecord& record)
{
    std::vector<uint8_t> raw;
    return ReadRawRecord(number, raw) && record.Load(raw.data(), raw.size());
}

bool KNtfsMFT::WriteRecord(int64_t number, const KNtfsFileRecord& record)
{
    const int64_t recordBytes = m_volume.FileRecordBytes();
    if (number < 0 || number >= m_recordCount)
        return false;
    std::vector<uint8_t> bytes;
    if (!record.Serialize(bytes, size_t(recordBytes)))
        return false;
    put_le32(bytes.data() + kRecNumber, uint32_t(number));
    if (m_staging) {
        m_staged[number] = std::move(bytes);
        return true;
    }
    if (!TransferBytes(number * recordBytes, bytes.data(), recordBytes, true))
        return false;
    if (number >= m_cacheFirst && number < m_cacheFirst + m_cacheCount)
        std::copy(bytes.begin(), bytes.end(), m_cache.begin() + ptrdiff_t((number - m_cacheFirst) * recordBytes));
    // The mirror keeps the first records in step.
    if (!m_mirrorRuns.IsEmpty()) {
        const int64_t mirrored = m_mirrorRuns.GetTotalClusters() * m_volume.ClusterBytes() / recordBytes;
        if (number < mirrored) {
            const int64_t offset = number * recordBytes, cluster = m_volume.ClusterBytes();
            const int64_t lcn = m_mirrorRuns.Map(offset / cluster);
            if (lcn < 0)
                return false;
            const int64_t sector = m_volume.VolumeStart + lcn * m_volume.SectorsPerCluster
                                 + (offset % cluster) / m_volume.BytesPerSector;
            if (!m_device->WriteSectors(bytes.data(), sector, recordBytes / m_volume.BytesPerSector))
                return false;
        }
    }
    return true;
}

int64_t KNtfsMFT::AllocateClusters(int64_t count)
{
    if (!m_clusterBitmap || count <= 0)
        return -1;
    const int64_t clusters = std::min(m_clusterBitmap->BitCount(), m_volume.TotalClusters());
    int64_t run = 0;
    for (int64_t c = 0; c < clusters; ++c) {
        run = m_clusterBitmap->Test(c) ? 0 : run + 1;
        if (run == count) {
            m_clusterBitmap->SetRange(c - count + 1, true, count);
            return c - count + 1;
        }
    }
    return -1;
}

void KNtfsMFT::FreeClusters(const KNtfsRunList& runs)
{
    if (!m_clusterBitmap)
        return;
    for (const KDataRun& r : runs)
        if (r.Lcn >= 0 && r.Length > 0 && r.Lcn + r.Length <= m_clusterBitmap->BitCount())
            m_clusterBitmap->SetRange(r.Lcn, false, r.Length);
}

bool KNtfsMFT::writeRecordBitmap()
{
    if (m_staging)
        return true;
    if (!m_bitmapAttribute.IsNonResident())
        return false; // a resident MFT bitmap would mean rewriting record 0; volumes keep it non-resident
    return m_recordBitmap.ByteLength() >= m_bitmapAttribute.GetDataSize()
        && m_bitmapAttribute.WriteData(m_volume, m_recordBitmap.Data(), m_bitmapAttribute.GetDataSize());
}

int64_t KNtfsMFT::AllocateRecord()
{
    for (int64_t n = kReservedRecords; n < m_recordCount; ++n)
        if (!m_recordBitmap.Test(n)) {
            m_recordBitmap.SetRange(n, true, 1);
            if (!writeRecordBitmap()) {
                m_recordBitmap.SetRange(n, false, 1);
                return -1;
            }
            return n;
        }
    return -1;
}

bool KNtfsMFT::MarkRecord(int64_t number, bool inUse)
{
    if (number < 0 || number >= m_recordCount || !m_recordBitmap.InRange(number))
        return false;
    const bool was = m_recordBitmap.Test(number);
    m_recordBitmap.SetRange(number, inUse, 1);
    if (writeRecordBitmap())
        return true;
    m_recordBitmap.SetRange(number, was, 1);
    return false;
}

bool KNtfsMFT::FreeRecord(int64_t number)
{
    if (number < kReservedRecords || number >= m_recordCount)
        return false;
    std::vector<uint8_t> raw;
    KNtfsFileRecord record;
    if (ReadRawRecord(number, raw) && record.Load(raw.data(), raw.size())) {
        uint8_t header[48];
        std::memcpy(header, record.GetHeader(), sizeof header);
        put_le16(header + kRecFlags, uint16_t(le16(header + kRecFlags) & ~kRecordInUse));
        uint16_t sequence = uint16_t(le16(header + kRecSequence) + 1);
        put_le16(header + kRecSequence, sequence ? sequence : 1);
        record.SetHeader(header);
        if (!WriteRecord(number, record))
            return false;
    }
    m_recordBitmap.SetRange(number, false, 1);
    return writeRecordBitmap();
}
