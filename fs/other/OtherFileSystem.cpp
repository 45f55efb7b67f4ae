// File systems the program recognises but does not handle (exFAT, ext4, btrfs, xfs, LUKS, ...): shown
// as "Other" with their label where it can be read.
#include "fs/FileSystemRegistry.h"

#include "core/FileSystemTypes.h"
#include "fs/other/ExfatProbe.h"
#include "fs/other/OtherProbe.h"

namespace {

class OtherFileSystem : public IFileSystem {
public:
    bool Handles(int fs) const override { return fs == kFsOther; }
    bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const override
    {
        return ProbeExfat(volume, sectors, info) || ProbeOther(volume, sectors, info);
    }
};

} // namespace

const IFileSystem& OtherFamily()
{
    static const OtherFileSystem family;
    return family;
}
