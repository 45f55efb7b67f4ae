#include "KDriveLetterPool.h"

namespace {

constexpr uint32_t kAllLetters = (1u << 26) - 1;
constexpr uint32_t kFloppies = 0x3; // A and B
uint32_t g_free = kAllLetters & ~kFloppies;

int bitOf(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    return -1;
}

} // namespace

namespace KDriveLetterPool {

void Reset(uint32_t usedMask)
{
    g_free = ~usedMask & kAllLetters & ~kFloppies;
}

uint32_t FreeMask()
{
    return g_free;
}

void Release(char letter)
{
    const int bit = bitOf(letter);
    if (bit >= 2)
        g_free |= 1u << bit;
}

void Take(char letter)
{
    const int bit = bitOf(letter);
    if (bit >= 0)
        g_free &= ~(1u << bit);
}

int FreeCount()
{
    return __builtin_popcount(g_free);
}

char FreeLetter(int n)
{
    for (int bit = 0; bit < 26; ++bit)
        if ((g_free >> bit) & 1u) {
            if (n == 0)
                return char('A' + bit);
            --n;
        }
    return 0;
}

} // namespace KDriveLetterPool
