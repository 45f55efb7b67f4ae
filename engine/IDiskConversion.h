// Dynamic-to-basic conversion and the file-system recognisers of partition recovery.
#pragma once

#include <cstdint>
#include <vector>

#include "IDisk.h"
#include "core/PartitionInfo.h"

class IConvertDynamicDiskToBasicDisk {
public:
    virtual ~IConvertDynamicDiskToBasicDisk() = default;
    virtual int SetDisk(IDisk* disk) = 0;
    // 1 when every volume of the disk is simple or mirrored and could be described as a partition.
    virtual int Convert() = 0;
    virtual int HasMirroredVolumes() = 0;
    // The basic partitions that will replace the dynamic volumes (valid after Convert).
    virtual const PartitionList& Volumes() const = 0;
};

class IFileSystemParameterGenerator {
public:
    virtual ~IFileSystemParameterGenerator() = default;
    // Offers one sector read at `lba` of `disk`; fills `found` and returns 1 when it starts a volume.
    virtual int Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) = 0;
};
