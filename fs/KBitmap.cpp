#include "KBitmap.h"

#include <algorithm>
#include <bit>
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

bool KBitmap::SetRange(int64_t first, bool value, int64_t count)
{
    if (first < 0 || count < 0 || first > m_bits - count)
        return false;
    if (m_freeCount < 0)
        GetFreeCount();
    if (value) {
        if (m_freeCount > 0) {
            m_freeCount -= count;
            if (m_freeCount < 0)
                m_freeCount = -1; // recounted on the next query
        }
    } else {
        m_freeCount += count;
        if (first < m_searchPosition)
            m_searchPosition = first;
    }
    for (int64_t bit = first; bit < first + count; ++bit) {
        uint8_t& byte = m_data[size_t(bit / 8)];
        const uint8_t mask = uint8_t(1u << (bit % 8));
        byte = value ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
    }
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
        // Population count over whole 32-bit words; bits past the end count as set.
        int64_t set = 0;
        const size_t bytes = m_data.size();
        for (size_t i = 0; i < bytes; i += 4) {
            uint32_t word = 0;
            std::memcpy(&word, m_data.data() + i, std::min<size_t>(4, bytes - i));
            set += std::popcount(word);
        }
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
