#include "fs/FileSystemServices.h"

#include <memory>

#include "core/LabelRule.h"
#include "engine/DiskEngine.h"
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

// The family and a volume device of an entry whose file system is on the disk; false for anything else.
bool openEntry(IDisk* disk, const PartitionInfo& e, const IFileSystem** family, std::unique_ptr<IVolumeDevice>* volume)
{
    if (!disk || e.PartitionTypeId == 0 || e.StartingLba < 0 || e.SectorCount <= 0 ||
        (e.EntryFlags & (kEntryPendingCreated | kEntryPendingFormatted | kEntryPendingMoved)))
        return false;
    *family = FileSystemFor(e.FileSystemType);
    if (!*family)
        return false;
    volume->reset(CreateVolumeDevice(disk, e));
    return *volume != nullptr;
}

} // namespace

uint64_t ReadEntrySerialNumber(IDisk* disk, const PartitionInfo& entry)
{
    const IFileSystem* family = nullptr;
    std::unique_ptr<IVolumeDevice> volume;
    if (!openEntry(disk, entry, &family, &volume))
        return 0;
    return family->ReadSerialNumber(*volume, volume->GetSectorCount(), entry.FileSystemType);
}

bool ReadEntryParameters(IDisk* disk, const PartitionInfo& entry, VolumeParameters* out)
{
    const IFileSystem* family = nullptr;
    std::unique_ptr<IVolumeDevice> volume;
    return openEntry(disk, entry, &family, &volume) &&
           family->ReadParameters(*volume, volume->GetSectorCount(), entry.FileSystemType, out);
}

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
