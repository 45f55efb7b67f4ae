// The real disk model over the disk engine: the only place that writes partition tables.
#pragma once

#include <memory>
#include <vector>

#include "IVolumeManager.h"
#include "engine/DriveLayout.h"

class KVolumeManager : public IVolumeManager {
public:
    static constexpr int kMaxDiskNumbers = 32;
    // Busy wait after a table write, giving the system time to register a new or moved volume.
    static constexpr int kRegistrationWaitMs = 3000;

    KVolumeManager() = default;
    ~KVolumeManager() override;
    KVolumeManager(const KVolumeManager&) = delete;
    KVolumeManager& operator=(const KVolumeManager&) = delete;

    int Load(int loadOption, int autoSave) override;
    void Unload() override;
    ILayoutCommitter* GetLayoutCommitter() override;
    IVolumeInfoReader* GetVolumeInfoReader() override;
    int GetDiskCount() override;
    int GetPartitionCount(int disk) override;
    int GetPartition(int disk, int index, PartitionInfo* out) override;
    int SetPartition(int disk, int index, const PartitionInfo* in) override;
    int DeletePartition(int disk, int index) override;
    int UpdatePartition(int disk, int index, const PartitionInfo* in) override;
    int CreatePartition(int disk, int* indexOut, const PartitionInfo* in) override;
    int CheckPartitionChange(int disk, int index, const PartitionInfo* in, int* problem) override;
    IDisk* GetDisk(int disk) override;
    IVolumeDevice* CreateVolumeDevice(int disk, int index) override;
    int WritePartitionTable(int disk, int skipIndex) override;
    int CommitPartition(int disk, int index) override;
    int RefreshVolumeInfo(int disk, int index) override;
    int CommitPartitionQuiet(int disk, int index) override;
    int GetTableErrors(int disk, TableErrorList* out) override;
    int ApplyTableCorrections(int disk) override;
    IBootIniConfigFile* GetBootIniConfigFile() override;
    IVistaBCDConfigFile* GetBcdConfigFile() override;
    int SaveBootConfiguration(int force) override;
    void SetDirectWriteMode(int value) override;
    int GetDirectWriteMode() override;
    int ReloadDisk(int disk) override;

    int FindBootVolume(int* diskOut, int* indexOut);
    int FindSystemVolume(int* diskOut, int* indexOut);
    int RemoveDriveLetter(int disk, int index);
    int SetDriveLetter(int disk, int index, char letter);

    // The drive layout WritePartitionTable hands to the disk (public for tests).
    DriveLayout BuildDriveLayout(int disk, int skipIndex);

private:
    bool validDisk(int disk) const { return disk >= 0 && disk < int(m_disks.size()); }
    bool validPartition(int disk, int index) const
    {
        return validDisk(disk) && index >= 0 && index < int(m_lists[size_t(disk)]->size());
    }
    // Waits for the system to register a changed volume (image disks need no wait).
    void waitForRegistration(int disk);
    void registerAllWithBootIni();
    int finishTableChange(int disk, const PartitionList& oldList);

    std::vector<IDisk*> m_disks;
    std::vector<std::unique_ptr<PartitionList>> m_lists;
    std::vector<std::unique_ptr<TableErrorList>> m_errors;
    IVolumeLoader* m_loader = nullptr;
    IBootIniConfigFile* m_bootIni = nullptr;
    IVistaBCDConfigFile* m_bcd = nullptr;
    int m_autoSave = 1;
    int m_directWrite = 0;
};
