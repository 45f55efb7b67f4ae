#include "KCmdInitiateDisk.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdInitiateDisk::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    const int32_t disk = int32_t(CommandInt(v, 0));
    m_block.Style = int32_t(CommandInt(v, 1));
    m_block.ForceReboot = int32_t(CommandInt(v, 2));
    m_block.Summary = {kCmdInitiateDisk, 0, 0, 0, m_block.ForceReboot ? 1 : 0, disk, -1, 0, disk, -1};
    return 1;
}

int KCmdInitiateDisk::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
