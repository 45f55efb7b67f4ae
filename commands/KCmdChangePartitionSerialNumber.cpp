#include "KCmdChangePartitionSerialNumber.h"

#include "CommandLine.h"
#include "KBootSectorEditor.h"
#include "KCommandProgress.h"
#include "engine/ByteOrder.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdChangePartitionSerialNumber::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdChangeSerialNumber, 1, 0))
        return 0;
    m_block.NewSerialNumber = CommandInt(v, 2);
    return 1;
}

int KCmdChangePartitionSerialNumber::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    PartitionInfo p{};
    if (!m_manager->GetPartition(Summary().DiskIndex, Summary().PartitionIndex, &p))
        return kCmdPartitionUnreadable;
    const int64_t serial = m_block.NewSerialNumber;
    const int fs = p.FileSystemType;
    // Only FAT and NTFS keep their serial number in the boot sector.
    if (fs != kFsNtfs && !IsFatCode(fs)) {
        SetErrorDetail(kDetailNotForFileSystem);
        return kCmdNotApplicable;
    }
    // The serial number lives at a place fixed by the file system, in both boot-sector copies.
    const int detail = KBootSectorEditor::Edit(m_manager->GetDisk(Summary().DiskIndex), p, [serial, fs](uint8_t* s) {
        if (fs == kFsNtfs)
            put_le64(s + 0x48, uint64_t(serial));
        else if (fs == kFsFat12 || fs == kFsFat16)
            put_le32(s + 0x27, uint32_t(serial));
        else if (fs == kFsFat32)
            put_le32(s + 0x43, uint32_t(serial));
    });
    if (detail) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return kCmdOk;
}
