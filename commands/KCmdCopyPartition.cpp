#include "KCmdCopyPartition.h"

#include "CommandLine.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdCopyPartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdCopyPartition, 1, 0) || !CheckDisk(CommandInt(v, 2)) ||
        !CheckExtent(int(CommandInt(v, 2)), CommandInt(v, 3), CommandInt(v, 4)) || !CheckFlag(CommandInt(v, 5)))
        return 0;
    m_block.Summary.LetterDiskIndex = int32_t(CommandInt(v, 2));
    m_block.Summary.LetterPartitionIndex = -1;
    m_block.DestStartingLba = CommandInt(v, 3);
    m_block.DestPartitionSize = CommandInt(v, 4);
    m_block.DestPartitionIsPrimary = int32_t(CommandInt(v, 5));
    return 1;
}

int KCmdCopyPartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
