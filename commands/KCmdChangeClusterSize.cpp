#include "KCmdChangeClusterSize.h"

#include "CommandLine.h"
#include "core/FileSystemTypes.h"
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

int KCmdChangeClusterSize::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
