#include "KCommonCmdClass.h"

#include <algorithm>
#include <cstring>

#include "model/IVolumeManager.h"

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

CommandSummary KCommonCmdClass::SameTarget(int32_t kind, int32_t lock, int32_t dismount,
                                           const std::vector<CommandValue>& v)
{
    const int32_t disk = int32_t(CommandInt(v, 0));
    const int32_t index = ZeroBased(CommandInt(v, 1));
    return {kind, lock, 0, dismount, 0, disk, index, 0, disk, index};
}

void KCommonCmdClass::CopyLabel(char (&field)[256], const std::string& text)
{
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

int KCommonCmdClass::UpdateTargetEntry(const std::function<void(PartitionInfo&)>& change)
{
    PartitionInfo p{};
    if (!m_manager->GetPartition(Summary().DiskIndex, Summary().PartitionIndex, &p))
        return kCmdPartitionUnreadable;
    change(p);
    return m_manager->UpdatePartition(Summary().DiskIndex, Summary().PartitionIndex, &p);
}
