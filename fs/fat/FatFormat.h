// Creates an empty FAT12, FAT16 or FAT32 file system.
#pragma once

#include <cstdint>

class ISectorDevice;

enum FatFormatResult : int { kFatFormatOk = 0, kFatBadArgument = 1, kFatOutOfMemory = 2, kFatWriteFailed = 3 };

// Sector addresses are volumeStart plus an offset within the file system. type (1, 6, 11) and
// clusterSize are filled from their defaults when 0. The label is upper-cased in place (a-z only).
int FormatFatVolume(ISectorDevice* device, int64_t volumeStart, int64_t sectors, int64_t hiddenSectors, int& type,
                    int& clusterSize, char* label);

// A FAT32 FSInfo sector with its signatures and the free count and next free cluster unknown.
void BuildFsInfoSector(unsigned char* sector);
