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

} // namespace NtfsRebuild
