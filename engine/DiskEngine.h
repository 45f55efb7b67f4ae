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

// The state directory (created when missing). 1 success.
int GetSystemDirectory(char* buffer, int size);
// Kernel, distribution, processor and memory, one item per line. 1 success.
int GenerateSystemInformation(char* buffer, int size);
