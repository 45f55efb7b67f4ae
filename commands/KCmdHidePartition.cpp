#include "KCmdHidePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdHidePartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdHidePartition, 1, 1) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    m_block.Unhide = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdHidePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int hidden = m_block.Unhide ? 0 : 1;
    return UpdateTargetEntry([hidden](PartitionInfo& p) { p.Hidden = hidden; });
}
