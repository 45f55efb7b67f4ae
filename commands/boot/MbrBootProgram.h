// The MBR boot program written by disk initialisation (bytes 0 to 445 of sector 0).
#pragma once

#include <cstddef>

extern const unsigned char kMbrBootProgram[];
extern const std::size_t kMbrBootProgram_size;
