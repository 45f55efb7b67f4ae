// The sizes the create dialog offers for Ext2/Ext3 volumes and Linux swap areas, in 512-byte sectors.
#pragma once

#include <cstdint>

namespace ExtLimits {
inline constexpr int64_t kSmallestVolume = 14336;       // also the smallest swap area
inline constexpr int64_t kLargestVolume = 4294967296;
inline constexpr int64_t kLargestSwap = 134217728;
} // namespace ExtLimits
