#include "gui/common/FileSystemColors.h"

#include "core/FileSystemTypes.h"
#include "core/PartitionInfo.h"

QColor FileSystemColor(int nFileSystemType)
{
    switch (nFileSystemType) {
    case kFsNone:
        return QColor(127, 127, 0);
    case kFsFat12:
    case kFsFat16:
        return QColor(141, 195, 205);
    case kFsNtfs:
        return QColor(6, 120, 191);
    case kFsFat32:
        return QColor(107, 204, 73);
    case kFsExt2:
        return QColor(215, 178, 31);
    case kFsExt3:
        return QColor(205, 135, 5);
    case kFsLinuxSwap:
        return QColor(192, 119, 216);
    default:
        return QColor(132, 2, 4);
    }
}

QColor UnallocatedColor()
{
    return QColor(140, 140, 140);
}

QColor EntryColor(const PartitionInfo& info)
{
    return info.PartitionTypeId == 0 ? UnallocatedColor() : FileSystemColor(info.FileSystemType);
}
