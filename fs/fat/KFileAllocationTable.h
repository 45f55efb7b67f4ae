// One whole FAT in memory. Kinds: 0 FAT12, 1 FAT16, 2 FAT32 (see FatKindFromType / FatTypeFromKind).
#pragma once

#include <cstdint>
#include <vector>

// Partition type ids of the FAT variants: 1 FAT12, 6 FAT16, 11 FAT32. -1 for anything else.
int FatKindFromType(int type);
int FatTypeFromKind(int kind);

class KFileAllocationTable {
public:
    virtual ~KFileAllocationTable() = default;

    // A zeroed table whose first entries hold the media descriptor and end-of-chain marks.
    bool Create(int64_t byteLength, uint32_t entryCount, int kind);
    bool Load(const uint8_t* bytes, int64_t byteLength, uint32_t entryCount, int kind);
    void Release();

    bool GetEntry(uint32_t n, uint32_t* value) const;
    bool SetEntry(uint32_t n, uint32_t value);
    bool IsBad(uint32_t n) const;
    bool MarkBad(uint32_t n) { return SetEntry(n, BadValue()); }
    bool MarkEnd(uint32_t n) { return SetEntry(n, EndValue()); }
    // Follows the chain from `first` while the cluster lies in the table; false when a read fails or
    // the chain loops.
    bool GetChainLength(uint32_t first, uint32_t* count) const;
    // No entry links past the end of the table.
    bool CheckLinkRange() const;
    // No cluster is the successor of two clusters.
    bool CheckUniqueSuccessors() const;
    // Every chain is linear: no cluster reached from two predecessors, no loop.
    bool CheckChains() const;

    uint32_t GetEntryCount() const { return m_entryCount; }
    int Kind() const { return m_kind; }
    const uint8_t* Data() const { return m_table.data(); }
    int64_t ByteLength() const { return int64_t(m_table.size()); }

    uint32_t LargestLink() const;
    uint32_t BadValue() const;
    uint32_t EndValue() const;

private:
    bool fits(uint32_t n) const;

    std::vector<uint8_t> m_table;
    uint32_t m_entryCount = 0;
    int m_kind = -1;
};
