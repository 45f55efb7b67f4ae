// Everything that asks the Linux kernel about block devices: ioctls, sysfs, udev and mounts.
// The rest of the engine reaches the operating system only through this file and KSectorFile.
#pragma once

#include <cstdint>
#include <utility>
#include <string>
#include <vector>

namespace LinuxBlock {

int LogicalSectorSize(int fd);
int64_t DeviceBytes(int fd);
// Heads and sectors per track when the kernel answers with non-zero values.
bool Geometry(int fd, int& heads, int& sectorsPerTrack);

// The disks the engine offers, in disk-number order: VOLMARA_DISKS, else whole-disk block devices.
std::vector<std::string> DiskPaths();
// What makes two names one disk: the device number of a block device, else the file's device and inode.
// False when the path cannot be looked at.
bool DiskIdentity(const std::string& path, std::pair<uint64_t, uint64_t>& identity);
// "vendor model" for a block device, empty when sysfs has nothing.
std::string DeviceModel(const std::string& devicePath);

struct KernelPartition {
    int number;
    int64_t startSector;
    int64_t sectorCount;
    bool operator==(const KernelPartition&) const = default;
};
// The partitions the kernel currently knows for a whole-disk device, by number.
std::vector<KernelPartition> KernelPartitions(const std::string& devicePath);
// Device node of the partition of a whole-disk device that starts at startSector, or "".
std::string PartitionNode(const std::string& devicePath, int64_t startSector);
// "major:minor" of a device node, or "".
std::string DeviceNumber(const std::string& node);
// "major:minor" of the device mounted at the given mount point, or "".
std::string MountedDeviceAt(const std::string& mountPoint);
bool IsMounted(const std::string& node);
bool Unmount(const std::string& node);
// Whether a loop device over bytes [firstByte, firstByte + bytes) of the image file (or a partition of
// such a loop device) is mounted.
bool ImageRangeMounted(const std::string& imagePath, int64_t firstByte, int64_t bytes);

// Exclusive claims this process holds on partition nodes (the block-device volume lock): an O_EXCL
// open, which fails while the partition is mounted or held elsewhere. A claim id > 0, or 0 when the
// partition has no node or is busy. When a table commit must drop a claimed partition it lets go of
// the claim and takes it again on the partition that then starts where the claimed one did, if any.
int ClaimPartition(const std::string& devicePath, int64_t startSector);
void ReleaseClaim(int claim);

// The partitions the kernel would have to drop (remove, move or renumber) to take `wanted`, but cannot
// because something other than this process's claims holds them: a mount, swap, a device-mapper or
// RAID member, another exclusive opener. One "node: why" text each; empty when the kernel can follow.
std::vector<std::string> PartitionsInTheWay(const std::string& devicePath, const std::vector<KernelPartition>& wanted);

// Brings the kernel's partitions of the disk in line with `wanted` (sorted by number): nothing when they
// agree already; else a re-read (BLKRRPART), and where that is refused (busy disk) or leaves the kernel
// elsewhere (no parser for the table), BLKPG partition by partition: delete, resize, add. True when
// the kernel's list then equals `wanted`.
bool ReloadPartitionTable(int fd, const std::string& devicePath, const std::vector<KernelPartition>& wanted);
// True when every partition the kernel knows for the disk has its device node.
bool PartitionNodesPresent(const std::string& devicePath);
// Waits for udev to finish handling events, at most timeoutMs.
void UdevSettle(int timeoutMs);

} // namespace LinuxBlock
