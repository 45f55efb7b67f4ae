// Puts a new file system on an area of a device for the create and format commands: NTFS, FAT,
// Ext2/Ext3 or Linux swap, by the codes those commands carry.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum class NewFileSystem { None, Ntfs, Fat, Ext2, Ext3, Swap };

struct FormatRequest {
    NewFileSystem Kind = NewFileSystem::None;
    int FatType = 0;          // 1, 6 or 11 for FAT
    int ClusterSize = 0;      // sectors of 512 bytes; 0 = the default
    const char* Label = "";
    int64_t Start = 0;        // first sector of the area on the device
    int64_t Sectors = 0;
    int64_t HiddenSectors = 0;
};

// 0 when the file system was written, else the error detail of the failure (1 bad argument,
// 2 out of memory, 4 a write failed, 5 no room for the file system).
int FormatArea(ISectorDevice* device, const FormatRequest& request, IProgressReporter* progress);
