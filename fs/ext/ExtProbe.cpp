#include "fs/ext/ExtProbe.h"

#include <algorithm>

#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "fs/ext/ExtStructures.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"

bool ProbeExt(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t sb[Ext::kSuperblockBytes];
    if (!reader.ReadBytes(Ext::kSuperblockOffset, sb, sizeof sb) || le16(sb + Ext::kSbMagic) != Ext::kMagic)
        return false;

    const uint32_t logBlockSize = le32(sb + Ext::kSbLogBlockSize);
    const uint32_t compat = le32(sb + Ext::kSbCompat);
    const uint32_t incompat = le32(sb + Ext::kSbIncompat);
    const uint32_t roCompat = le32(sb + Ext::kSbRoCompat);
    uint64_t blocks = le32(sb + Ext::kSbBlocks);
    uint64_t freeBlocks = le32(sb + Ext::kSbFreeBlocks);
    if (incompat & Ext::kIncompat64Bit) {
        blocks |= uint64_t(le32(sb + Ext::kSbBlocksHigh)) << 32;
        freeBlocks |= uint64_t(le32(sb + Ext::kSbFreeBlocksHigh)) << 32;
    }
    // An external journal device has blocks but no inodes.
    const bool inodesSane = le32(sb + Ext::kSbInodes) != 0 || (incompat & Ext::kIncompatJournalDevice) != 0;
    if (logBlockSize > Ext::kMaxLogBlockSize || le32(sb + Ext::kSbRevision) > 1 || blocks == 0 || freeBlocks > blocks || !inodesSane ||
        le32(sb + Ext::kSbBlocksPerGroup) == 0)
        return false;
    const uint64_t blockSectors = (uint64_t(1024) << logBlockSize) / kVolumeSectorBytes;

    if ((incompat & ~Ext::kExt3Incompat) != 0 || (roCompat & ~Ext::kExt3RoCompat) != 0)
        info.FileSystemType = kFsOther;
    else
        info.FileSystemType = (compat & Ext::kCompatHasJournal) ? kFsExt3 : kFsExt2;
    info.ClusterSize = int32_t(blockSectors);
    info.FreeSectors = int64_t(std::min<uint64_t>(SaturatingMul(freeBlocks, blockSectors), reader.SectorCount()));
    StoreLabel(info, Utf8LabelFromBytes(sb + Ext::kSbLabel, Ext::kLabelBytes));
    return true;
}
