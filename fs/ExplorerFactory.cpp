#include "fs/IFileSystemExplorer.h"

#include "fs/FileSystemRegistry.h"

IFileSystemExplorer* CreateFileSystemExplorerInterface(int fileSystemType)
{
    const IFileSystem* family = FileSystemFor(fileSystemType);
    return family ? family->CreateExplorer() : nullptr;
}
