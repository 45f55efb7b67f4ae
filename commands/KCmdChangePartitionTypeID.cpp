#include "KCmdChangePartitionTypeID.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdChangePartitionTypeID::ParseLine()
{
    std::vector<CommandValue> v;
    // Type 0 marks an unused slot: it would drop the partition from the table.
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdChangePartitionTypeId, 1, 0) ||
        !CheckRange(CommandInt(v, 2), 1, 255))
        return 0;
    m_block.NewPartitionID = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdChangePartitionTypeID::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int disk = Summary().DiskIndex, index = Summary().PartitionIndex;
    // A GPT entry's type is its GUID; the byte is only what it is shown as.
    PartitionInfo p{};
    if (const int code = ReadMbrTarget(p))
        return code;
    const int type = m_block.NewPartitionID & 0xFF;
    p.PartitionTypeId = int16_t(type);
    // The hidden state follows the asked type, so that the byte written is the byte asked for.
    p.Hidden = HiddenStateForType(type, p.FileSystemType);
    // Extended-container types and layouts the table rules refuse end here, before anything is written.
    if (const int code = CheckTableChange(disk, index, p))
        return code;
    return m_manager->UpdatePartition(disk, index, &p);
}
