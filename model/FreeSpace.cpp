#include "FreeSpace.h"

#include <algorithm>
#include <cstring>

#include "engine/DiskEngine.h"
#include "engine/IDisk.h"

bool IsPartitionEntry(const PartitionInfo& entry)
{
    uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const uint8_t*>(&entry) + offsetof(PartitionInfo, PartitionTypeId), 4);
    return word != 0;
}

void RegenerateFreeSpace(IDisk* disk, const FreeSpaceFlags& flags, PartitionList& list)
{
    for (size_t i = list.size(); i-- > 0;)
        if (list[i].PartitionTypeId == 0)
            list.erase(list.begin() + int64_t(i));
    if (!disk)
        return;
    DiskGeometry geometry{};
    disk->GetGeometry(&geometry);
    const int64_t minimumGap = std::max<int64_t>(1, geometry.SectorsPerCylinder());

    int16_t placeholder = 0;
    if (flags.Gpt && !IsGptSupported())
        placeholder = kPlaceholderGptUnsupported;
    if (flags.Dynamic)
        placeholder = kPlaceholderDynamic;
    if (flags.Errors && flags.Errors->HasErrors())
        placeholder = kPlaceholderBadDisk;
    if (placeholder)
        list.clear();

    const int64_t total = disk->GetTotalSectors();
    int64_t rangeStart = 0, rangeEnd = total;
    if (flags.Gpt && !placeholder) {
        GptHeader header{};
        if (disk->ReadGptHeader(&header)) {
            rangeStart = int64_t(header.FirstUsableLba);
            rangeEnd = int64_t(header.LastUsableLba) + 1;
        } else {
            rangeStart = 34;
            rangeEnd = total - 34;
        }
    }

    int64_t cursor = rangeStart;
    for (size_t i = 0; i <= list.size(); ++i) {
        const int64_t boundary = i < list.size() ? list[i].StartingLba : rangeEnd;
        const int64_t gap = boundary - cursor;
        if (gap >= minimumGap) {
            PartitionInfo free = MakeEmptyPartitionInfo();
            free.EntryFlags = kEntryUnallocated;
            free.PartitionTypeId = placeholder;
            free.IsGptEntry = flags.Gpt ? 1 : 0;
            free.StartingLba = cursor;
            free.SectorCount = gap;
            free.FileSystemType = placeholder ? 255 : 0;
            free.ClusterSize = 1;
            free.TotalSectors = gap;
            free.FreeSectors = placeholder ? 0 : gap;
            list.insert(list.begin() + int64_t(i), free);
            ++i; // step over it
        }
        if (i >= list.size())
            break;
        cursor = list[i].StartingLba + list[i].SectorCount;
    }
}
