// Writes sector 0 with a boot program: the program in bytes 0 to 445, 55 AA at the end, and either an
// empty table or the disk's current signature and table (when keepTable and sector 0 can be read).
#pragma once

#include <cstddef>
#include <cstdint>

class IDisk;

// 0 success, else the write-failure detail. Without keepTable the sector gets `newSignature` as its disk
// signature (0: none).
int WriteMbrBootProgram(IDisk* disk, const unsigned char* program, std::size_t size, bool keepTable,
                        uint32_t newSignature = 0);
