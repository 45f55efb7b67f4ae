#include "fs/ntfs/NtfsBootSector.h"

#include <cstring>

#include "core/ByteOrder.h"

namespace Ntfs {

namespace {

constexpr uint64_t kMaxClusterBytes = 2 * 1024 * 1024;
constexpr uint64_t kMaxTotalSectors = uint64_t(1) << 48;

bool powerOfTwo(uint64_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

// A record size from its code: 2^-code bytes when negative, code clusters otherwise; 0 out of range.
int64_t recordBytes(int8_t code, uint64_t clusterBytes, int64_t largest)
{
    uint64_t bytes = 0;
    if (code < 0)
        bytes = -code <= 31 ? uint64_t(1) << -code : 0;
    else
        bytes = uint64_t(code) * clusterBytes;
    return bytes >= 512 && bytes <= uint64_t(largest) && powerOfTwo(bytes) ? int64_t(bytes) : 0;
}

} // namespace

bool DecodeBootSector(const uint8_t* s, BootSector& out)
{
    if (!s || std::memcmp(s + kBootOemId, "NTFS    ", 8) != 0)
        return false;
    BootSector b;
    b.BytesPerSector = le16(s + kBootBytesPerSector);
    if (b.BytesPerSector != 512 && b.BytesPerSector != 1024 && b.BytesPerSector != 2048 && b.BytesPerSector != 4096)
        return false;
    const uint8_t code = s[kBootSectorsPerCluster];
    uint64_t sectors = 0;
    if (code > 0x80)
        sectors = 256 - code <= 21 ? uint64_t(1) << (256 - code) : 0;
    else if (powerOfTwo(code))
        sectors = code;
    b.ClusterBytes = sectors * b.BytesPerSector;
    if (b.ClusterBytes == 0 || b.ClusterBytes > kMaxClusterBytes)
        return false;
    const uint64_t totalSectors = le64(s + kBootTotalSectors);
    if (totalSectors == 0 || totalSectors > kMaxTotalSectors)
        return false;
    b.TotalBytes = totalSectors * b.BytesPerSector;
    b.FileRecordBytes = recordBytes(int8_t(s[kBootFileRecordSize]), b.ClusterBytes, 8192);
    b.IndexRecordBytes = recordBytes(int8_t(s[kBootIndexRecordSize]), b.ClusterBytes, 65536);
    if (b.FileRecordBytes == 0 || b.IndexRecordBytes == 0)
        return false;
    b.MftLcn = le64(s + kBootMftLcn);
    // The MFT's first cluster starts inside the volume (the last, partial cluster counts).
    if (b.MftLcn > (b.TotalBytes - 1) / b.ClusterBytes)
        return false;
    b.MftMirrorLcn = le64(s + kBootMftMirrorLcn);
    b.SerialNumber = le64(s + kBootSerialNumber);
    out = b;
    return true;
}

} // namespace Ntfs
