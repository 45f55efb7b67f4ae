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
    if (code == 58)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "The NTFS file system of the partition was not shut down cleanly. Please use \"Check "
                                 "File System\" function to check it, or shut Windows down properly, first.");
    if (code == 59)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "Windows is hibernated on this partition. Please start Windows and shut it down "
                                 "completely (not hibernate or fast startup) first.");
    if (code == kErrorPartitionInUseBySystem)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "The partition table of this disk was not changed: the change would remove, move or "
                                 "renumber a partition that is mounted or otherwise in use by the system, and the "
                                 "system cannot follow that while it is. Unmount that partition and try again.");
    if ((code >= 18 && code <= 28) || code == 30 || code == 31 || (code >= 33 && code <= 35) || code == 37 ||
        code == 40 || code == 41 || code == 45 || code == 57)
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "NTFS file system error. Please use \"Check File System\" function to fix it first.");
    switch (code) {
    case 100: return QT_TRANSLATE_NOOP("ExecutionTexts", "The command line does not follow the format of its command.");
    case 101: return QT_TRANSLATE_NOOP("ExecutionTexts", "A value in the command line is out of range.");
    case 102: return QT_TRANSLATE_NOOP("ExecutionTexts", "There is no disk with this index.");
    case 103: return QT_TRANSLATE_NOOP("ExecutionTexts", "There is no partition with this index.");
    case 104: return QT_TRANSLATE_NOOP("ExecutionTexts", "This operation does not apply to a GPT disk.");
    case 105:
        return QT_TRANSLATE_NOOP("ExecutionTexts", "This operation does not apply to the file system of this partition.");
    case 106:
    case 129:
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "An extended partition type can only belong to the extended partition itself.");
    case 107: return QT_TRANSLATE_NOOP("ExecutionTexts", "The label is too long for this file system.");
    case 108: return QT_TRANSLATE_NOOP("ExecutionTexts", "The label contains a character this file system does not allow.");
    case 109: return QT_TRANSLATE_NOOP("ExecutionTexts", "The root directory has no room for the label.");
    case 110: return QT_TRANSLATE_NOOP("ExecutionTexts", "The same disk is named twice.");
    case 111:
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "The dynamic disk was not converted: its database is damaged, or it holds a volume that "
                                 "is not a simple volume.");
    case 121: return QT_TRANSLATE_NOOP("ExecutionTexts", "The partition would have no sectors.");
    case 122:
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "The partition would reach past the end of the disk or outside its usable area.");
    case 123: return QT_TRANSLATE_NOOP("ExecutionTexts", "The partition would overlap another partition.");
    case 124: return QT_TRANSLATE_NOOP("ExecutionTexts", "MBR and GPT entries cannot share a disk.");
    case 125:
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "An MBR disk holds at most four primary partitions, the extended partition included.");
    case 126: return QT_TRANSLATE_NOOP("ExecutionTexts", "A primary partition cannot lie between logical partitions.");
    case 127:
        return QT_TRANSLATE_NOOP("ExecutionTexts",
                                 "There is no free room before the logical partition for its extended boot record.");
    case 128: return QT_TRANSLATE_NOOP("ExecutionTexts", "An MBR partition cannot reach past 2^32 sectors (2 TB).");
    default: return "";
    }
}

namespace {

const char* resultMessage(int result)
{
    switch (result) {
    case -1: return QT_TRANSLATE_NOOP("ExecutionTexts", "The partition-table rules refuse this change.");
    case 1: return QT_TRANSLATE_NOOP("ExecutionTexts", "There is no such disk or partition.");
    case 2: return QT_TRANSLATE_NOOP("ExecutionTexts", "The partition table could not be written.");
    case 3: return QT_TRANSLATE_NOOP("ExecutionTexts", "The system could not be told about the new partition table.");
    case 4: return QT_TRANSLATE_NOOP("ExecutionTexts", "boot.ini could not be updated.");
    case 5: return QT_TRANSLATE_NOOP("ExecutionTexts", "The boot configuration could not be updated.");
    case 16: return QT_TRANSLATE_NOOP("ExecutionTexts", "This operation does not apply to this partition.");
    case 17: return QT_TRANSLATE_NOOP("ExecutionTexts", "The command was not initialised.");
    case 18: return QT_TRANSLATE_NOOP("ExecutionTexts", "The partition could not be read.");
    case 19: return QT_TRANSLATE_NOOP("ExecutionTexts", "No command has this name.");
    case 20: return QT_TRANSLATE_NOOP("ExecutionTexts", "The command could not be read.");
    case 21: return QT_TRANSLATE_NOOP("ExecutionTexts", "The command line was refused.");
    default: return QT_TRANSLATE_NOOP("ExecutionTexts", "The command failed.");
    }
}

} // namespace

bool IsFailedLine(int result)
{
    return result != 0 && result != 22 && result != 23 && result != 25;
}

std::string FailureReason(int result, int errorCode)
{
    const char* detail = ErrorMessage(errorCode);
    return detail[0] ? detail : resultMessage(result);
}

std::string ErrorText(int code)
{
    return "Error Code: " + std::to_string(code) + "\n\n" + ErrorMessage(code);
}
