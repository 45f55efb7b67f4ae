#include "KCommonCmdClass.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "model/IVolumeManager.h"
#include "core/LabelRule.h"

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

bool KCommonCmdClass::ReadValues(const char* format, std::vector<CommandValue>& values)
{
    int problem = kLineOk;
    values = ParseCommandLine(format, m_line, &problem);
    if (problem == kLineOk)
        return true;
    SetErrorDetail(problem == kLineOutOfRange ? kDetailValueOutOfRange : kDetailLineMismatch);
    return false;
}

bool KCommonCmdClass::CheckDisk(int64_t disk)
{
    if (disk >= 0 && disk < m_manager->GetDiskCount())
        return true;
    SetErrorDetail(kDetailNoSuchDisk);
    return false;
}

bool KCommonCmdClass::CheckPartition(int64_t disk, int64_t oneBased)
{
    if (!CheckDisk(disk))
        return false;
    if (oneBased >= 1 && oneBased <= m_manager->GetPartitionCount(int(disk)))
        return true;
    SetErrorDetail(kDetailNoSuchPartition);
    return false;
}

bool KCommonCmdClass::CheckRange(int64_t value, int64_t low, int64_t high)
{
    if (value >= low && value <= high)
        return true;
    SetErrorDetail(kDetailValueOutOfRange);
    return false;
}

bool KCommonCmdClass::ReadTarget(const char* format, std::vector<CommandValue>& values, CommandSummary& summary,
                                 int32_t kind, int32_t lock, int32_t dismount)
{
    if (!ReadValues(format, values) || !CheckPartition(CommandInt(values, 0), CommandInt(values, 1)))
        return false;
    summary = SameTarget(kind, lock, dismount, values);
    return true;
}

int KCommonCmdClass::CheckTableChange(int disk, int index, const PartitionInfo& entry)
{
    int problem = 0;
    const int code = m_manager->CheckPartitionChange(disk, index, &entry, &problem);
    if (code == kTableChangeRefused)
        SetErrorDetail(kDetailLayoutBase + problem);
    else if (code == kTableChangeBadIndex)
        SetErrorDetail(index < 0 ? int(kDetailLayoutBase) + int(kLayoutOverlap) : int(kDetailNoSuchPartition));
    return code;
}

int KCommonCmdClass::FinishVolumeChange(int disk, int index, const PartitionInfo* entry)
{
    if (entry)
        if (const int code = m_manager->UpdatePartition(disk, index, entry))
            return code;
    if (std::unique_ptr<IVolumeDevice> device{m_manager->CreateVolumeDevice(disk, index)})
        device->Dismount();
    m_manager->CommitPartitionQuiet(disk, index);
    return 0;
}

bool KCommonCmdClass::CheckClusterSize(int64_t value, bool allowDefault)
{
    if ((value == 0 && allowDefault) || (value >= 1 && value <= 128 && (value & (value - 1)) == 0))
        return true;
    SetErrorDetail(kDetailValueOutOfRange);
    return false;
}

bool KCommonCmdClass::CheckLetter(int64_t value)
{
    return value == 0 || CheckRange(value, 'C', 'Z');
}

bool KCommonCmdClass::CheckExtent(int disk, int64_t start, int64_t count)
{
    IDisk* d = m_manager->GetDisk(disk);
    const int64_t total = d ? d->GetTotalSectors() : 0;
    if (start >= 1 && count >= 1 && start <= total - count)
        return true;
    SetErrorDetail(kDetailValueOutOfRange);
    return false;
}

bool KCommonCmdClass::CheckLabel(int fileSystemType, const std::string& label)
{
    switch (CheckVolumeLabel(fileSystemType, label)) {
    case kLabelOk: return true;
    case kLabelTooLong: SetErrorDetail(kDetailLabelTooLong); return false;
    default: SetErrorDetail(kDetailLabelInvalidCharacter); return false;
    }
}

int KCommonCmdClass::ReadMbrTarget(PartitionInfo& entry)
{
    if (!m_manager->GetPartition(Summary().DiskIndex, Summary().PartitionIndex, &entry))
        return kCmdPartitionUnreadable;
    if (entry.IsGptEntry) {
        SetErrorDetail(kDetailNotOnGpt);
        return kCmdNotApplicable;
    }
    return 0;
}
