// The directory reader of a partition: lists folders, reads files and rewrites a file in place.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

class IDisk;

// One listed item, 336 bytes.
struct ExplorerEntry {
    char Name[256];        // ANSI (UTF-8 here), NUL-terminated
    uint32_t Attributes;   // 0x10 = directory
    uint8_t Reserved260[4];
    int64_t Size;
    uint32_t CreationTime[2];     // FILETIME, low part first
    uint32_t ModificationTime[2];
    uint8_t Reserved288[8];
    int32_t DirectoryId;   // pass to List to open this item; for files it locates the data
    uint8_t Reserved300[36];
};
static_assert(sizeof(ExplorerEntry) == 336);
static_assert(offsetof(ExplorerEntry, Attributes) == 256);
static_assert(offsetof(ExplorerEntry, Size) == 264);
static_assert(offsetof(ExplorerEntry, CreationTime) == 272);
static_assert(offsetof(ExplorerEntry, ModificationTime) == 280);
static_assert(offsetof(ExplorerEntry, DirectoryId) == 296);

inline constexpr int32_t kExplorerRoot = -1;

class IFileSystemExplorer {
public:
    virtual ~IFileSystemExplorer() = default;
    // 1 when the partition starting at startSector holds this explorer's file system.
    virtual int Open(IDisk* disk, int64_t startSector) = 0;
    // The items of a directory (kExplorerRoot for the root). 0 when it cannot be read.
    virtual int List(int32_t directoryId, std::vector<ExplorerEntry>& entries) = 0;
    // A file's bytes, found by its entry.
    virtual int ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data) = 0;
    // Rewrites a file's bytes; the length must stay the same.
    virtual int WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data) = 0;
    virtual void Release() = 0;
};

// The explorer for a file-system code, or none when there is no explorer for it.
IFileSystemExplorer* CreateFileSystemExplorerInterface(int fileSystemType);

// The names of the items in the root of the volume at `startSector` (as the explorer lists them, UTF-8).
// False when there is no explorer for the file system or the root cannot be read.
bool ReadRootNames(int fileSystemType, IDisk* disk, int64_t startSector, std::vector<std::string>& names);
