#include "CliExport.h"

#include "model/DiskExport.h"
#include "model/IVolumeManager.h"

std::string ExportDiskConfiguration(IVolumeManager& manager)
{
    std::string text;
    for (int d = 0; d < manager.GetDiskCount(); ++d) {
        IDisk* disk = manager.GetDisk(d);
        DiskGeometry geometry{};
        disk->GetGeometry(&geometry);
        char name[256] = {};
        disk->GetName(name, sizeof name);
        text += FormatDiskExportLine(d + 1, disk->GetTotalSectors(), name, disk->IsGpt() != 0,
                                     disk->IsDynamic() != 0, geometry);
        for (int i = 0; i < manager.GetPartitionCount(d); ++i) {
            PartitionInfo info{};
            if (manager.GetPartition(d, i, &info))
                text += FormatPartitionExportLine(info);
        }
    }
    return text;
}
