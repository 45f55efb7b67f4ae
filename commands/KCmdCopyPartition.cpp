#include "KCmdCopyPartition.h"

#include "CommandLine.h"
#include "core/ErrorCodes.h"
#include "core/FileSystemTypes.h"
#include "fs/RawCopy.h"
#include "fs/ext/ExtMove.h"
#include "fs/fat/KFatResize.h"
#include "fs/ntfs/KNtfsResize.h"
#include "model/IVolumeManager.h"

int KCmdCopyPartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdCopyPartition, 1, 0) || !CheckDisk(CommandInt(v, 2)) ||
        !CheckExtent(int(CommandInt(v, 2)), CommandInt(v, 3), CommandInt(v, 4)) || !CheckFlag(CommandInt(v, 5)))
        return 0;
    m_block.Summary.LetterDiskIndex = int32_t(CommandInt(v, 2));
    m_block.Summary.LetterPartitionIndex = -1;
    m_block.DestStartingLba = CommandInt(v, 3);
    m_block.DestPartitionSize = CommandInt(v, 4);
    m_block.DestPartitionIsPrimary = int32_t(CommandInt(v, 5));
    return 1;
}

int KCmdCopyPartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int sourceDisk = Summary().DiskIndex, destDisk = Summary().LetterDiskIndex;
    IDisk* source = m_manager->GetDisk(sourceDisk);
    IDisk* dest = m_manager->GetDisk(destDisk);
    PartitionInfo entry{};
    if (!m_manager->GetPartition(sourceDisk, Summary().PartitionIndex, &entry))
        return kCmdPartitionUnreadable;
    if (!source || !dest)
        return Fail(kDetailNoSuchDisk);

    // The data goes where the entry made after it will be: free space the table takes. Checked
    // first, so a copy that could never become a partition writes nothing over anything.
    PartitionInfo made = MakeEmptyPartitionInfo();
    made.PartitionTypeId = entry.PartitionTypeId != 0 ? entry.PartitionTypeId : 7;
    made.StartingLba = m_block.DestStartingLba;
    made.SectorCount = m_block.DestPartitionSize;
    made.IsPrimary = dest->IsGpt() ? 1 : m_block.DestPartitionIsPrimary;
    made.IsGptEntry = dest->IsGpt() ? 1 : 0;
    made.HiddenSectors = made.IsPrimary ? made.StartingLba : 63;
    if (const int code = CheckTableChange(destDisk, -1, made))
        return code;

    switch (entry.FileSystemType) {
    case kFsExt2:
    case kFsExt3:
        if (m_block.DestPartitionSize != entry.SectorCount)
            return Fail(kDetailInvalidParameter);
        if (const int rc = MoveExt(source, entry.StartingLba, entry.SectorCount, dest, m_block.DestStartingLba, reporter))
            return Fail(rc);
        return 0;
    case kFsNtfs: {
        KNtfsResize copier;
        if (const int rc = copier.CopyNtfs(source, entry.StartingLba, VolumeSectors(entry), dest, m_block.DestStartingLba,
                                           m_block.DestPartitionSize, m_block.DestPartitionIsPrimary, reporter))
            return Fail(rc);
        return 0;
    }
    case kFsFat12:
    case kFsFat16:
    case kFsFat32: {
        KFatResize copier;
        if (const int rc = copier.CopyFat(source, entry.StartingLba, VolumeSectors(entry), dest, m_block.DestStartingLba,
                                          m_block.DestPartitionSize, m_block.DestPartitionIsPrimary, reporter))
            return Fail(rc);
        return 0;
    }
    default:
        break;
    }
    // Every sector of the partition, so the destination must hold them all.
    if (m_block.DestPartitionSize < entry.SectorCount)
        return Fail(kDetailInvalidParameter);
    switch (RawCopy::CopySectors(source, entry.StartingLba, dest, m_block.DestStartingLba, entry.SectorCount,
                                 source == dest, reporter)) {
    case RawCopy::kOk: return 0;
    case RawCopy::kCancelled: return kCmdCancelled;
    case RawCopy::kReadFailed: return Fail(kDetailReadFailed);
    case RawCopy::kWriteFailed: return Fail(kDetailWriteFailed);
    case RawCopy::kOutOfMemory: return Fail(kDetailOutOfMemory);
    default: return Fail(kDetailInvalidParameter);
    }
}
