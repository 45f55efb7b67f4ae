#include "fs/swap/SwapLabel.h"

#include <cstring>
#include <vector>

#include "engine/ISectorDevice.h"
#include "fs/swap/SwapHeader.h"

int SetSwapVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label)
{
    const size_t length = label ? std::strlen(label) : 0;
    if (length > SwapHeader::kLabelBytes || sectorCount < 8)
        return 0;
    uint8_t name[SwapHeader::kLabelBytes] = {};
    if (length)
        std::memcpy(name, label, length);
    std::vector<uint8_t> page(SwapHeader::kPageBytes);
    if (!volume.ReadSectors(page.data(), 0, 8) || std::memcmp(page.data() + SwapHeader::MagicOffset(SwapHeader::kPageBytes), SwapHeader::kMagicV1,
                                                            SwapHeader::kMagicBytes) != 0)
        return 0;
    std::memcpy(page.data() + SwapHeader::kLabelOffset, name, sizeof name);
    // The label lives in the header's third sector.
    return volume.WriteSectors(page.data() + 1024, 2, 1) ? 1 : 0;
}
