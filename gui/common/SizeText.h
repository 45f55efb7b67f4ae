// Size texts of the disk views. Sizes arrive as sector counts with the disk's bytes per sector; every
// division by 1024 that the texts describe as whole is a 64-bit integer division.
#pragma once

#include <QString>
#include <cstdint>

namespace SizeText {

// Bytes of a sector count, saturated instead of overflowing (and never negative).
int64_t Bytes(int64_t n64Sectors, int nBytesPerSector);

// The disk box of the disk map: "%1 TB" from 1 TB on, else "%1 GB", one decimal. Translatable
// (context "KDiskMapItem").
QString DiskMapCapacity(int64_t n64TotalSectors, int nBytesPerSector);

// A cell of the disk map: "%1 GB" only above 1 GB (a partition of exactly 1 GB reads "1024.00 MB"),
// else "%1 MB", two decimals. Unit texts are not translated.
QString DiskMapSize(int64_t n64Sectors, int nBytesPerSector);

// The partition list's capacity column: "%1 GB" from 1 GB, "%1 MB" from 1 MB, else "%1 KB"; two
// decimals. Never bytes.
QString ListCapacity(int64_t n64Sectors, int nBytesPerSector);

// The partition list's used column: as the capacity, and below 1 KB "%1 B" with the byte count in
// general notation (six significant digits).
QString ListUsed(int64_t n64Sectors, int nBytesPerSector);
// The same two texts for a byte count.
QString ListCapacityOfBytes(int64_t n64Bytes);
QString ListUsedOfBytes(int64_t n64Bytes);

// The properties dialog: "%1 GB" from 1 GB, else "%1 MB", two decimals; MB = (bytes / 1024, whole) /
// 1024. Not translated.
QString PropertiesSizeOfBytes(int64_t n64Bytes);
// The same for a count of 512-byte sectors, taken as MB = count / 2048.
QString PropertiesSizeOfSectors(int64_t n64Sectors);

// A number in fixed notation with the user's decimal separator and no group separators, as every size
// and percentage the window shows is written.
QString Decimal(double value, int precision);

} // namespace SizeText
