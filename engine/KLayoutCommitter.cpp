#include "KLayoutCommitter.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include "KMbrTable.h"
#include <cstdint>
#include "LinuxBlock.h"
#include "PartitionTableScan.h"

int KLayoutCommitter::Check(const PartitionList& list, int, IDisk* disk)
{
    return FindProblem(list, disk) == kLayoutOk ? 1 : 0;
}

int KLayoutCommitter::FindProblem(const PartitionList& input, IDisk* disk)
{
    PartitionList list;
    for (const auto& p : input)
        if (p.PartitionTypeId != 0 && !(p.EntryFlags & kEntryUnallocated))
            list.push_back(p);
    SortByStartingLba(list);
    const int64_t total = disk ? disk->GetTotalSectors() : INT64_MAX;
    int gptEntries = 0;
    for (const auto& p : list) {
        if (p.SectorCount <= 0 || p.StartingLba < 1)
            return kLayoutEmptyExtent;
        if (p.StartingLba > total - p.SectorCount)
            return kLayoutOutsideDisk;
        gptEntries += p.IsGptEntry ? 1 : 0;
    }
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i].StartingLba < list[i - 1].StartingLba + list[i - 1].SectorCount)
            return kLayoutOverlap;
    if (gptEntries != 0 && gptEntries != int(list.size()))
        return kLayoutMixedStyles; // one table style per disk
    if (gptEntries) {
        GptHeader header{};
        if (disk && disk->ReadGptHeader(&header))
            for (const auto& p : list)
                if (uint64_t(p.StartingLba) < header.FirstUsableLba ||
                    uint64_t(p.StartingLba + p.SectorCount - 1) > header.LastUsableLba)
                    return kLayoutOutsideDisk;
        return kLayoutOk;
    }

    int primaries = 0;
    int firstLogical = -1, lastLogical = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        const auto& p = list[i];
        if (KMbrTable::IsExtendedType(uint8_t(p.PartitionTypeId)))
            return kLayoutExtendedType;
        if (p.StartingLba + p.SectorCount > (int64_t(1) << 32))
            return kLayoutBeyondMbrLimit;
        if (p.IsPrimary) {
            ++primaries;
            continue;
        }
        if (firstLogical < 0)
            firstLogical = int(i);
        lastLogical = int(i);
        // The extended boot record sits before the partition, after whatever precedes it.
        const int64_t previousEnd = i > 0 ? list[i - 1].StartingLba + list[i - 1].SectorCount : 1;
        if (p.HiddenSectors < 1 || p.HiddenSectors > p.StartingLba || p.StartingLba - p.HiddenSectors < previousEnd)
            return kLayoutNoRoomForEbr;
    }
    if (firstLogical >= 0) {
        for (int i = firstLogical; i <= lastLogical; ++i)
            if (list[size_t(i)].IsPrimary)
                return kLayoutLogicalsSplit;
        ++primaries; // the extended container takes a slot
    }
    return primaries <= 4 ? kLayoutOk : kLayoutTooManyPrimaries;
}

int KLayoutCommitter::Commit(IDisk* disk, PartitionList& list, int, int flag)
{
    if (!disk)
        return 0;
    disk->ForgetLayout(nullptr);
    TableScan scan;
    ScanPartitionTables(*disk, disk->GetTotalSectors(), scan);
    for (auto& p : list)
        for (const auto& written : scan.List)
            if (SamePartition(p, written))
                p.PartitionNumber = written.PartitionNumber;
    if (!disk->IsBlockDevice())
        return 1;
    const int fd = ::open(disk->GetPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    bool ok = LinuxBlock::ReloadPartitionTable(fd, disk->GetPath(), KernelPartitionsOf(scan));
    ::close(fd);
    if (flag) {
        LinuxBlock::UdevSettle(3000);
        ok = ok && LinuxBlock::PartitionNodesPresent(disk->GetPath());
    }
    return ok ? 1 : 0;
}
