// The size and place rules the partition copy wizard's pages and its acceptance share.
#pragma once

#include <cstdint>

#include "core/DiskGeometry.h"
#include "core/PartitionInfo.h"

class IVirtualVolumeManager;

namespace PartitionCopyRules {

// The track a logical partition (or one at sector 0) leaves for its boot record, and the tail of the
// disk a copy stays out of.
inline constexpr int64_t kTrack = 63;

// The destination disk's geometry; 255 heads and 63 sectors when the engine gives none.
DiskGeometry GeometryOf(IVirtualVolumeManager* layout, int nDiskIndex);
bool IsGpt(IVirtualVolumeManager* layout, int nDiskIndex);
// Ext2, Ext3, swap and whole-disk placeholders are copied sector for sector at their own size.
bool IsFixedSize(int nFileSystemType);
// The size a copy starts with: the volume's size (for NTFS, whose partition holds the backup boot
// sector, one more sector but never more than the partition), or the partition's for a fixed-size kind.
int64_t InitialSize(const PartitionInfo& source);
// The sectors of the area a copy may use: all of it on GPT, on MBR only what ends below the 2^32 - 256
// limit.
int64_t Room(const PartitionInfo& area, bool bGpt);
// The copy's start (absolute) and size once the boot-record track and the disk's tail are kept free.
// False when a fixed-size copy would have to be shortened.
bool PlaceCopy(const PartitionInfo& area, int64_t n64Offset, int64_t n64Size, bool bPrimary, int64_t n64DiskSectors,
               int nFileSystemType, int64_t* pStart, int64_t* pSize);

} // namespace PartitionCopyRules
