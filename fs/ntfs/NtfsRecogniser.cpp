#include "fs/ntfs/NtfsRecogniser.h"
#include "fs/fat/FatRecogniser.h"

#include <cstring>
#include <memory>

#include "core/ByteOrder.h"
#include "engine/IDisk.h"
#include "engine/KVolumeDevice.h"
#include "fs/VolumeInfo.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsVolumeView.h"
#include "core/FileSystemTypes.h"

int RecogniseNtfs(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found)
{
    if (!disk || !sector || !found || std::memcmp(sector + 3, "NTFS    ", 8) != 0 || sector[510] != 0x55
        || sector[511] != 0xAA)
        return 0;
    const int64_t diskSectors = disk->GetTotalSectors();
    if (lba < 0 || lba >= diskSectors)
        return 0;
    NtfsVolume volume;
    if (!DescribeNtfsVolume(*disk, lba, diskSectors - lba, volume))
        return 0;
    KNtfsMFT mft;
    if (!mft.Open(volume, nullptr, false))
        return 0;

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.PartitionTypeId = 7;
    p.StartingLba = lba;
    // The boot sector counts the file system only; the backup boot sector follows it, inside the
    // partition. Without it a recovered volume would lose its backup.
    p.SectorCount = std::min(volume.TotalSectors + 1, diskSectors - lba);
    p.HiddenSectors = le32(sector + 0x1C);
    p.IsPrimary = 1;
    std::unique_ptr<KVolumeDevice> device(KVolumeDevice::Create(disk, p));
    if (!device || !ReadVolumeInfo(*device, p.SectorCount, p) || p.FileSystemType != kFsNtfs)
        return 0;
    MarkWhenStillListed(disk, p);
    *found = p;
    return 1;
}
