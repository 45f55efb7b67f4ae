// The colour of each file system, shared by the disk map, the legend and the partition list.
#pragma once

#include <QColor>

struct PartitionInfo;

// By file-system code: FAT12/FAT16, FAT32, NTFS, Ext2, Ext3, Linux swap, unformatted, anything else.
QColor FileSystemColor(int nFileSystemType);
// Free space: the same grey whatever the record's file-system code says.
QColor UnallocatedColor();
// The colour an entry is drawn in: grey for an unallocated area (type id 0), else its file system's.
QColor EntryColor(const PartitionInfo& info);
