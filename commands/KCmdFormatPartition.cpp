#include "KCmdFormatPartition.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdFormatPartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdFormatPartition, 1, 0, v);
    m_block.FsType = int32_t(CommandInt(v, 2));
    m_block.ClusterSize = int32_t(CommandInt(v, 3));
    CopyLabel(m_block.Label, CommandText(v, 4));
    PartitionInfo p{};
    if (m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p)) {
        m_block.SectorCount = p.SectorCount;
        m_block.HiddenSectors = p.HiddenSectors;
    }
    return 1;
}

int KCmdFormatPartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
