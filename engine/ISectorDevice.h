// The sector interface shared by disk objects and volume devices. Results: non-zero for success.
#pragma once

#include <cstdint>

#include "model/DiskGeometry.h"

class ISectorDevice {
public:
    virtual ~ISectorDevice() = default;
    virtual int ReadSectors(void* buffer, int64_t firstSector, int64_t count) = 0;
    virtual int WriteSectors(const void* buffer, int64_t firstSector, int64_t count) = 0;
    // Reads and discards; a sector that cannot be read fails the call.
    virtual int VerifySectors(int64_t firstSector, int64_t count) = 0;
    virtual int GetGeometry(DiskGeometry* geometry) = 0;
};
