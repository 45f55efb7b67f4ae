// A whole volume image in memory that counts writes falling outside an allowed window.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/ISectorDevice.h"

class MemoryVolume : public ISectorDevice {
public:
    explicit MemoryVolume(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}
    int ReadSectors(void* b, int64_t f, int64_t c) override
    {
        if (f < 0 || c < 0 || (f + c) * 512 > int64_t(data.size()))
            return 0;
        std::memcpy(b, data.data() + f * 512, size_t(c) * 512);
        return 1;
    }
    int WriteSectors(const void* b, int64_t f, int64_t c) override
    {
        if (f < 0 || c < 0 || (f + c) * 512 > int64_t(data.size()))
            return 0;
        if (f < allowedFirst || f + c > allowedEnd)
            ++stray;
        std::memcpy(data.data() + f * 512, b, size_t(c) * 512);
        return 1;
    }
    int VerifySectors(int64_t, int64_t) override { return 1; }
    int GetGeometry(DiskGeometry*) override { return 0; }
    std::vector<uint8_t> data;
    int64_t allowedFirst = 0, allowedEnd = 0;
    int stray = 0;
};
