#include "KVirtualVolumeManagerPreview.h"

#include <algorithm>

#include "CopySizes.h"
#include "core/FileSystemTypes.h"
#include "FreeSpace.h"

KVirtualVolumeManagerPreview::KVirtualVolumeManagerPreview(IVirtualVolumeManager* source, int targetDisk,
                                                           int sourceDisk)
    : m_source(source), m_target(targetDisk), m_sourceDisk(sourceDisk)
{
    if (m_source) {
        m_gpt = m_source->IsGptDisk(targetDisk);
        m_dynamic = m_source->IsDynamicDisk(targetDisk);
    }
    Reload();
}

void KVirtualVolumeManagerPreview::regenerate()
{
    FreeSpaceFlags flags;
    flags.Gpt = m_gpt != 0;
    flags.Dynamic = m_dynamic != 0;
    RegenerateFreeSpace(GetDisk(m_target), flags, m_list);
}

int KVirtualVolumeManagerPreview::Clear()
{
    m_list.clear();
    return 1;
}

void KVirtualVolumeManagerPreview::SetPartitions(const PartitionList& partitions)
{
    m_list = partitions;
    SortByStartingLba(m_list);
    regenerate();
}

int KVirtualVolumeManagerPreview::GetPartitionCount(int disk)
{
    return disk == m_target ? int(m_list.size()) : 0;
}

int KVirtualVolumeManagerPreview::GetPartition(int disk, int index, PartitionInfo* out)
{
    if (!out || disk != m_target || index < 0 || index >= int(m_list.size()))
        return 0;
    *out = m_list[size_t(index)];
    return 1;
}

int KVirtualVolumeManagerPreview::DeletePartition(int disk, int index)
{
    if (disk != m_target || index < 0 || index >= int(m_list.size()))
        return 0;
    m_list.erase(m_list.begin() + index);
    regenerate();
    return 1;
}

int KVirtualVolumeManagerPreview::UpdatePartition(int disk, int index, const PartitionInfo* entry)
{
    if (!entry || disk != m_target || index < 0 || index >= int(m_list.size()))
        return 0;
    m_list[size_t(index)] = *entry;
    regenerate();
    return 1;
}

int KVirtualVolumeManagerPreview::InsertPartition(int disk, const PartitionInfo* entry)
{
    if (!entry || disk != m_target)
        return 0;
    m_list.push_back(*entry);
    SortByStartingLba(m_list);
    regenerate();
    return 1;
}

int KVirtualVolumeManagerPreview::ToPartitionIndex(int disk, int listIndex)
{
    if (disk != m_target || listIndex < 0 || listIndex >= int(m_list.size()))
        return -1;
    int count = 0;
    for (int i = 0; i <= listIndex; ++i)
        count += IsPartitionEntry(m_list[size_t(i)]) ? 1 : 0;
    return count - 1;
}

void KVirtualVolumeManagerPreview::SetDynamicDisk(int disk, int value)
{
    if (disk == m_target)
        m_dynamic = value;
}

