// The Ext2/Ext3 family.
#include "fs/FileSystemRegistry.h"

#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"
#include "engine/ISectorDevice.h"
#include "fs/VolumeReader.h"
#include "fs/ext/ExtExplorer.h"
#include "fs/ext/ExtFormat.h"
#include "fs/ext/ExtLabel.h"
#include "fs/ext/ExtLimits.h"
#include "fs/ext/ExtProbe.h"
#include "fs/ext/ExtRecogniser.h"
#include "fs/ext/ExtStructures.h"

namespace {

class ExtFileSystem : public IFileSystem {
public:
    bool Handles(int fs) const override { return fs == kFsExt2 || fs == kFsExt3; }
    bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const override
    {
        return ProbeExt(volume, sectors, info);
    }
    int MaxLabelLength() const override { return 14; }
    bool HasLabelWriter() const override { return true; }
    bool WriteLabel(ISectorDevice& volume, int64_t sectors, const char* label, bool*) const override
    {
        return SetExtVolumeLabel(volume, sectors, label) != 0;
    }
    uint64_t ReadSerialNumber(ISectorDevice& volume, int64_t sectors, int) const override
    {
        uint8_t sb[512];
        if (sectors <= 2 || !volume.ReadSectors(sb, Ext::kSuperblockOffset / 512, 1))
            return 0;
        return le64(sb + Ext::kSbUuid);
    }
    bool ReadParameters(ISectorDevice& volume, int64_t sectors, int, VolumeParameters* out) const override
    {
        uint8_t sb[512]; // the fields wanted lie in the superblock's first sector
        VolumeReader reader(volume, sectors);
        if (!reader.ReadBytes(Ext::kSuperblockOffset, sb, sizeof sb) || le16(sb + Ext::kSbMagic) != Ext::kMagic)
            return false;
        const uint32_t logBlockSize = le32(sb + Ext::kSbLogBlockSize);
        if (logBlockSize > Ext::kMaxLogBlockSize)
            return false;
        VolumeParameters p;
        p.SectorsPerCluster = (1024u << logBlockSize) / kVolumeSectorBytes;
        p.InodesPerGroup = le32(sb + Ext::kSbInodesPerGroup);
        p.BlocksPerGroup = le32(sb + Ext::kSbBlocksPerGroup);
        // Revision 0 volumes have no inode-size field: their inodes are 128 bytes.
        p.InodeSize = le32(sb + Ext::kSbRevision) == 0 ? uint32_t(sizeof(Ext::InodeLayout)) : le16(sb + Ext::kSbInodeSize);
        *out = p;
        return true;
    }
    bool Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) const override
    {
        return RecogniseExt(disk, sector, lba, found) != 0;
    }
    IFileSystemExplorer* CreateExplorer() const override { return new ExtExplorer(); }
    bool CanFormat() const override { return true; }
    int Format(ISectorDevice* device, const NewVolume& v, IProgressReporter* progress) const override
    {
        switch (FormatExt(device, v.Start, v.Sectors, v.Label.c_str(), v.ClusterSize * 512,
                          v.FileSystemType == kFsExt3, progress)) {
        case kExtFormatOk: return 0;
        case kExtOutOfMemory: return 2;
        case kExtWriteFailed: return 4;
        case kExtNoRoom: return 5;
        default: return 1;
        }
    }
    int TypeByte(int) const override { return 0x83; }
    int DefaultClusterSize(int, int64_t sectors) const override { return GetDefaultExtBlockSize(sectors); }
    int64_t SystemAreaSectors(int fs, int64_t sectors, int clusterSize) const override
    {
        return GetExtSystemAreaSectors(sectors, clusterSize * 512, fs == kFsExt3);
    }
    int64_t MinimumSectors(int) const override { return ExtLimits::kSmallestVolume; }
    int64_t MaximumSectors(int) const override { return ExtLimits::kLargestVolume; }
};

} // namespace

const IFileSystem& ExtFamily()
{
    static const ExtFileSystem family;
    return family;
}
