// A scratch layout of one target disk, showing how a source disk would be copied onto it:
//   method 0 "1. Fit partitions to entire disk."
//   method 1 "2. Copy partitions without resize."
//   method 2 "3. Copy partitions with minimum size."
// A negative method empties the target. It has no undo.
#pragma once

#include "IVirtualVolumeManager.h"

class KVirtualVolumeManagerPreview : public IVirtualVolumeManager {
public:
    // The flags of the target are taken from the source manager; the layout is computed with method 0.
    KVirtualVolumeManagerPreview(IVirtualVolumeManager* source, int targetDisk, int sourceDisk);

    int ComputeCopyLayout(int method);
    // Makes `partitions` (sorted, without unallocated entries) the target's layout, free areas added.
    void SetPartitions(const PartitionList& partitions);

    int Load(IVolumeManager*) override { return 0; }
    int Clear() override;
    int Reload() override { return ComputeCopyLayout(0); }
    int GetUndoCount() override { return 0; }
    int Undo(int) override { return 0; }
    int GetDiskCount() override { return m_source ? m_source->GetDiskCount() : 0; }
    int GetPartitionCount(int disk) override;
    int GetPartition(int disk, int index, PartitionInfo* out) override;
    int DeletePartition(int disk, int index) override;
    int UpdatePartition(int disk, int index, const PartitionInfo* entry) override;
    int InsertPartition(int disk, const PartitionInfo* entry) override;
    IDisk* GetDisk(int disk) override { return m_source ? m_source->GetDisk(disk) : nullptr; }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    IVolumeManager* GetSource() override { return nullptr; }
    int IsGptDisk(int) override { return m_gpt; }
    void SetGptDisk(int, int) override {}
    int ToPartitionIndex(int disk, int listIndex) override;
    int IsDynamicDisk(int) override { return m_dynamic; }
    void SetDynamicDisk(int disk, int value) override;
    int PushUndo(int, int, int) override { return 0; }

    int TargetDisk() const { return m_target; }

private:
    void regenerate();

    IVirtualVolumeManager* m_source;
    int m_target;
    int m_sourceDisk;
    int m_gpt = 0;
    int m_dynamic = 0;
    PartitionList m_list;
};
