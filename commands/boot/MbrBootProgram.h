// The MBR boot programs (bytes 0 to 445 of sector 0): the one disk initialisation writes, and the
// conventional one given to a disk that received a copy of a system disk.
#pragma once

#include <cstddef>

extern const unsigned char kMbrBootProgram[];
extern const std::size_t kMbrBootProgram_size;
extern const unsigned char kClassicBootProgram[];
extern const std::size_t kClassicBootProgram_size;
