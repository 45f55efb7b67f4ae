// The NTFS boot region template: sector 0 (jump, BPB, boot code) and the second stage after it.
// The format patches the BPB fields of sector 0 and writes the rest as it is.
#pragma once

#include <cstddef>

extern const unsigned char kNtfsBootRegion[];
extern const std::size_t kNtfsBootRegion_size;

constexpr std::size_t kNtfsBootRegionBytes = 3456;
