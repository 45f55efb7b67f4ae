// Fills an entry's file-system fields from its volume device.
#pragma once

#include "IVolumeLoader.h"

class KVolumeInfoReader : public IVolumeInfoReader {
public:
    int Refresh(IVolumeDevice* device, PartitionInfo* info, PartitionList* scratch) override;
};
