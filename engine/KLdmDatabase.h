// The Logical Disk Manager database of a dynamic disk: the private header, the table of contents, the
// volume-manager database header and its records (disk groups, disks, volumes, components, partitions).
// MBR style: a type 0x42 partition, the private header in sector 6 (copies in the database and in the
// disk's last sector), the database in the last megabyte. GPT style: the database fills the LDM metadata
// partition, with the private header in its last sector; the volumes live in the LDM data partition.
// Every number on disk is big-endian. Everything read is hostile input: each offset, count and length is
// checked, and anything that does not add up makes the whole database unusable (no partial result).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ISectorDevice.h"
#include "core/PartitionInfo.h"

namespace Ldm {

// Record types (the low four bits of the type byte; the high four are the record's revision).
constexpr int kRecordVolume = 1;
constexpr int kRecordComponent = 2;
constexpr int kRecordPartition = 3;
constexpr int kRecordDisk = 4;
constexpr int kRecordDiskGroup = 5;

// How a component lays out its partitions.
constexpr int kComponentStriped = 1;
constexpr int kComponentSpanned = 2; // one partition: a simple volume; more: a spanned one
constexpr int kComponentRaid = 3;

struct DiskGroup {
    uint64_t Id = 0;
    std::string Name;
};

struct Disk {
    uint64_t Id = 0;
    std::string Name;
    std::string Guid; // lower-case text form
};

struct Partition {
    uint64_t Id = 0;
    std::string Name;
    uint64_t Start = 0; // sectors, from the start of the disk's public region
    uint64_t VolumeOffset = 0;
    uint64_t Size = 0;
    uint64_t ComponentId = 0;
    uint64_t DiskId = 0;
};

struct Component {
    uint64_t Id = 0;
    std::string Name;
    int Layout = 0;
    uint64_t Children = 0;
    uint64_t VolumeId = 0;
    uint64_t StripeSize = 0;
    uint64_t Columns = 0;
};

struct Volume {
    uint64_t Id = 0;
    std::string Name;
    std::string Type; // "gen" or "raid5"
    uint64_t Children = 0;
    uint64_t Size = 0;
    uint8_t PartitionType = 0;
    std::string DriveHint; // "E:" when the volume has one
};

struct Database {
    // From the private header.
    std::string DiskGuid;
    std::string DiskGroupGuid;
    std::string DiskGroupName;
    uint64_t PublicStart = 0;
    uint64_t PublicSize = 0;
    uint64_t ConfigStart = 0;
    uint64_t ConfigSize = 0;
    uint64_t UpdateSequence = 0;
    bool GptStyle = false;
    std::vector<DiskGroup> DiskGroups;
    std::vector<Disk> Disks;
    std::vector<Volume> Volumes;
    std::vector<Component> Components;
    std::vector<Partition> Partitions;

    const Disk* FindDisk(uint64_t id) const;
    const Component* FindComponent(uint64_t id) const;
    const Volume* FindVolume(uint64_t id) const;
    // The disk record of the disk the database was read from (its GUID is the private header's).
    const Disk* ThisDisk() const;
};

// Why a database could not be used.
enum Status {
    kOk = 0,
    kNotDynamic,      // no type 0x42 partition, no LDM metadata partition
    kReadFailed,      // a sector the database needs could not be read
    kBadPrivateHeader,
    kBadToc,
    kBadVmdb,
    kBadRecord,       // a record that breaks its own layout, runs past its end or past the database
    kBadReference,    // a record that names one that does not exist, or counts that do not add up
};

// Reads the database of `disk` (whose partition table is read first to find the style). The result is
// complete and consistent, or `kOk` is not returned.
Status ReadDatabase(ISectorDevice& disk, int64_t totalSectors, Database& out);

// The plan for turning the dynamic disk into a basic MBR disk.
struct BasicPlan {
    // One entry per volume with a partition on this disk, in disk order: start, length, type byte,
    // letter, active flag, primary.
    PartitionList Partitions;
    bool HasMirroredVolumes = false;
};

enum PlanStatus {
    kPlanOk = 0,
    kPlanDamaged,     // the database cannot be read or does not add up
    kPlanUnsupported, // a spanned, striped or RAID-5 volume lives on the disk
    kPlanNoRoom,      // more volumes than MBR slots, or a volume beyond the MBR's reach
};

// Reads the database and decides whether each volume of this disk can become one partition. Simple
// volumes and mirrors (one plex on this disk) can; anything else cannot.
PlanStatus PlanBasicConversion(ISectorDevice& disk, int64_t totalSectors, BasicPlan& out);

} // namespace Ldm
