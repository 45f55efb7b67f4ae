#include "KBootSectorEditor.h"

#include <cstring>

#include "CommandSummary.h"
#include "core/ByteOrder.h"
#include "engine/IDisk.h"
#include "core/FileSystemTypes.h"
#include "fs/fat/FatStructures.h"
#include "fs/ntfs/NtfsBootSector.h"

int64_t KBootSectorEditor::BackupSector(const PartitionInfo& p, const uint8_t* s)
{
    int64_t sector = -1;
    if (p.FileSystemType == kFsFat32) {
        const uint16_t backup = le16(s + Fat::kBackupBootSector);
        sector = backup == 0 || backup == 0xFFFF ? -1 : int64_t(backup);
    } else if (p.FileSystemType == kFsNtfs && std::memcmp(s + 3, "NTFS    ", 8) == 0) {
        // The backup follows the volume's last sector; mkntfs-style volumes end one sector early.
        const uint64_t total = le64(s + Ntfs::kBootTotalSectors);
        sector = total < uint64_t(INT64_MAX) ? int64_t(total) : -1;
    }
    if (sector <= 0 || sector >= p.SectorCount)
        return -1;
    return sector;
}

int KBootSectorEditor::Edit(IDisk* disk, const PartitionInfo& p, const std::function<void(uint8_t*)>& edit)
{
    if (!disk || p.SectorCount < 1)
        return kDetailReadFailed;
    uint8_t sector[512];
    if (!disk->ReadSectors(sector, p.StartingLba, 1))
        return kDetailReadFailed;
    const int64_t backup = BackupSector(p, sector);
    uint8_t copy[512];
    const bool haveBackup = backup > 0 && disk->ReadSectors(copy, p.StartingLba + backup, 1) &&
                            std::memcmp(copy + 3, sector + 3, 8) == 0 && copy[510] == 0x55 && copy[511] == 0xAA;
    edit(sector);
    if (!disk->WriteSectors(sector, p.StartingLba, 1))
        return kDetailWriteFailed;
    if (haveBackup) {
        edit(copy);
        if (!disk->WriteSectors(copy, p.StartingLba + backup, 1))
            return kDetailWriteFailed;
    }
    return disk->Flush() ? 0 : kDetailWriteFailed;
}
