#include "fs/FileSystemServices.h"

#include <memory>

#include "core/LabelRule.h"
#include "engine/KVolumeLoader.h"
#include "fs/FileSystemRegistry.h"
#include "fs/KBootConfig.h"
#include "fs/KVolumeInfoReader.h"
#include "fs/VolumeInfo.h"

namespace {

// Offers a sector to each family's recogniser in turn.
class KFileSystemParameterGenerator : public IFileSystemParameterGenerator {
public:
    int Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) override
    {
        for (const IFileSystem* family : FileSystems())
            if (family->Recognise(disk, sector, lba, found))
                return 1;
        return 0;
    }
};

} // namespace

IVolumeLoader* CreateInterface_IVolumeLoader()
{
    return new KVolumeLoader(std::make_unique<KVolumeInfoReader>());
}

IBootIniConfigFile* CreateInterface_IBootIniConfigFile()
{
    return new KBootIniConfigFile();
}

IVistaBCDConfigFile* CreateInterface_IVistaBCDConfigFile()
{
    return new KVistaBcdConfigFile();
}

IFileSystemParameterGenerator* CreateInterface_IFileSystemParameterGenerator()
{
    return new KFileSystemParameterGenerator();
}

int kSetVolumeLabel(IVolumeDevice* device, const char* label, int* problem)
{
    if (problem)
        *problem = kLabelOk;
    if (!device)
        return 0;
    PartitionInfo info = MakeEmptyPartitionInfo();
    const int64_t sectors = device->GetSectorCount();
    ReadVolumeInfo(*device, sectors, info);
    if (const LabelProblem refused = CheckVolumeLabel(info.FileSystemType, label ? label : "")) {
        if (problem)
            *problem = refused;
        return 0;
    }
    const IFileSystem* family = FileSystemFor(info.FileSystemType);
    if (!family || !family->HasLabelWriter())
        return 0;
    bool noRoom = false;
    const bool set = family->WriteLabel(*device, sectors, label ? label : "", &noRoom);
    if (noRoom && problem)
        *problem = kLabelNoRoom;
    return set ? 1 : 0;
}

int FormatVolume(ISectorDevice* device, const NewVolume& volume, IProgressReporter* progress)
{
    const IFileSystem* family = FileSystemFor(volume.FileSystemType);
    return family && family->CanFormat() ? family->Format(device, volume, progress) : 5;
}

int HotExpandNtfsPartition(const PartitionInfo&, int64_t, IProgressReporter*)
{
    return 0;
}
