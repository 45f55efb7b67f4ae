// Fills an entry's file-system fields from its volume device.
#pragma once

#include "engine/IVolumeLoader.h"

class KVolumeInfoReader : public IVolumeInfoReader {
public:
    // The drive letter and the file-system fields.
    int Refresh(IVolumeDevice* device, PartitionInfo* info, PartitionList* scratch) override;
    // The file-system fields only.
    static int ReadFileSystem(IVolumeDevice* device, PartitionInfo* info);
};
