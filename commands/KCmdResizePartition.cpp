#include "KCmdResizePartition.h"

#include "CommandLine.h"
#include "core/FileSystemTypes.h"
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

int KCmdResizePartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
