#include "KCmdDeletePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdDeletePartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdDeletePartition, 1, 1, v);
    return 1;
}

int KCmdDeletePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    return m_manager->DeletePartition(Summary().DiskIndex, Summary().PartitionIndex);
}
