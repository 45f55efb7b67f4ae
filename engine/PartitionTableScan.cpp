#include "PartitionTableScan.h"

#include <algorithm>

#include "KGptTable.h"
#include "KMbrTable.h"

void ScanPartitionTables(ISectorDevice& disk, int64_t totalSectors, TableScan& scan)
{
    scan = TableScan{};
    KMbrTable::Read(disk, totalSectors, scan);
    bool protective = false;
    for (const auto& p : scan.List)
        protective = protective || p.PartitionTypeId == 0xEE;
    if (!protective)
        return;
    const uint32_t signature = scan.MbrSignature;
    scan = TableScan{};
    scan.MbrSignature = signature;
    KGptTable::Read(disk, totalSectors, scan);
    if (!scan.GptHeaderValid)
        scan.IsGpt = false; // neither header is usable: shown as a damaged disk, never written as GPT
}

std::vector<LinuxBlock::KernelPartition> KernelPartitionsOf(const TableScan& scan)
{
    std::vector<LinuxBlock::KernelPartition> parts;
    for (const auto& p : scan.List)
        parts.push_back({p.PartitionNumber, p.StartingLba, p.SectorCount});
    if (scan.ContainerNumber) {
        int64_t sectors = std::min<int64_t>(2, scan.ContainerSectors);
        for (const auto& p : scan.List)
            if (!p.IsPrimary && p.StartingLba > scan.ContainerStart)
                sectors = std::min(sectors, p.StartingLba - scan.ContainerStart);
        parts.push_back({scan.ContainerNumber, scan.ContainerStart, sectors});
    }
    std::sort(parts.begin(), parts.end(), [](auto& a, auto& b) { return a.number < b.number; });
    return parts;
}
