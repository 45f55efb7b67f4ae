// The main window's pending layout of every disk, with undo.
#pragma once

#include <vector>

#include "IVirtualVolumeManager.h"

class KVirtualVolumeManager : public IVirtualVolumeManager {
public:
    int Load(IVolumeManager* source) override;
    int Clear() override { return Load(nullptr); }
    int Reload() override { return Load(m_source); }
    int GetUndoCount() override { return int(m_undo.size()); }
    int Undo(int index) override;
    int GetDiskCount() override { return int(m_lists.size()); }
    int GetPartitionCount(int disk) override;
    int GetPartition(int disk, int index, PartitionInfo* out) override;
    int DeletePartition(int disk, int index) override;
    int UpdatePartition(int disk, int index, const PartitionInfo* entry) override;
    int InsertPartition(int disk, const PartitionInfo* entry) override;
    IDisk* GetDisk(int disk) override;
    IVolumeDevice* CreateVolumeDevice(int disk, int index) override;
    IVolumeManager* GetSource() override { return m_source; }
    int IsGptDisk(int disk) override;
    void SetGptDisk(int disk, int value) override;
    int ToPartitionIndex(int disk, int listIndex) override;
    int IsDynamicDisk(int disk) override;
    void SetDynamicDisk(int disk, int value) override;
    int PushUndo(int disk, int index, int type) override;

private:
    bool validDisk(int disk) const { return disk >= 0 && disk < int(m_lists.size()); }
    bool validIndex(int disk, int index) const
    {
        return validDisk(disk) && index >= 0 && index < int(m_lists[size_t(disk)].size());
    }
    void regenerate(int disk);
    int64_t cylinder(int disk);

    IVolumeManager* m_source = nullptr;
    std::vector<PartitionList> m_lists;
    std::vector<int> m_gpt;
    std::vector<int> m_dynamic;
    std::vector<UndoRecord> m_undo;
};
