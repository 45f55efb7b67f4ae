#include "SurfaceScanRules.h"

namespace SurfaceScanRules {

int64_t BlockSectors(int64_t n64TotalSectors)
{
    constexpr int64_t kMaxBitmapBytes = 3145727;
    for (int64_t i = 1; i <= 4095; ++i)
        if (n64TotalSectors / (8 * kReadSectors * i) <= kMaxBitmapBytes)
            return kReadSectors * i;
    return kReadSectors * 4095;
}

int64_t BlockCount(int64_t n64TotalSectors, int64_t n64BlockSectors)
{
    if (n64TotalSectors <= 0 || n64BlockSectors <= 0)
        return 0;
    return (n64TotalSectors + n64BlockSectors - 1) / n64BlockSectors;
}

int64_t ReadCount(int64_t n64TotalSectors)
{
    return n64TotalSectors <= 0 ? 0 : (n64TotalSectors + kReadSectors - 1) / kReadSectors;
}

int64_t ReadLength(int64_t n64TotalSectors, int64_t nRead)
{
    const int64_t left = n64TotalSectors - nRead * kReadSectors;
    return left < kReadSectors ? left : kReadSectors;
}

} // namespace SurfaceScanRules
