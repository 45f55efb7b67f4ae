// One file-system family behind one interface: what the volume-information reader, the label writer,
// partition recovery, the directory readers, the create and format commands and the dialogs ask of a
// file system. Families are found by file-system code in the registry (FileSystemRegistry.h); nobody
// else switches on the code to choose file-system code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/LabelRule.h"
#include "core/PartitionInfo.h"

class IDisk;
class IFileSystemExplorer;
class IProgressReporter;
class ISectorDevice;

// A file system to create on an area of a device.
struct NewVolume {
    int FileSystemType = 0;   // the code: 1, 6 or 11 (the FAT kind), 7, 49, 50 or 51
    int ClusterSize = 0;      // sectors per cluster (Ext: per block); 0 for the default of the size
    std::string Label;
    int64_t Start = 0;        // first sector of the area on the device
    int64_t Sectors = 0;
    int64_t HiddenSectors = 0;
};

// What a volume's boot sector (Ext: superblock) says of its make-up, as the properties dialog lists
// it. Sizes are in 512-byte sectors; only the fields of the volume's family are filled.
struct VolumeParameters {
    uint32_t SectorsPerCluster = 0; // Ext: sectors per block
    // FAT
    uint32_t NumberOfFats = 0;
    uint32_t ReservedSectors = 0;
    uint32_t SectorsPerFat = 0;
    uint32_t RootEntries = 0;       // FAT12/16: entries of the fixed root directory
    uint32_t RootCluster = 0;       // FAT32: first cluster of the root directory
    // NTFS
    uint32_t SectorsPerFileRecord = 0;
    uint32_t SectorsPerIndexRecord = 0;
    uint64_t MftLcn = 0;
    uint64_t MftMirrorLcn = 0;
    // Ext
    uint32_t InodesPerGroup = 0;
    uint32_t BlocksPerGroup = 0;
    uint32_t InodeSize = 0;         // bytes
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // Whether the family answers for this file-system code.
    virtual bool Handles(int fileSystemType) const = 0;

    // Fills FileSystemType, ClusterSize, Label and the free-space fields when the volume is of this
    // family; false leaves the judgement to the next family.
    virtual bool Probe(ISectorDevice& volume, int64_t sectors, PartitionInfo& info) const = 0;

    // The longest label the dialogs take; the label rule (LabelRule.h) says what the field holds.
    virtual int MaxLabelLength() const { return kDefaultMaxLabelLength; }
    virtual bool HasLabelWriter() const { return false; }
    // Writes a label that passed the label rule. `noRoom` is set when the volume had no room for it.
    virtual bool WriteLabel(ISectorDevice&, int64_t /*sectors*/, const char* /*label*/, bool* /*noRoom*/) const
    {
        return false;
    }

    // Where the boot sector keeps the serial number: its offset and width in bytes; -1 when the
    // family keeps none there.
    virtual int SerialNumberOffset(int /*fileSystemType*/, int* /*bytes*/) const { return -1; }

    // The serial number the volume shows (Ext: the first 8 bytes of its UUID); 0 when unreadable or none.
    virtual uint64_t ReadSerialNumber(ISectorDevice& volume, int64_t sectors, int fileSystemType) const;

    // The make-up of the volume as its boot sector (Ext: superblock) states it; false when the family
    // keeps none there or the sector is unreadable or not sane.
    virtual bool ReadParameters(ISectorDevice& /*volume*/, int64_t /*sectors*/, int /*fileSystemType*/,
                                VolumeParameters* /*out*/) const
    {
        return false;
    }

    // Partition recovery: whether the sector read at `lba` starts a volume of this family.
    virtual bool Recognise(IDisk*, const uint8_t* /*sector*/, int64_t /*lba*/, PartitionInfo* /*found*/) const
    {
        return false;
    }

    // A directory reader for volumes of this family, or null (the caller owns it).
    virtual IFileSystemExplorer* CreateExplorer() const { return nullptr; }

    // Creating volumes.
    virtual bool CanFormat() const { return false; }
    // 0 when the file system was written, else its error code (1 bad argument, 2 out of memory,
    // 4 a write failed, 5 no room for the file system).
    virtual int Format(ISectorDevice*, const NewVolume&, IProgressReporter*) const { return 5; }
    // The MBR type byte a new volume of this code gets; 0 for none.
    virtual int TypeByte(int /*fileSystemType*/) const { return 0; }
    // The code a new volume of `sectors` really gets (FAT picks a smaller kind the size cannot carry).
    virtual int KindForSize(int fileSystemType, int64_t /*sectors*/) const { return fileSystemType; }
    // The cluster sizes (sectors) a volume of this size may have; false for a family whose cluster size
    // cannot be changed.
    virtual bool ClusterSizeRange(int /*fileSystemType*/, int64_t /*sectors*/, int* /*smallest*/, int* /*largest*/) const
    {
        return false;
    }
    // Sectors per cluster the format picks when none was chosen.
    virtual int DefaultClusterSize(int /*fileSystemType*/, int64_t /*sectors*/) const { return 0; }
    // Sectors an empty volume of this size occupies; the rest is free.
    virtual int64_t SystemAreaSectors(int /*fileSystemType*/, int64_t sectors, int /*clusterSize*/) const
    {
        return sectors;
    }
    // The smallest and largest volume (sectors) the create dialog offers; 0 where the area decides.
    virtual int64_t MinimumSectors(int /*fileSystemType*/) const { return 0; }
    virtual int64_t MaximumSectors(int /*fileSystemType*/) const { return 0; }
};
