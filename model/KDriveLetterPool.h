// The program-wide pool of drive letters still free in the pending layout (bit n: letter 'A' + n).
// A and B are never free.
#pragma once

#include <cstdint>

namespace KDriveLetterPool {
// Every letter free except those in usedMask, A and B.
void Reset(uint32_t usedMask);
uint32_t FreeMask();
// Characters outside A–Z and a–z are ignored; lower case counts as upper case.
void Release(char letter);
void Take(char letter);
int FreeCount();
// The n-th free letter in alphabetical order, 0 when there is none.
char FreeLetter(int n);
}
