// A disk object of the disk engine: a whole disk (image file or block device).
#pragma once

#include <cstdint>
#include <string>

#include "DriveLayout.h"
#include "ISectorDevice.h"
#include "GptHeader.h"
#include "core/DiskGeometry.h"

class IDisk : public ISectorDevice {
public:
    virtual int64_t GetTotalSectors() = 0;
    virtual int Flush() = 0;
    // A write that does not stay in the system's cache (on a block device it goes straight to the
    // device); with Flush after it the sectors are on the medium. Disks without such a path write
    // normally, and Flush does the rest.
    virtual int WriteSectorsThrough(const void* buffer, int64_t firstSector, int64_t count)
    {
        return WriteSectors(buffer, firstSector, count);
    }
    virtual int Open(int diskNumber) = 0;
    virtual void Close() = 0;
    virtual int GetName(char* buffer, int size) = 0;
    virtual int IsDynamic() = 0;
    virtual uint32_t GetMbrSignature() = 0;
    virtual int IsGpt() = 0;
    virtual int ReadGptHeader(GptHeader* header) = 0;
    // Replaces the cached GPT header (after a new table was written); none forgets it.
    virtual void AdoptGptHeader(const GptHeader* header) = 0;
    // Drops everything cached about the table; the next query reads the disk again.
    virtual void ForgetLayout(const void* none) = 0;
    virtual int WriteDriveLayout(const DriveLayout& layout) = 0;
    // The same sectors, written without telling the running system (the change takes effect at boot).
    virtual int WriteDriveLayoutDirect(const DriveLayout& layout) = 0;

    // Where this disk lives: the image file or the device node.
    virtual std::string GetPath() const = 0;
    virtual bool IsBlockDevice() const = 0;
    virtual int GetDiskNumber() const = 0;
};
