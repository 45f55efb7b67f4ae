#include "ExecutionTexts.h"

const char* OperationName(int code)
{
    switch (code) {
    case 1: return "Updating system information";
    case 2: return "Format partition";
    case 3: return "Resize partition";
    case 4: return "Copy partition";
    case 5: return "Copy disk";
    case 6: return "Create partition";
    case 7: return "Delete partition";
    case 8: return "Set partition active/inactive";
    case 9: return "Hide/Unhide partition";
    case 10: return "Mount partition";
    case 11: return "Set partition label";
    case 12: return "Check partition";
    case 13: return "Backup partition";
    case 14: return "Restore partition";
    case 15: return "Backup disk";
    case 16: return "Restore disk";
    case 17: return "Change cluster size";
    case 18: return "Convert file system";
    case 19: return "Split partition";
    case 20: return "Merge partition";
    case 21: return "Wipe Partition/Disk";
    case 22: return "Set Partition as Primary/Logical";
    case 23: return "Change Partition Type ID";
    case 24: return "Change Partition Serial Number";
    case 80: return "Checking file system";
    case 81: return "Moving data";
    case 82: return "Copying data";
    case 83: return "Processing files";
    case 84: return "Processing directories";
    case 85: return "Initialize Disk";
    case 86: return "Writing Data...";
    case 87: return "Update Disk Boot Configure";
    default: return "";
    }
}

const char* ErrorMessage(int code)
{
    if (code == 1)
        return "Invalid parameter.";
    if (code == 2)
        return "Not enough memory!";
    if (code == 3 || code == 4 || (code >= 14 && code <= 17))
        return "Disk I/O error.";
    if (code == 5)
        return "Invalid file system.";
    if ((code >= 7 && code <= 12) || code == 36 || code == 38)
        return "Volmara detects that file system of the partition have errors. Please use \"Check File System\" "
               "function to fix it first.";
    if (code == 13 || code == 32)
        return "Not enough free space. Please reserve more free space for the partition.";
    if (code == 39)
        return "Volmara detect large amount of fragmentation in your file system.\nResize or move partition can not "
               "continue because of the fragmentation.\nPlease run Windows Disk Defragmenter before resize or move "
               "your partition.";
    if (code == 56)
        return "Volmara detects the specified partition contains NTFS compressed files.\nAnd the new cluster size "
               "does not support NTFS compressed file.";
    if ((code >= 18 && code <= 28) || code == 30 || code == 31 || (code >= 33 && code <= 35) || code == 37 ||
        code == 40 || code == 41)
        return "NTFS file system error. Please use \"Check File System\" function to fix it first.";
    return "";
}

std::string ErrorText(int code)
{
    return "Error Code: " + std::to_string(code) + "\n\n" + ErrorMessage(code);
}
