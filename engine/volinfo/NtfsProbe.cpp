#include "NtfsProbe.h"

#include <cstring>
#include <vector>

#include "LabelText.h"
#include "VolumeReader.h"
#include "engine/ntfs/NtfsMft.h"
#include "engine/ntfs/NtfsRecord.h"
#include "engine/ByteOrder.h"
#include "model/FileSystemTypes.h"

namespace {

constexpr uint64_t kMaxClusterBytes = 2 * 1024 * 1024;

// Bytes per cluster from the boot sector, or 0 when the fields make no sense. Above 0x80 the
// sectors-per-cluster byte is a negative exponent: 2^(256 - value) sectors.
uint64_t ClusterBytes(const uint8_t* s)
{
    const uint32_t bytesPerSector = le16(s + 11);
    if (bytesPerSector != 512 && bytesPerSector != 1024 && bytesPerSector != 2048 && bytesPerSector != 4096)
        return 0;
    const uint32_t code = s[13];
    uint64_t sectors = 0;
    if (code > 0x80) {
        const uint32_t shift = 256 - code;
        if (shift > 21)
            return 0;
        sectors = uint64_t(1) << shift;
    } else if (code != 0 && (code & (code - 1)) == 0) {
        sectors = code;
    }
    const uint64_t bytes = sectors * bytesPerSector;
    return bytes <= kMaxClusterBytes ? bytes : 0;
}

// Record size from the boot sector's code: clusters, or 2^-code bytes when negative.
int64_t RecordBytes(int8_t code, uint64_t clusterBytes)
{
    if (code < 0)
        return code >= -16 ? int64_t(1) << -code : 0;
    return int64_t(code) * int64_t(clusterBytes);
}

int64_t CountClear(const uint8_t* bits, int64_t count)
{
    int64_t clear = 0;
    for (int64_t i = 0; i < count; ++i)
        clear += !((bits[i / 8] >> (i % 8)) & 1);
    return clear;
}

// Label, free space and the copy reserve from the MFT: $Volume's name, the clear bits of $Bitmap,
// and the MFT and log file sizes. Left as they are when the metadata cannot be read.
void ReadMetadata(ISectorDevice& device, const uint8_t* boot, uint64_t clusterBytes, int64_t sectorCount,
                  PartitionInfo& info)
{
    NtfsVolume v;
    v.Device = &device;
    v.BytesPerSector = int(kVolumeSectorBytes);
    v.SectorsPerCluster = int(clusterBytes / kVolumeSectorBytes);
    const int64_t recordBytes = RecordBytes(int8_t(boot[0x40]), clusterBytes);
    if (recordBytes < 512 || recordBytes > 8192 || recordBytes % 512)
        return;
    v.FileRecordSectors = int(recordBytes / 512);
    v.MftLcn = int64_t(le64(boot + 0x30));
    v.TotalSectors = int64_t(le64(boot + 0x28)) * le16(boot + 11) / int64_t(kVolumeSectorBytes);
    if (v.TotalSectors <= 0 || v.TotalSectors > sectorCount || v.MftLcn < 0 || v.MftLcn >= v.TotalClusters())
        return;
    KNtfsMFT mft;
    if (!mft.Open(v, nullptr, false))
        return;

    KNtfsFileRecord record;
    if (mft.ReadRecord(3, record)) {
        const int name = record.FindAttribute(Ntfs::kAttrVolumeName);
        if (name >= 0 && !record.GetAttribute(size_t(name)).IsNonResident()) {
            const KNtfsAttribute& a = record.GetAttribute(size_t(name));
            StoreLabel(info, Utf16LabelToUtf8(a.GetValuePointer(), a.GetValueLength() / 2));
        }
    }
    if (mft.ReadRecord(6, record)) {
        const int data = record.FindAttribute(Ntfs::kAttrData);
        const int64_t clusters = v.TotalClusters();
        if (data >= 0 && record.GetAttribute(size_t(data)).IsNonResident()) {
            const KNtfsAttribute& a = record.GetAttribute(size_t(data));
            const int64_t needed = (clusters + 7) / 8;
            if (a.GetDataSize() >= needed && a.GetAllocatedSize() <= (int64_t(1) << 29)) {
                std::vector<uint8_t> bits(size_t(Ntfs::RoundUp(uint64_t(a.GetAllocatedSize()), 512)));
                if (a.ReadData(v, bits.data(), int64_t(bits.size())) >= needed)
                    info.FreeSectors = CountClear(bits.data(), clusters) * v.SectorsPerCluster;
            }
        }
    }
    // The copy reserve: a copy rebuilds the MFT and the log file, so their sizes must be free on
    // the target beyond the used space.
    int64_t reserve = mft.GetRecordCount() * recordBytes;
    if (mft.ReadRecord(2, record)) {
        const int data = record.FindAttribute(Ntfs::kAttrData);
        if (data >= 0 && record.GetAttribute(size_t(data)).IsNonResident())
            reserve += record.GetAttribute(size_t(data)).GetAllocatedSize();
    }
    info.NtfsReserveSectors = reserve / int64_t(kVolumeSectorBytes);
}

} // namespace

bool ProbeNtfs(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t boot[512];
    if (!reader.ReadSectors(boot, 0, 1))
        return false;
    if (std::memcmp(boot + 3, "NTFS    ", 8) != 0 || boot[510] != 0x55 || boot[511] != 0xAA)
        return false;
    const uint64_t clusterBytes = ClusterBytes(boot);
    if (clusterBytes == 0 || le64(boot + 40) == 0)
        return false;

    info.FileSystemType = kFsNtfs;
    info.ClusterSize = int32_t(clusterBytes / kVolumeSectorBytes);
    ReadMetadata(volume, boot, clusterBytes, sectorCount, info);
    return true;
}
