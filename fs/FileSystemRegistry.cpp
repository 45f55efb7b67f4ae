#include "fs/FileSystemRegistry.h"

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
