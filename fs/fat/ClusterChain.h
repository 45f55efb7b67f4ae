// Walks a directory stored as a cluster chain (FAT32 and exFAT), with a cap and loop protection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "fs/VolumeReader.h"

struct ClusterChain {
    uint64_t fatOffset = 0;    // byte offset of the first FAT (32-bit entries)
    uint64_t dataOffset = 0;   // byte offset of cluster 2
    uint64_t clusterBytes = 0;
    uint32_t clusterCount = 0; // valid clusters are 2 .. clusterCount + 1
    uint32_t entryMask = 0xFFFFFFFFu;
    uint32_t firstCluster = 0;
};

// Hands the chain's bytes to `visit` in pieces of at most 64 KiB until visit returns false, the chain
// ends or leaves the volume, a cluster comes round again, or `maxBytes` have been handed over.
void WalkClusterChain(VolumeReader& reader, const ClusterChain& chain, uint64_t maxBytes,
                      const std::function<bool(const uint8_t* bytes, size_t size)>& visit);
