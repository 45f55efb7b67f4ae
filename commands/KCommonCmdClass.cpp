#include "KCommonCmdClass.h"

#include <cstring>

int KCommonCmdClass::Parse(IVolumeManager* manager, const char* line)
{
    if (!manager || !line)
        return 0;
    m_manager = manager;
    std::strncpy(m_line, line, sizeof m_line - 1);
    m_line[sizeof m_line - 1] = 0;
    return ParseLine();
}

int KCommonCmdClass::GetSummary(CommandSummary* out)
{
    if (!out)
        return 0;
    *out = Summary();
    return 1;
}

int KCommonCmdClass::GetParameters(void* out, unsigned size)
{
    if (!out || size < BlockSize())
        return 0;
    std::memcpy(out, Block(), BlockSize());
    return 1;
}
