// The operations chosen through a wizard: each queues a group, one parent item with a child per step, with
// the matching command lines and the changes of the pending layout.
#include <QTreeWidgetItem>
#include <algorithm>
#include <string>

#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdCopyPartition.h"
#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdDeletePartition.h"
#include "commands/KCmdFixDiskBootConfig.h"
#include "commands/KCmdMergePartition.h"
#include "core/FileSystemTypes.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/wizards/KCopyDiskWizard.h"
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

void MainFrame::on_actionCopy_Disk_Wizard_triggered()
{
    copyDisk(-1);
}

void MainFrame::on_action_Copy_Disk_triggered()
{
    copyDisk(SelectedDisk());
}

void MainFrame::copyDisk(int nSourceDiskIndex)
{
    KCopyDiskWizard wizard(nSourceDiskIndex, &m_virtualManager, this);
    if (wizard.exec() != QDialog::Accepted)
        return;
    const int s = wizard.SourceDiskIndex(), t = wizard.TargetDiskIndex();
    if (s < 0 || t < 0 || s == t || s >= m_virtualManager.GetDiskCount() || t >= m_virtualManager.GetDiskCount())
        return;
    QTreeWidgetItem* parent = AddPendingItem(tr("Copy Disk %1 to Disk %2").arg(s + 1).arg(t + 1));

    // Everything on the target goes first, from the last entry to the first.
    for (int i = m_virtualManager.GetPartitionCount(t) - 1; i >= 0; --i) {
        PartitionInfo e{};
        if (!m_virtualManager.GetPartition(t, i, &e) || e.PartitionTypeId == 0)
            continue;
        AddPendingItem(tr("Delete: (%1)").arg(DisplayName(t, i)), parent);
        QueueLine(KCmdDeletePartition::kFormat, {int64_t(t), int64_t(LineIndex(t, i))});
        m_virtualManager.DeletePartition(t, i);
    }

    // The wizard's records follow the source's partitions in order.
    const std::vector<PartitionInfo>& copies = wizard.Partitions();
    size_t next = 0;
    const int sourceEntries = m_virtualManager.GetPartitionCount(s);
    for (int i = 0; i < sourceEntries && next < copies.size(); ++i) {
        PartitionInfo original{};
        if (!m_virtualManager.GetPartition(s, i, &original) || original.PartitionTypeId == 0)
            continue;
        PartitionInfo copy = copies[next++];
        AddPendingItem(tr("Copy Partition (%1)").arg(DisplayName(s, i)), parent);
        QueueLine(KCmdCopyPartition::kFormat, {int64_t(s), int64_t(LineIndex(s, i)), int64_t(t), copy.StartingLba,
                                               copy.SectorCount, int64_t(copy.IsPrimary ? 1 : 0)});
        AddPendingItem(tr("Create Partition (Disk:%2 LBA: %1)").arg(copy.StartingLba).arg(t + 1), parent);
        const uint32_t typeId = uint32_t(uint16_t(original.PartitionTypeId)) | KCmdCreatePartition::kTableEntryOnly;
        QueueLine(KCmdCreatePartition::kFormat,
                  {int64_t(t), copy.StartingLba, copy.SectorCount, int64_t(typeId), int64_t(0), int64_t(0),
                   std::string(), int64_t(0), int64_t(original.Active ? 1 : 0), int64_t(copy.IsPrimary ? 1 : 0),
                   int64_t(0), int64_t(0)});
        copy.HiddenSectors = copy.IsPrimary ? copy.StartingLba : copy.HiddenSectors;
        copy.EntryFlags |= kEntryPendingMoved;
        m_virtualManager.InsertPartition(t, &copy);
    }
    if (next > 0) {
        AddPendingItem(tr("Update Disk%1 Boot Configure").arg(t + 1), parent);
        QueueLine(KCmdFixDiskBootConfig::kFormat, {int64_t(s), int64_t(t)});
    }
    RefreshViews();
}
