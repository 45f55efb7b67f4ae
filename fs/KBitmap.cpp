#include "fs/KBitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

bool KBitmap::Create(int64_t bits)
{
    if (bits < 0)
        return false;
    try {
        m_data.assign(size_t((bits + 7) / 8), 0);
    } catch (const std::bad_alloc&) {
        m_data.clear();
        m_bits = 0;
        return false;
    }
    m_bits = bits;
    m_searchPosition = -1;
    m_freeCount = -1;
    return true;
}

bool KBitmap::Load(const uint8_t* bytes, int64_t byteCount, int64_t bits)
{
    if (!bytes || byteCount < 0)
        return false;
    if (bits == 0)
        bits = byteCount * 8;
    if (!Create(bits))
        return false;
    std::memcpy(m_data.data(), bytes, size_t(std::min<int64_t>(byteCount, int64_t(m_data.size()))));
    return true;
}

void KBitmap::Clear(bool allClear)
{
    std::fill(m_data.begin(), m_data.end(), allClear ? 0x00 : 0xFF);
    m_freeCount = -1;
    m_searchPosition = -1;
}

namespace {

// Population count without relying on a hardware instruction the build may not target.
inline int bitsSet(uint64_t v)
{
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((v * 0x0101010101010101ull) >> 56);
}

} // namespace

bool KBitmap::SetRange(int64_t first, bool value, int64_t count)
{
    if (first < 0 || count < 0 || first > m_bits - count)
        return false;
    if (!value && first < m_searchPosition)
        m_searchPosition = first;
    // The free count follows the bits that really change.
    int64_t changed = 0;
    int64_t bit = first;
    const int64_t end = first + count;
    auto single = [&](int64_t b) {
        uint8_t& byte = m_data[size_t(b / 8)];
        const uint8_t mask = uint8_t(1u << (b % 8));
        if (bool(byte & mask) != value) {
            ++changed;
            byte = uint8_t(byte ^ mask);
        }
    };
    for (; bit < end && bit % 8; ++bit)
        single(bit);
    if (end - bit >= 8) {
        const size_t from = size_t(bit / 8), to = size_t(end / 8);
        const uint8_t fill = value ? 0xFF : 0x00;
        for (size_t i = from; i < to; ++i)
            if (m_data[i] != fill) {
                const int ones = bitsSet(m_data[i]);
                changed += value ? 8 - ones : ones;
                m_data[i] = fill;
            }
        bit = int64_t(to) * 8;
    }
    for (; bit < end; ++bit)
        single(bit);
    if (m_freeCount >= 0)
        m_freeCount += value ? -changed : changed;
    return true;
}

bool KBitmap::Test(int64_t bit) const
{
    if (!InRange(bit))
        return false;
    return (m_data[size_t(bit / 8)] >> (bit % 8)) & 1;
}

int64_t KBitmap::GetFreeCount()
{
    if (m_freeCount < 0) {
        // Population count over whole 64-bit words; the tail byte by byte.
        int64_t set = 0;
        const size_t bytes = m_data.size();
        size_t i = 0;
        for (; i + 8 <= bytes; i += 8) {
            uint64_t word;
            std::memcpy(&word, m_data.data() + i, 8);
            set += bitsSet(word);
        }
        for (; i < bytes; ++i)
            set += bitsSet(m_data[i]);
        // Bits of the last byte beyond the bit count are not part of the bitmap.
        for (int64_t bit = m_bits; bit < int64_t(bytes) * 8; ++bit)
            set -= (m_data[size_t(bit / 8)] >> (bit % 8)) & 1;
        m_freeCount = std::max<int64_t>(0, m_bits - set);
        m_searchPosition = 0;
    }
    return m_freeCount;
}

int64_t KBitmap::FindNextFree()
{
    if (GetFreeCount() == 0 || m_bits == 0)
        return -1;
    if (m_searchPosition < 0 || m_searchPosition >= m_bits)
        m_searchPosition = 0;
    const int64_t start = m_searchPosition;
    for (int64_t n = 0; n < m_bits; ++n) {
        int64_t bit = start + n;
        if (bit >= m_bits)
            bit -= m_bits;
        // Skip whole full bytes quickly.
        if (bit % 8 == 0 && bit + 8 <= m_bits && m_data[size_t(bit / 8)] == 0xFF && n + 8 <= m_bits) {
            n += 7;
            continue;
        }
        if (!Test(bit)) {
            m_searchPosition = bit;
            return bit;
        }
    }
    return -1;
}
