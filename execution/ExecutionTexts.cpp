#include "ExecutionTexts.h"

// This library has no Qt; the marker only tells the catalogue tools which texts to collect.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

const char* OperationName(int code)
{
    switch (code) {
    case 1: return QT_TRANSLATE_NOOP("ExecutionTexts", "Updating system information");
    case 2: return QT_TRANSLATE_NOOP("ExecutionTexts", "Format partition");
    case 3: return QT_TRANSLATE_NOOP("ExecutionTexts", "Resize partition");
    case 4: return QT_TRANSLATE_NOOP("ExecutionTexts", "Copy partition");
    case 5: return QT_TRANSLATE_NOOP("ExecutionTexts", "Copy disk");
    case 6: return QT_TRANSLATE_NOOP("ExecutionTexts", "Create partition");
    case 7: return QT_TRANSLATE_NOOP("ExecutionTexts", "Delete partition");
    case 8: return QT_TRANSLATE_NOOP("ExecutionTexts", "Set partition active/inactive");
    case 9: return QT_TRANSLATE_NOOP("ExecutionTexts", "Hide/Unhide partition");
    case 10: return QT_TRANSLATE_NOOP("ExecutionTexts", "Mount partition");
    case 11: return QT_TRANSLATE_NOOP("ExecutionTexts", "Set partition label");
    case 12: return QT_TRANSLATE_NOOP("ExecutionTexts", "Check partition");
    case 13: return QT_TRANSLATE_NOOP("ExecutionTexts", "Backup partition");
    case 14: return QT_TRANSLATE_NOOP("ExecutionTexts", "Restore partition");
    case 15: return QT_TRANSLATE_NOOP("ExecutionTexts", "Backup disk");
    case 16: return QT_TRANSLATE_NOOP("ExecutionTexts", "Restore disk");
    case 17: return QT_TRANSLATE_NOOP("ExecutionTexts", "Change cluster size");
    case 18: return QT_TRANSLATE_NOOP("ExecutionTexts", "Convert file system");
    case 19: return QT_TRANSLATE_NOOP("ExecutionTexts", "Split partition");
    case 20: return QT_TRANSLATE_NOOP("ExecutionTexts", "Merge partition");
    case 21: return QT_TRANSLATE_NOOP("ExecutionTexts", "Wipe Partition/Disk");
    case 22: return QT_TRANSLATE_NOOP("ExecutionTexts", "Set Partition as Primary/Logical");
    case 23: return QT_TRANSLATE_NOOP("ExecutionTexts", "Change Partition Type ID");
    case 24: return QT_TRANSLATE_NOOP("ExecutionTexts", "Change Partition Serial Number");
    case 80: return QT_TRANSLATE_NOOP("ExecutionTexts", "Checking file system");
    case 81: return QT_TRANSLATE_NOOP("ExecutionTexts", "Moving data");
    case 82: return QT_TRANSLATE_NOOP("ExecutionTexts", "Copying data");
    case 83: return QT_TRANSLATE_NOOP("ExecutionTexts", "Processing files");
    case 84: return QT_TRANSLATE_NOOP("ExecutionTexts", "Processing directories");
    case 85: return QT_TRANSLATE_NOOP("ExecutionTexts", "Initialize Disk");
    case 86: return QT_TRANSLATE_NOOP("ExecutionTexts", "Writing Data...");
    case 87: return QT_TRANSLATE_NOOP("ExecutionTexts", "Update Disk Boot Configure");
    default: return "";
    }
}

const char* ErrorMessage(int code)
{
    if (code == 1)
        return QT_TRANSLATE_NOOP("ExecutionTexts", "Invalid parameter.");
    if (code == 2)
        return QT_TRANSLATE_NOOP("ExecutionTexts", "Not enough memory!");
    if (code == 3 || code == 4 || (code >= 14 && code <= 17))
        return QT_TRANSLATE_NOOP("ExecutionTexts", "Disk I/O error.");
    if (code == 5)
        return QT_TRANSLATE_NOOP("ExecutionTexts", "Invalid file system.");
    if ((code >= 7 && code <= 12) || code == 36 || code == 38)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "Volmara detects that file system of the partition have errors. Please use "
                                 "\"Check File System\" function to fix it first.");
    if (code == 13 || code == 32)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "Not enough free space. Please reserve more free space for the partition.");
    if (code == 39)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "Volmara detect large amount of fragmentation in your file system.\nResize or move "
                                 "partition can not continue because of the fragmentation.\nPlease run Windows Disk "
                                 "Defragmenter before resize or move your partition.");
    if (code == 56)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "Volmara detects the specified partition contains NTFS compressed files.\nAnd the new "
                                 "cluster size does not support NTFS compressed file.");
    if (code == kErrorPartitionInUseBySystem)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "The partition table of this disk was not changed: the change would remove, move or "
                                 "renumber a partition that is mounted or otherwise in use by the system, and the "
                                 "system cannot follow that while it is. Unmount that partition and try again.");
    if ((code >= 18 && code <= 28) || code == 30 || code == 31 || (code >= 33 && code <= 35) || code == 37 ||
        code == 40 || code == 41)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "NTFS file system error. Please use \"Check File System\" function to fix it first.");
    return "";
}

std::string ErrorText(int code)
{
    return "Error Code: " + std::to_string(code) + "\n\n" + ErrorMessage(code);
}
