#include "engine/IFileSystemExplorer.h"

#include "FatExplorer.h"
#include "model/FileSystemTypes.h"

IFileSystemExplorer* CreateFileSystemExplorerInterface(int fileSystemType)
{
    if (IsFatCode(fileSystemType))
        return new FatExplorer();
    return nullptr;
}
