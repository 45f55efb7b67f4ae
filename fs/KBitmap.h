// A bit array with a free-bit counter and a search position, for cluster, block and record bitmaps.
// Bit i is bit (i mod 8) of byte i / 8.
#pragma once

#include <cstdint>
#include <vector>

class KBitmap {
public:
    bool Create(int64_t bits);
    // bits 0 means byteCount x 8.
    bool Load(const uint8_t* bytes, int64_t byteCount, int64_t bits);
    // Fills every byte with 0x00 when allClear, else 0xFF.
    void Clear(bool allClear);
    // Sets (value true) or clears count bits from first. False past the end.
    bool SetRange(int64_t first, bool value, int64_t count);
    // The bit's value; false also beyond the bit count (see `InRange`).
    bool Test(int64_t bit) const;
    bool InRange(int64_t bit) const { return bit >= 0 && bit < m_bits; }
    int64_t GetFreeCount();
    // The next clear bit from the search position, wrapping once; -1 when none is free.
    int64_t FindNextFree();

    const uint8_t* Data() const { return m_data.data(); }
    uint8_t* Data() { return m_data.data(); }
    int64_t ByteLength() const { return int64_t(m_data.size()); }
    int64_t BitCount() const { return m_bits; }

private:
    std::vector<uint8_t> m_data;
    int64_t m_bits = 0;
    int64_t m_searchPosition = -1;
    int64_t m_freeCount = -1;
};
