#include "KCmdWipeDisk.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdWipeDisk::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdWipeDisk, 0, 0, v);
    const bool partition = m_block.Summary.PartitionIndex >= 0;
    m_block.Summary.LockVolume = m_block.Summary.Dismount = partition ? 1 : 0;
    m_block.StartingLba = CommandInt(v, 2);
    m_block.SectorsCount = CommandInt(v, 3);
    m_block.WipingMethod = int32_t(CommandInt(v, 4));
    PartitionInfo p{};
    if (partition && m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p))
        m_block.Summary.Letter = uint8_t(p.DriveLetter);
    return 1;
}

int KCmdWipeDisk::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
