// The disk engine's factories and free functions. Objects returned by factories are owned by the caller.
// The services that need to know file systems (volume information, labels, boot configuration files,
// directory readers, recognisers) are the file-system layer's: fs/FileSystemServices.h.
#pragma once

#include <cstdint>
#include <string>

#include "IBootConfig.h"
#include "IDisk.h"
#include "IDiskConversion.h"
#include "IVolumeDevice.h"
#include "IVolumeLoader.h"
#include "core/Clock.h"
#include "core/TextConversion.h"

class IProgressReporter;

IDisk* CreateInterface_IDisk();
IConvertDynamicDiskToBasicDisk* CreateInterface_IConvertDynamicDiskToBasicDisk();
IVolumeDevice* CreateVolumeDevice(IDisk* disk, const PartitionInfo& info);

int IsGptSupported();
// Reports 6.1: counted as a modern system by every version rule.
int GetVersion(int* major, int* minor, int* build);
// Bit n set: letter 'A' + n is in use.
uint32_t GetDriveLetters();
// Growing a mounted NTFS volume in place is not available here: always 0.
int HotExpandNtfsPartition(const PartitionInfo& info, uint32_t newSizeLow, uint32_t newSizeHigh,
                           IProgressReporter* reporter);

// Why the last failing engine call of this thread failed, where its result cannot say. Failing calls
// that know set it; nothing clears it but SetLastDiskError (kDiskErrorNone).
enum DiskError : int {
    kDiskErrorNone = 0,
    // A layout write refused before writing: a partition the kernel would have to drop is in use.
    kDiskErrorPartitionInUse = 1,
};
int GetLastDiskError();
void SetLastDiskError(int error);

// The state directory (created when missing). 1 success.
int GetSystemDirectory(char* buffer, int size);
// Kernel, distribution, processor and memory, one item per line. 1 success.
int GenerateSystemInformation(char* buffer, int size);
