#include "DiskExport.h"

#include <cinttypes>
#include <cstdio>

std::string FormatDiskExportLine(int diskNumber, int64_t totalSectors, const std::string& name, bool gpt,
                                 bool dynamic, const DiskGeometry& geometry)
{
    char line[640];
    std::snprintf(line, sizeof line,
                  "Disk %d, Total Sectors: %" PRId64 ", Name: %s, GUID Partition Table: %s, Dynamic Disk: %s, "
                  "CHS:%" PRId64 "/%d/%d\r\n",
                  diskNumber, totalSectors, name.c_str(), gpt ? "YES" : "NO", dynamic ? "YES" : "NO",
                  geometry.Cylinders, geometry.TracksPerCylinder, geometry.SectorsPerTrack);
    return line;
}

std::string FormatPartitionExportLine(const PartitionInfo& info)
{
    char label[sizeof info.Label];
    std::snprintf(label, sizeof label, "%s", info.Label);
    char line[768];
    std::snprintf(line, sizeof line,
                  "letter: %c PartID: %2d Start: %11" PRId64 " End: %11" PRId64 " Size: %11" PRId64
                  " FsId: %2d Label: %20s ClusterSize: %3d FreeSectors: %11" PRId64
                  " Primary: %1d Bootable: %1d BootVolume: %1d SystemVolume: %1d\r\n",
                  info.DriveLetter ? info.DriveLetter : '*', int(info.PartitionTypeId), info.StartingLba,
                  info.StartingLba + info.SectorCount - 1, info.SectorCount, int(info.FileSystemType), label,
                  info.ClusterSize, info.FreeSectors, info.IsPrimary, info.Active, info.BootVolume,
                  info.SystemVolume);
    return line;
}
