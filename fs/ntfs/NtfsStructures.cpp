#include "fs/ntfs/NtfsStructures.h"

#include "fs/ntfs/NtfsBootSector.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "fs/ntfs/NtfsRecord.h"
#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kSectorBytes = 512;
// The most one device call transfers in ReadData and WriteData.
constexpr int64_t kMaxTransferBytes = 4 * 1024 * 1024;
constexpr size_t kListEntryHeader = 0x1A;

bool AddChecked(int64_t a, int64_t b, int64_t& sum) { return !__builtin_add_overflow(a, b, &sum); }
bool MulChecked(int64_t a, int64_t b, int64_t& product) { return !__builtin_mul_overflow(a, b, &product); }

// Little-endian field of `width` bytes (1 to 8) as an unsigned number.
uint64_t ReadUnsigned(const uint8_t* p, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// The same field as a signed number: the top bit of its last byte is the sign.
int64_t ReadSigned(const uint8_t* p, int width)
{
    uint64_t value = ReadUnsigned(p, width);
    if (width < 8 && (p[width - 1] & 0x80))
        value |= ~uint64_t(0) << (8 * width);
    return int64_t(value);
}

void WriteField(std::vector<uint8_t>& out, int64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(uint8_t(uint64_t(value) >> (8 * i)));
}

// Runs that take part in encoding: a run covering no clusters cannot be written as a pair.
bool Encodable(const KDataRun& run) { return run.Length > 0; }
bool IsSparse(const KDataRun& run) { return run.Lcn < 0; }

// Bytes one pair takes: header, length field, and an offset field unless the run is sparse.
size_t PairBytes(const KDataRun& run, int64_t previousLcn)
{
    size_t bytes = 1 + size_t(Ntfs::RunFieldWidth(run.Length));
    if (!IsSparse(run))
        bytes += size_t(Ntfs::RunFieldWidth(run.Lcn - previousLcn));
    return bytes;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}


} // namespace

// ---------------------------------------------------------------------------------------------------
// Volume

