// The disk-configuration export text: one header line per disk, one line per entry, CR LF ends.
#pragma once

#include <string>

#include "DiskGeometry.h"
#include "PartitionInfo.h"

std::string FormatDiskExportLine(int diskNumber, int64_t totalSectors, const std::string& name, bool gpt,
                                 bool dynamic, const DiskGeometry& geometry);
std::string FormatPartitionExportLine(const PartitionInfo& info);
