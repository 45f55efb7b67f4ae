#include "KCmdLabelPartition.h"

#include "CommandLine.h"
#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"
#include "core/LabelRule.h"

int KCmdLabelPartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdLabelPartition, 1, 0))
        return 0;
    PartitionInfo p{};
    m_manager->GetPartition(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex, &p);
    // The label is held to the rule of the file system the partition holds; the writer checks again
    // against the volume itself.
    const std::string label = CommandText(v, 2);
    if (!CheckLabel(p.FileSystemType, label))
        return 0;
    CopyLabel(m_block.Label, label);
    m_device.reset(m_manager->CreateVolumeDevice(m_block.Summary.DiskIndex, m_block.Summary.PartitionIndex));
    return 1;
}

int KCmdLabelPartition::Execute(IProgressReporter*)
{
    if (!IsParsed() || !m_device)
        return kCmdNotParsed;
    int problem = kLabelOk;
    const int set = kSetVolumeLabel(m_device.get(), m_block.Label, &problem);
    m_device.reset();
    // A label the file system refused is reported with the reason; nothing was written then.
    if (!set) {
        SetErrorDetail(problem == kLabelTooLong           ? kDetailLabelTooLong
                       : problem == kLabelInvalidCharacter ? kDetailLabelInvalidCharacter
                       : problem == kLabelNoRoom           ? kDetailRootDirectoryFull
                                                           : kDetailUnsupported);
        return kCmdFailed;
    }
    return 0;
}
