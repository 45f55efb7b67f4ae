#include "KCmdResizePartition.h"

#include "CommandLine.h"
#include "core/ErrorCodes.h"
#include "core/FileSystemTypes.h"
#include "fs/FileSystemServices.h"
#include "fs/ext/ExtMove.h"
#include "fs/fat/KFatResize.h"
#include "fs/ntfs/KNtfsResize.h"
#include "model/IVolumeManager.h"

int KCmdResizePartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdResizePartition, 1, 1) ||
        !CheckExtent(int(CommandInt(v, 0)), CommandInt(v, 2), CommandInt(v, 3)) || !CheckFlag(CommandInt(v, 4)))
        return 0;
    m_block.Summary.RestoreLetter = 1;
    m_block.NewStartingLba = CommandInt(v, 2);
    m_block.NewPartitionSize = CommandInt(v, 3);
    m_block.SafeMode = int32_t(CommandInt(v, 4));
    PartitionInfo p{};
    if (m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p)) {
        m_block.Summary.Letter = uint8_t(p.DriveLetter);
        // Growing NTFS in place is tried online first, without locking.
        if (p.FileSystemType == kFsNtfs && m_block.NewStartingLba == p.StartingLba &&
            m_block.NewPartitionSize > p.TotalSectors)
            m_block.Summary.LockVolume = m_block.Summary.RestoreLetter = m_block.Summary.Dismount = 0;
    }
    return 1;
}

int KCmdResizePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int d = Summary().DiskIndex, index = Summary().PartitionIndex;
    PartitionInfo entry{};
    if (!m_manager->GetPartition(d, index, &entry))
        return kCmdPartitionUnreadable;

    if (!Summary().LockVolume) {
        if (!HotExpandNtfsPartition(entry, m_block.NewPartitionSize, reporter)) {
            // Nothing changed: the same line runs again, locked and offline.
            m_block.Summary.LockVolume = m_block.Summary.RestoreLetter = m_block.Summary.Dismount = 1;
            return kCmdRunAgain;
        }
        SetErrorDetail(0);
        entry.SectorCount = m_block.NewPartitionSize;
        return m_manager->UpdatePartition(d, index, &entry);
    }

    PartitionInfo moved = entry;
    moved.StartingLba = m_block.NewStartingLba;
    moved.SectorCount = m_block.NewPartitionSize;
    if (moved.IsPrimary || moved.IsGptEntry == 1)
        moved.HiddenSectors = moved.StartingLba;
    // The new place must be one the table takes before any data goes there: a move the table then
    // refused would leave the volume where no entry points.
    if (const int code = CheckTableChange(d, index, moved))
        return code;

    IDisk* disk = m_manager->GetDisk(d);
    if (!disk)
        return Fail(kDetailNoSuchDisk);
    switch (entry.FileSystemType) {
    case kFsExt2:
    case kFsExt3:
        // Ext volumes keep their size: only the place changes.
        if (m_block.NewPartitionSize != entry.SectorCount)
            return Fail(kDetailInvalidParameter);
        if (const int rc = MoveExt(disk, entry.StartingLba, entry.SectorCount, disk, m_block.NewStartingLba, reporter))
            return Fail(rc);
        break;
    case kFsNtfs: {
        // Enhanced data protection: the MFT is rebuilt in free clusters too.
        KNtfsResize resizer;
        if (const int rc = resizer.ResizeNtfs(disk, entry.StartingLba, VolumeSectors(entry), m_block.NewStartingLba,
                                              m_block.NewPartitionSize, entry.IsPrimary, m_block.SafeMode, reporter))
            return Fail(rc);
        break;
    }
    default: {
        // Anything else goes to the FAT resizer, which refuses what is not FAT.
        KFatResize resizer;
        if (const int rc = resizer.ResizeFat(disk, entry.StartingLba, VolumeSectors(entry), m_block.NewStartingLba,
                                             m_block.NewPartitionSize, entry.IsPrimary, m_block.SafeMode, reporter))
            return Fail(rc);
        break;
    }
    }
    return FinishVolumeChange(d, index, &moved);
}
