// The disk engine's factories and free functions. Objects returned by factories are owned by the caller.
#pragma once

#include <cstdint>
#include <string>

#include "IBootConfig.h"
#include "IDisk.h"
#include "IDiskConversion.h"
#include "IVolumeDevice.h"
#include "IVolumeLoader.h"

class IProgressReporter;

IDisk* CreateInterface_IDisk();
IVolumeLoader* CreateInterface_IVolumeLoader();
IBootIniConfigFile* CreateInterface_IBootIniConfigFile();
IVistaBCDConfigFile* CreateInterface_IVistaBCDConfigFile();
IConvertDynamicDiskToBasicDisk* CreateInterface_IConvertDynamicDiskToBasicDisk();
IFileSystemParameterGenerator* CreateInterface_IFileSystemParameterGenerator();
IVolumeDevice* CreateVolumeDevice(IDisk* disk, const PartitionInfo& info);

int IsGptSupported();
// Reports 6.1: counted as a modern system by every version rule.
int GetVersion(int* major, int* minor, int* build);
// Bit n set: letter 'A' + n is in use.
uint32_t GetDriveLetters();
// Sets the label of the file system on the volume. 1 success.
// Writes the label after checking it against the file system's label rule; on failure `problem` (when
// given) holds the LabelProblem, kLabelOk for a failure of the volume itself.
int kSetVolumeLabel(IVolumeDevice* device, const char* label, int* problem = nullptr);
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

// Pins the system time (a FILETIME value; 0 restores the clock), so that formats made in tests are
// byte for byte repeatable.
void SetFixedSystemTime(uint64_t fileTime);
// Milliseconds from a monotonic clock.
uint32_t GetTickCount();
// 100-ns intervals since 1601-01-01 UTC.
uint64_t GetSystemFileTime();
struct EngineLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Milliseconds, DayOfWeek;
};
EngineLocalTime GetLocalTime();
// The 8-bit code page of this platform is UTF-8. Both return the number of units written, excluding
// the terminator, and always terminate when size > 0.
int AnsiToUnicode(const char* source, int sourceBytes, char16_t* destination, int destinationUnits);
int UnicodeToAnsi(const char16_t* source, int sourceUnits, char* destination, int destinationBytes);
// The state directory (created when missing). 1 success.
int GetSystemDirectory(char* buffer, int size);
// Kernel, distribution, processor and memory, one item per line. 1 success.
int GenerateSystemInformation(char* buffer, int size);
