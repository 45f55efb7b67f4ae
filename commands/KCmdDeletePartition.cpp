#include "KCmdDeletePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdDeletePartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    CommandSummary& s = m_block.Summary;
    s = {kCmdDeletePartition, 1, 0, 1, 0, int32_t(CommandInt(v, 0)), ZeroBased(CommandInt(v, 1)), 0, 0, 0};
    s.LetterDiskIndex = s.DiskIndex;
    s.LetterPartitionIndex = s.PartitionIndex;
    return 1;
}

int KCmdDeletePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    return m_manager->DeletePartition(Summary().DiskIndex, Summary().PartitionIndex);
}
