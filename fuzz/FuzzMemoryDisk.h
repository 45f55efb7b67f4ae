// The sector device the fuzz targets hand to the engine: the input bytes, padded to whole sectors.
//
// The device may claim to be larger than the bytes it holds. Past the data, reads either fail like an
// unreadable area or return zeros like the hole of a sparse image; past the claimed size, or with a
// negative start or count, they always fail. Writes always fail: reading a table or a volume never writes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/ISectorDevice.h"

namespace fuzz {

inline constexpr int64_t kSectorBytes = 512;

// What lies past the data.
enum class Tail { Fail, Zeros };

// The claimed size as read from 8 little-endian bytes of the input. Bit 63 selects a zero-filled tail;
// the sector count sits in the low bits: up to 2^55 sectors (what a 64-bit byte count can describe) with
// a failing tail, up to 2^22 sectors (2 GiB) with a zero-filled one, so that a walk over a table the
// claim makes legal stays short. A claim no bigger than the data means the data's own length.
// Bit 62 asks the target to make the input's checksums right before the engine sees it (fuzz_table_scan
// recomputes the GPT CRCs), so that mutations reach the code behind the checksum tests.
struct Claim {
    int64_t sectors = 0;
    Tail tail = Tail::Fail;
    bool fixChecksums = false;
};

inline Claim ParseClaim(const uint8_t* bytes, int64_t dataSectors)
{
    uint64_t word = 0;
    for (int i = 7; i >= 0; --i)
        word = (word << 8) | bytes[i];
    Claim claim;
    claim.tail = (word >> 63) ? Tail::Zeros : Tail::Fail;
    claim.fixChecksums = ((word >> 62) & 1) != 0;
    const uint64_t mask = claim.tail == Tail::Zeros ? (uint64_t(1) << 22) - 1 : (uint64_t(1) << 55) - 1;
    const int64_t sectors = int64_t(word & mask);
    claim.sectors = sectors > dataSectors ? sectors : dataSectors;
    return claim;
}

class FuzzMemoryDisk : public ISectorDevice {
public:
    // `claimedSectors` below the padded data length is raised to it.
    FuzzMemoryDisk(const uint8_t* data, size_t size, int64_t claimedSectors, Tail tail)
        : bytes_((size + kSectorBytes - 1) / kSectorBytes * kSectorBytes, 0), tail_(tail)
    {
        if (size != 0)
            std::memcpy(bytes_.data(), data, size);
        claimed_ = claimedSectors > DataSectors() ? claimedSectors : DataSectors();
    }

    static int64_t SectorsFor(size_t size) { return int64_t((size + kSectorBytes - 1) / kSectorBytes); }

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override
    {
        if (!InRange(firstSector, count)) {
            ++refusedReads_;
            ++outsideReads_;
            return 0;
        }
        const int64_t held = firstSector < DataSectors() ? std::min(count, DataSectors() - firstSector) : 0;
        if (held < count && tail_ == Tail::Fail) {
            ++refusedReads_;
            return 0;
        }
        auto* out = static_cast<uint8_t*>(buffer);
        if (held > 0)
            std::memcpy(out, bytes_.data() + firstSector * kSectorBytes, size_t(held * kSectorBytes));
        if (held < count)
            std::memset(out + held * kSectorBytes, 0, size_t((count - held) * kSectorBytes));
        return 1;
    }

    int WriteSectors(const void*, int64_t, int64_t) override
    {
        ++writes_;
        return 0;
    }

    int VerifySectors(int64_t firstSector, int64_t count) override
    {
        if (!InRange(firstSector, count))
            return 0;
        return tail_ == Tail::Zeros || firstSector + count <= DataSectors();
    }

    int GetGeometry(DiskGeometry* geometry) override
    {
        std::memset(geometry, 0, sizeof *geometry);
        geometry->TracksPerCylinder = 255;
        geometry->SectorsPerTrack = 63;
        geometry->Cylinders = claimed_ / (255 * 63);
        geometry->BytesPerSector = int32_t(kSectorBytes);
        geometry->TotalSectors = claimed_;
        return 1;
    }

    int64_t DataSectors() const { return int64_t(bytes_.size()) / kSectorBytes; }
    // The stored bytes from `lba` to the end of the data, or nullptr when the data does not hold that sector.
    uint8_t* StoredSector(int64_t lba)
    {
        return lba >= 0 && lba < DataSectors() ? bytes_.data() + lba * kSectorBytes : nullptr;
    }
    size_t StoredBytesFrom(int64_t lba) const
    {
        return lba >= 0 && lba < DataSectors() ? bytes_.size() - size_t(lba * kSectorBytes) : 0;
    }
    int64_t ClaimedSectors() const { return claimed_; }
    int64_t RefusedReads() const { return refusedReads_; }
    // Reads that asked for sectors outside [0, claimed size), or for a count below one.
    int64_t OutsideReads() const { return outsideReads_; }
    int64_t Writes() const { return writes_; }

private:
    bool InRange(int64_t first, int64_t count) const
    {
        return first >= 0 && count > 0 && first <= claimed_ && count <= claimed_ - first;
    }

    std::vector<uint8_t> bytes_;
    Tail tail_;
    int64_t claimed_ = 0;
    int64_t refusedReads_ = 0;
    int64_t outsideReads_ = 0;
    int64_t writes_ = 0;
};

} // namespace fuzz

// Undefined behaviour stops the run like any other fault. The checks are built recoverable so that a
// known report can be silenced with UBSAN_OPTIONS=suppressions=FILE while fuzzing goes on (see README.md).
// Defined here, not inline: the runtime looks the symbol up, and each fuzzer includes this header once.
extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}
