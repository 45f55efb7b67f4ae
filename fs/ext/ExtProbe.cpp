#include "fs/ext/ExtProbe.h"

#include <algorithm>

#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr uint64_t kSuperblockOffset = 1024;
constexpr uint16_t kExtMagic = 0xEF53;
constexpr uint32_t kMaxLogBlockSize = 6; // 64 KiB blocks

constexpr uint32_t kCompatHasJournal = 0x0004;
constexpr uint32_t kIncompatFiletype = 0x0002;
constexpr uint32_t kIncompatRecover = 0x0004;
constexpr uint32_t kIncompatJournalDev = 0x0008;
constexpr uint32_t kIncompat64Bit = 0x0080;
constexpr uint32_t kRoCompatSparseSuper = 0x0001;
constexpr uint32_t kRoCompatLargeFile = 0x0002;

// Ext2 and ext3 know these features; any other one belongs to ext4 (or to an external journal device).
constexpr uint32_t kExt3Incompat = kIncompatFiletype | kIncompatRecover;
constexpr uint32_t kExt3RoCompat = kRoCompatSparseSuper | kRoCompatLargeFile;

} // namespace

bool ProbeExt(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    uint8_t sb[1024];
    if (!reader.ReadBytes(kSuperblockOffset, sb, sizeof sb) || le16(sb + 56) != kExtMagic)
        return false;

    const uint32_t logBlockSize = le32(sb + 24);
    const uint32_t compat = le32(sb + 92);
    const uint32_t incompat = le32(sb + 96);
    const uint32_t roCompat = le32(sb + 100);
    uint64_t blocks = le32(sb + 4);
    uint64_t freeBlocks = le32(sb + 12);
    if (incompat & kIncompat64Bit) {
        blocks |= uint64_t(le32(sb + 0x150)) << 32;
        freeBlocks |= uint64_t(le32(sb + 0x158)) << 32;
    }
    // An external journal device has blocks but no inodes.
    const bool inodesSane = le32(sb + 0) != 0 || (incompat & kIncompatJournalDev) != 0;
    if (logBlockSize > kMaxLogBlockSize || le32(sb + 76) > 1 || blocks == 0 || freeBlocks > blocks || !inodesSane ||
        le32(sb + 32) == 0)
        return false;
    const uint64_t blockSectors = (uint64_t(1024) << logBlockSize) / kVolumeSectorBytes;

    if ((incompat & ~kExt3Incompat) != 0 || (roCompat & ~kExt3RoCompat) != 0)
        info.FileSystemType = kFsOther;
    else
        info.FileSystemType = (compat & kCompatHasJournal) ? kFsExt3 : kFsExt2;
    info.ClusterSize = int32_t(blockSectors);
    info.FreeSectors = int64_t(std::min<uint64_t>(SaturatingMul(freeBlocks, blockSectors), reader.SectorCount()));
    StoreLabel(info, Utf8LabelFromBytes(sb + 120, 16));
    return true;
}
