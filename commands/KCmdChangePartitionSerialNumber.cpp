#include "KCmdChangePartitionSerialNumber.h"

#include "CommandLine.h"
#include "KBootSectorEditor.h"
#include "KCommandProgress.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"
#include "fs/FileSystemRegistry.h"
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
    // The serial number lives at a place fixed by the file system, in both boot-sector copies; only
    // some file systems keep one there.
    const IFileSystem* family = FileSystemFor(p.FileSystemType);
    int width = 0;
    const int offset = family ? family->SerialNumberOffset(p.FileSystemType, &width) : -1;
    if (offset < 0) {
        SetErrorDetail(kDetailNotForFileSystem);
        return kCmdNotApplicable;
    }
    const int detail = KBootSectorEditor::Edit(m_manager->GetDisk(Summary().DiskIndex), p, [serial, offset, width](uint8_t* s) {
        if (width == 8)
            put_le64(s + offset, uint64_t(serial));
        else
            put_le32(s + offset, uint32_t(serial));
    });
    if (detail) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return kCmdOk;
}
