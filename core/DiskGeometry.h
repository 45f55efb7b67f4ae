// What the disk engine reports for a disk.
#pragma once

#include <cstddef>
#include <cstdint>

struct DiskGeometry {
    uint8_t EngineReserved0[8];
    int64_t Cylinders;
    int32_t TracksPerCylinder;
    int32_t SectorsPerTrack;
    int32_t BytesPerSector;
    uint8_t EngineReserved28[4];
    int64_t TotalSectors;

    int64_t SectorsPerCylinder() const { return int64_t(TracksPerCylinder) * SectorsPerTrack; }
};
static_assert(sizeof(DiskGeometry) == 40);
static_assert(offsetof(DiskGeometry, Cylinders) == 8);
static_assert(offsetof(DiskGeometry, TracksPerCylinder) == 16);
static_assert(offsetof(DiskGeometry, SectorsPerTrack) == 20);
static_assert(offsetof(DiskGeometry, BytesPerSector) == 24);
static_assert(offsetof(DiskGeometry, TotalSectors) == 32);
