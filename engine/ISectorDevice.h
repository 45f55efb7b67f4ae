// The sector interface shared by disk objects and volume devices. Results: non-zero for success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/DiskGeometry.h"

class ISectorDevice {
public:
    virtual ~ISectorDevice() = default;
    virtual int ReadSectors(void* buffer, int64_t firstSector, int64_t count) = 0;
    virtual int WriteSectors(const void* buffer, int64_t firstSector, int64_t count) = 0;
    // A read that tests the medium rather than the system's cache (on a block device it bypasses the
    // page cache). Devices without such a path read normally. A page-aligned buffer avoids a copy.
    virtual int ReadSectorsUncached(void* buffer, int64_t firstSector, int64_t count)
    {
        return ReadSectors(buffer, firstSector, count);
    }
    // Reads and discards; a sector that cannot be read fails the call.
    virtual int VerifySectors(int64_t firstSector, int64_t count) = 0;
    virtual int GetGeometry(DiskGeometry* geometry) = 0;
    // Makes sectors read back as zeros. Devices that can do this without writing every byte (a hole
    // in an image file, a write-zeroes command on a disk) override it; this one writes zeros.
    virtual int ZeroSectors(int64_t firstSector, int64_t count)
    {
        constexpr int64_t kChunk = 2048;
        if (firstSector < 0 || count < 0)
            return 0;
        const std::vector<uint8_t> zeros(size_t(count < kChunk ? count : kChunk) * 512, 0);
        for (int64_t done = 0; done < count;) {
            const int64_t n = count - done < kChunk ? count - done : kChunk;
            if (!WriteSectors(zeros.data(), firstSector + done, n))
                return 0;
            done += n;
        }
        return 1;
    }
};
