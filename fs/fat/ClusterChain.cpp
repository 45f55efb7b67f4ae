#include "fs/fat/ClusterChain.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "core/ByteOrder.h"

namespace {

constexpr uint64_t kPieceBytes = 64 * 1024;

bool ValidCluster(const ClusterChain& chain, uint32_t cluster)
{
    return cluster >= 2 && uint64_t(cluster) - 2 < chain.clusterCount;
}

} // namespace

void WalkClusterChain(VolumeReader& reader, const ClusterChain& chain, uint64_t maxBytes,
                      const std::function<bool(const uint8_t*, size_t)>& visit)
{
    if (chain.clusterBytes == 0 || maxBytes == 0)
        return;
    std::vector<uint8_t> piece(size_t(std::min(chain.clusterBytes, kPieceBytes)));
    std::unordered_set<uint32_t> seen;
    uint64_t handed = 0;
    uint32_t cluster = chain.firstCluster;

    while (ValidCluster(chain, cluster) && seen.insert(cluster).second) {
        const uint64_t start = chain.dataOffset + uint64_t(cluster - 2) * chain.clusterBytes;
        for (uint64_t done = 0; done < chain.clusterBytes; done += piece.size()) {
            if (handed >= maxBytes || !reader.ReadBytes(start + done, piece.data(), piece.size()))
                return;
            handed += piece.size();
            if (!visit(piece.data(), piece.size()))
                return;
        }
        uint8_t entry[4];
        if (!reader.ReadBytes(chain.fatOffset + uint64_t(cluster) * 4, entry, sizeof entry))
            return;
        cluster = le32(entry) & chain.entryMask;
    }
}
