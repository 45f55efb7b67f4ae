#include "KCmdDeletePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdDeletePartition::ParseLine()
{
    std::vector<CommandValue> v;
    return ReadTarget(kFormat, v, m_block.Summary, kCmdDeletePartition, 1, 1) ? 1 : 0;
}

int KCmdDeletePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    return m_manager->DeletePartition(Summary().DiskIndex, Summary().PartitionIndex);
}
