// The NTFS family.
#include "fs/FileSystemRegistry.h"

#include "core/FileSystemTypes.h"
#include "fs/VolumeReader.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "fs/ntfs/NtfsBootSector.h"
#include "fs/ntfs/NtfsExplorer.h"
#include "fs/ntfs/NtfsLabel.h"
#include "fs/ntfs/NtfsProbe.h"
#include "fs/ntfs/NtfsRecogniser.h"

namespace {

class NtfsFileSystem : public IFileSystem {
public:
    bool Handles(int fs) const override { return fs == kFsNtfs; }
    bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const override
    {
        return ProbeNtfs(volume, sectors, info);
    }
    int MaxLabelLength() const override { return 126; }
    bool HasLabelWriter() const override { return true; }
    bool WriteLabel(ISectorDevice& volume, int64_t sectors, const char* label, bool*) const override
    {
        return SetNtfsVolumeLabel(volume, sectors, label) != 0;
    }
    int SerialNumberOffset(int, int* bytes) const override
    {
        *bytes = 8;
        return int(Ntfs::kBootSerialNumber);
    }
    bool ReadParameters(ISectorDevice& volume, int64_t sectors, int, VolumeParameters* out) const override
    {
        uint8_t sector[512];
        Ntfs::BootSector boot;
        VolumeReader reader(volume, sectors);
        if (!reader.ReadSectors(sector, 0, 1) || !Ntfs::DecodeBootSector(sector, boot))
            return false;
        VolumeParameters p;
        p.SectorsPerCluster = uint32_t(boot.ClusterBytes / kVolumeSectorBytes);
        p.SectorsPerFileRecord = uint32_t(boot.FileRecordBytes / kVolumeSectorBytes);
        p.SectorsPerIndexRecord = uint32_t(boot.IndexRecordBytes / kVolumeSectorBytes);
        p.MftLcn = boot.MftLcn;
        p.MftMirrorLcn = boot.MftMirrorLcn;
        *out = p;
        return true;
    }
    bool Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) const override
    {
        return RecogniseNtfs(disk, sector, lba, found) != 0;
    }
    IFileSystemExplorer* CreateExplorer() const override { return new NtfsExplorer(); }
    bool CanFormat() const override { return true; }
    int Format(ISectorDevice* device, const NewVolume& v, IProgressReporter* progress) const override
    {
        NtfsFormatParameters p;
        p.SectorsPerCluster = v.ClusterSize;
        p.Label = v.Label;
        p.Quick = true;
        KNtfsFormat format;
        switch (format.Format(device, v.Start, v.Sectors, v.HiddenSectors, p, progress)) {
        case kNtfsFormatOk: return 0;
        case kNtfsOutOfMemory: return 2;
        case kNtfsWriteFailed: return 4;
        case kNtfsNoRoom: return 5;
        default: return 1;
        }
    }
    int TypeByte(int) const override { return 0x07; }
    bool ClusterSizeRange(int, int64_t sectors, int* smallest, int*) const override
    {
        *smallest = GetMinNtfsClusterSize(sectors);
        return true;
    }
    int DefaultClusterSize(int, int64_t sectors) const override { return GetDefaultNtfsClusterSize(sectors); }
    int64_t SystemAreaSectors(int, int64_t sectors, int clusterSize) const override
    {
        int cluster = clusterSize;
        return GetNtfsSystemAreaSectors(sectors, cluster);
    }
};

} // namespace

const IFileSystem& NtfsFamily()
{
    static const NtfsFileSystem family;
    return family;
}
