#include "FileSystemTypes.h"

bool IsFatCode(int fileSystemType)
{
    return fileSystemType == kFsFat12 || fileSystemType == kFsFat16 || fileSystemType == kFsFat32;
}

static const char* TextByCode(int fileSystemType)
{
    switch (fileSystemType) {
    case kFsNone: return "Unformatted";
    case kFsFat12:
    case kFsFat16: return "FAT";
    case kFsNtfs: return "NTFS";
    case kFsFat32: return "FAT32";
    case kFsExt2: return "Ext2";
    case kFsExt3: return "Ext3";
    case kFsLinuxSwap: return "Linux Swap";
    default: return "Other";
    }
}

const char* FileSystemListText(const PartitionInfo& info)
{
    switch (info.PartitionTypeId) {
    case kPlaceholderGptUnsupported: return "GPT Disk";
    case kPlaceholderDynamic: return "Dynamic Disk";
    case kPlaceholderBadDisk: return "Bad Disk";
    case 0: return "Unallocated";
    default: return TextByCode(info.FileSystemType);
    }
}

const char* FileSystemPropertiesText(int fileSystemType)
{
    switch (fileSystemType) {
    case kFsNone: return "(Unallocated)";
    case kFsFat12: return "FAT12";
    case kFsFat16: return "FAT16";
    case kFsNtfs: return "NTFS";
    case kFsFat32: return "FAT32";
    case kFsExt2: return "Ext2";
    case kFsExt3: return "Ext3";
    case kFsLinuxSwap: return "Linux Swap";
    default: return "(Other)";
    }
}

std::string PartitionStatusText(const PartitionInfo& info)
{
    std::string text;
    auto add = [&text](bool on, const char* word) {
        if (!on)
            return;
        if (!text.empty())
            text += " & ";
        text += word;
    };
    add(info.Active != 0, "Active");
    add(info.BootVolume != 0, "Boot");
    add(info.SystemVolume != 0, "System");
    add(info.Hidden != 0, "Hidden");
    add(info.ReadOnly != 0, "ReadOnly");
    return text.empty() ? "None" : text;
}

const char* PartitionTypeText(const PartitionInfo& info)
{
    if (info.IsGptEntry) {
        if (info.GptRecovery)
            return "GPT (Recovery Partition)";
        if (info.GptData)
            return "GPT (Data Partition)";
        if (info.GptReserved)
            return "GPT (Reserved Partition)";
        if (info.Active)
            return "GPT (EFI System partition)";
        return "GPT";
    }
    return info.IsPrimary ? "Primary" : "Logical";
}

bool IsHiddenTypeByte(int typeByte)
{
    switch (typeByte) {
    case 0x11: case 0x14: case 0x16: case 0x17: case 0x1B: case 0x1C: case 0x1E: case 0x93:
        return true;
    default:
        return false;
    }
}

int HiddenStateForType(int typeByte, int fileSystemType)
{
    const bool windowsFs = IsFatCode(fileSystemType) || fileSystemType == kFsNtfs || fileSystemType == kFsWindowsReadable;
    if (IsHiddenTypeByte(typeByte))
        return 1;
    return (typeByte >> 4) == 1 && windowsFs ? 1 : 0;
}

bool IsExtendedTypeByte(int typeByte)
{
    return typeByte == 0x05 || typeByte == 0x0F || typeByte == 0x85;
}
