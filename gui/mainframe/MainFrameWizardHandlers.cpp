// The operations chosen through a wizard: each queues a group, one parent item with a child per step, with
// the matching command lines and the changes of the pending layout.
#include <QTreeWidgetItem>
#include <algorithm>
#include <cstring>
#include <string>

#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdCopyPartition.h"
#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdDeletePartition.h"
#include "commands/KCmdFixDiskBootConfig.h"
#include "commands/KCmdMergePartition.h"
#include "core/FileSystemTypes.h"
#include "engine/Guid.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/wizards/KCopyDiskWizard.h"
#include "gui/wizards/KPartitionCopyWizard.h"
#include "gui/wizards/KPartitionMergeWizard.h"
#include "gui/wizards/KPartitionRecoveryWizard.h"
#include "gui/wizards/PartitionCopyRules.h"

namespace {

// The table entry the copy will have: the source's type and volume at the new place, with no letter and
// none of the source's boot roles.
PartitionInfo CopiedEntry(const PartitionInfo& source, int64_t n64Start, int64_t n64Size, bool bPrimary, bool bGpt)
{
    PartitionInfo copy = MakeEmptyPartitionInfo();
    copy.EntryFlags = kEntryPendingCreated;
    copy.IsGptEntry = bGpt ? 1 : 0;
    copy.StartingLba = n64Start;
    copy.SectorCount = n64Size;
    copy.PartitionTypeId = source.PartitionTypeId;
    copy.IsPrimary = bPrimary ? 1 : 0;
    copy.HiddenSectors = bPrimary ? n64Start : PartitionCopyRules::kTrack;
    copy.Hidden = source.Hidden;
    if (bGpt)
        std::memcpy(copy.GptTypeGuid, source.IsGptEntry == 1 ? source.GptTypeGuid : GptType::BasicData.data(), 16);
    copy.FileSystemType = source.FileSystemType;
    copy.ClusterSize = source.ClusterSize;
    std::memcpy(copy.Label, source.Label, sizeof copy.Label);
    copy.NtfsReserveSectors = source.NtfsReserveSectors;
    // An NTFS volume leaves the partition's last sector to its backup boot sector.
    copy.TotalSectors = source.FileSystemType == kFsNtfs ? n64Size - 1 : n64Size;
    copy.FreeSectors = std::max<int64_t>(0, copy.TotalSectors - std::max<int64_t>(0, source.TotalSectors - source.FreeSectors));
    return copy;
}

} // namespace

void MainFrame::on_actionPartition_Copy_Wizard_triggered()
{
    queueCopyPartition(-1, -1);
}

void MainFrame::on_action_Copy_Partition_triggered()
{
    PartitionInfo e{};
    if (SelectedPartition(&e))
        queueCopyPartition(m_nDiskIndex, m_nPartitionIndex);
}

void MainFrame::on_action_Copy_triggered()
{
    // The tool bar's Copy copies the selected partition; on a disk row it copies the disk.
    if (m_nPartitionIndex >= 0)
        on_action_Copy_Partition_triggered();
    else if (m_nDiskIndex >= 0)
        copyDisk(m_nDiskIndex);
}

void MainFrame::queueCopyPartition(int nSourceDiskIndex, int nSourcePartitionIndex)
{
    KPartitionCopyWizard wizard(nSourceDiskIndex, nSourcePartitionIndex, &m_virtualManager, this);
    if (wizard.exec() != QDialog::Accepted)
        return;
    const int sd = wizard.SourceDiskIndex(), sp = wizard.SourcePartitionIndex(), dd = wizard.DestDiskIndex();
    const int64_t start = wizard.DestStartingLba(), size = wizard.DestPartitionSize();
    const bool primary = wizard.IsPrimary();
    PartitionInfo source{}, area{};
    if (!m_virtualManager.GetPartition(sd, sp, &source) || source.PartitionTypeId == 0 ||
        !m_virtualManager.GetPartition(dd, wizard.DestPartitionIndex(), &area) || area.PartitionTypeId != 0)
        return;
    const bool gpt = m_virtualManager.IsGptDisk(dd) != 0;
    const PartitionInfo copy = CopiedEntry(source, start, size, primary, gpt);
    const QString sourceName = DisplayName(sd, sp);
    // Where the source stands before the copy's entry exists, as the copy's line runs first.
    const int sourceLine = LineIndex(sd, sp);
    if (!m_virtualManager.InsertPartition(dd, &copy))
        return;

    // The data first; the table entry is written only once the copy is complete.
    QTreeWidgetItem* parent = AddPendingItem(tr("Copy Partition: (%1)").arg(sourceName));
    AddPendingItem(tr("Copy Partition: (%1) to Disk %2").arg(sourceName).arg(dd + 1), parent);
    QueueLine(KCmdCopyPartition::kFormat,
              {int64_t(sd), int64_t(sourceLine), int64_t(dd), start, size, int64_t(primary ? 1 : 0)});

    AddPendingItem(tr("Create Partition (Disk:%2 LBA: %1)").arg(start).arg(dd + 1), parent);
    // Bit 31 of the type: the entry only, the volume is already there.
    const uint32_t typeId = KCmdCreatePartition::kTableEntryOnly | uint8_t(source.PartitionTypeId);
    QueueLine(KCmdCreatePartition::kFormat, {int64_t(dd), start, size, int64_t(typeId), int64_t(0), int64_t(0),
                                             std::string(), int64_t(0), int64_t(0), int64_t(primary ? 1 : 0),
                                             int64_t(0), int64_t(0)});
    // Undo takes one layout record per line: the entry line records the copy's entry as it stands.
    for (int i = 0; i < m_virtualManager.GetPartitionCount(dd); ++i) {
        PartitionInfo e{};
        if (m_virtualManager.GetPartition(dd, i, &e) && e.StartingLba == start && e.PartitionTypeId != 0) {
            m_virtualManager.UpdatePartition(dd, i, &e);
            break;
        }
    }
    RefreshViews();
    GuardOverlap(dd);
}

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

