#include "fs/ntfs/NtfsProbe.h"

#include "fs/ntfs/NtfsBootSector.h"

#include <cstring>
#include <vector>

#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsVolumeView.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"

namespace {

int64_t CountClear(const uint8_t* bits, int64_t count)
{
    int64_t clear = 0;
    for (int64_t i = 0; i < count; ++i)
        clear += !((bits[i / 8] >> (i % 8)) & 1);
    return clear;
}

// Label, free space and the copy reserve from the MFT: $Volume's name, the clear bits of $Bitmap,
// and the MFT and log file sizes. Left as they are when the metadata cannot be read.
void ReadMetadata(ISectorDevice& device, int64_t sectorCount, PartitionInfo& info)
{
    NtfsVolume v;
    if (!DescribeNtfsVolume(device, 0, sectorCount, v))
        return;
    const int64_t recordBytes = v.FileRecordBytes();
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
    Ntfs::BootSector decoded;
    if (!Ntfs::DecodeBootSector(boot, decoded))
        return false;
    const uint64_t clusterBytes = decoded.ClusterBytes;

    info.FileSystemType = kFsNtfs;
    info.ClusterSize = int32_t(clusterBytes / kVolumeSectorBytes);
    ReadMetadata(volume, sectorCount, info);
    return true;
}
