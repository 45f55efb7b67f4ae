#include "KCmdMountPartition.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "model/IVolumeManager.h"

int KCmdMountPartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdMountPartition, 0, 0) || !CheckLetter(CommandInt(v, 2)))
        return 0;
    CommandSummary& s = m_block.Summary;
    const int32_t letter = int32_t(CommandInt(v, 2));
    s.RestoreLetter = letter != 0;
    s.Letter = letter;
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