bool OpenVolume(ISectorDevice* device, int64_t volumeStart, NtfsVolume& volume)
{
    if (!device || volumeStart < 0)
        return false;
    uint8_t boot[kSectorBytes];
    if (!device->ReadSectors(boot, volumeStart, 1))
        return false;
    Ntfs::BootSector b;
    // The record reader works on 512-byte sectors and clusters of at most 128 of them.
    if (!Ntfs::DecodeBootSector(boot, b) || b.BytesPerSector != kSectorBytes || b.ClusterBytes > 128 * kSectorBytes)
        return false;
    const uint64_t totalSectors = b.TotalBytes / kSectorBytes;
    if (totalSectors > uint64_t(kInt64Max - volumeStart))
        return false;
    volume = NtfsVolume{};
    volume.Device = device;
    volume.VolumeStart = volumeStart;
    volume.BytesPerSector = int(kSectorBytes);
    volume.SectorsPerCluster = int(b.ClusterBytes / kSectorBytes);
    volume.FileRecordSectors = int(b.FileRecordBytes / kSectorBytes);
    volume.IndexRecordSectors = int(b.IndexRecordBytes / kSectorBytes);
    volume.MftLcn = int64_t(b.MftLcn);
    volume.MftMirrorLcn = int64_t(b.MftMirrorLcn);
    volume.TotalSectors = int64_t(totalSectors);
    volume.SerialNumber = b.SerialNumber;
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Run lists

bool KNtfsRunList::Decode(const uint8_t* bytes, size_t count, int64_t startingVcn)
{
    Clear();
    if (startingVcn < 0 || (count != 0 && !bytes))
        return false;
    int64_t vcn = startingVcn;
    int64_t lcn = 0;
    size_t at = 0;
    while (at < count && bytes[at] != 0) {
        const int lengthWidth = bytes[at] & 0x0F;
        const int offsetWidth = bytes[at] >> 4;
        ++at;
        if (lengthWidth == 0 || lengthWidth > 8 || offsetWidth > 8
            || !fits(count, at, size_t(lengthWidth + offsetWidth))) {
            Clear();
            return false;
        }
        const uint64_t length = ReadUnsigned(bytes + at, lengthWidth);
        at += size_t(lengthWidth);
        KDataRun run;
        run.Vcn = vcn;
        run.Length = int64_t(length);
        if (length == 0 || length > uint64_t(kInt64Max) || !AddChecked(vcn, run.Length, vcn)) {
            Clear();
            return false;
        }
        if (offsetWidth != 0) {
            const int64_t offset = ReadSigned(bytes + at, offsetWidth);
            at += size_t(offsetWidth);
            int64_t end = 0; // the run's clusters must stay in range too
            if (!AddChecked(lcn, offset, lcn) || lcn < 0 || !AddChecked(lcn, run.Length, end)) {
                Clear();
                return false;
            }
            run.Lcn = lcn;
        }
        Add(run);
    }
    return true;
}

std::vector<uint8_t> KNtfsRunList::Encode() const
{
    std::vector<uint8_t> out;
    int64_t previousLcn = 0;
    for (const KDataRun& run : m_items) {
        if (!Encodable(run))
            continue;
        const int lengthWidth = Ntfs::RunFieldWidth(run.Length);
        if (IsSparse(run)) {
            out.push_back(uint8_t(lengthWidth));
            WriteField(out, run.Length, lengthWidth);
            continue;
        }
        const int64_t offset = run.Lcn - previousLcn; // both are non-negative: no overflow
        const int offsetWidth = Ntfs::RunFieldWidth(offset);
        out.push_back(uint8_t(offsetWidth << 4 | lengthWidth));
        WriteField(out, run.Length, lengthWidth);
        WriteField(out, offset, offsetWidth);
        previousLcn = run.Lcn;
    }
    out.resize(size_t(Ntfs::RoundUp(out.size() + 1, 8)), 0);
    return out;
}

void KNtfsRunList::Coalesce()
{
    std::vector<KDataRun> merged;
    merged.reserve(m_items.size());
    for (const KDataRun& run : m_items) {
        if (!merged.empty()) {
            KDataRun& previous = merged.back();
            int64_t end = 0, length = 0;
            const bool bothSparse = IsSparse(previous) && IsSparse(run);
            const bool continues = !IsSparse(previous) && !IsSparse(run)
                && AddChecked(previous.Lcn, previous.Length, end) && end == run.Lcn;
            if ((bothSparse || continues) && AddChecked(previous.Length, run.Length, length)) {
                previous.Length = length;
                continue;
            }
        }
        merged.push_back(run);
    }
    m_items = std::move(merged);
}

int64_t KNtfsRunList::GetTotalClusters() const
{
    int64_t total = 0;
    for (const KDataRun& run : m_items)
        if (!AddChecked(total, run.Length, total))
            return kInt64Max;
    return total;
}

bool KNtfsRunList::Split(size_t firstCapacity, size_t laterCapacity, std::vector<KNtfsRunList>& pieces) const
{
    pieces.clear();
    pieces.emplace_back();
    size_t capacity = firstCapacity;
    size_t used = 0;          // pair bytes of the current piece, without the terminator
    int64_t previousLcn = 0;  // offsets restart from 0 in every piece
    for (const KDataRun& run : m_items) {
        if (!Encodable(run))
            continue;
        size_t bytes = PairBytes(run, previousLcn);
        if (Ntfs::RoundUp(used + bytes + 1, 8) > capacity) {
            if (pieces.back().IsEmpty()) {
                pieces.clear();
                return false;
            }
            pieces.emplace_back();
            capacity = laterCapacity;
            used = 0;
            previousLcn = 0;
            bytes = PairBytes(run, previousLcn);
            if (Ntfs::RoundUp(bytes + 1, 8) > capacity) {
                pieces.clear();
                return false;
            }
        }
        pieces.back().Add(run);
        used += bytes;
        if (!IsSparse(run))
            previousLcn = run.Lcn;
    }
    if (pieces.back().IsEmpty() && Ntfs::RoundUp(1, 8) > capacity) {
        pieces.clear();
        return false;
    }
    return true;
}

int64_t KNtfsRunList::Map(int64_t vcn, int64_t* clustersLeft) const
{
    if (clustersLeft)
        *clustersLeft = 0;
    for (const KDataRun& run : m_items) {
        if (run.Length <= 0 || vcn < run.Vcn || uint64_t(vcn) - uint64_t(run.Vcn) >= uint64_t(run.Length))
            continue;
        const int64_t into = int64_t(uint64_t(vcn) - uint64_t(run.Vcn));
        int64_t lcn = -1;
        if (!IsSparse(run) && !AddChecked(run.Lcn, into, lcn))
            return -2;
        if (clustersLeft)
            *clustersLeft = run.Length - into;
        return lcn;
    }
    return -2;
}

// ---------------------------------------------------------------------------------------------------
// Names

KNtfsString::KNtfsString(const char16_t* zeroTerminated)
{
    if (!zeroTerminated)
        return;
    for (const char16_t* p = zeroTerminated; *p; ++p)
        m_items.push_back(*p);
}

KNtfsString::KNtfsString(const char16_t* text, size_t maxUnits)
{
    if (!text)
        return;
    for (size_t i = 0; i < maxUnits && text[i]; ++i)
        m_items.push_back(text[i]);
}

KNtfsString KNtfsString::FromLittleEndian(const uint8_t* bytes, size_t units)
{
    KNtfsString s;
    if (!bytes)
        return s;
    s.m_items.reserve(units);
    for (size_t i = 0; i < units; ++i)
        s.m_items.push_back(char16_t(le16(bytes + 2 * i)));
    return s;
}

std::string KNtfsString::ToUtf8() const
{
    std::string out;
    out.reserve(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        const uint32_t unit = m_items[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < m_items.size() && m_items[i + 1] >= 0xDC00
            && m_items[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (uint32_t(m_items[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Attributes

namespace {

// Field reads that give 0 outside the image, so that a getter on an empty attribute is harmless.
uint8_t Byte(const std::vector<uint8_t>& b, size_t off) { return off < b.size() ? b[off] : 0; }
uint16_t Le16(const std::vector<uint8_t>& b, size_t off) { return fits(b.size(), off, 2) ? le16(b.data() + off) : 0; }
uint32_t Le32(const std::vector<uint8_t>& b, size_t off) { return fits(b.size(), off, 4) ? le32(b.data() + off) : 0; }
uint64_t Le64(const std::vector<uint8_t>& b, size_t off) { return fits(b.size(), off, 8) ? le64(b.data() + off) : 0; }

} // namespace

bool KNtfsAttribute::Assign(const uint8_t* bytes, size_t length)
{
    if (!bytes || length < Ntfs::kResHeaderEnd)
        return false;
    const uint32_t recordLength = le32(bytes + Ntfs::kAttrLengthOff);
    const uint8_t nonResident = bytes[Ntfs::kAttrNonResidentOff];
    if (nonResident > 1)
        return false;
    const size_t header = nonResident ? Ntfs::kNrHeaderEnd : Ntfs::kResHeaderEnd;
    if (recordLength < header || recordLength > length)
        return false;
    // Where the value or the mapping pairs start: after the header, and the name must come before it.
    size_t body = 0;
    if (nonResident) {
        body = le16(bytes + Ntfs::kNrMappingPairsOffset);
        if (body < header || body > recordLength)
            return false;
    } else {
        body = le16(bytes + Ntfs::kResValueOffset);
        if (body < header || !fits(recordLength, body, le32(bytes + Ntfs::kResValueLength)))
            return false;
    }
    const size_t nameUnits = bytes[Ntfs::kAttrNameLengthOff];
    const size_t nameOffset = le16(bytes + Ntfs::kAttrNameOffsetOff);
    if (nameUnits != 0 && (nameOffset < header || !fits(body, nameOffset, 2 * nameUnits)))
        return false;
    m_bytes.assign(bytes, bytes + recordLength);
    return true;
}

uint32_t KNtfsAttribute::GetType() const { return Le32(m_bytes, Ntfs::kAttrTypeOff); }
uint32_t KNtfsAttribute::GetRecordLength() const { return Le32(m_bytes, Ntfs::kAttrLengthOff); }
bool KNtfsAttribute::IsNonResident() const { return Byte(m_bytes, Ntfs::kAttrNonResidentOff) != 0; }
uint16_t KNtfsAttribute::GetFlags() const { return Le16(m_bytes, Ntfs::kAttrFlagsOff); }
uint16_t KNtfsAttribute::GetId() const { return Le16(m_bytes, Ntfs::kAttrInstanceOff); }

void KNtfsAttribute::SetId(uint16_t id)
{
    if (fits(m_bytes.size(), Ntfs::kAttrInstanceOff, 2))
        put_le16(m_bytes.data() + Ntfs::kAttrInstanceOff, id);
}

KNtfsString KNtfsAttribute::GetName() const
{
    const size_t units = Byte(m_bytes, Ntfs::kAttrNameLengthOff);
    const size_t offset = Le16(m_bytes, Ntfs::kAttrNameOffsetOff);
    if (units == 0 || !fits(m_bytes.size(), offset, 2 * units))
        return {};
    return KNtfsString::FromLittleEndian(m_bytes.data() + offset, units);
}

uint32_t KNtfsAttribute::GetValueLength() const
{
    return m_bytes.empty() || IsNonResident() ? 0 : Le32(m_bytes, Ntfs::kResValueLength);
}

uint16_t KNtfsAttribute::GetValueOffset() const
{
    return m_bytes.empty() || IsNonResident() ? 0 : Le16(m_bytes, Ntfs::kResValueOffset);
}

const uint8_t* KNtfsAttribute::GetValuePointer() const
{
    if (m_bytes.empty() || IsNonResident() || !fits(m_bytes.size(), GetValueOffset(), GetValueLength()))
        return nullptr;
    return m_bytes.data() + GetValueOffset();
}

size_t KNtfsAttribute::GetValue(void* buffer, size_t maximum) const
{
    const uint8_t* value = GetValuePointer();
    if (!value || !buffer)
        return 0;
    const size_t n = std::min<size_t>(maximum, GetValueLength());
    if (n != 0)
        std::memcpy(buffer, value, n);
    return n;
}

bool KNtfsAttribute::SetValue(const void* bytes, size_t length)
{
    if (m_bytes.size() < Ntfs::kResHeaderEnd || IsNonResident() || (length != 0 && !bytes))
        return false;
    const size_t offset = GetValueOffset();
    const uint64_t newLength = Ntfs::RoundUp(uint64_t(offset) + length, 8);
    if (offset < Ntfs::kResHeaderEnd || length > std::numeric_limits<uint32_t>::max()
        || newLength > std::numeric_limits<uint32_t>::max())
        return false;
    // The source may lie inside this image: take a copy before resizing.
    const auto* source = static_cast<const uint8_t*>(bytes);
    const std::vector<uint8_t> value(source, source + length);
    m_bytes.resize(offset); // Assign keeps the name before the value, so it survives
    m_bytes.insert(m_bytes.end(), value.begin(), value.end());
    m_bytes.resize(size_t(newLength), 0);
    put_le32(m_bytes.data() + Ntfs::kResValueLength, uint32_t(length));
    put_le32(m_bytes.data() + Ntfs::kAttrLengthOff, uint32_t(newLength));
    return true;
}

int64_t KNtfsAttribute::GetStartingVcn() const
{
    return IsNonResident() ? int64_t(Le64(m_bytes, Ntfs::kNrLowestVcn)) : 0;
}
int64_t KNtfsAttribute::GetLastVcn() const
{
    return IsNonResident() ? int64_t(Le64(m_bytes, Ntfs::kNrHighestVcn)) : 0;
}
uint16_t KNtfsAttribute::GetMappingPairsOffset() const
{
    return IsNonResident() ? Le16(m_bytes, Ntfs::kNrMappingPairsOffset) : 0;
}
int64_t KNtfsAttribute::GetAllocatedSize() const
{
    return IsNonResident() ? int64_t(Le64(m_bytes, Ntfs::kNrAllocatedSize)) : 0;
}
int64_t KNtfsAttribute::GetDataSize() const
{
    return IsNonResident() ? int64_t(Le64(m_bytes, Ntfs::kNrDataSize)) : 0;
}
int64_t KNtfsAttribute::GetInitializedSize() const
{
    return IsNonResident() ? int64_t(Le64(m_bytes, Ntfs::kNrInitializedSize)) : 0;
}

void KNtfsAttribute::SetSizes(int64_t allocated, int64_t data, int64_t initialized)
{
    if (m_bytes.size() < Ntfs::kNrHeaderEnd || !IsNonResident())
        return;
    put_le64(m_bytes.data() + Ntfs::kNrAllocatedSize, uint64_t(allocated));
    put_le64(m_bytes.data() + Ntfs::kNrDataSize, uint64_t(data));
    put_le64(m_bytes.data() + Ntfs::kNrInitializedSize, uint64_t(initialized));
}

void KNtfsAttribute::SetVcnRange(int64_t first, int64_t last)
{
    if (m_bytes.size() < Ntfs::kNrHeaderEnd || !IsNonResident())
        return;
    put_le64(m_bytes.data() + Ntfs::kNrLowestVcn, uint64_t(first));
    put_le64(m_bytes.data() + Ntfs::kNrHighestVcn, uint64_t(last));
}

bool KNtfsAttribute::GetRunList(KNtfsRunList& runs) const
{
    runs.Clear();
    const size_t offset = GetMappingPairsOffset();
    if (m_bytes.size() < Ntfs::kNrHeaderEnd || !IsNonResident() || offset > m_bytes.size())
        return false;
    return runs.Decode(m_bytes.data() + offset, m_bytes.size() - offset, GetStartingVcn());
}

bool KNtfsAttribute::SetRunList(const KNtfsRunList& runs)
{
    const size_t offset = GetMappingPairsOffset();
    if (m_bytes.size() < Ntfs::kNrHeaderEnd || !IsNonResident() || offset < Ntfs::kNrHeaderEnd
        || offset > m_bytes.size())
        return false;
    const std::vector<uint8_t> pairs = runs.Encode();
    const uint64_t newLength = Ntfs::RoundUp(offset + pairs.size(), 8);
    if (newLength > std::numeric_limits<uint32_t>::max())
        return false;
    m_bytes.resize(offset); // Assign keeps the name before the pairs, so it survives
    m_bytes.insert(m_bytes.end(), pairs.begin(), pairs.end());
    m_bytes.resize(size_t(newLength), 0);
    put_le32(m_bytes.data() + Ntfs::kAttrLengthOff, uint32_t(newLength));
    return true;
}

namespace {

// A run as a byte range of the data and a sector range of the device, checked against the volume.
struct RunPlace {
    int64_t dataOffset = 0; // bytes, from VCN 0
    int64_t dataEnd = 0;
    int64_t firstSector = 0; // absolute, on the device; meaningless for a sparse run
};

// Checks what ReadData and WriteData share: a non-resident attribute whose runs start at VCN 0, cover its
// data size and stay inside its allocated size and inside the volume. Gives the data size and the runs.
bool PlanTransfer(const KNtfsAttribute& attribute, const NtfsVolume& volume, int64_t& dataSize,
                  std::vector<RunPlace>& places, KNtfsRunList& runs)
{
    if (!volume.Device || volume.SectorsPerCluster <= 0 || volume.BytesPerSector != kSectorBytes
        || volume.VolumeStart < 0 || !attribute.IsNonResident() || attribute.GetStartingVcn() != 0
        || !attribute.GetRunList(runs))
        return false;
    dataSize = attribute.GetDataSize();
    const int64_t allocated = attribute.GetAllocatedSize();
    if (dataSize < 0 || allocated < dataSize)
        return false;
    const int64_t clusterBytes = volume.ClusterBytes();
    const int64_t totalClusters = volume.TotalClusters();
    int64_t covered = 0;
    places.clear();
    for (const KDataRun& run : runs) {
        RunPlace place;
        int64_t end = 0;
        if (!MulChecked(run.Vcn, clusterBytes, place.dataOffset) || !AddChecked(run.Vcn, run.Length, end)
            || !MulChecked(end, clusterBytes, place.dataEnd) || place.dataEnd > allocated)
            return false;
        if (!IsSparse(run)) {
            int64_t lastCluster = 0;
            if (!AddChecked(run.Lcn, run.Length, lastCluster)
                || (volume.TotalSectors > 0 && lastCluster > totalClusters)
                || !MulChecked(run.Lcn, volume.SectorsPerCluster, place.firstSector)
                || !AddChecked(place.firstSector, volume.VolumeStart, place.firstSector))
                return false;
            int64_t lastSector = 0;
            if (!MulChecked(lastCluster, volume.SectorsPerCluster, lastSector)
                || !AddChecked(lastSector, volume.VolumeStart, lastSector))
                return false;
        }
        covered = place.dataEnd;
        places.push_back(place);
    }
    return covered >= dataSize;
}

} // namespace

int64_t KNtfsAttribute::ReadData(const NtfsVolume& volume, void* buffer, int64_t length) const
{
    int64_t dataSize = 0;
    std::vector<RunPlace> places;
    KNtfsRunList runs;
    if (!PlanTransfer(*this, volume, dataSize, places, runs) || !buffer || length < dataSize)
        return -1;
    auto* out = static_cast<uint8_t*>(buffer);
    // Past the initialized size the data reads as zeros, whatever the clusters hold.
    const int64_t valid = std::clamp<int64_t>(GetInitializedSize(), 0, dataSize);
    std::memset(out + valid, 0, size_t(dataSize - valid));
    uint8_t tail[kSectorBytes];
    for (size_t i = 0; i < places.size(); ++i) {
        const int64_t from = std::min(places[i].dataOffset, valid);
        const int64_t to = std::min(places[i].dataEnd, valid);
        if (from >= to)
            break;
        if (IsSparse(runs[i])) {
            std::memset(out + from, 0, size_t(to - from));
            continue;
        }
        int64_t sector = places[i].firstSector;
        for (int64_t at = from; at < to;) {
            const int64_t chunk = std::min(kMaxTransferBytes, to - at);
            if (chunk >= kSectorBytes) {
                const int64_t sectors = chunk / kSectorBytes;
                if (!volume.Device->ReadSectors(out + at, sector, sectors))
                    return at;
                at += sectors * kSectorBytes;
                sector += sectors;
            } else {
                // The last sector holds the end of the data: only its head goes to the buffer.
                if (!volume.Device->ReadSectors(tail, sector, 1))
                    return at;
                std::memcpy(out + at, tail, size_t(chunk));
                at += chunk;
            }
        }
    }
    return dataSize;
}

bool KNtfsAttribute::WriteData(const NtfsVolume& volume, const void* bytes, int64_t length) const
{
    int64_t dataSize = 0;
    std::vector<RunPlace> places;
    KNtfsRunList runs;
    if (!PlanTransfer(*this, volume, dataSize, places, runs) || length < 0 || (length != 0 && !bytes))
        return false;
    const auto* source = static_cast<const uint8_t*>(bytes);
    std::vector<uint8_t> filled;
    if (length < dataSize) {
        filled.assign(size_t(dataSize), 0xFF);
        if (length != 0)
            std::memcpy(filled.data(), bytes, size_t(length));
        source = filled.data();
    }
    uint8_t tail[kSectorBytes];
    for (size_t i = 0; i < places.size(); ++i) {
        const int64_t from = std::min(places[i].dataOffset, dataSize);
        const int64_t to = std::min(places[i].dataEnd, dataSize);
        if (from >= to)
            break;
        if (IsSparse(runs[i]))
            continue;
        int64_t sector = places[i].firstSector;
        for (int64_t at = from; at < to;) {
            const int64_t chunk = std::min(kMaxTransferBytes, to - at);
            if (chunk >= kSectorBytes) {
                const int64_t sectors = chunk / kSectorBytes;
                if (!volume.Device->WriteSectors(source + at, sector, sectors))
                    return false;
                at += sectors * kSectorBytes;
                sector += sectors;
            } else {
                // The data ends inside this sector; the rest of it is written as zeros.
                std::memset(tail, 0, sizeof tail);
                std::memcpy(tail, source + at, size_t(chunk));
                if (!volume.Device->WriteSectors(tail, sector, 1))
                    return false;
                at += chunk;
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Attribute lists

bool KNtfsAttributeList::Parse(const uint8_t* value, size_t length)
{
    Clear();
    if (length != 0 && !value)
        return false;
    size_t at = 0;
    while (at < length) {
        const size_t left = length - at;
        const uint8_t* p = value + at;
        if (left >= 4 && le32(p) == 0)
            break;
        if (left < kListEntryHeader) {
            Clear();
            return false;
        }
        tagAttriListElement entry;
        entry.Type = le32(p);
        entry.Length = le16(p + 4);
        if (entry.Length == 0)
            break;
        entry.NameLength = p[6];
        entry.NameOffset = p[7];
        if (entry.Length < kListEntryHeader || entry.Length > left
            || (entry.NameLength != 0
                && (entry.NameOffset < kListEntryHeader
                    || !fits(entry.Length, entry.NameOffset, 2 * size_t(entry.NameLength))))) {
            Clear();
            return false;
        }
        entry.StartingVcn = int64_t(le64(p + 8));
        entry.FileReference = le64(p + 0x10);
        entry.AttributeId = le16(p + 0x18);
        if (entry.NameLength != 0)
            entry.Name = KNtfsString::FromLittleEndian(p + entry.NameOffset, entry.NameLength);
        Add(entry);
        at += entry.Length;
    }
    return true;
}

void KNtfsAttributeList::Sort()
{
    std::stable_sort(m_items.begin(), m_items.end(), [](const tagAttriListElement& a, const tagAttriListElement& b) {
        if (a.Type != b.Type)
            return a.Type < b.Type;
        if (!(a.Name == b.Name))
            return a.Name < b.Name;
        return a.StartingVcn < b.StartingVcn;
    });
}

bool KNtfsAttributeList::Build(std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (IsEmpty())
        return false;
    for (const tagAttriListElement& entry : m_items)
        if (entry.Name.GetCount() > 255)
            return false;
    Sort();
    for (tagAttriListElement& entry : m_items) {
        const size_t units = entry.Name.GetCount();
        entry.NameLength = uint8_t(units);
        entry.NameOffset = uint8_t(kListEntryHeader);
        entry.Length = uint16_t(Ntfs::RoundUp(kListEntryHeader + 2 * units, 8));
        const size_t at = bytes.size();
        bytes.resize(at + entry.Length, 0);
        uint8_t* p = bytes.data() + at;
        put_le32(p, entry.Type);
        put_le16(p + 4, entry.Length);
        p[6] = entry.NameLength;
        p[7] = entry.NameOffset;
        put_le64(p + 8, uint64_t(entry.StartingVcn));
        put_le64(p + 0x10, entry.FileReference);
        put_le16(p + 0x18, entry.AttributeId);
        for (size_t i = 0; i < units; ++i)
            put_le16(p + kListEntryHeader + 2 * i, entry.Name[i]);
    }
    return true;
}

int KNtfsAttributeList::Find(uint32_t type, const KNtfsString& name, bool anyName) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].Type == type && (anyName || m_items[i].Name == name))
            return int(i);
    return -1;
}
