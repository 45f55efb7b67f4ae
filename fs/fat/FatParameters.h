// The FAT parameter rules shared by the dialogs, the handlers and the format. Sizes are counts of
// 512-byte sectors; types are the partition type ids 1 (FAT12), 6 (FAT16), 11 (FAT32); cluster sizes
// are sectors per cluster.
#pragma once

#include <cstdint>

bool GetDefaultFatType(int64_t sectors, int* type);
bool GetDefaultFatClusterSize(int64_t sectors, int type, int* clusterSize);
bool GetMinFatClusterSize(int64_t sectors, int type, int* clusterSize);
bool GetMaxFatClusterSize(int64_t sectors, int type, int* clusterSize);
// Fills a zero type from the default first, then gives the largest cluster size.
bool GetMaxFatClusterSizeFillingType(int64_t sectors, int& type, int* clusterSize);
// The smallest space an empty FAT volume of that size occupies; 0 when no type or cluster size fits.
int64_t GetFatSystemAreaSectors(int64_t sectors, int& type, int& clusterSize);
