// Boot configuration objects of the disk engine: boot.ini and the BCD store.
#pragma once

#include <cstdint>

#include "IVolumeDevice.h"
#include "core/PartitionInfo.h"

class IBootIniConfigFile {
public:
    virtual ~IBootIniConfigFile() = default;
    virtual int Save(IVolumeDevice* device) = 0;
    virtual int HasChanges() = 0;
    virtual int Attach(IVolumeDevice* device) = 0;
    virtual int RegisterPartition(const PartitionInfo& info) = 0;
    virtual int Renumber(const PartitionList& oldList, const PartitionList& newList) = 0;
};

class IVistaBCDConfigFile {
public:
    virtual ~IVistaBCDConfigFile() = default;
    virtual int Save(IVolumeDevice* device) = 0;
    virtual int HasChanges() = 0;
    virtual int Attach(IVolumeDevice* device) = 0;
    virtual int Repoint(uint32_t oldSignature, int64_t oldByteOffset, uint32_t newSignature, int64_t newByteOffset) = 0;
};
