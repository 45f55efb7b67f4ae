// Linux swap areas.
#include "fs/FileSystemRegistry.h"

#include "core/FileSystemTypes.h"
#include "fs/ext/ExtLimits.h"
#include "fs/swap/SwapFormat.h"
#include "fs/swap/SwapHeader.h"
#include "fs/swap/SwapLabel.h"
#include "fs/swap/SwapProbe.h"

namespace {

class SwapFileSystem : public IFileSystem {
public:
    bool Handles(int fs) const override { return fs == kFsLinuxSwap; }
    bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const override
    {
        return ProbeSwap(volume, sectors, info);
    }
    int MaxLabelLength() const override { return int(SwapHeader::kLabelBytes); }
    bool HasLabelWriter() const override { return true; }
    bool WriteLabel(ISectorDevice& volume, int64_t sectors, const char* label, bool*) const override
    {
        return SetSwapVolumeLabel(volume, sectors, label) != 0;
    }
    bool CanFormat() const override { return true; }
    int Format(ISectorDevice* device, const NewVolume& v, IProgressReporter* progress) const override
    {
        switch (FormatSwap(device, v.Start, v.Sectors, progress)) {
        case kSwapFormatOk: return 0;
        case kSwapOutOfMemory: return 2;
        case kSwapWriteFailed: return 4;
        default: return 1;
        }
    }
    int TypeByte(int) const override { return 0x82; }
    // The area is used in whole pages.
    int DefaultClusterSize(int, int64_t) const override { return int(SwapHeader::kPageBytes / 512); }
    int64_t MinimumSectors(int) const override { return ExtLimits::kSmallestVolume; }
    int64_t MaximumSectors(int) const override { return ExtLimits::kLargestSwap; }
};

} // namespace

const IFileSystem& SwapFamily()
{
    static const SwapFileSystem family;
    return family;
}
