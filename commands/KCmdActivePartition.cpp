#include "KCmdActivePartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdActivePartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdActivePartition, 0, 0) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    m_block.Active = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdActivePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int disk = Summary().DiskIndex, index = Summary().PartitionIndex;
    PartitionInfo p{};
    if (!m_manager->GetPartition(disk, index, &p))
        return kCmdPartitionUnreadable;
    if (p.IsGptEntry)
        return kCmdNotApplicable;
    p.Active = m_block.Active ? 1 : 0;
    if (const int code = m_manager->UpdatePartition(disk, index, &p))
        return code;
    if (!m_block.Active)
        return kCmdOk;
    // Only one partition of a disk is active.
    for (int i = 0; i < m_manager->GetPartitionCount(disk); ++i) {
        if (i == index)
            continue;
        PartitionInfo other{};
        if (!m_manager->GetPartition(disk, i, &other))
            return kCmdPartitionUnreadable;
        if (!other.Active)
            continue;
        other.Active = 0;
        if (const int code = m_manager->UpdatePartition(disk, i, &other))
            return code;
    }
    return kCmdOk;
}
