// The arithmetic of the surface test: how the sectors of a device fall into reads and blocks.
#pragma once

#include <cstdint>

namespace SurfaceScanRules {

// Sectors per read; the last read of a device whose size is not a multiple is shorter.
inline constexpr int64_t kReadSectors = 63;

// Sectors per block: the smallest multiple of 63 (63 x 1 ... 63 x 4095) for which
// total / (8 x block sectors) <= 3145727, so the block bitmap stays under 3 MiB.
int64_t BlockSectors(int64_t n64TotalSectors);
// ceil(total / block sectors).
int64_t BlockCount(int64_t n64TotalSectors, int64_t n64BlockSectors);
// ceil(total / 63).
int64_t ReadCount(int64_t n64TotalSectors);
// The sector count of read i: 63, or total mod 63 for the last one.
int64_t ReadLength(int64_t n64TotalSectors, int64_t nRead);

} // namespace SurfaceScanRules
