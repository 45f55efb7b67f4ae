#include "engine/IFileSystemExplorer.h"

#include "FatExplorer.h"
#include "NtfsExplorer.h"
#include "model/FileSystemTypes.h"

IFileSystemExplorer* CreateFileSystemExplorerInterface(int fileSystemType)
{
    if (IsFatCode(fileSystemType))
        return new FatExplorer();
    if (fileSystemType == kFsNtfs)
        return new NtfsExplorer();
    return nullptr;
}
