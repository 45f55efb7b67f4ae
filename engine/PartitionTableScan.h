// Reads whatever table a disk holds: MBR with its extended chain, or GPT behind a protective MBR.
#pragma once

#include "ISectorDevice.h"
#include "TableScan.h"

void ScanPartitionTables(ISectorDevice& disk, int64_t totalSectors, TableScan& scan);
