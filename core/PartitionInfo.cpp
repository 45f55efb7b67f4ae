#include "PartitionInfo.h"

#include <algorithm>
#include <cstring>

PartitionInfo MakeEmptyPartitionInfo()
{
    PartitionInfo info;
    std::memset(&info, 0, sizeof info);
    return info;
}

bool SamePartition(const PartitionInfo& a, const PartitionInfo& b)
{
    return a.StartingLba == b.StartingLba && a.SectorCount == b.SectorCount;
}

void SortByStartingLba(PartitionList& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const PartitionInfo& a, const PartitionInfo& b) { return a.StartingLba < b.StartingLba; });
}

void SetLabel(PartitionInfo& info, const char* label)
{
    std::memset(info.Label, 0, sizeof info.Label);
    if (label)
        std::strncpy(info.Label, label, sizeof info.Label - 1);
}
