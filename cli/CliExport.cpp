#include "CliExport.h"

#include "core/DiskExport.h"
#include "model/IVirtualVolumeManager.h"

std::string ExportDiskConfiguration(IVirtualVolumeManager& layout)
{
    std::string text;
    for (int d = 0; d < layout.GetDiskCount(); ++d) {
        IDisk* disk = layout.GetDisk(d);
        DiskGeometry geometry{};
        disk->GetGeometry(&geometry);
        char name[256] = {};
        disk->GetName(name, sizeof name);
        text += FormatDiskExportLine(d + 1, disk->GetTotalSectors(), name, layout.IsGptDisk(d) != 0,
                                     layout.IsDynamicDisk(d) != 0, geometry);
        for (int i = 0; i < layout.GetPartitionCount(d); ++i) {
            PartitionInfo info{};
            if (layout.GetPartition(d, i, &info))
                text += FormatPartitionExportLine(info);
        }
    }
    return text;
}
