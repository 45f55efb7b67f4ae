// Reads whatever table a disk holds: MBR with its extended chain, or GPT behind a protective MBR.
#pragma once

#include <vector>

#include "ISectorDevice.h"
#include "LinuxBlock.h"
#include "TableScan.h"

void ScanPartitionTables(ISectorDevice& disk, int64_t totalSectors, TableScan& scan);

// The partitions the kernel shows for a table, by number: every entry, and an extended container as its
// first two sectors only (room for a boot loader, none for a file system), less where a logical
// partition starts sooner.
std::vector<LinuxBlock::KernelPartition> KernelPartitionsOf(const TableScan& scan);
