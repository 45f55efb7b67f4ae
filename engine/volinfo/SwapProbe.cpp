#include "SwapProbe.h"

#include <cstring>

#include "LabelText.h"
#include "VolumeReader.h"
#include "model/FileSystemTypes.h"

namespace {

constexpr uint32_t kPageSizes[] = {4096, 8192, 16384, 65536};
constexpr uint64_t kLabelOffset = 1024 + 28; // volume name in the version-1 header
constexpr size_t kLabelBytes = 16;

} // namespace

bool ProbeSwap(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    VolumeReader reader(volume, sectorCount);
    for (uint32_t pageSize : kPageSizes) {
        uint8_t tail[kVolumeSectorBytes];
        if (!reader.ReadSectors(tail, pageSize / kVolumeSectorBytes - 1, 1))
            break;
        const uint8_t* magic = tail + sizeof tail - 10;
        const bool version1 = std::memcmp(magic, "SWAPSPACE2", 10) == 0;
        if (!version1 && std::memcmp(magic, "SWAP-SPACE", 10) != 0)
            continue;

        info.FileSystemType = kFsLinuxSwap;
        info.ClusterSize = int32_t(pageSize / kVolumeSectorBytes);
        uint8_t name[kLabelBytes];
        // The old format keeps a bitmap where the newer one keeps the name.
        if (version1 && reader.ReadBytes(kLabelOffset, name, sizeof name))
            StoreLabel(info, Utf8LabelFromBytes(name, sizeof name));
        return true;
    }
    return false;
}
