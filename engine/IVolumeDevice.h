// A volume device: sector access bounded by one partition (sectors count from the partition's start).
#pragma once

#include "ISectorDevice.h"
#include "core/PartitionInfo.h"

class IVolumeDevice : public ISectorDevice {
public:
    // Called after a lock and dismount; nothing is left to do on this platform.
    virtual int AfterDismount() = 0;
    virtual int SetDriveLetter(char letter) = 0;
    // Removes the drive letter.
    virtual int Dismount() = 0;
    virtual int Lock() = 0;
    virtual int Unlock() = 0;
    virtual int GetPartitionInfo(PartitionInfo* info) = 0;
    virtual int64_t GetSectorCount() const = 0;
};
