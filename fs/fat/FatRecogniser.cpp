#include "fs/fat/FatRecogniser.h"

#include "fs/fat/FatStructures.h"

#include <cstring>
#include <memory>

#include "core/ByteOrder.h"
#include "engine/IDisk.h"
#include "engine/KDisk.h"
#include "engine/KVolumeDevice.h"
#include "fs/VolumeInfo.h"
#include "fs/fat/FatLayout.h"
#include "core/FileSystemTypes.h"

namespace {

bool fatStartsWell(IDisk* disk, int64_t lba, bool fat32, uint8_t media)
{
    uint8_t s[512];
    if (lba < 0 || !disk->ReadSectors(s, lba, 1))
        return false;
    if (fat32)
        return s[0] == 0xF8 && s[1] == 0xFF && s[2] == 0xFF && s[4] == 0xFF && s[5] == 0xFF && s[6] == 0xFF;
    return s[0] == media && s[1] == 0xFF && s[2] == 0xFF;
}

} // namespace

void MarkWhenStillListed(IDisk* disk, PartitionInfo& found)
{
    if (auto* kdisk = dynamic_cast<KDisk*>(disk))
        for (const auto& existing : kdisk->Scan().List)
            if (existing.StartingLba == found.StartingLba)
                found.VolumePresent = 1;
}

int RecogniseFat(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found)
{
    if (!disk || !sector || !found || sector[510] != 0x55 || sector[511] != 0xAA)
        return 0;
    FatLayout layout;
    if (!ParseFatBootSector(sector, 512, layout) || layout.bytesPerSector != 512)
        return 0;
    const bool fat32 = layout.code == kFsFat32;
    const uint16_t reserved = le16(sector + Fat::kReservedSectors);
    const uint32_t fatSectors = fat32 ? le32(sector + Fat::kFatSize32) : le16(sector + Fat::kFatSize16);
    const uint8_t media = sector[Fat::kMedia];
    if (!fatStartsWell(disk, lba + reserved, fat32, media) || !fatStartsWell(disk, lba + reserved + fatSectors, fat32, media))
        return 0;
    if (fat32) {
        uint8_t backup[512];
        FatLayout backupLayout;
        if (!disk->ReadSectors(backup, lba + 6, 1) || !ParseFatBootSector(backup, 512, backupLayout) ||
            backupLayout.code != kFsFat32)
            return 0;
    }
    const uint32_t total32 = le32(sector + Fat::kTotalSectors32);
    const int64_t total = total32 ? total32 : le16(sector + Fat::kTotalSectors16);
    if (total <= 0 || lba + total > disk->GetTotalSectors())
        return 0;

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.PartitionTypeId = fat32 ? 11 : 6;
    p.StartingLba = lba;
    p.SectorCount = total;
    p.HiddenSectors = le32(sector + 0x1C);
    p.IsPrimary = 1;
    std::unique_ptr<KVolumeDevice> device(KVolumeDevice::Create(disk, p));
    if (!device || !ReadVolumeInfo(*device, total, p) || !IsFatCode(p.FileSystemType))
        return 0;
    MarkWhenStillListed(disk, p);
    *found = p;
    return 1;
}
