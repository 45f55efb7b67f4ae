// The MBR and its chain of extended boot records.
#pragma once

#include "core/FileSystemTypes.h"

#include "DriveLayout.h"
#include "ISectorDevice.h"
#include "TableScan.h"

class KMbrTable {
public:
    static constexpr int kMaxLogicals = 256;

    // Reads sector 0 and the extended chain into scan (GPT disks are left to KGptTable).
    // Damage ends the walk and is reported in scan.Errors.
    static void Read(ISectorDevice& disk, int64_t totalSectors, TableScan& scan);

    // Writes the layout: sector 0 keeps its boot code, the primary slots get the primaries and the
    // extended container in disk order, every logical partition gets its extended boot record at
    // (start - hidden sectors), linked in disk order. False when the layout cannot be written as MBR.
    static bool Write(ISectorDevice& disk, int64_t totalSectors, const DiskGeometry& geometry,
                      const DriveLayout& layout);

    static bool IsExtendedType(uint8_t type) { return IsExtendedTypeByte(type); }
    static bool IsHiddenType(uint8_t type) { return IsHiddenTypeByte(type); }
    // The three CHS bytes of an MBR entry for an LBA (1023/254/63 past the CHS limit).
    static void EncodeChs(uint8_t* out, int64_t lba, const DiskGeometry& geometry);
};
