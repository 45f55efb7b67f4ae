#include "KCmdMergePartition.h"

#include "CommandLine.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdMergePartition::ParseLine()
{
    std::vector<CommandValue> v;
    // The right partition is the one after the left.
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdMergePartition, 1, 1) ||
        !CheckPartition(CommandInt(v, 0), CommandInt(v, 1) + 1) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    m_block.Summary.RestoreLetter = 1;
    m_block.ExtendLeftPartition = int32_t(CommandInt(v, 2));
    CopyLabel(m_block.NewFolderName, CommandText(v, 3));
    const int disk = m_block.Summary.DiskIndex, left = m_block.Summary.PartitionIndex;
    PartitionInfo l{}, r{};
    if (m_manager->GetPartition(disk, left, &l) && m_manager->GetPartition(disk, left + 1, &r)) {
        const PartitionInfo& survivor = m_block.ExtendLeftPartition ? l : r;
        m_block.LeftStartingLba = l.StartingLba;
        m_block.RightStartingLba = r.StartingLba;
        m_block.SurvivorIsPrimary = survivor.IsPrimary;
        m_block.Summary.Letter = uint8_t(survivor.DriveLetter);
        m_block.MergedSectorCount = r.StartingLba + r.SectorCount - l.StartingLba;
    }
    return 1;
}

int KCmdMergePartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
