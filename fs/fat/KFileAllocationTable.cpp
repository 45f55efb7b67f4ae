#include "KFileAllocationTable.h"

#include <cstring>
#include <new>

#include "core/ByteOrder.h"
#include "fs/KBitmap.h"

int FatKindFromType(int type)
{
    switch (type) {
    case 1: return 0;
    case 6: return 1;
    case 11: return 2;
    default: return -1;
    }
}

int FatTypeFromKind(int kind)
{
    switch (kind) {
    case 0: return 1;
    case 1: return 6;
    case 2: return 11;
    default: return -1;
    }
}

uint32_t KFileAllocationTable::LargestLink() const
{
    return m_kind == 0 ? 0xFF6u : m_kind == 1 ? 0xFFF6u : 0x0FFFFFF6u;
}

uint32_t KFileAllocationTable::BadValue() const
{
    return LargestLink() + 1;
}

uint32_t KFileAllocationTable::EndValue() const
{
    return LargestLink() + 2;
}

bool KFileAllocationTable::fits(uint32_t n) const
{
    // The byte holding the last nibble or byte of entry n lies inside the table.
    const uint64_t end = m_kind == 0 ? uint64_t(n) * 3 / 2 + 2 : uint64_t(n + 1) * (m_kind == 1 ? 2 : 4);
    return end <= m_table.size();
}

bool KFileAllocationTable::Create(int64_t byteLength, uint32_t entryCount, int kind)
{
    Release();
    if (kind < 0 || kind > 2 || byteLength < 8)
        return false;
    try {
        m_table.assign(size_t(byteLength), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_entryCount = entryCount;
    m_kind = kind;
    if (kind == 2) {
        put_le32(m_table.data(), 0x0FFFFFF8);
        put_le32(m_table.data() + 4, 0xFFFFFFFF);
    } else {
        m_table[0] = 0xF8;
        m_table[1] = 0xFF;
        m_table[2] = 0xFF;
        if (kind == 1)
            m_table[3] = 0xFF;
    }
    return true;
}

bool KFileAllocationTable::Load(const uint8_t* bytes, int64_t byteLength, uint32_t entryCount, int kind)
{
    Release();
    if (!bytes || byteLength <= 0 || kind < 0 || kind > 2)
        return false;
    try {
        m_table.assign(bytes, bytes + byteLength);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_entryCount = entryCount;
    m_kind = kind;
    return true;
}

void KFileAllocationTable::Release()
{
    m_table.clear();
    m_table.shrink_to_fit();
    m_entryCount = 0;
    m_kind = -1;
}

bool KFileAllocationTable::GetEntry(uint32_t n, uint32_t* value) const
{
    if (!value || m_table.empty() || n >= m_entryCount || !fits(n))
        return false;
    switch (m_kind) {
    case 0: {
        const size_t k = size_t(n) * 3 / 2;
        *value = (n & 1) ? uint32_t(m_table[k] >> 4) | (uint32_t(m_table[k + 1]) << 4)
                         : uint32_t(m_table[k]) | (uint32_t(m_table[k + 1] & 0x0F) << 8);
        return true;
    }
    case 1:
        *value = le16(m_table.data() + size_t(n) * 2);
        return true;
    default:
        *value = le32(m_table.data() + size_t(n) * 4);
        return true;
    }
}

bool KFileAllocationTable::SetEntry(uint32_t n, uint32_t value)
{
    if (n <= 1 || n >= m_entryCount || m_table.empty() || !fits(n))
        return false;
    switch (m_kind) {
    case 0: {
        const size_t k = size_t(n) * 3 / 2;
        if (n & 1) {
            m_table[k] = uint8_t((m_table[k] & 0x0F) | ((value & 0x0F) << 4));
            m_table[k + 1] = uint8_t(value >> 4);
        } else {
            m_table[k] = uint8_t(value);
            m_table[k + 1] = uint8_t((m_table[k + 1] & 0xF0) | ((value >> 8) & 0x0F));
        }
        return true;
    }
    case 1:
        put_le16(m_table.data() + size_t(n) * 2, uint16_t(value));
        return true;
    default:
        put_le32(m_table.data() + size_t(n) * 4, value);
        return true;
    }
}

bool KFileAllocationTable::IsBad(uint32_t n) const
{
    uint32_t v = 0;
    return GetEntry(n, &v) && v == BadValue();
}

bool KFileAllocationTable::GetChainLength(uint32_t first, uint32_t* count) const
{
    if (!count)
        return false;
    *count = 0;
    uint32_t cluster = first;
    while (cluster >= 2 && cluster < m_entryCount) {
        uint32_t next = 0;
        if (!GetEntry(cluster, &next))
            return false;
        if (++*count > m_entryCount)
            return false; // a loop
        cluster = next;
    }
    return true;
}

bool KFileAllocationTable::CheckLinkRange() const
{
    for (uint32_t n = 2; n < m_entryCount; ++n) {
        uint32_t v = 0;
        if (!GetEntry(n, &v))
            return false;
        if (v >= m_entryCount && v <= LargestLink())
            return false;
    }
    return true;
}

bool KFileAllocationTable::CheckUniqueSuccessors() const
{
    KBitmap seen;
    if (!seen.Create(m_entryCount))
        return false;
    for (uint32_t n = 2; n < m_entryCount; ++n) {
        uint32_t v = 0;
        if (!GetEntry(n, &v))
            return false;
        if (v == 0 || v > LargestLink() || v >= m_entryCount)
            continue;
        if (seen.Test(v))
            return false;
        seen.SetRange(v, true, 1);
    }
    return true;
}

bool KFileAllocationTable::CheckChains() const
{
    // The predecessor of every cluster, 0 when none is known yet.
    std::vector<uint32_t> predecessor(m_entryCount, 0);
    for (uint32_t start = 2; start < m_entryCount; ++start) {
        if (predecessor[start])
            continue;
        uint32_t cluster = start;
        uint64_t steps = 0;
        while (true) {
            uint32_t next = 0;
            if (!GetEntry(cluster, &next))
                return false;
            if (next == 0 || next > LargestLink())
                break;
            if (next < 2 || next >= m_entryCount)
                return false;
            if (predecessor[next] && predecessor[next] != cluster)
                return false; // reached from two clusters
            if (++steps > uint64_t(m_entryCount) - 2)
                return false; // a loop
            if (predecessor[next] == cluster)
                return false; // a walk from a chain head met its own trail: a loop
            predecessor[next] = cluster;
            cluster = next;
        }
    }
    return true;
}
