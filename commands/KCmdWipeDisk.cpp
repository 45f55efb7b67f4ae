#include "KCmdWipeDisk.h"

#include "CommandLine.h"
#include "core/ErrorCodes.h"
#include "core/FileSystemTypes.h"
#include "fs/SectorWipe.h"
#include "model/IVolumeManager.h"

int KCmdWipeDisk::ParseLine()
{
    std::vector<CommandValue> v;
    // Partition index 0 wipes sectors of the disk itself.
    if (!ReadValues(kFormat, v) || !CheckDisk(CommandInt(v, 0)) ||
        (CommandInt(v, 1) != 0 && !CheckPartition(CommandInt(v, 0), CommandInt(v, 1))) ||
        !CheckRange(CommandInt(v, 4), 0, 4))
        return 0;
    m_block.Summary = SameTarget(kCmdWipeDisk, 0, 0, v);
    const bool partition = m_block.Summary.PartitionIndex >= 0;
    m_block.StartingLba = CommandInt(v, 2);
    m_block.SectorsCount = CommandInt(v, 3);
    // The sectors lie inside the disk, and inside the partition when one is named.
    int64_t first = 0, limit = m_manager->GetDisk(m_block.Summary.DiskIndex)->GetTotalSectors();
    PartitionInfo p{};
    if (partition && m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p)) {
        first = p.StartingLba;
        limit = p.StartingLba + p.SectorCount;
    }
    if (m_block.StartingLba < first || m_block.SectorsCount < 1 || m_block.StartingLba > limit - m_block.SectorsCount)
        return Refuse(kDetailValueOutOfRange);
    m_block.Summary.LockVolume = m_block.Summary.Dismount = partition ? 1 : 0;
    m_block.WipingMethod = int32_t(CommandInt(v, 4));
    if (partition)
        m_block.Summary.Letter = uint8_t(p.DriveLetter);
    return 1;
}

int KCmdWipeDisk::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    IDisk* disk = m_manager->GetDisk(Summary().DiskIndex);
    if (!disk)
        return Fail(kDetailNoSuchDisk);
    switch (SectorWipe::Wipe(disk, m_block.StartingLba, m_block.SectorsCount, m_block.WipingMethod, reporter)) {
    case SectorWipe::kOk: return 0;
    case SectorWipe::kCancelled: return kCmdCancelled;
    case SectorWipe::kOutOfMemory: return Fail(kDetailOutOfMemory);
    case SectorWipe::kWriteFailed: return Fail(kDetailWriteFailed);
    default: return Fail(kDetailInvalidParameter);
    }
}
