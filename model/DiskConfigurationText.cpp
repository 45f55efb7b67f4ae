#include "model/DiskConfigurationText.h"

#include "core/DiskExport.h"
#include "model/IVirtualVolumeManager.h"

std::string DiskConfigurationText(IVirtualVolumeManager& layout, DiskBlockStyle style)
{
    static constexpr char kLineEnd[] = "\r\n";
    std::string text;
    for (int d = 0; d < layout.GetDiskCount(); ++d) {
        IDisk* disk = layout.GetDisk(d);
        if (!disk)
            continue;
        DiskGeometry geometry{};
        disk->GetGeometry(&geometry);
        char name[256] = {};
        disk->GetName(name, 255);
        text += FormatDiskExportLine(d + 1, disk->GetTotalSectors(), name, layout.IsGptDisk(d) != 0,
                                     layout.IsDynamicDisk(d) != 0, geometry);
        if (style == DiskBlockStyle::Separated)
            text += kLineEnd;
        for (int i = 0; i < layout.GetPartitionCount(d); ++i) {
            PartitionInfo info{};
            if (layout.GetPartition(d, i, &info))
                text += FormatPartitionExportLine(info);
        }
        if (style == DiskBlockStyle::Separated)
            for (int n = 0; n < 3; ++n)
                text += kLineEnd;
    }
    return text;
}
