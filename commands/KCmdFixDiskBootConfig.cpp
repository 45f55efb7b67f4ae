#include "KCmdFixDiskBootConfig.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "CommandLine.h"
#include "KCommandProgress.h"
#include "boot/MbrBootProgram.h"
#include "boot/MbrWriter.h"
#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdFixDiskBootConfig::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadValues(kFormat, v) || !CheckDisk(CommandInt(v, 0)) || !CheckDisk(CommandInt(v, 1)))
        return 0;
    m_block.DestDiskIndex = int32_t(CommandInt(v, 1));
    m_block.Summary = {kCmdFixDiskBootConfig, 0, 0, 0, 0, int32_t(CommandInt(v, 0)), -1, 0, m_block.DestDiskIndex, -1};
    return 1;
}

int KCmdFixDiskBootConfig::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    const int sourceIndex = Summary().DiskIndex, destIndex = m_block.DestDiskIndex;
    if (sourceIndex == destIndex)
        return kCmdOk;
    IDisk* source = m_manager->GetDisk(sourceIndex);
    IDisk* dest = m_manager->GetDisk(destIndex);
    if (!source || !dest)
        return kCmdPartitionUnreadable;

    if (const int detail = WriteMbrBootProgram(dest, kClassicBootProgram, kClassicBootProgram_size, true)) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    dest->ForgetLayout(nullptr);

    // Point the copy's boot entries at the copied partitions.
    const uint32_t sourceSignature = source->GetMbrSignature();
    const uint32_t destSignature = dest->GetMbrSignature();
    std::unique_ptr<IVistaBCDConfigFile> bcd(CreateInterface_IVistaBCDConfigFile());
    if (!bcd)
        return kCmdOk;
    std::unique_ptr<IVolumeDevice> device;
    for (int i = 0; i < m_manager->GetPartitionCount(destIndex) && !device; ++i) {
        PartitionInfo p{};
        if (m_manager->GetPartition(destIndex, i, &p) && p.Active && p.IsPrimary)
            device.reset(m_manager->CreateVolumeDevice(destIndex, i));
    }
    if (!device)
        return kCmdOk;
    bcd->Attach(device.get());
    for (int j = 0; j < m_manager->GetPartitionCount(destIndex); ++j) {
        PartitionInfo from{}, to{};
        if (m_manager->GetPartition(sourceIndex, j, &from) && m_manager->GetPartition(destIndex, j, &to))
            bcd->Repoint(sourceSignature, from.StartingLba * 512, destSignature, to.StartingLba * 512);
    }
    bcd->Save(device.get());
    return kCmdOk;
}
