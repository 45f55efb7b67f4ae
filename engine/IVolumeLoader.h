// The volume loader and its two helper objects.
#pragma once

#include "IDisk.h"
#include "IVolumeDevice.h"
#include "model/PartitionInfo.h"
#include "model/TableErrorList.h"

// Load options.
inline constexpr int kLoadTableOnly = 0;
inline constexpr int kLoadWithVolumeInfo = 1;

class ILayoutCommitter {
public:
    virtual ~ILayoutCommitter() = default;
    // 1 when the layout may be written; 0 refuses it. The disk, when given, adds the checks that need it.
    virtual int Check(const PartitionList& list, int flag, IDisk* disk = nullptr) = 0;
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
