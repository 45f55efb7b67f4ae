#include "KCmdCreatePartition.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdCreatePartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    const int32_t letter = int32_t(CommandInt(v, 7)) & 0xFF;
    const int32_t disk = int32_t(CommandInt(v, 0));
    m_block.Summary = {kCmdCreatePartition, 0, letter != 0, 0, 0, disk, -1, letter, disk, -1};
    m_block.StartingOffset = CommandInt(v, 1);
    m_block.PartitionLength = CommandInt(v, 2);
    m_block.PartTypeId = int32_t(CommandInt(v, 3));
    m_block.FsType = int32_t(CommandInt(v, 4));
    m_block.ClusterSize = int32_t(CommandInt(v, 5));
    CopyLabel(m_block.Label, CommandText(v, 6));
    m_block.Active = int32_t(CommandInt(v, 8));
    m_block.Primary = int32_t(CommandInt(v, 9));
    m_block.BootVolume = int32_t(CommandInt(v, 10));
    m_block.SystemVolume = int32_t(CommandInt(v, 11));
    return 1;
}

int KCmdCreatePartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
