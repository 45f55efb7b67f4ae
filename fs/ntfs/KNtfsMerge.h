// Joins two adjacent NTFS volumes of one device into one without moving file data: the merged volume
// covers both extents, its MFT holds the records of both (those of one volume renumbered after the
// other's), and the root of one volume becomes a folder, named by the caller, in the other's root.
// Like the resizer it runs a checking pass (writes nothing) and then the real pass.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum NtfsMergeResult : int {
    kNtfsMergeOk = 0,
    kNtfsMergeBadArgument = 1,
    kNtfsMergeOutOfMemory = 2,
    kNtfsMergeReadFailed = 3,
    kNtfsMergeWriteFailed = 4,
    kNtfsMergeNoRoom = 13,            // no free clusters for the merged structures
    kNtfsMergeBitmapUnreadable = 19,  // a $Bitmap record cannot be read
    kNtfsMergeNoSystemData = 20,      // a system file lacks its $DATA or $BITMAP
    kNtfsMergeNoBootOrUpcase = 23,    // $Boot or $UpCase lacks $DATA, or the root its index root
    kNtfsMergeNotNtfs = 34,
    kNtfsMergeMftUnreadable = 35,
    kNtfsMergeBitmapMismatch = 36,
    kNtfsMergeBadRunList = 37,
    kNtfsMergeBadRecord = 38,
    kNtfsMergeNoFileName = 42,        // a record without the $FILE_NAME it needs
    kNtfsMergeNonResidentRoot = 45,
    kNtfsMergeCancelled = 46,
    kNtfsMergeResidentBitmap = 47,
    kNtfsMergeClusterSizes = 48,
    kNtfsMergeRecordSizes = 49,
    kNtfsMergeIndexSizes = 50,
    kNtfsMergeIndexFull = 52,         // the kept root's index cannot take the folder's entry
    kNtfsMergeIndexDamaged = 53,      // an index block that cannot be read or renumbered
    kNtfsMergeNoRootAllocation = 54,  // a root index without $INDEX_ALLOCATION where it needs one
    kNtfsMergeNoRootBitmap = 55,      // a root index without its $BITMAP
    kNtfsMergeDirty = 58,             // a volume is marked dirty: its journal may hold unfinished changes
};

// first/secondStart: the two volumes, the first below the second. extendFirst: the first volume's
// records keep their numbers and its root holds the folder (else the second's). hiddenOption: the
// boot sector's hidden sectors become the first start (else the device's sectors per track).
// folderName: zero-terminated UTF-16, at most 255 units. mergedSectors, when given, is the extent of
// the merged partition: its last sector gets a copy of the boot sector too, where recovery tools look.
int MergeNtfs(ISectorDevice* device, int64_t firstStart, int64_t secondStart, int extendFirst, int hiddenOption,
              const char16_t* folderName, IProgressReporter* progress, int64_t mergedSectors = 0);
