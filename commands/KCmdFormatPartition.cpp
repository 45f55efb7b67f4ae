#include "KCmdFormatPartition.h"

#include "CommandLine.h"
#include "fs/FileSystemServices.h"
#include "fs/IFileSystem.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdFormatPartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdFormatPartition, 1, 0) ||
        !CheckClusterSize(CommandInt(v, 3), true))
        return 0;
    const int64_t fs = CommandInt(v, 2);
    if (fs != kFsFat12 && fs != kFsFat16 && fs != kFsFat32 && fs != kFsNtfs && fs != kFsExt2 && fs != kFsExt3 &&
        fs != kFsLinuxSwap)
        return Refuse(kDetailValueOutOfRange);
    m_block.FsType = int32_t(fs);
    m_block.ClusterSize = int32_t(CommandInt(v, 3));
    const std::string label = CommandText(v, 4);
    if (!CheckLabel(m_block.FsType, label))
        return 0;
    CopyLabel(m_block.Label, label);
    PartitionInfo p{};
    if (m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p)) {
        m_block.SectorCount = p.SectorCount;
        m_block.HiddenSectors = p.HiddenSectors;
    }
    m_device.reset(m_manager->CreateVolumeDevice(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex));
    return 1;
}

int KCmdFormatPartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed() || !m_device)
        return kCmdNotParsed;
    NewVolume volume;
    volume.FileSystemType = m_block.FsType;
    volume.ClusterSize = m_block.ClusterSize;
    volume.Label = m_block.Label;
    volume.Start = 0;
    volume.Sectors = m_block.SectorCount;
    volume.HiddenSectors = m_block.HiddenSectors;
    const int detail = FormatVolume(m_device.get(), volume, reporter);
    m_device.reset();
    m_manager->CommitPartition(Summary().DiskIndex, Summary().PartitionIndex);
    // The table entry keeps its type byte; a file system that could not be written is a failure.
    if (detail != 0) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return 0;
}
