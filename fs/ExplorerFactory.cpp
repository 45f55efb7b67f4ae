#include "fs/IFileSystemExplorer.h"

#include "fs/FileSystemRegistry.h"

#include <cstring>
#include <memory>

IFileSystemExplorer* CreateFileSystemExplorerInterface(int fileSystemType)
{
    const IFileSystem* family = FileSystemFor(fileSystemType);
    return family ? family->CreateExplorer() : nullptr;
}

bool ReadRootNames(int fileSystemType, IDisk* disk, int64_t startSector, std::vector<std::string>& names)
{
    // Release closes the volume; the reader itself is the caller's.
    const auto release = [](IFileSystemExplorer* e) {
        if (e)
            e->Release();
        delete e;
    };
    std::unique_ptr<IFileSystemExplorer, decltype(release)> explorer(CreateFileSystemExplorerInterface(fileSystemType),
                                                                     release);
    std::vector<ExplorerEntry> root;
    if (!disk || !explorer || explorer->Open(disk, startSector) != 1 || !explorer->List(kExplorerRoot, root))
        return false;
    names.clear();
    for (const ExplorerEntry& item : root)
        names.emplace_back(item.Name, strnlen(item.Name, sizeof item.Name));
    return true;
}
