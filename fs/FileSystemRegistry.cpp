#include "fs/FileSystemRegistry.h"

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"

// Each family defines its own accessor beside its code.
const IFileSystem& FatFamily();
const IFileSystem& NtfsFamily();
const IFileSystem& ExtFamily();
const IFileSystem& SwapFamily();
const IFileSystem& OtherFamily();

const std::vector<const IFileSystem*>& FileSystems()
{
    static const std::vector<const IFileSystem*> families = {&SwapFamily(), &NtfsFamily(), &FatFamily(), &ExtFamily(),
                                                             &OtherFamily()};
    return families;
}

const IFileSystem* FileSystemFor(int fileSystemType)
{
    for (const IFileSystem* family : FileSystems())
        if (family->Handles(fileSystemType))
            return family;
    return nullptr;
}

uint64_t IFileSystem::ReadSerialNumber(ISectorDevice& volume, int64_t sectors, int fileSystemType) const
{
    int width = 0;
    const int offset = SerialNumberOffset(fileSystemType, &width);
    uint8_t sector[512];
    if (offset < 0 || sectors < 1 || !volume.ReadSectors(sector, 0, 1))
        return 0;
    return width == 8 ? le64(sector + offset) : le32(sector + offset);
}
