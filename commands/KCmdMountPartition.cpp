#include "KCmdMountPartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdMountPartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    CommandSummary& s = m_block.Summary;
    const int32_t letter = int32_t(CommandInt(v, 2)) & 0xFF;
    s = {kCmdMountPartition, 0, letter != 0, 0, 0, int32_t(CommandInt(v, 0)), ZeroBased(CommandInt(v, 1)), letter,
         0, 0};
    s.LetterDiskIndex = s.DiskIndex;
    s.LetterPartitionIndex = s.PartitionIndex;
    PartitionInfo p{};
    if (m_manager->GetPartition(s.DiskIndex, s.PartitionIndex, &p))
        s.Dismount = p.DriveLetter != 0;
    return 1;
}

int KCmdMountPartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    return kCmdOk;
}
