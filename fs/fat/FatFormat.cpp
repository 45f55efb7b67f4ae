#include "FatFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "FatBootTemplates.h"
#include "FatParameters.h"
#include "core/ByteOrder.h"
#include "fs/fat/FatStructures.h"
#include "core/Clock.h"
#include "engine/ISectorDevice.h"

namespace {

// The FAT directory encoding of the current local time.
void fatTimestamp(uint16_t& time, uint16_t& date)
{
    const EngineLocalTime t = GetLocalTime();
    date = uint16_t(((t.Year - 1980) << 9) | (t.Month << 5) | t.Day);
    time = uint16_t((t.Hour << 11) | (t.Minute << 5) | (t.Second / 2));
}

} // namespace

int FormatFatVolume(ISectorDevice* device, int64_t volumeStart, int64_t sectors, int64_t hiddenSectors, int& type,
                    int& clusterSize, char* label)
{
    if (!device)
        return kFatBadArgument;
    if (type == 0 && !GetDefaultFatType(sectors, &type))
        return kFatBadArgument;
    if (clusterSize == 0 && !GetDefaultFatClusterSize(sectors, type, &clusterSize))
        return kFatBadArgument;
    if (clusterSize <= 0 || clusterSize > 128 || (clusterSize & (clusterSize - 1)))
        return kFatBadArgument; // no usable cluster size: never divide by zero
    if (label)
        for (char* c = label; *c; ++c)
            if (*c >= 'a' && *c <= 'z')
                *c = char(*c - 'a' + 'A');

    const unsigned char* templ = type == 1 ? kFat12BootSector : type == 6 ? kFat16BootSector
                               : type == 11 ? kFat32BootSector : nullptr;
    if (!templ)
        return kFatBadArgument;
    const bool fat32 = type == 11;
    uint8_t boot[512];
    std::memcpy(boot, templ, 512);

    DiskGeometry geometry{};
    if (device->GetGeometry(&geometry)) {
        put_le16(boot + Fat::kBytesPerSector, uint16_t(geometry.BytesPerSector ? geometry.BytesPerSector : 512));
        put_le16(boot + Fat::kSectorsPerTrack, uint16_t(geometry.SectorsPerTrack));
        put_le16(boot + Fat::kNumberOfHeads, uint16_t(geometry.TracksPerCylinder));
    }
    put_le32(boot + Fat::kHiddenSectors, uint32_t(hiddenSectors));
    boot[Fat::kSectorsPerCluster] = uint8_t(clusterSize);
    boot[Fat::kNumberOfFats] = 2;
    if (sectors <= 0xFFFF) {
        put_le16(boot + Fat::kTotalSectors16, uint16_t(sectors));
        put_le32(boot + Fat::kTotalSectors32, 0);
    } else {
        put_le16(boot + Fat::kTotalSectors16, 0);
        put_le32(boot + Fat::kTotalSectors32, uint32_t(sectors));
    }

    const int64_t reserved = fat32 ? 32 : 2;
    if (sectors <= reserved)
        return kFatBadArgument;
    const int64_t n = (sectors - reserved) / clusterSize;
    int64_t fatSectors;
    if (type == 1)
        fatSectors = int64_t((double(n) * 1.5 + 511) / 512);
    else if (type == 6)
        fatSectors = (2 * n + 511) / 512;
    else
        fatSectors = (4 * n + 511) / 512;
    const int64_t rootSectors = fat32 ? clusterSize : 32;
    if (reserved + 2 * fatSectors + rootSectors > sectors)
        return kFatBadArgument;
    // A cluster count outside the type's range would make another file system type out of it (every
    // reader decides the type by the count): such a combination is refused.
    const int64_t clusters = (sectors - reserved - 2 * fatSectors - rootSectors) / clusterSize;
    const bool countFits = type == 1 ? clusters >= 1 && clusters <= 4084
                         : type == 6 ? clusters >= 4085 && clusters <= 65524
                                     : clusters >= 65525 && clusters <= 0x0FFFFFF4;
    if (!countFits)
        return kFatBadArgument;
    if (fat32) {
        put_le16(boot + Fat::kFatSize16, 0);
        put_le32(boot + Fat::kFatSize32, uint32_t(fatSectors));
        put_le16(boot + offsetof(Fat::BootSector32, ExtFlags), 0);
        put_le32(boot + Fat::kRootCluster, 2);
        put_le16(boot + Fat::kBackupBootSector, 6);
    } else {
        put_le16(boot + Fat::kFatSize16, uint16_t(fatSectors));
    }
    put_le16(boot + Fat::kReservedSectors, uint16_t(reserved));

    std::vector<uint8_t> fat, root, reservedArea;
    try {
        fat.assign(size_t(fatSectors) * 512, 0);
        root.assign(size_t(rootSectors) * 512, 0);
        reservedArea.assign(size_t(reserved) * 512, 0);
    } catch (const std::bad_alloc&) {
        return kFatOutOfMemory;
    }
    if (fat32) {
        put_le32(fat.data(), 0x0FFFFFF8);
        put_le32(fat.data() + 4, 0xFFFFFFFF);
        put_le32(fat.data() + 8, 0x0FFFFFFF);
    } else {
        fat[0] = 0xF8;
        fat[1] = 0xFF;
        fat[2] = 0xFF;
        if (type == 6)
            fat[3] = 0xFF;
    }

    char labelField[256];
    std::memset(labelField, ' ', sizeof labelField);
    const char* text = label && *label ? label : "NO NAME";
    std::memcpy(labelField, text, std::min(std::strlen(text), sizeof labelField));
    const uint32_t serial = uint32_t(GetSystemFileTime());
    put_le32(boot + (fat32 ? Fat::kVolumeId32 : Fat::kVolumeId16), serial);
    std::memcpy(boot + (fat32 ? Fat::kVolumeLabel32 : Fat::kVolumeLabel16), labelField, Fat::kLabelBytes);

    if (label && *label) {
        std::memcpy(root.data(), labelField, 11);
        root[Fat::kDirAttributes] = Fat::kAttrVolumeLabel;
        uint16_t time = 0, date = 0;
        fatTimestamp(time, date);
        put_le16(root.data() + Fat::kDirWriteTime, time);
        put_le16(root.data() + Fat::kDirWriteDate, date);
    }

    uint8_t fsinfo[512];
    BuildFsInfoSector(fsinfo);

    auto write = [&](const void* data, int64_t sector, int64_t count) {
        return device->WriteSectors(data, volumeStart + sector, count) != 0;
    };
    if (!write(reservedArea.data(), 0, reserved) || !write(boot, 0, 1) || !write(fat.data(), reserved, fatSectors) ||
        !write(fat.data(), reserved + fatSectors, fatSectors) ||
        !write(root.data(), reserved + 2 * fatSectors, rootSectors))
        return kFatWriteFailed;
    if (fat32 && (!write(fsinfo, 1, 1) || !write(kFat32SecondBootSector, 2, 1) || !write(boot, 6, 1) ||
                  !write(fsinfo, 7, 1) || !write(kFat32SecondBootSector, 8, 1)))
        return kFatWriteFailed;
    return kFatFormatOk;
}

void BuildFsInfoSector(unsigned char* sector)
{
    std::memset(sector, 0, 512);
    put_le32(sector + Fat::kFsInfoLead, Fat::kFsInfoLeadSignature);
    put_le32(sector + Fat::kFsInfoStruct, Fat::kFsInfoStructSignature);
    put_le32(sector + Fat::kFsInfoFreeCount, 0xFFFFFFFF);
    put_le32(sector + Fat::kFsInfoNextFree, 0xFFFFFFFF);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}
