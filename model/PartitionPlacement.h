// Where new and resized partitions may go on a disk: the primary/logical decision for a free area,
// the clipping of free space to what the table can address, the CHS alignment of a new partition and
// the stretch a partition may be moved or resized within. Sizes and positions are 512-byte sectors.
#pragma once

#include <cstdint>

#include "core/DiskGeometry.h"
#include "core/PartitionInfo.h"

namespace PartitionPlacement {

// The last sector an MBR entry may reach (2^32 - 256).
inline constexpr int64_t kMbrLimit = 0xFFFFFF00ll;

struct Kinds {
    bool Primary = false;
    bool Logical = false;
};

// What may be created in the free entry `index` of an MBR disk's list: a primary partition, a
// logical one (inside the existing extended partition or a new one), both or neither.
Kinds KindsForArea(const PartitionList& list, int index, const DiskGeometry& geometry);

enum class ClipResult { Ok, BeyondMbrLimit, NothingLeft };

// Clips the free area [*start, *start + *length) to the disk's cylinder capacity and, on an MBR disk,
// below kMbrLimit; a GPT area gives up one track at its end.
ClipResult ClipFreeArea(int64_t* start, int64_t* length, const DiskGeometry& geometry, bool gpt);

// A partition the user placed at `offset` sectors into the free area, `size` sectors long, moved onto
// cylinder boundaries: the start to the first usable track of a cylinder (sector S for a primary in
// cylinder 0, head 1 of a cylinder for a logical one, leaving room for its extended boot record),
// the end down to the last sector of a cylinder within the area. False when nothing fits.
bool PlaceNewPartition(int64_t areaStart, int64_t areaLength, int64_t offset, int64_t size, bool primary,
                       const DiskGeometry& geometry, int64_t* start, int64_t* length);

// The start rule of PlaceNewPartition alone.
int64_t AlignStart(int64_t start, bool primary, const DiskGeometry& geometry);
// The last sector of the cylinder that ends at or before `end`.
int64_t AlignEndDown(int64_t end, const DiskGeometry& geometry);

struct Stretch {
    int64_t First = 0;
    int64_t Last = -1;
    int64_t Length() const { return Last - First + 1; }
};

// The sectors the allocated entry `index` may occupy after a move or resize: itself plus the free
// areas on either side, keeping room for extended boot records and within what the table addresses.
Stretch ResizeStretch(const PartitionList& list, int index, const DiskGeometry& geometry, bool gpt);

} // namespace PartitionPlacement
