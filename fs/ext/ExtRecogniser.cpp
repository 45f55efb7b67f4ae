#include "fs/ext/ExtRecogniser.h"

#include <string>

#include "fs/fat/FatRecogniser.h"
#include "core/ByteOrder.h"
#include "engine/IDisk.h"
#include "fs/LabelText.h"
#include "core/FileSystemTypes.h"

int RecogniseExt(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found)
{
    if (!disk || !sector || !found || lba < 2 || le16(sector + 0x38) != 0xEF53)
        return 0;
    const uint32_t log = le32(sector + 0x18), perGroup = le32(sector + 0x20);
    const uint64_t blocks = le32(sector + 0x04), freeBlocks = le32(sector + 0x0C);
    const uint32_t compat = le32(sector + 0x5C), incompat = le32(sector + 0x60), roCompat = le32(sector + 0x64);
    // A backup copy names its own group; only the primary marks a partition's start.
    if (log > 2 || perGroup == 0 || blocks == 0 || freeBlocks > blocks || le32(sector + 0x4C) > 1
        || le16(sector + 0x5A) != 0 || le32(sector + 0x00) == 0)
        return 0;
    // Ext2 and Ext3 features only: the file type in entries, a journal to recover; sparse copies and
    // large files.
    if ((incompat & ~0x6u) != 0 || (roCompat & ~0x3u) != 0)
        return 0;
    const int64_t blockSectors = (int64_t(1024) << log) / 512;
    const int64_t start = lba - 2;
    const int64_t sectors = int64_t(blocks) * blockSectors;
    if (sectors <= 2 || start + sectors > disk->GetTotalSectors())
        return 0;

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.PartitionTypeId = 131;
    p.FileSystemType = (compat & 0x4) ? kFsExt3 : kFsExt2;
    p.StartingLba = start;
    p.SectorCount = sectors;
    p.TotalSectors = sectors;
    p.ClusterSize = int32_t(blockSectors);
    p.FreeSectors = int64_t(freeBlocks) * blockSectors;
    p.IsPrimary = 1;
    StoreLabel(p, Utf8LabelFromBytes(sector + 0x78, 16));
    MarkWhenStillListed(disk, p);
    *found = p;
    return 1;
}
