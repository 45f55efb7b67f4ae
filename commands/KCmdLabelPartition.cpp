#include "KCmdLabelPartition.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdLabelPartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.Summary = SameTarget(kCmdLabelPartition, 1, 0, v);
    CopyLabel(m_block.Label, CommandText(v, 2));
    return 1;
}

int KCmdLabelPartition::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
