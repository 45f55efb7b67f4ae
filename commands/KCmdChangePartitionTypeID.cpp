#include "KCmdChangePartitionTypeID.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdChangePartitionTypeID::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdChangePartitionTypeId, 1, 0, v);
    m_block.NewPartitionID = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdChangePartitionTypeID::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int16_t type = int16_t(m_block.NewPartitionID);
    return UpdateTargetEntry([type](PartitionInfo& p) { p.PartitionTypeId = type; });
}
