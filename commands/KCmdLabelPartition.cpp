#include "KCmdLabelPartition.h"

#include "CommandLine.h"
#include "engine/DiskEngine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdLabelPartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdLabelPartition, 1, 0, v);
    CopyLabel(m_block.Label, CommandText(v, 2));
    m_device.reset(m_manager->CreateVolumeDevice(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex));
    return 1;
}

int KCmdLabelPartition::Execute(IProgressReporter*)
{
    if (!IsParsed() || !m_device)
        return kCmdNotParsed;
    const int set = kSetVolumeLabel(m_device.get(), m_block.Label);
    m_device.reset();
    // A label the file system refused (too long, no writer for it, a failed write) is reported.
    if (!set) {
        SetErrorDetail(kDetailUnsupported);
        return kCmdFailed;
    }
    return 0;
}
