// Bounded reads from a volume: nothing is ever read past the partition's last sector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ISectorDevice.h"

inline constexpr uint32_t kVolumeSectorBytes = 512;

class VolumeReader {
public:
    VolumeReader(ISectorDevice& device, int64_t sectorCount);

    int64_t SectorCount() const { return m_sectorCount; }
    uint64_t ByteCount() const { return uint64_t(m_sectorCount) * kVolumeSectorBytes; }
    // True when [offset, offset + length) lies inside the volume.
    bool Contains(uint64_t offset, uint64_t length) const;

    // Whole sectors; false when the range leaves the volume or the device fails.
    bool ReadSectors(void* buffer, int64_t first, int64_t count);
    // Any byte range, read through the sectors that cover it.
    bool ReadBytes(uint64_t offset, void* buffer, size_t length);

private:
    ISectorDevice& m_device;
    int64_t m_sectorCount;
    std::vector<uint8_t> m_scratch;
};

// a * b, or UINT64_MAX when the product does not fit.
inline uint64_t SaturatingMul(uint64_t a, uint64_t b)
{
    uint64_t product = 0;
    return __builtin_mul_overflow(a, b, &product) ? UINT64_MAX : product;
}
