#include "KVolumeDevice.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "KDriveLetterTable.h"
#include "LinuxBlock.h"

KVolumeDevice* KVolumeDevice::Create(IDisk* disk, const PartitionInfo& info)
{
    if (!disk || info.SectorCount <= 0 || info.StartingLba < 0)
        return nullptr;
    const int64_t total = disk->GetTotalSectors();
    if (total <= 0 || info.StartingLba > total - info.SectorCount)
        return nullptr;
    auto* device = new KVolumeDevice();
    if (!device->m_file.Open(disk->GetPath(), disk->GetDiskNumber(), true)) {
        delete device;
        return nullptr;
    }
    device->m_info = info;
    disk->GetGeometry(&device->m_geometry);
    device->m_geometry.TotalSectors = info.SectorCount;
    device->m_diskIdentity = KDriveLetterTable::DiskIdentity(*disk);
    if (disk->IsBlockDevice())
        device->m_partitionNode = LinuxBlock::PartitionNode(disk->GetPath(), info.StartingLba);
    return device;
}

KVolumeDevice::~KVolumeDevice()
{
    Unlock();
}

bool KVolumeDevice::inPartition(int64_t firstSector, int64_t count) const
{
    return firstSector >= 0 && count >= 0 && count <= m_info.SectorCount && firstSector <= m_info.SectorCount - count;
}

int KVolumeDevice::ReadSectors(void* buffer, int64_t firstSector, int64_t count)
{
    if (!inPartition(firstSector, count))
        return 0;
    return m_file.Read(buffer, m_info.StartingLba + firstSector, count) ? 1 : 0;
}

int KVolumeDevice::ReadSectorsUncached(void* buffer, int64_t firstSector, int64_t count)
{
    if (!inPartition(firstSector, count))
        return 0;
    return m_file.ReadDirect(buffer, m_info.StartingLba + firstSector, count) ? 1 : 0;
}

int KVolumeDevice::WriteSectors(const void* buffer, int64_t firstSector, int64_t count)
{
    if (!inPartition(firstSector, count))
        return 0;
    return m_file.Write(buffer, m_info.StartingLba + firstSector, count) ? 1 : 0;
}

int KVolumeDevice::ZeroSectors(int64_t firstSector, int64_t count)
{
    if (!inPartition(firstSector, count))
        return 0;
    return m_file.Zero(m_info.StartingLba + firstSector, count) ? 1 : 0;
}

int KVolumeDevice::VerifySectors(int64_t firstSector, int64_t count)
{
    if (!inPartition(firstSector, count))
        return 0;
    constexpr int64_t kChunk = 2048;
    std::vector<uint8_t> buffer(size_t(std::min(count, kChunk)) * 512);
    for (int64_t done = 0; done < count; done += kChunk) {
        const int64_t n = std::min(kChunk, count - done);
        if (!m_file.Read(buffer.data(), m_info.StartingLba + firstSector + done, n))
            return 0;
    }
    return 1;
}

int KVolumeDevice::GetGeometry(DiskGeometry* geometry)
{
    if (!geometry)
        return 0;
    *geometry = m_geometry;
    return 1;
}

int KVolumeDevice::AfterDismount()
{
    return 1;
}

int KVolumeDevice::SetDriveLetter(char letter)
{
    if (!KDriveLetterTable::Assign(letter, m_diskIdentity, m_info.StartingLba))
        return 0;
    m_info.DriveLetter = char(letter & ~0x20);
    return 1;
}

int KVolumeDevice::Dismount()
{
    if (!KDriveLetterTable::Remove(m_diskIdentity, m_info.StartingLba))
        return 0;
    m_info.DriveLetter = 0;
    // A partition this process holds exclusively is never mounted, but a stale mount may remain.
    if (m_locked && !m_partitionNode.empty() && LinuxBlock::IsMounted(m_partitionNode))
        return LinuxBlock::Unmount(m_partitionNode) ? 1 : 0;
    return 1;
}

int KVolumeDevice::Lock()
{
    if (m_locked)
        return 1;
    if (!m_partitionNode.empty()) {
        // Fails while the partition is mounted or held open exclusively elsewhere.
        m_claim = LinuxBlock::ClaimPartition(m_file.Path(), m_info.StartingLba);
        if (!m_claim)
            return 0;
    }
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = off_t(m_info.StartingLba) * 512;
    range.l_len = off_t(m_info.SectorCount) * 512;
    if (::fcntl(m_file.Fd(), F_OFD_SETLK, &range) != 0) {
        LinuxBlock::ReleaseClaim(m_claim);
        m_claim = 0;
        return 0;
    }
    m_locked = true;
    return 1;
}

int KVolumeDevice::Unlock()
{
    if (!m_locked)
        return 1;
    struct flock range {};
    range.l_type = F_UNLCK;
    range.l_whence = SEEK_SET;
    range.l_start = off_t(m_info.StartingLba) * 512;
    range.l_len = off_t(m_info.SectorCount) * 512;
    ::fcntl(m_file.Fd(), F_OFD_SETLK, &range);
    LinuxBlock::ReleaseClaim(m_claim);
    m_claim = 0;
    m_locked = false;
    return 1;
}

int KVolumeDevice::GetPartitionInfo(PartitionInfo* info)
{
    if (!info)
        return 0;
    m_info.DriveLetter = KDriveLetterTable::LetterOf(m_diskIdentity, m_info.StartingLba);
    *info = m_info;
    return 1;
}
