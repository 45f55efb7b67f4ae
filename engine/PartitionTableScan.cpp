#include "PartitionTableScan.h"

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
