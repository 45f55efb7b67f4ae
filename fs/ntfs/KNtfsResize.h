// Rebuilds an existing NTFS volume into a new extent or with a new cluster size: grow, shrink, move on
// the same device, copy to another place or device, change the cluster size in place. Every
// non-resident attribute of every file record gets a run list in the new volume; clusters that cannot
// stay where they lie are copied to clusters taken for them. Each operation runs twice: a checking
// pass that reads, checks and plans everything and writes nothing, then the real pass.
//
// Order of the real pass: the data copies first (only to clusters whose sectors the old volume does
// not use, or outside it), then the changed file records, directories converted to a new cluster
// size, the unaligned shift, $LogFile reset, bitmaps, boot sectors and the MFT mirror. Until the
// records are written the old volume stays valid: a failure, a cancel or a power cut during the copy
// leaves it as it was.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum NtfsResizeResult : int {
    kNtfsResizeOk = 0,
    kNtfsResizeBadArgument = 1,
    kNtfsResizeOutOfMemory = 2,
    kNtfsResizeReadFailed = 3,
    kNtfsResizeWriteFailed = 4,
    kNtfsResizeNoRoom = 13,
    kNtfsResizeNoSystemData = 20,      // a system file lacks its $DATA (or $BITMAP) attribute
    kNtfsResizeNoMftData = 23,
    kNtfsResizeNotNtfs = 34,
    kNtfsResizeMftUnreadable = 35,
    kNtfsResizeBitmapMismatch = 36,    // $Bitmap and the files' run lists disagree, or files share clusters
    kNtfsResizeBadRunList = 37,
    kNtfsResizeBadRecord = 38,         // a record marked in use cannot be read
    kNtfsResizeLogFileList = 39,       // $LogFile has an attribute list
    kNtfsResizeMftNotMovable = 40,
    kNtfsResizeNewMftUnreadable = 41,
    kNtfsResizeNonResidentRoot = 45,
    kNtfsResizeCancelled = 46,
    kNtfsResizeCompression = 56,       // a compressed attribute cannot take the new cluster size
    kNtfsResizeIndexConversion = 57,   // an index cannot be converted to the new cluster size
    kNtfsResizeDirty = 58,             // the volume was not shut down cleanly: check it first
    kNtfsResizeHibernated = 59,        // the volume holds an active hibernation image
};

class KNtfsResize {
public:
    virtual ~KNtfsResize();

    // hiddenOption: the boot sector's hidden sectors become the new start (else the device's sectors
    // per track). forceNewMft: the MFT is rebuilt in clusters taken for it even in place.
    // Returns 0 at once when start and size are unchanged.
    int ResizeNtfs(ISectorDevice* device, int64_t oldStart, int64_t oldSize, int64_t newStart, int64_t newSize,
                   int hiddenOption, int forceNewMft, IProgressReporter* progress);
    // sectorsPerCluster: a power of two from 1 to 128.
    int ChangeNtfsClusterSize(ISectorDevice* device, int64_t start, int64_t size, int sectorsPerCluster,
                              int hiddenOption, int forceNewMft, IProgressReporter* progress);
    // Source and target are one disk exactly when they are one object.
    int CopyNtfs(ISectorDevice* source, int64_t sourceStart, int64_t sourceSize, ISectorDevice* target,
                 int64_t targetStart, int64_t targetSize, int hiddenOption, IProgressReporter* progress);
};

// The start a move on the same disk should use so that it is a whole number of clusters: unchanged
// when the old and new extents do not overlap.
int64_t AlignNtfsMoveStart(int64_t oldStart, int sectorsPerCluster, int64_t oldSize, int64_t newStart,
                           int64_t newSize);