int KVirtualVolumeManagerPreview::ComputeCopyLayout(int method)
{
    m_list.clear();
    IDisk* target = GetDisk(m_target);
    IDisk* source = GetDisk(m_sourceDisk);
    if (method < 0 || !target || !source || !m_source) {
        regenerate();
        return 1;
    }
    DiskGeometry geometry{};
    target->GetGeometry(&geometry);
    const int64_t unit = std::max<int64_t>(1, geometry.SectorsPerTrack);
    const int64_t cylinder = std::max<int64_t>(1, geometry.SectorsPerCylinder());
    const int64_t targetTotal = target->GetTotalSectors();
    int64_t cursor = m_gpt ? 34 : unit;
    // A GPT disk's partitions lie where its header says they may, and none of them is logical.
    int64_t usableEnd = targetTotal;
    if (m_gpt) {
        GptHeader header{};
        if (target->ReadGptHeader(&header) && int64_t(header.FirstUsableLba) >= 34 &&
            int64_t(header.LastUsableLba) < targetTotal && header.FirstUsableLba <= header.LastUsableLba) {
            cursor = int64_t(header.FirstUsableLba);
            usableEnd = int64_t(header.LastUsableLba) + 1;
        } else {
            usableEnd = targetTotal - 33;
        }
    }
    int64_t sourceUsed = source->GetTotalSectors();
    int64_t room = targetTotal;
    if (!m_gpt && room >= 0xFFFFFF01ll)
        room = 0xFFFFFF00ll; // the MBR limit: 2^32 - 256 sectors

    PartitionList entries;
    for (int i = 0; i < m_source->GetPartitionCount(m_sourceDisk); ++i) {
        PartitionInfo p{};
        if (m_source->GetPartition(m_sourceDisk, i, &p))
            entries.push_back(p);
    }
    for (const auto& p : entries) {
        if (p.PartitionTypeId == 0 || p.FileSystemType == kFsNone || p.FileSystemType == kFsPlaceholder) {
            sourceUsed -= p.TotalSectors;
            if (p.PartitionTypeId != 0)
                room -= p.TotalSectors;
        }
        room -= unit;
    }
    const int64_t n = int64_t(entries.size());

    struct Planned {
        PartitionInfo entry;
        int64_t size, minimum;
        bool resizable; // sized by its share of the room
    };
    std::vector<Planned> plan;
    for (const PartitionInfo& original : entries) {
        if (original.PartitionTypeId == 0)
            continue;
        double share;
        const int fs = original.FileSystemType;
        if (method == 1 && (n + 1) * unit + sourceUsed <= targetTotal) {
            share = 2;
        } else if (fs == kFsNone || fs == kFsPlaceholder || fs == kFsExt2 || fs == kFsExt3 || fs == kFsLinuxSwap) {
            share = 0;
        } else {
            share = entries.size() == 1 || sourceUsed <= 0 ? 1.0 : double(original.SectorCount) / double(sourceUsed);
            const int64_t minimum = std::min(MinimumCopySize(original, cylinder), original.SectorCount);
            if (double(room) * share < double(minimum))
                share = -1;
        }
        const int64_t minimum = MinimumCopySize(original, cylinder);
        int64_t size = original.SectorCount < minimum || share == 0 ? original.SectorCount : minimum;
        if (method != 2) {
            if (share > 0 && share <= 1)
                size = int64_t(double(room) * share);
            else if (share > 1)
                size = original.SectorCount;
        }
        if (IsFatCode(original.FileSystemType))
            size = std::min<int64_t>(size, 0x2FFFFFFF);
        PartitionInfo entry = original;
        if (m_gpt)
            entry.IsPrimary = 1;
        plan.push_back({entry, size, std::min(minimum, original.SectorCount), method != 2 && share > 0 && share <= 1});
    }

    // A partition held at its minimum takes more than its share: what the shared ones then overrun the
    // disk by comes off them (down to their minimum), so that no partition is left out of the copy.
    const int64_t limit = std::min(targetTotal - unit, usableEnd);
    int64_t end = cursor;
    for (const Planned& p : plan)
        end = (p.entry.IsPrimary ? end : end + unit) + p.size;
    for (size_t i = plan.size(); end > limit && i-- > 0;) {
        if (!plan[i].resizable || plan[i].size <= plan[i].minimum)
            continue;
        const int64_t take = std::min(end - limit, plan[i].size - plan[i].minimum);
        plan[i].size -= take;
        end -= take;
    }

    for (const Planned& planned : plan) {
        const PartitionInfo& original = planned.entry;
        PartitionInfo p = original;
        p.DriveLetter = 0;
        const int64_t minimum = MinimumCopySize(original, cylinder);
        int64_t size = planned.size;
        p.StartingLba = original.IsPrimary ? cursor : cursor + unit;
        if (p.StartingLba + size > limit && limit - p.StartingLba >= minimum)
            size = limit - p.StartingLba;
        if (p.StartingLba + size > limit && p.StartingLba + minimum <= limit)
            size = minimum;
        p.SectorCount = p.TotalSectors = size;
        p.FreeSectors = size - (original.TotalSectors - original.FreeSectors);
        if (p.StartingLba + p.SectorCount > std::min(targetTotal, usableEnd))
            break;
        m_list.push_back(p);
        cursor = p.StartingLba + p.SectorCount;
    }
    regenerate();
    return 1;
}
