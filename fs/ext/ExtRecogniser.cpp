#include "fs/ext/ExtRecogniser.h"

#include "fs/ext/ExtStructures.h"

#include <string>

#include "fs/fat/FatRecogniser.h"
#include "core/ByteOrder.h"
#include "engine/IDisk.h"
#include "fs/LabelText.h"
#include "core/FileSystemTypes.h"

int RecogniseExt(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found)
{
    if (!disk || !sector || !found || lba < 2 || le16(sector + Ext::kSbMagic) != Ext::kMagic)
        return 0;
    const uint32_t log = le32(sector + Ext::kSbLogBlockSize), perGroup = le32(sector + Ext::kSbBlocksPerGroup);
    const uint64_t blocks = le32(sector + Ext::kSbBlocks), freeBlocks = le32(sector + Ext::kSbFreeBlocks);
    const uint32_t compat = le32(sector + Ext::kSbCompat), incompat = le32(sector + Ext::kSbIncompat),
                   roCompat = le32(sector + Ext::kSbRoCompat);
    // A backup copy names its own group; only the primary marks a partition's start.
    if (log > 2 || perGroup == 0 || blocks == 0 || freeBlocks > blocks || le32(sector + Ext::kSbRevision) > 1
        || le16(sector + Ext::kSbGroupNumber) != 0 || le32(sector + Ext::kSbInodes) == 0)
        return 0;
    // Ext2 and Ext3 features only: the file type in entries, a journal to recover; sparse copies and
    // large files.
    if ((incompat & ~Ext::kExt3Incompat) != 0 || (roCompat & ~Ext::kExt3RoCompat) != 0)
        return 0;
    const int64_t blockSectors = (int64_t(1024) << log) / 512;
    const int64_t start = lba - 2;
    const int64_t sectors = int64_t(blocks) * blockSectors;
    if (sectors <= 2 || start + sectors > disk->GetTotalSectors())
        return 0;

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.PartitionTypeId = 131;
    p.FileSystemType = (compat & Ext::kCompatHasJournal) ? kFsExt3 : kFsExt2;
    p.StartingLba = start;
    p.SectorCount = sectors;
    p.TotalSectors = sectors;
    p.ClusterSize = int32_t(blockSectors);
    p.FreeSectors = int64_t(freeBlocks) * blockSectors;
    p.IsPrimary = 1;
    StoreLabel(p, Utf8LabelFromBytes(sector + Ext::kSbLabel, Ext::kLabelBytes));
    MarkWhenStillListed(disk, p);
    *found = p;
    return 1;
}
