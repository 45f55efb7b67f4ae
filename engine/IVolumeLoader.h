// The volume loader and its two helper objects.
#pragma once

#include "IDisk.h"
#include "IVolumeDevice.h"
#include "core/PartitionInfo.h"
#include "core/TableErrorList.h"

// Load options.
inline constexpr int kLoadTableOnly = 0;
inline constexpr int kLoadWithVolumeInfo = 1;

// Why a layout may not be written.
enum LayoutProblem : int {
    kLayoutOk = 0,
    kLayoutEmptyExtent = 1,        // no sectors, or starting in sector 0
    kLayoutOutsideDisk = 2,        // past the end of the disk, or outside a GPT's usable sectors
    kLayoutOverlap = 3,
    kLayoutMixedStyles = 4,        // MBR and GPT entries on one disk
    kLayoutTooManyPrimaries = 5,   // more than four slots, the extended container included
    kLayoutLogicalsSplit = 6,      // a primary partition between logical ones
    kLayoutNoRoomForEbr = 7,       // a logical partition's extended boot record would land in use
    kLayoutBeyondMbrLimit = 8,     // an MBR entry reaching past 2^32 sectors
    kLayoutExtendedType = 9,       // an extended-container type on a partition of its own
};

class ILayoutCommitter {
public:
    virtual ~ILayoutCommitter() = default;
    // 1 when the layout may be written; 0 refuses it. The disk, when given, adds the checks that need it.
    virtual int Check(const PartitionList& list, int flag, IDisk* disk = nullptr) = 0;
    // What Check finds wrong with the layout, kLayoutOk when nothing.
    virtual int FindProblem(const PartitionList& list, IDisk* disk = nullptr) = 0;
    // Makes a written layout take effect in the running system. 1 success.
    virtual int Commit(IDisk* disk, PartitionList& list, int index, int flag) = 0;
};

class IVolumeInfoReader {
public:
    virtual ~IVolumeInfoReader() = default;
    // Fills the file-system fields of the entry from the volume's sectors. 1 success.
    virtual int Refresh(IVolumeDevice* device, PartitionInfo* info, PartitionList* scratch) = 0;
};

class IVolumeLoader {
public:
    virtual ~IVolumeLoader() = default;
    virtual int Initialise() = 0;
    virtual int Load(IDisk* disk, PartitionList& list, TableErrorList& errors, int option) = 0;
    virtual ILayoutCommitter* GetLayoutCommitter() = 0;
    virtual IVolumeInfoReader* GetVolumeInfoReader() = 0;
};
