#include "FatParameters.h"

namespace {

// Cluster count estimate with four bytes per FAT entry for every type.
int64_t estimatedClusters(int64_t sectors, int c)
{
    return (sectors - (sectors / c) * 4 / 512) / c;
}

bool validCount(int type, int64_t n)
{
    switch (type) {
    case 1: return n <= 4084;
    case 6: return n >= 4087 && n <= 65524;
    case 11: return n >= 65527 && n <= 268435444;
    default: return false;
    }
}

} // namespace

bool GetDefaultFatType(int64_t sectors, int* type)
{
    if (!type)
        return false;
    if (sectors >= 1024 && sectors <= 32608)
        *type = 1;
    else if (sectors >= 32768 && sectors <= 0x7FF800)
        *type = 6;
    else if (sectors >= 0x10BE7 && sectors <= 0x2FFFFFFF)
        *type = 11;
    else
        return false;
    return true;
}

bool GetDefaultFatClusterSize(int64_t sectors, int type, int* clusterSize)
{
    if (!clusterSize)
        return false;
    const int64_t mib = sectors / 2048;
    switch (type) {
    case 1:
        *clusterSize = 8;
        return true;
    case 6:
        if (mib >= 16 && mib <= 127)
            *clusterSize = 4;
        else if (mib >= 128 && mib <= 255)
            *clusterSize = 8;
        else if (mib >= 256 && mib <= 511)
            *clusterSize = 16;
        else if (mib >= 512 && mib <= 1023)
            *clusterSize = 32;
        else if (mib >= 1024 && mib <= 2047)
            *clusterSize = 64;
        else if (mib >= 2048 && mib <= 4096)
            *clusterSize = 128;
        return true; // outside 16-4096 MiB the output stays as it was
    case 11:
        if (mib >= 32 && mib <= 127)
            *clusterSize = 1;
        else if (mib >= 128 && mib <= 255)
            *clusterSize = 2;
        else if (mib >= 256 && mib <= 511)
            *clusterSize = 4;
        else if (mib >= 512 && mib <= 8191)
            *clusterSize = 8;
        else if (mib >= 8192 && mib <= 32767)
            *clusterSize = 16;
        else if (mib >= 32768 && mib <= 131071)
            *clusterSize = 32;
        else if (mib >= 131072 && mib <= 262144)
            *clusterSize = 64;
        else
            *clusterSize = 128;
        return true;
    default:
        return false;
    }
}

bool GetMinFatClusterSize(int64_t sectors, int type, int* clusterSize)
{
    if (!clusterSize)
        return false;
    for (int c = 1; c <= 128; c *= 2)
        if (validCount(type, estimatedClusters(sectors, c))) {
            *clusterSize = c;
            return true;
        }
    return false;
}

bool GetMaxFatClusterSize(int64_t sectors, int type, int* clusterSize)
{
    if (!clusterSize)
        return false;
    for (int c = 128; c >= 1; c /= 2)
        if (validCount(type, estimatedClusters(sectors, c))) {
            *clusterSize = c;
            return true;
        }
    return false;
}

bool GetMaxFatClusterSizeFillingType(int64_t sectors, int& type, int* clusterSize)
{
    if (type == 0 && !GetDefaultFatType(sectors, &type))
        return false;
    return GetMaxFatClusterSize(sectors, type, clusterSize);
}

int64_t GetFatSystemAreaSectors(int64_t sectors, int& type, int& clusterSize)
{
    if (type == 0 && !GetDefaultFatType(sectors, &type))
        return 0;
    if (clusterSize == 0)
        GetDefaultFatClusterSize(sectors, type, &clusterSize);
    if (clusterSize <= 0)
        return 0;
    const int64_t n = sectors / clusterSize;
    int64_t fat;
    switch (type) {
    case 1: fat = int64_t((double(n) * 1.5 + 511) / 512); break;
    case 6: fat = (n * 2 + 511) / 512; break;
    case 11: fat = (n * 4 + 511) / 512; break;
    default: return 0;
    }
    const int64_t reserved = type == 11 ? 32 : 2;
    const int64_t root = type == 11 ? clusterSize : 32;
    return reserved + 2 * fat + root;
}
