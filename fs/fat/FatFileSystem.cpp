// The FAT12/16/32 family.
#include "fs/FileSystemRegistry.h"

#include <vector>

#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"
#include "fs/VolumeReader.h"
#include "fs/fat/FatExplorer.h"
#include "fs/fat/FatFormat.h"
#include "fs/fat/FatLabel.h"
#include "fs/fat/FatLayout.h"
#include "fs/fat/FatLimits.h"
#include "fs/fat/FatParameters.h"
#include "fs/fat/FatProbe.h"
#include "fs/fat/FatRecogniser.h"
#include "fs/fat/FatStructures.h"

namespace {

class FatFileSystem : public IFileSystem {
public:
    bool Handles(int fs) const override { return IsFatCode(fs); }
    bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const override
    {
        return ProbeFat(volume, sectors, info);
    }
    int MaxLabelLength() const override { return 11; }
    bool HasLabelWriter() const override { return true; }
    bool WriteLabel(ISectorDevice& volume, int64_t sectors, const char* label, bool* noRoom) const override
    {
        return SetFatVolumeLabel(volume, sectors, label, noRoom) != 0;
    }
    int SerialNumberOffset(int fs, int* bytes) const override
    {
        *bytes = 4;
        return int(fs == kFsFat32 ? Fat::kVolumeId32 : Fat::kVolumeId16);
    }
    bool ReadParameters(ISectorDevice& volume, int64_t sectors, int fs, VolumeParameters* out) const override
    {
        uint8_t boot[512];
        FatLayout layout;
        VolumeReader reader(volume, sectors);
        if (!reader.ReadSectors(boot, 0, 1) || !ParseFatBootSector(boot, sizeof boot, layout))
            return false;
        // The counts stay in the volume's own sectors, as the boot sector states them; the cluster is
        // given in 512-byte sectors like everywhere else.
        VolumeParameters p;
        p.SectorsPerCluster = layout.clusterBytes / kVolumeSectorBytes;
        p.NumberOfFats = boot[Fat::kNumberOfFats];
        p.ReservedSectors = le16(boot + Fat::kReservedSectors);
        if (fs == kFsFat32) {
            p.SectorsPerFat = le32(boot + Fat::kFatSize32);
            p.RootCluster = le32(boot + Fat::kRootCluster);
        } else {
            p.SectorsPerFat = le16(boot + Fat::kFatSize16);
            p.RootEntries = le16(boot + Fat::kRootEntries);
        }
        *out = p;
        return true;
    }
    bool Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) const override
    {
        return RecogniseFat(disk, sector, lba, found) != 0;
    }
    IFileSystemExplorer* CreateExplorer() const override { return new FatExplorer(); }
    bool CanFormat() const override { return true; }
    int Format(ISectorDevice* device, const NewVolume& v, IProgressReporter*) const override
    {
        std::vector<char> text(v.Label.begin(), v.Label.end());
        text.push_back(0);
        int type = v.FileSystemType, cluster = v.ClusterSize;
        switch (FormatFatVolume(device, v.Start, v.Sectors, v.HiddenSectors, type, cluster, text.data())) {
        case kFatFormatOk: return 0;
        case kFatOutOfMemory: return 2;
        case kFatWriteFailed: return 4;
        default: return 1;
        }
    }
    int TypeByte(int fs) const override { return fs == kFsFat12 ? 0x01 : fs == kFsFat16 ? 0x06 : 0x0B; }
    int KindForSize(int fs, int64_t sectors) const override
    {
        if (fs == kFsFat32 && sectors < FatLimits::kFat32Smallest)
            fs = kFsFat16;
        if (fs == kFsFat16 && sectors < FatLimits::kFat16Smallest)
            fs = kFsFat12;
        return fs;
    }
    bool ClusterSizeRange(int fs, int64_t sectors, int* smallest, int* largest) const override
    {
        // Each bound stays as it was when no cluster size suits the size.
        GetMinFatClusterSize(sectors, fs, smallest);
        GetMaxFatClusterSize(sectors, fs, largest);
        return true;
    }
    int DefaultClusterSize(int fs, int64_t sectors) const override
    {
        int cluster = 0;
        return GetDefaultFatClusterSize(sectors, fs, &cluster) ? cluster : 0;
    }
    int64_t SystemAreaSectors(int fs, int64_t sectors, int clusterSize) const override
    {
        int type = fs, cluster = clusterSize;
        return GetFatSystemAreaSectors(sectors, type, cluster);
    }
    int64_t MinimumSectors(int fs) const override
    {
        return fs == kFsFat32 ? FatLimits::kFat32Smallest : fs == kFsFat16 ? FatLimits::kSmallestVolume : 0;
    }
    int64_t MaximumSectors(int fs) const override
    {
        return fs == kFsFat32 ? FatLimits::kFat32Largest : fs == kFsFat16 ? FatLimits::kFat16Largest : 0;
    }
};

} // namespace

const IFileSystem& FatFamily()
{
    static const FatFileSystem family;
    return family;
}
