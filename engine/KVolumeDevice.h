// A volume device over one partition of a disk. It opens the disk path on its own, so its lock and its
// lifetime do not depend on the disk object that made it.
#pragma once

#include <string>

#include "IDisk.h"
#include "IFileBacked.h"
#include "IVolumeDevice.h"
#include "KSectorFile.h"

class KVolumeDevice : public IVolumeDevice, public IFileBacked {
public:
    // Fails (returns null) when the disk is not open or the partition does not lie on it.
    static KVolumeDevice* Create(IDisk* disk, const PartitionInfo& info);
    ~KVolumeDevice() override;

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override;
    int ReadSectorsUncached(void* buffer, int64_t firstSector, int64_t count) override;
    int WriteSectors(const void* buffer, int64_t firstSector, int64_t count) override;
    int ZeroSectors(int64_t firstSector, int64_t count) override;
    int VerifySectors(int64_t firstSector, int64_t count) override;
    int GetGeometry(DiskGeometry* geometry) override;
    int AfterDismount() override;
    int SetDriveLetter(char letter) override;
    int Dismount() override;
    int Lock() override;
    int Unlock() override;
    int GetPartitionInfo(PartitionInfo* info) override;
    int64_t GetSectorCount() const override { return m_info.SectorCount; }

    int BackingFd() const override { return m_file.Fd(); }
    int64_t BackingByteOffset() const override { return m_info.StartingLba * 512; }
    std::string BackingPath() const override { return m_file.Path(); }
    int64_t BackingByteLength() const override { return m_info.SectorCount * 512; }
    std::string DeviceNode() const override { return m_partitionNode; }

    bool IsLocked() const { return m_locked; }

private:
    KVolumeDevice() = default;
    bool inPartition(int64_t firstSector, int64_t count) const;

    KSectorFile m_file;
    PartitionInfo m_info{};
    DiskGeometry m_geometry{};
    std::string m_diskIdentity;
    std::string m_partitionNode; // block devices: the partition's own node, when the kernel has one
    int m_claim = 0; // block devices: the exclusive claim on the partition node while locked
    bool m_locked = false;
};
