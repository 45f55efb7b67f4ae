// Checks layouts before they are written and tells the running system about written ones.
#pragma once

#include "IVolumeLoader.h"

class KLayoutCommitter : public ILayoutCommitter {
public:
    // Refuses overlapping partitions, a partition past the disk, more than four primary slots (the
    // extended container counts), logical partitions that are not contiguous or leave no room for
    // their extended boot record, and MBR partitions beyond 2^32 sectors.
    // Partitions with an extended-container type are refused too: the container is never an entry of
    // its own, and writing one would put an empty chain over the partition's first sector.
    int Check(const PartitionList& list, int flag, IDisk* disk = nullptr) override;
    int FindProblem(const PartitionList& list, IDisk* disk = nullptr) override;
    // Image disks need nothing. Block devices: the kernel's partitions are brought in line with the
    // table as written (re-read, or partition by partition) and checked; with flag set, udev is given up
    // to 3000 ms to settle and every partition's node must be there. Partition numbers in the list are
    // refreshed from the table as written.
    int Commit(IDisk* disk, PartitionList& list, int index, int flag) override;
};
