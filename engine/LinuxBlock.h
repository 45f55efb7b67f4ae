// Everything that asks the Linux kernel about block devices: ioctls, sysfs, udev and mounts.
// The rest of the engine reaches the operating system only through this file and KSectorFile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace LinuxBlock {

int LogicalSectorSize(int fd);
int64_t DeviceBytes(int fd);
// Heads and sectors per track when the kernel answers with non-zero values.
bool Geometry(int fd, int& heads, int& sectorsPerTrack);

// The disks the engine offers, in disk-number order: VOLMARA_DISKS, else whole-disk block devices.
std::vector<std::string> DiskPaths();
// "vendor model" for a block device, empty when sysfs has nothing.
std::string DeviceModel(const std::string& devicePath);

struct KernelPartition {
    int number;
    int64_t startSector;
    int64_t sectorCount;
};
// The partitions the kernel currently knows for a whole-disk device.
std::vector<KernelPartition> KernelPartitions(const std::string& devicePath);
// Device node of the partition of a whole-disk device that starts at startSector, or "".
std::string PartitionNode(const std::string& devicePath, int64_t startSector);
// "major:minor" of a device node, or "".
std::string DeviceNumber(const std::string& node);
// "major:minor" of the device mounted at the given mount point, or "".
std::string MountedDeviceAt(const std::string& mountPoint);
bool IsMounted(const std::string& node);
bool Unmount(const std::string& node);

// Tells the kernel the new table: BLKRRPART, or BLKPG partition by partition when the disk is busy.
bool ReloadPartitionTable(int fd, const std::string& devicePath, const std::vector<KernelPartition>& wanted);
// Waits for udev to finish handling events, at most timeoutMs.
void UdevSettle(int timeoutMs);

} // namespace LinuxBlock
