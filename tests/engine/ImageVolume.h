// Sector devices for the volume tests: a window of an image file, and a byte vector.
// Both refuse reads past their end and count such attempts.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ISectorDevice.h"

namespace volinfo_test {

class CountingSectorDevice : public ISectorDevice {
public:
    explicit CountingSectorDevice(int64_t sectorCount) : m_sectorCount(sectorCount) {}

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override
    {
        ++m_readCalls;
        if (m_failReads)
            return 0;
        if (firstSector < 0 || count <= 0 || firstSector > m_sectorCount || count > m_sectorCount - firstSector) {
            ++m_outOfRangeReads;
            return 0;
        }
        m_sectorsRead += count;
        return Read(buffer, firstSector, count);
    }
    int WriteSectors(const void*, int64_t, int64_t) override { return 0; }
    int VerifySectors(int64_t firstSector, int64_t count) override
    {
        return firstSector >= 0 && count >= 0 && firstSector <= m_sectorCount && count <= m_sectorCount - firstSector;
    }
    int GetGeometry(DiskGeometry* geometry) override
    {
        std::memset(geometry, 0, sizeof *geometry);
        geometry->BytesPerSector = 512;
        geometry->TotalSectors = m_sectorCount;
        return 1;
    }

    int64_t SectorCount() const { return m_sectorCount; }
    int64_t OutOfRangeReads() const { return m_outOfRangeReads; }
    int64_t ReadCalls() const { return m_readCalls; }
    int64_t SectorsRead() const { return m_sectorsRead; }
    void FailReads(bool fail) { m_failReads = fail; }

protected:
    virtual int Read(void* buffer, int64_t firstSector, int64_t count) = 0;

private:
    int64_t m_sectorCount;
    int64_t m_outOfRangeReads = 0;
    int64_t m_readCalls = 0;
    int64_t m_sectorsRead = 0;
    bool m_failReads = false;
};

// Sectors [firstSector, firstSector + sectorCount) of an image file.
class ImageVolume : public CountingSectorDevice {
public:
    ImageVolume(const std::string& path, int64_t firstSector, int64_t sectorCount)
        : CountingSectorDevice(sectorCount), m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_base(firstSector * 512)
    {
    }
    ~ImageVolume() override
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    ImageVolume(const ImageVolume&) = delete;
    ImageVolume& operator=(const ImageVolume&) = delete;
    bool IsOpen() const { return m_fd >= 0; }

protected:
    int Read(void* buffer, int64_t firstSector, int64_t count) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        size_t left = size_t(count) * 512;
        off_t at = off_t(m_base + firstSector * 512);
        while (left > 0) {
            const ssize_t got = pread(m_fd, out, left, at);
            if (got <= 0)
                return 0;
            out += got;
            at += got;
            left -= size_t(got);
        }
        return 1;
    }

private:
    int m_fd;
    int64_t m_base;
};

// A volume held in memory; its length is the vector's, rounded down to whole sectors.
class MemoryVolume : public CountingSectorDevice {
public:
    explicit MemoryVolume(std::vector<uint8_t> bytes)
        : CountingSectorDevice(int64_t(bytes.size() / 512)), m_bytes(std::move(bytes))
    {
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

protected:
    int Read(void* buffer, int64_t firstSector, int64_t count) override
    {
        std::memcpy(buffer, m_bytes.data() + firstSector * 512, size_t(count) * 512);
        return 1;
    }

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace volinfo_test
