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

class CountingSectorDevice : public ISectorDevice {
public:
    explicit CountingSectorDevice(int64_t sectorCount) : sectorCount_(sectorCount) {}

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override
    {
        ++readCalls_;
        if (failReads_)
            return 0;
        if (firstSector < 0 || count <= 0 || firstSector > sectorCount_ || count > sectorCount_ - firstSector) {
            ++outOfRangeReads_;
            return 0;
        }
        sectorsRead_ += count;
        return Read(buffer, firstSector, count);
    }
    int WriteSectors(const void*, int64_t, int64_t) override { return 0; }
    int VerifySectors(int64_t firstSector, int64_t count) override
    {
        return firstSector >= 0 && count >= 0 && firstSector <= sectorCount_ && count <= sectorCount_ - firstSector;
    }
    int GetGeometry(DiskGeometry* geometry) override
    {
        std::memset(geometry, 0, sizeof *geometry);
        geometry->BytesPerSector = 512;
        geometry->TotalSectors = sectorCount_;
        return 1;
    }

    int64_t SectorCount() const { return sectorCount_; }
    int64_t OutOfRangeReads() const { return outOfRangeReads_; }
    int64_t ReadCalls() const { return readCalls_; }
    int64_t SectorsRead() const { return sectorsRead_; }
    void FailReads(bool fail) { failReads_ = fail; }

protected:
    virtual int Read(void* buffer, int64_t firstSector, int64_t count) = 0;

private:
    int64_t sectorCount_;
    int64_t outOfRangeReads_ = 0;
    int64_t readCalls_ = 0;
    int64_t sectorsRead_ = 0;
    bool failReads_ = false;
};

// Sectors [firstSector, firstSector + sectorCount) of an image file.
class ImageVolume : public CountingSectorDevice {
public:
    ImageVolume(const std::string& path, int64_t firstSector, int64_t sectorCount)
        : CountingSectorDevice(sectorCount), fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)), base_(firstSector * 512)
    {
    }
    ~ImageVolume() override
    {
        if (fd_ >= 0)
            close(fd_);
    }
    ImageVolume(const ImageVolume&) = delete;
    ImageVolume& operator=(const ImageVolume&) = delete;
    bool IsOpen() const { return fd_ >= 0; }

protected:
    int Read(void* buffer, int64_t firstSector, int64_t count) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        size_t left = size_t(count) * 512;
        off_t at = off_t(base_ + firstSector * 512);
        while (left > 0) {
            const ssize_t got = pread(fd_, out, left, at);
            if (got <= 0)
                return 0;
            out += got;
            at += got;
            left -= size_t(got);
        }
        return 1;
    }

private:
    int fd_;
    int64_t base_;
};

// A volume held in memory; its length is the vector's, rounded down to whole sectors.
class MemoryVolume : public CountingSectorDevice {
public:
    explicit MemoryVolume(std::vector<uint8_t> bytes)
        : CountingSectorDevice(int64_t(bytes.size() / 512)), bytes_(std::move(bytes))
    {
    }
    std::vector<uint8_t>& Bytes() { return bytes_; }

protected:
    int Read(void* buffer, int64_t firstSector, int64_t count) override
    {
        std::memcpy(buffer, bytes_.data() + firstSector * 512, size_t(count) * 512);
        return 1;
    }

private:
    std::vector<uint8_t> bytes_;
};
