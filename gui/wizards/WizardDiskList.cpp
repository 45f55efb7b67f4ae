#include "gui/wizards/WizardDiskList.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>

#include "engine/DiskEngine.h"
#include "gui/common/SizeText.h"
#include "model/IVirtualVolumeManager.h"

namespace {

constexpr int kColumnWidth = 200;
constexpr int kRowHeight = 35;
// The engine's disk names are cut to this many bytes.
constexpr int kModelBytes = 254;

} // namespace

namespace WizardDiskList {

QString CapacityText(int64_t n64Bytes)
{
    // Whole MB first, as the disk pages have always counted.
    const double gigabytes = double(n64Bytes / 1024 / 1024) / 1024.0;
    if (gigabytes >= 1.0)
        return QStringLiteral("%1 GB").arg(SizeText::Decimal(gigabytes, 2));
    return QStringLiteral("%1 MB").arg(SizeText::Decimal(double(n64Bytes / 1024) / 1024.0, 2));
}

void Fill(QTreeWidget* list, IVirtualVolumeManager* layout, int nDiskIndex)
{
    list->clear();
    list->setColumnCount(3);
    list->setHeaderLabels({QCoreApplication::translate("WizardDiskList", "Disk"),
                           QCoreApplication::translate("WizardDiskList", "Capacity"),
                           QCoreApplication::translate("WizardDiskList", "Model")});
    for (int column = 0; column < 3; ++column)
        list->setColumnWidth(column, kColumnWidth);
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);

    const int disks = layout ? layout->GetDiskCount() : 0;
    for (int d = 0; d < disks; ++d) {
        IDisk* disk = layout->GetDisk(d);
        int64_t bytes = 0;
        char model[kModelBytes + 1] = {};
        if (disk) {
            DiskGeometry geometry{};
            const int bytesPerSector = disk->GetGeometry(&geometry) && geometry.BytesPerSector > 0
                                           ? geometry.BytesPerSector
                                           : 512;
            bytes = SizeText::Bytes(disk->GetTotalSectors(), bytesPerSector);
            disk->GetName(model, kModelBytes);
        }
        char16_t name[kModelBytes + 1] = {};
        const int units = AnsiToUnicode(model, int(strnlen(model, kModelBytes)), name, kModelBytes + 1);
        auto* row = new QTreeWidgetItem(
            list, {QCoreApplication::translate("WizardDiskList", "Disk %1").arg(d + 1), CapacityText(bytes),
                   QString::fromUtf16(name, std::clamp(units, 0, kModelBytes))});
        for (int column = 0; column < 3; ++column)
            row->setSizeHint(column, QSize(kColumnWidth, kRowHeight));
    }
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(nDiskIndex >= 0 && nDiskIndex < disks ? nDiskIndex : 0));
}

QByteArray DiskRecords(IVirtualVolumeManager* layout, int nDiskIndex, int* count)
{
    QByteArray records;
    const int n = layout ? layout->GetPartitionCount(nDiskIndex) : 0;
    for (int i = 0; i < n; ++i) {
        PartitionInfo e{};
        layout->GetPartition(nDiskIndex, i, &e);
        records.append(reinterpret_cast<const char*>(&e), qsizetype(sizeof e));
    }
    *count = n;
    return records;
}

std::vector<PartitionInfo> AllocatedRecords(const QByteArray& records, int count)
{
    std::vector<PartitionInfo> out;
    for (int i = 0; i < count && qsizetype(size_t(i + 1) * sizeof(PartitionInfo)) <= records.size(); ++i) {
        PartitionInfo e{};
        std::memcpy(&e, records.constData() + size_t(i) * sizeof e, sizeof e);
        if (e.PartitionTypeId != 0)
            out.push_back(e);
    }
    return out;
}

} // namespace WizardDiskList
