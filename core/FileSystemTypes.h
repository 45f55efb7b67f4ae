// File-system codes and the words the views show for an entry.
#pragma once

#include <cstdint>
#include <string>

#include "PartitionInfo.h"

enum FileSystemCode : int16_t {
    kFsNone = 0,
    kFsFat12 = 1,
    kFsFat16 = 6,
    kFsNtfs = 7,
    kFsWindowsReadable = 9, // treated as Windows-readable by the hide rules
    kFsFat32 = 11,
    kFsExt2 = 49,
    kFsExt3 = 50,
    kFsLinuxSwap = 51,
    kFsOther = 128,          // a file system the program does not handle
    kFsPlaceholder = 255,
};

bool IsFatCode(int fileSystemType);

// The MBR type bytes of hidden partitions: 0x11, 0x14, 0x16, 0x17, 0x1B, 0x1C, 0x1E and 0x93.
bool IsHiddenTypeByte(int typeByte);
// The hidden state an MBR entry must have for the table writer to store exactly this type byte: the
// writer sets 0x10 on hidden entries and clears it from unhidden ones that hold a Windows file system.
int HiddenStateForType(int typeByte, int fileSystemType);
// The extended-container types, which belong to the container alone.
bool IsExtendedTypeByte(int typeByte);

// Partition-list text: "FAT", "NTFS", "Unallocated", "Dynamic Disk", ... (untranslated source text).
const char* FileSystemListText(const PartitionInfo& info);
// Properties text: "FAT12", "(Unallocated)", "(Other)", ...
const char* FileSystemPropertiesText(int fileSystemType);
// "Active & Boot & Hidden" or "None".
std::string PartitionStatusText(const PartitionInfo& info);
// "Primary", "Logical", "GPT (Data Partition)", ...
const char* PartitionTypeText(const PartitionInfo& info);