void MainFrame::on_actionPartition_Recovery_triggered()
{
    recoverPartitions(-1);
}

void MainFrame::on_action_Recover_Lost_Deleted_Partitions_triggered()
{
    recoverPartitions(SelectedDisk());
}

void MainFrame::recoverPartitions(int nDiskIndex)
{
    KPartitionRecoveryWizard wizard(&m_virtualManager, nDiskIndex, this);
    if (wizard.exec() != QDialog::Accepted)
        return;
    const int d = wizard.DiskIndex();
    if (d < 0 || d >= m_virtualManager.GetDiskCount())
        return;
    const auto sameArea = [](const PartitionInfo& a, const PartitionInfo& b) {
        return a.StartingLba == b.StartingLba && a.SectorCount == b.SectorCount;
    };
    const auto overlap = [](const PartitionInfo& a, const PartitionInfo& b) {
        return a.StartingLba < b.StartingLba + b.SectorCount && b.StartingLba < a.StartingLba + a.SectorCount;
    };
    // Recovered: the chosen partitions the disk does not hold at that very place.
    std::vector<PartitionInfo> recovered;
    const PartitionList current = pendingList(d);
    for (const PartitionInfo& p : wizard.Partitions())
        if (std::none_of(current.begin(), current.end(), [&](const PartitionInfo& e) { return e.PartitionTypeId != 0 && sameArea(e, p); }))
            recovered.push_back(p);
    if (recovered.empty())
        return;

    QTreeWidgetItem* parent = AddPendingItem(tr("Partition Recovery on Disk %1").arg(d + 1));
    // The entries a recovered partition lies over go first, the last one first.
    for (int i = m_virtualManager.GetPartitionCount(d) - 1; i >= 0; --i) {
        PartitionInfo e{};
        if (!m_virtualManager.GetPartition(d, i, &e) || e.PartitionTypeId == 0 ||
            std::none_of(recovered.begin(), recovered.end(), [&](const PartitionInfo& r) { return overlap(e, r); }))
            continue;
        AddPendingItem(tr("Delete: (%1)").arg(DisplayName(d, i)), parent);
        QueueLine(KCmdDeletePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, i))});
        m_virtualManager.DeletePartition(d, i);
    }
    // Then a table entry for each recovered volume; the volume itself is left as it was found.
    for (PartitionInfo p : recovered) {
        AddPendingItem(tr("Create Partition (Disk:%2 LBA: %1)").arg(p.StartingLba).arg(d + 1), parent);
        const uint32_t typeId = uint32_t(uint8_t(p.PartitionTypeId)) | KCmdCreatePartition::kTableEntryOnly;
        QueueLine(KCmdCreatePartition::kFormat,
                  {int64_t(d), p.StartingLba, p.SectorCount, int64_t(typeId), int64_t(0), int64_t(0), std::string(),
                   int64_t(0), int64_t(0), int64_t(p.IsPrimary ? 1 : 0), int64_t(0), int64_t(0)});
        p.EntryFlags = kEntryPendingCreated;
        p.DriveLetter = 0;
        m_virtualManager.InsertPartition(d, &p);
    }
    RefreshViews();
    GuardOverlap(d);
}
