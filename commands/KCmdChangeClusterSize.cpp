#include "KCmdChangeClusterSize.h"

#include "CommandLine.h"
#include "core/ErrorCodes.h"
#include "core/FileSystemTypes.h"
#include "fs/fat/KFatResize.h"
#include "fs/ntfs/KNtfsResize.h"
#include "model/IVolumeManager.h"

int KCmdChangeClusterSize::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdChangeClusterSize, 1, 1) ||
        !CheckClusterSize(CommandInt(v, 2), false))
        return 0;
    m_block.Summary.RestoreLetter = 1;
    m_block.ClusterSize = int32_t(CommandInt(v, 2));
    PartitionInfo p{};
    if (m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p))
        m_block.Summary.Letter = uint8_t(p.DriveLetter);
    return 1;
}

int KCmdChangeClusterSize::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int d = Summary().DiskIndex, index = Summary().PartitionIndex;
    PartitionInfo entry{};
    if (!m_manager->GetPartition(d, index, &entry))
        return kCmdPartitionUnreadable;
    IDisk* disk = m_manager->GetDisk(d);
    if (!disk)
        return Fail(kDetailNoSuchDisk);
    if (entry.FileSystemType == kFsNtfs) {
        KNtfsResize resizer;
        if (const int rc = resizer.ChangeNtfsClusterSize(disk, entry.StartingLba, VolumeSectors(entry), m_block.ClusterSize,
                                                         entry.IsPrimary, 0, reporter))
            return Fail(rc);
        return FinishVolumeChange(d, index, nullptr);
    }
    KFatResize resizer;
    // Files may stay where they lie; directories move, so the old volume holds until the end.
    if (const int rc = resizer.ChangeFatClusterSize(disk, entry.StartingLba, VolumeSectors(entry), m_block.ClusterSize,
                                                    entry.IsPrimary, 1, reporter))
        return Fail(rc);
    return FinishVolumeChange(d, index, nullptr);
}
