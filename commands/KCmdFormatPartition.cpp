#include "KCmdFormatPartition.h"

#include "CommandLine.h"
#include "FileSystemFormatter.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdFormatPartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdFormatPartition, 1, 0, v);
    m_block.FsType = int32_t(CommandInt(v, 2));
    m_block.ClusterSize = int32_t(CommandInt(v, 3));
    CopyLabel(m_block.Label, CommandText(v, 4));
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
    FormatRequest request;
    request.ClusterSize = m_block.ClusterSize;
    request.Label = m_block.Label;
    request.Start = 0;
    request.Sectors = m_block.SectorCount;
    request.HiddenSectors = m_block.HiddenSectors;
    switch (m_block.FsType) {
    case kFsNtfs: request.Kind = NewFileSystem::Ntfs; break;
    case kFsExt2: request.Kind = NewFileSystem::Ext2; break;
    case kFsExt3: request.Kind = NewFileSystem::Ext3; break;
    case kFsLinuxSwap: request.Kind = NewFileSystem::Swap; break;
    default:
        request.Kind = NewFileSystem::Fat;
        request.FatType = m_block.FsType;
        break;
    }
    const int detail = FormatArea(m_device.get(), request, reporter);
    m_device.reset();
    m_manager->CommitPartition(Summary().DiskIndex, Summary().PartitionIndex);
    // The table entry keeps its type byte; a file system that could not be written is a failure.
    if (detail != 0) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return 0;
}
