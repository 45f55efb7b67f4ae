#include "KCmdHidePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdHidePartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    CommandSummary& s = m_block.Summary;
    s = {kCmdHidePartition, 1, 0, 1, 0, int32_t(CommandInt(v, 0)), ZeroBased(CommandInt(v, 1)), 0, 0, 0};
    s.LetterDiskIndex = s.DiskIndex;
    s.LetterPartitionIndex = s.PartitionIndex;
    m_block.Unhide = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdHidePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    PartitionInfo p{};
    if (!m_manager->GetPartition(Summary().DiskIndex, Summary().PartitionIndex, &p))
        return kCmdPartitionUnreadable;
    p.Hidden = m_block.Unhide ? 0 : 1;
    return m_manager->UpdatePartition(Summary().DiskIndex, Summary().PartitionIndex, &p);
}
