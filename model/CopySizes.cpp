#include "CopySizes.h"

#include <algorithm>
#include <limits>

#include "core/FileSystemTypes.h"

namespace {
bool keepsItsSize(int fs)
{
    return fs == kFsWindowsReadable || fs == kFsExt2 || fs == kFsExt3 || fs == kFsLinuxSwap || fs == kFsPlaceholder;
}
} // namespace

int64_t MinimumCopySize(const PartitionInfo& p, int64_t cylinder)
{
    const int64_t used = p.TotalSectors - p.FreeSectors;
    int64_t size;
    if (p.FileSystemType == kFsNtfs)
        size = used + p.NtfsReserveSectors + 409600;
    else if (keepsItsSize(p.FileSystemType))
        size = p.SectorCount;
    else
        size = std::max(int64_t(double(used) * 1.2), used + 614400);
    return std::max(size, cylinder);
}

int64_t MaximumCopySize(const PartitionInfo& p)
{
    if (p.FileSystemType == kFsNtfs)
        return std::numeric_limits<int64_t>::max();
    if (keepsItsSize(p.FileSystemType))
        return p.SectorCount;
    return 0x2FFFFFFF;
}
