// The FAT boot sector templates (512 bytes each) and FAT32's second boot-code sector.
#pragma once

#include <cstddef>

extern const unsigned char kFat12BootSector[];
extern const unsigned char kFat16BootSector[];
extern const unsigned char kFat32BootSector[];
extern const unsigned char kFat32SecondBootSector[];
