#include "KCmdChangePartitionPrimary.h"

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "KBootSectorEditor.h"
#include "core/ByteOrder.h"
#include "fs/fat/FatStructures.h"
#include "fs/ntfs/NtfsBootSector.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdChangePartitionPrimary::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdChangePartitionPrimary, 1, 0) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    m_block.Primary = int32_t(CommandInt(v, 2));
    return 1;
}

int KCmdChangePartitionPrimary::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int disk = Summary().DiskIndex, index = Summary().PartitionIndex;
    PartitionInfo p{};
    if (const int code = ReadMbrTarget(p))
        return code;
    p.IsPrimary = m_block.Primary ? 1 : 0;
    p.HiddenSectors = m_block.Primary ? p.StartingLba : 63;
    // A logical partition's extended boot record needs free sectors of its own before it; without
    // them the change is refused before the table or the boot sector is touched.
    if (const int code = CheckTableChange(disk, index, p))
        return code;
    if (const int code = m_manager->UpdatePartition(disk, index, &p))
        return code;
    if (p.FileSystemType != kFsNtfs && !IsFatCode(p.FileSystemType))
        return kCmdOk;
    // The boot sector names its hidden sectors too; a failed read or write is a failure of its own.
    const uint32_t hidden = uint32_t(p.HiddenSectors);
    const bool ntfs = p.FileSystemType == kFsNtfs;
    const int detail = KBootSectorEditor::Edit(m_manager->GetDisk(disk), p, [hidden, ntfs](uint8_t* s) {
        put_le32(s + Fat::kHiddenSectors, hidden); // the same place in FAT and NTFS boot sectors
        if (ntfs)
            put_le32(s + Ntfs::kBootLargeSectorCount, 0);
    });
    if (detail) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return kCmdOk;
}
