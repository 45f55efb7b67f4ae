#include "PartitionPlacement.h"

#include <algorithm>

namespace PartitionPlacement {
namespace {

int64_t track(const DiskGeometry& g) { return std::max<int64_t>(1, g.SectorsPerTrack); }
int64_t cylinder(const DiskGeometry& g) { return std::max<int64_t>(1, g.SectorsPerCylinder()); }
int64_t capacity(const DiskGeometry& g) { return g.Cylinders * cylinder(g); }

bool allocated(const PartitionInfo& e) { return e.PartitionTypeId != 0; }
bool logical(const PartitionInfo& e) { return allocated(e) && !e.IsPrimary; }

} // namespace

Kinds KindsForArea(const PartitionList& list, int index, const DiskGeometry& geometry)
{
    Kinds kinds;
    const int count = int(list.size());
    if (index < 0 || index >= count)
        return kinds;
    const bool beforeLogical = index > 0 && logical(list[size_t(index - 1)]);
    const bool afterLogical = index + 1 < count && logical(list[size_t(index + 1)]);
    kinds.Logical = beforeLogical || afterLogical;
    if (beforeLogical && afterLogical)
        return kinds; // inside the extended partition

    int primaries = 0;
    bool anyLogical = false;
    for (const PartitionInfo& e : list) {
        if (!allocated(e))
            continue;
        if (e.IsPrimary)
            ++primaries;
        else
            anyLogical = true;
    }
    const int slots = primaries + (anyLogical ? 1 : 0);
    if (slots + 1 <= 4) {
        kinds.Primary = true;
        if (!anyLogical && !kinds.Logical)
            kinds.Logical = true; // a new extended partition
    }
    // An extended partition that already exists cannot reach back into the first cylinder's track.
    if (anyLogical && kinds.Logical && list[size_t(index)].StartingLba < cylinder(geometry) + track(geometry))
        kinds.Logical = false;
    return kinds;
}

ClipResult ClipFreeArea(int64_t* start, int64_t* length, const DiskGeometry& geometry, bool gpt)
{
    int64_t end = *start + *length; // one past the area
    end = std::min(end, capacity(geometry));
    if (!gpt) {
        if (*start + cylinder(geometry) > kMbrLimit)
            return ClipResult::BeyondMbrLimit;
        end = std::min(end, kMbrLimit);
    } else {
        end -= track(geometry);
    }
    *length = end - *start;
    return *length > 0 ? ClipResult::Ok : ClipResult::NothingLeft;
}

int64_t AlignStart(int64_t start, bool primary, const DiskGeometry& geometry)
{
    const int64_t s = track(geometry), c = cylinder(geometry);
    const int64_t within = start % c;
    if (primary) {
        if (start <= s)
            return s; // cylinder 0 starts after the MBR track
        return within == 0 ? start : start - within + c;
    }
    // Logical partitions start at head 1 of a cylinder; one already there stays.
    if (within < s || within == s)
        return start - within + s;
    return start - within + c + s;
}

int64_t AlignEndDown(int64_t end, const DiskGeometry& geometry)
{
    const int64_t c = cylinder(geometry);
    return (end + 1) / c * c - 1;
}

bool PlaceNewPartition(int64_t areaStart, int64_t areaLength, int64_t offset, int64_t size, bool primary,
                       const DiskGeometry& geometry, int64_t* start, int64_t* length)
{
    const int64_t s = track(geometry);
    offset = std::max<int64_t>(0, offset);
    // Room in front: the MBR track at the start of the disk, an extended boot record's track before a
    // logical partition.
    int64_t before = offset;
    if (areaStart == 0 && offset < s)
        before = primary ? s : 2 * s;
    else if (!primary && offset < s)
        before = s;
    size -= before - offset;
    if (size <= 0)
        return false;

    const int64_t first = AlignStart(areaStart + before, primary, geometry);
    int64_t last = areaStart + before + size - 1;
    if ((last + 1) % cylinder(geometry) != 0)
        last = AlignEndDown(last, geometry);
    last = std::min(last, AlignEndDown(areaStart + areaLength - 1, geometry));
    if (last < first)
        return false;
    *start = first;
    *length = last - first + 1;
    return true;
}

Stretch ResizeStretch(const PartitionList& list, int index, const DiskGeometry& geometry, bool gpt)
{
    Stretch stretch;
    const int count = int(list.size());
    if (index < 0 || index >= count)
        return stretch;
    const PartitionInfo& e = list[size_t(index)];
    const int64_t s = track(geometry);
    stretch.First = e.StartingLba;
    stretch.Last = e.EndLba();
    if (index > 0 && !allocated(list[size_t(index - 1)])) {
        const int64_t freeStart = list[size_t(index - 1)].StartingLba;
        if (e.IsPrimary)
            stretch.First = freeStart < s ? freeStart + s : freeStart;
        else
            stretch.First = freeStart < 2 * s ? 2 * s : freeStart + s;
        stretch.First = std::min(stretch.First, e.StartingLba);
    }
    if (index + 1 < count && !allocated(list[size_t(index + 1)])) {
        stretch.Last = list[size_t(index + 1)].EndLba();
        if (index + 2 < count && logical(list[size_t(index + 2)]))
            stretch.Last -= s; // the next logical partition's extended boot record
        stretch.Last = std::min(stretch.Last, capacity(geometry) - 1);
        if (!gpt)
            stretch.Last = std::min(stretch.Last, kMbrLimit);
        // Whatever the limits, the partition keeps the sectors it already has.
        stretch.Last = std::max(stretch.Last, e.EndLba());
    }
    return stretch;
}

} // namespace PartitionPlacement
