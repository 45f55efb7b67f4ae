// The file-system families, found by code. The probe order is the order of FileSystems().
#pragma once

#include <vector>

#include "fs/IFileSystem.h"

// The family that answers for the code, or null.
const IFileSystem* FileSystemFor(int fileSystemType);
// Every family in probe order: swap first (mkswap keeps the first KiB of whatever was there), the
// generic libblkid probe of the file systems the program does not handle last.
const std::vector<const IFileSystem*>& FileSystems();
