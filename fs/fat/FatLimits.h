// The sizes that decide what FAT kind a volume can be, in 512-byte sectors: one definition for the
// format, the create and move/resize dialogs and the handlers.
#pragma once

#include <cstdint>

namespace FatLimits {
inline constexpr int64_t kSmallestVolume = 1024;       // the smallest FAT volume the dialogs offer
inline constexpr int64_t kFat12Largest = 32608;        // the format dialog offers FAT12 below it
inline constexpr int64_t kFat16Smallest = 32768;       // below it a new FAT16 volume becomes FAT12
inline constexpr int64_t kFat16Largest = 8386560;      // the largest FAT16 volume (4 GiB with 64 KiB clusters)
inline constexpr int64_t kFat32Smallest = 68583;       // below it a new FAT32 volume becomes FAT16
inline constexpr int64_t kFat32Largest = 805306367;    // the largest FAT32 volume the dialogs offer
} // namespace FatLimits
