// The operations chosen through a wizard: each queues a group, one parent item with a child per step, with
// the matching command lines and the changes of the pending layout.
#include <QTreeWidgetItem>
#include <algorithm>
#include <string>

#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdMergePartition.h"
#include "core/FileSystemTypes.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/wizards/KPartitionMergeWizard.h"

void MainFrame::on_actionMerge_triggered()
{
    KPartitionMergeWizard wizard(&m_virtualManager, this);
    if (wizard.exec() != QDialog::Accepted)
        return;
    const int d = wizard.DiskIndex(), left = wizard.FirstIndex(), right = wizard.SecondIndex();
    const bool extendLeft = wizard.FirstIsExpanded();
    PartitionInfo l{}, r{};
    if (right != left + 1 || !m_virtualManager.GetPartition(d, left, &l) || !m_virtualManager.GetPartition(d, right, &r))
        return;

    QTreeWidgetItem* parent = AddPendingItem(tr("Merge Partition: %1").arg(DisplayName(d, extendLeft ? left : right)));
    // Both volumes must share one cluster size: the smaller clusters are regrouped into the larger ones.
    if (l.ClusterSize != r.ClusterSize) {
        const int smaller = l.ClusterSize < r.ClusterSize ? left : right;
        const int cluster = std::max(l.ClusterSize, r.ClusterSize);
        AddPendingItem(tr("Change Cluster Size: %1").arg(DisplayName(d, smaller)), parent);
        QueueLine(KCmdChangeClusterSize::kFormat, {int64_t(d), int64_t(LineIndex(d, smaller)), int64_t(cluster)});
        PartitionInfo& changed = smaller == left ? l : r;
        changed.ClusterSize = cluster;
        m_virtualManager.UpdatePartition(d, smaller, &changed);
    }

    // One line checks both volumes, then merges them; its two steps each show as a child.
    QTreeWidgetItem* check = AddPendingItem(tr("Check Partitions"), parent);
    check->setData(0, kLinelessItemRole, true);
    AddPendingItem(tr("Merge Partition"), parent);
    QueueLine(KCmdMergePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, left)), int64_t(extendLeft ? 1 : 0),
                                            std::string(wizard.FolderName())});

    // The surviving volume takes the place of both, from the left start to the right end.
    PartitionInfo merged = extendLeft ? l : r;
    merged.StartingLba = l.StartingLba;
    merged.SectorCount = r.StartingLba + r.SectorCount - l.StartingLba;
    if (merged.IsPrimary)
        merged.HiddenSectors = merged.StartingLba;
    const int64_t used = std::max<int64_t>(0, l.TotalSectors - l.FreeSectors) +
                         std::max<int64_t>(0, r.TotalSectors - r.FreeSectors);
    merged.TotalSectors = merged.SectorCount;
    if (merged.FileSystemType == kFsNtfs && merged.ClusterSize > 0)
        merged.TotalSectors = merged.SectorCount / merged.ClusterSize * merged.ClusterSize;
    merged.FreeSectors = std::max<int64_t>(0, merged.TotalSectors - used);
    merged.EntryFlags |= kEntryPendingMoved;
    m_virtualManager.DeletePartition(d, right);
    m_virtualManager.UpdatePartition(d, left, &merged);
    RefreshViews();
}
