// The Linux swap area's version-1 header: the first page of the area, its fields after the 1 KiB boot
// block and its magic in the page's last ten bytes. Offsets count from the start of the area.
#pragma once

#include <cstddef>

namespace SwapHeader {
inline constexpr size_t kPageBytes = 4096;          // the page size the program writes
inline constexpr size_t kVersionOffset = 1024;      // uint32: 1
inline constexpr size_t kLastPageOffset = 1028;     // uint32: the last usable page
inline constexpr size_t kBadPageCountOffset = 1032; // uint32
inline constexpr size_t kUuidOffset = 1036;         // 16 bytes
inline constexpr size_t kLabelOffset = 1052;        // 16 bytes, NUL padded
inline constexpr size_t kLabelBytes = 16;
inline constexpr size_t kMagicBytes = 10;           // "SWAPSPACE2" (version 1) or "SWAP-SPACE" (old)
inline constexpr char kMagicV1[] = "SWAPSPACE2";
inline constexpr char kMagicOld[] = "SWAP-SPACE";
// The magic ends the page, whatever the page size.
constexpr size_t MagicOffset(size_t pageBytes) { return pageBytes - kMagicBytes; }
static_assert(kLabelOffset == kVersionOffset + 28);
static_assert(MagicOffset(kPageBytes) == 4086);
} // namespace SwapHeader
