#include "fs/VolumeReader.h"

#include <cstring>
#include <limits>

VolumeReader::VolumeReader(ISectorDevice& device, int64_t sectorCount) : m_device(device), m_sectorCount(sectorCount)
{
    constexpr int64_t kMaxSectors = std::numeric_limits<int64_t>::max() / kVolumeSectorBytes;
    if (m_sectorCount < 0)
        m_sectorCount = 0;
    if (m_sectorCount > kMaxSectors)
        m_sectorCount = kMaxSectors;
}

bool VolumeReader::Contains(uint64_t offset, uint64_t length) const
{
    const uint64_t size = ByteCount();
    return offset <= size && length <= size - offset;
}

bool VolumeReader::ReadSectors(void* buffer, int64_t first, int64_t count)
{
    if (first < 0 || count <= 0 || first > m_sectorCount || count > m_sectorCount - first)
        return false;
    return m_device.ReadSectors(buffer, first, count) != 0;
}

bool VolumeReader::ReadBytes(uint64_t offset, void* buffer, size_t length)
{
    if (!Contains(offset, length))
        return false;
    if (length == 0)
        return true;
    const uint64_t firstSector = offset / kVolumeSectorBytes;
    const uint64_t endSector = (offset + length + kVolumeSectorBytes - 1) / kVolumeSectorBytes;
    const int64_t count = int64_t(endSector - firstSector);
    if (offset % kVolumeSectorBytes == 0 && length % kVolumeSectorBytes == 0)
        return ReadSectors(buffer, int64_t(firstSector), count);

    m_scratch.resize(size_t(count) * kVolumeSectorBytes);
    if (!ReadSectors(m_scratch.data(), int64_t(firstSector), count))
        return false;
    std::memcpy(buffer, m_scratch.data() + offset % kVolumeSectorBytes, length);
    return true;
}
