// The program's model of the real disks.
#pragma once

#include "engine/IBootConfig.h"
#include "engine/IDisk.h"
#include "engine/IVolumeDevice.h"
#include "engine/IVolumeLoader.h"
#include "core/PartitionInfo.h"
#include "core/TableErrorList.h"

// Results of DeletePartition, UpdatePartition and CreatePartition.
enum TableChangeResult : int {
    kTableChangeOk = 0,
    kTableChangeBadIndex = 1, // also: create of a partition identical to an existing one
    kTableChangeRefused = -1,
    kTableChangeWriteFailed = 2,
    kTableChangeCommitFailed = 3,
    kTableChangeBootIniFailed = 4,
    kTableChangeBcdFailed = 5,
};

class IVolumeManager {
public:
    virtual ~IVolumeManager() = default;
    virtual int Load(int loadOption, int autoSave) = 0;
    virtual void Unload() = 0;
    virtual ILayoutCommitter* GetLayoutCommitter() = 0;
    virtual IVolumeInfoReader* GetVolumeInfoReader() = 0;
    virtual int GetDiskCount() = 0;
    virtual int GetPartitionCount(int disk) = 0;
    virtual int GetPartition(int disk, int index, PartitionInfo* out) = 0;
    virtual int SetPartition(int disk, int index, const PartitionInfo* in) = 0;
    virtual int DeletePartition(int disk, int index) = 0;
    virtual int UpdatePartition(int disk, int index, const PartitionInfo* in) = 0;
    virtual int CreatePartition(int disk, int* indexOut, const PartitionInfo* in) = 0;
    // What CreatePartition (index < 0) or UpdatePartition (entry `index` replaced by `in`) would answer
    // before writing anything, without changing anything: 0 accepted, 1 a bad index or a duplicate
    // entry, -1 refused by the table rules with the LayoutProblem in `problem`.
    virtual int CheckPartitionChange(int disk, int index, const PartitionInfo* in, int* problem) = 0;
    virtual IDisk* GetDisk(int disk) = 0;
    // The caller deletes the device.
    virtual IVolumeDevice* CreateVolumeDevice(int disk, int index) = 0;
    virtual int WritePartitionTable(int disk, int skipIndex) = 0;
    virtual int CommitPartition(int disk, int index) = 0;
    virtual int RefreshVolumeInfo(int disk, int index) = 0;
    virtual int CommitPartitionQuiet(int disk, int index) = 0;
    virtual int GetTableErrors(int disk, TableErrorList* out) = 0;
    virtual int ApplyTableCorrections(int disk) = 0;
    virtual IBootIniConfigFile* GetBootIniConfigFile() = 0;
    virtual IVistaBCDConfigFile* GetBcdConfigFile() = 0;
    virtual int SaveBootConfiguration(int force) = 0;
    virtual void SetDirectWriteMode(int value) = 0;
    virtual int GetDirectWriteMode() = 0;
    // Reads one disk's table again (after something rewrote it outside the model); 1 on success.
    virtual int ReloadDisk(int) { return 0; }
};
