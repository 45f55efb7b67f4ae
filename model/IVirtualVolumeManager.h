// The layout the disks will have once every pending operation has run.
#pragma once

#include "IVolumeManager.h"
#include "core/PartitionInfo.h"

// Undo record types.
enum UndoType : int32_t { kUndoInserted = 0, kUndoDeleted = 1, kUndoChanged = 2, kUndoMoved = 3 };

struct UndoRecord {
    int32_t Type;
    int32_t DiskIndex;
    int32_t ListIndex;
    PartitionInfo Entry;
};

class IVirtualVolumeManager {
public:
    virtual ~IVirtualVolumeManager() = default;
    virtual int Load(IVolumeManager* source) = 0;
    virtual int Clear() = 0;
    virtual int Reload() = 0;
    virtual int GetUndoCount() = 0;
    virtual int Undo(int index) = 0;
    virtual int GetDiskCount() = 0;
    virtual int GetPartitionCount(int disk) = 0;
    virtual int GetPartition(int disk, int index, PartitionInfo* out) = 0;
    virtual int DeletePartition(int disk, int index) = 0;
    virtual int UpdatePartition(int disk, int index, const PartitionInfo* entry) = 0;
    virtual int InsertPartition(int disk, const PartitionInfo* entry) = 0;
    virtual IDisk* GetDisk(int disk) = 0;
    virtual IVolumeDevice* CreateVolumeDevice(int disk, int index) = 0;
    virtual IVolumeManager* GetSource() = 0;
    virtual int IsGptDisk(int disk) = 0;
    virtual void SetGptDisk(int disk, int value) = 0;
    virtual int ToPartitionIndex(int disk, int listIndex) = 0;
    virtual int IsDynamicDisk(int disk) = 0;
    virtual void SetDynamicDisk(int disk, int value) = 0;
    virtual int PushUndo(int disk, int index, int type) = 0;
};
