// The error codes commands and file-system routines keep (shown as "Error Code: %1").
#pragma once

enum CommandErrorDetail : int {
    kDetailInvalidParameter = 1,
    kDetailOutOfMemory = 2,
    kDetailReadFailed = 3,
    kDetailWriteFailed = 4,
    kDetailUnsupported = 5,
    kDetailUnexpected = 6,
    kDetailCancelled = 46,
    // Why a line or a change was refused before anything was written.
    kDetailLineMismatch = 100,      // the line does not follow its command's format
    kDetailValueOutOfRange = 101,   // a value outside what its field may hold
    kDetailNoSuchDisk = 102,
    kDetailNoSuchPartition = 103,
    kDetailNotOnGpt = 104,          // the operation has no meaning on a GPT disk
    kDetailNotForFileSystem = 105,  // the partition's file system has nothing this operation could change
    kDetailExtendedType = 106,      // an extended-container type on a partition that holds data
    kDetailLabelTooLong = 107,
    kDetailLabelInvalidCharacter = 108,
    kDetailRootDirectoryFull = 109,
    kDetailSameDiskTwice = 110,
    kDetailDynamicDatabase = 111, // the dynamic disk's database is damaged or holds a volume no partition can replace
    // The partition-table rules that refused a layout: kDetailLayoutBase + a LayoutProblem code.
    kDetailLayoutBase = 120,
};
