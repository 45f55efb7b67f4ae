// The disk-engine services that need to know file systems: the volume loader with its
// volume-information reader, labels, the boot configuration files, partition recovery's recognisers.
// Objects returned by factories are owned by the caller.
#pragma once

#include "engine/IBootConfig.h"
#include "engine/IDiskConversion.h"
#include "engine/IVolumeDevice.h"
#include "engine/IVolumeLoader.h"
#include "fs/IFileSystemExplorer.h"

IVolumeLoader* CreateInterface_IVolumeLoader();
IBootIniConfigFile* CreateInterface_IBootIniConfigFile();
IVistaBCDConfigFile* CreateInterface_IVistaBCDConfigFile();
IFileSystemParameterGenerator* CreateInterface_IFileSystemParameterGenerator();

// Sets the label of the file system on the volume after checking it against that file system's label
// rule. 1 success; on failure `problem` (when given) holds the LabelProblem, kLabelOk for a failure of
// the volume itself or a file system without a label writer.
int kSetVolumeLabel(IVolumeDevice* device, const char* label, int* problem = nullptr);

struct NewVolume;
class IProgressReporter;
class ISectorDevice;
// Puts a new file system of the volume's code on its area: 0, or the error code of the failure
// (5 for a code no family can create).
int FormatVolume(ISectorDevice* device, const NewVolume& volume, IProgressReporter* progress);

struct PartitionInfo;
struct VolumeParameters;
// The file system of an entry as the disk holds it: its serial number (0 when it has none) and the
// make-up its boot sector states (false when there is none to read). An unallocated entry, and one with
// pending work (bits 0, 1 and 3 of EntryFlags: not on the disk yet), reads nothing.
uint64_t ReadEntrySerialNumber(IDisk* disk, const PartitionInfo& entry);
bool ReadEntryParameters(IDisk* disk, const PartitionInfo& entry, VolumeParameters* out);

// Grows a mounted NTFS volume in place to `newSectors`. Non-zero success. This platform cannot resize a
// mounted NTFS volume, so it always fails and the caller takes the offline path.
int HotExpandNtfsPartition(const PartitionInfo& entry, int64_t newSectors, IProgressReporter* progress);
