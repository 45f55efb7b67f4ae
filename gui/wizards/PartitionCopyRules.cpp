#include "gui/wizards/PartitionCopyRules.h"

#include <algorithm>

#include "core/FileSystemTypes.h"
#include "engine/IDisk.h"
#include "model/IVirtualVolumeManager.h"
#include "model/PartitionPlacement.h"

namespace PartitionCopyRules {

DiskGeometry GeometryOf(IVirtualVolumeManager* layout, int nDiskIndex)
{
    DiskGeometry geometry{};
    IDisk* disk = layout ? layout->GetDisk(nDiskIndex) : nullptr;
    if (!disk || !disk->GetGeometry(&geometry) || geometry.SectorsPerTrack <= 0 || geometry.TracksPerCylinder <= 0) {
        geometry = DiskGeometry{};
        geometry.TracksPerCylinder = 255;
        geometry.SectorsPerTrack = 63;
        geometry.BytesPerSector = 512;
    }
    if (disk)
        geometry.TotalSectors = disk->GetTotalSectors();
    return geometry;
}

bool IsGpt(IVirtualVolumeManager* layout, int nDiskIndex)
{
    return layout && layout->IsGptDisk(nDiskIndex) != 0;
}

bool IsFixedSize(int nFileSystemType)
{
    return nFileSystemType == kFsExt2 || nFileSystemType == kFsExt3 || nFileSystemType == kFsLinuxSwap ||
           nFileSystemType == kFsPlaceholder;
}

int64_t InitialSize(const PartitionInfo& source)
{
    if (IsFixedSize(source.FileSystemType))
        return source.SectorCount;
    if (source.FileSystemType != kFsNtfs)
        return source.TotalSectors;
    // A volume read from the disk already counts its whole partition, the backup sector included; one
    // in the pending layout counts the volume alone. Either way the copy is as large as the partition.
    return std::min(source.TotalSectors + 1, source.SectorCount);
}

int64_t Room(const PartitionInfo& area, bool bGpt)
{
    int64_t room = area.SectorCount;
    if (!bGpt)
        room = std::min(room, PartitionPlacement::kMbrLimit - area.StartingLba);
    return std::max<int64_t>(room, 0);
}

bool PlaceCopy(const PartitionInfo& area, int64_t n64Offset, int64_t n64Size, bool bPrimary, int64_t n64DiskSectors,
               int nFileSystemType, int64_t* pStart, int64_t* pSize)
{
    const int64_t chosen = n64Offset + area.StartingLba;
    int64_t start = chosen;
    int64_t size = n64Size;
    const int64_t requested = size;
    // The track before a logical partition holds its extended boot record; at sector 0 it is the MBR's.
    const bool keepTrack = !bPrimary || start == 0;
    // A logical copy at the start of the disk leaves both: the MBR's track, then its boot record's.
    const int64_t lowest =
        area.StartingLba + (keepTrack ? kTrack : 0) + (!bPrimary && area.StartingLba == 0 ? kTrack : 0);
    if (keepTrack) {
        start = std::max(start + kTrack, lowest);
        if (start + size > area.StartingLba + area.SectorCount - kTrack) {
            if (start - kTrack >= lowest)
                start -= kTrack;
            else
                size -= start - chosen;
        }
    }
    if (start + size > n64DiskSectors - kTrack) {
        // Going back a track must not take the boot record's track from a copy that needs one.
        if (start - kTrack >= lowest)
            start -= kTrack;
        else
            size = n64DiskSectors - kTrack - start;
    }
    *pStart = start;
    *pSize = size;
    // These kinds are copied at exactly their own size: a shorter copy would fail when it runs.
    return size > 0 && (size == requested || !IsFixedSize(nFileSystemType));
}

} // namespace PartitionCopyRules
