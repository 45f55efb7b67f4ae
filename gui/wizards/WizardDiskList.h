// The disk list of the wizards' disk pages: one row per disk of the pending layout with its number,
// capacity and model name.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "core/PartitionInfo.h"

class IVirtualVolumeManager;
class QTreeWidget;

namespace WizardDiskList {

// Sets up the columns and fills one row per disk of the layout; the row of `nDiskIndex` (the first one
// when it is negative) becomes current.
void Fill(QTreeWidget* list, IVirtualVolumeManager* layout, int nDiskIndex);

// "%1 GB" from one whole GB on, else "%1 MB"; two decimals. Unit texts are not translated.
QString CapacityText(int64_t n64Bytes);

// A disk's entries of a layout as consecutive PartitionInfo records (the wizards' "PartitionInfoArray"
// field), and how many there are.
QByteArray DiskRecords(IVirtualVolumeManager* layout, int nDiskIndex, int* count);
// The partitions (not the free areas) among the first `count` records of such an array.
std::vector<PartitionInfo> AllocatedRecords(const QByteArray& records, int count);

} // namespace WizardDiskList
