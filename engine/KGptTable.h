// The GUID partition table: headers, entry arrays, CRCs and the backup copy.
#pragma once

#include "DriveLayout.h"
#include "ISectorDevice.h"
#include "TableScan.h"

class KGptTable {
public:
    static constexpr uint32_t kEntrySize = 128;
    static constexpr uint32_t kMaxEntries = 4096;

    // Reads the header at `lba` and checks signature, size, CRC and placement. No entry array check.
    static bool ReadHeader(ISectorDevice& disk, int64_t totalSectors, int64_t lba, GptHeader& header);
    // Reads the primary table, or the backup when the primary one is damaged. Fills scan.List.
    static void Read(ISectorDevice& disk, int64_t totalSectors, TableScan& scan);
    // Writes both copies from the layout, keeping the protective MBR. `current` is the header the disk
    // has now (entry size and array placement are kept when sane).
    static bool Write(ISectorDevice& disk, int64_t totalSectors, const GptHeader& current, const DriveLayout& layout);

    // Fills the MBR type byte and the flags that a GPT type GUID implies.
    static void ClassifyEntry(PartitionInfo& info);
};
