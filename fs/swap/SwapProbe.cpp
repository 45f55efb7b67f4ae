#include "fs/swap/SwapProbe.h"

#include <cstring>

#include "fs/LabelText.h"
#include "fs/VolumeReader.h"
#include "fs/swap/SwapHeader.h"
#include "core/FileSystemTypes.h"

namespace {

constexpr uint32_t kPageSizes[] = {4096, 8192, 16384, 65536};

} // namespace

bool ProbeSwap(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    for (uint32_t pageSize : kPageSizes) {
        uint8_t tail[kVolumeSectorBytes];
        if (!reader.ReadSectors(tail, pageSize / kVolumeSectorBytes - 1, 1))
            break;
        const uint8_t* magic = tail + sizeof tail - SwapHeader::kMagicBytes;
        const bool version1 = std::memcmp(magic, SwapHeader::kMagicV1, SwapHeader::kMagicBytes) == 0;
        if (!version1 && std::memcmp(magic, SwapHeader::kMagicOld, SwapHeader::kMagicBytes) != 0)
            continue;

        info.FileSystemType = kFsLinuxSwap;
        info.ClusterSize = int32_t(pageSize / kVolumeSectorBytes);
        uint8_t name[SwapHeader::kLabelBytes];
        // The old format keeps a bitmap where the newer one keeps the name.
        if (version1 && reader.ReadBytes(SwapHeader::kLabelOffset, name, sizeof name))
            StoreLabel(info, Utf8LabelFromBytes(name, sizeof name));
        return true;
    }
    return false;
}
