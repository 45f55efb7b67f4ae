// Writes sector 0 with a boot program: the program in bytes 0 to 445, 55 AA at the end, and either an
// empty table or the disk's current signature and table (when keepTable and sector 0 can be read).
#pragma once

#include <cstddef>

class IDisk;

// 0 success, else the write-failure detail.
int WriteMbrBootProgram(IDisk* disk, const unsigned char* program, std::size_t size, bool keepTable);
