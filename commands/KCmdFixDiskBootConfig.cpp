#include "KCmdFixDiskBootConfig.h"

#include "CommandLine.h"
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdFixDiskBootConfig::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    m_block.DestDiskIndex = int32_t(CommandInt(v, 1));
    m_block.Summary = {kCmdFixDiskBootConfig, 0, 0, 0, 0, int32_t(CommandInt(v, 0)), -1, 0, m_block.DestDiskIndex, -1};
    return 1;
}

int KCmdFixDiskBootConfig::Execute(IProgressReporter*)
{
    if (!IsParsed())
        return kCmdNotParsed;
    // The file-system work of this operation is not part of this build: a plain failure, never success.
    SetErrorDetail(kDetailUnsupported);
    return kCmdFailed;
}
