// The head of every command's parameter block: what the executive acts on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ErrorCodes.h"

enum CommandKind : int32_t {
    kCmdFormatPartition = 2,
    kCmdResizePartition = 3,
    kCmdCopyPartition = 4,
    kCmdCreatePartition = 6,
    kCmdDeletePartition = 7,
    kCmdActivePartition = 8,
    kCmdHidePartition = 9,
    kCmdMountPartition = 10,
    kCmdLabelPartition = 11,
    kCmdChangeClusterSize = 17,
    kCmdMergePartition = 20,
    kCmdWipeDisk = 21,
    kCmdChangePartitionPrimary = 22,
    kCmdChangePartitionTypeId = 23,
    kCmdChangeSerialNumber = 24,
    kCmdInitiateDisk = 85,
    kCmdFixDiskBootConfig = 87,
};

// Execution codes of a command's Execute.
enum CommandResult : int {
    kCmdOk = 0,
    kCmdNotApplicable = 16,
    kCmdNotParsed = 17,
    kCmdPartitionUnreadable = 18,
    kCmdCancelled = 23,
    kCmdFailed = 24,
    kCmdRunAgain = 32,
};


struct CommandSummary {
    int32_t CommandKind;
    int32_t LockVolume;
    int32_t RestoreLetter;
    int32_t Dismount;
    int32_t BootTimeOnly;
    int32_t DiskIndex;
    int32_t PartitionIndex;
    int32_t Letter;
    int32_t LetterDiskIndex;
    int32_t LetterPartitionIndex;
};
static_assert(sizeof(CommandSummary) == 40);
static_assert(offsetof(CommandSummary, LetterPartitionIndex) == 36);
