// The operations that need no dialog: each adds its pending item(s), the matching command lines and the
// change of the pending layout together, then refreshes the views.
#include <QMessageBox>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

#include "gui/mainframe/MainFrame.h"
#include "commands/CommandLine.h"
#include "commands/KCmdActivePartition.h"
#include "commands/KCmdChangePartitionPrimary.h"
#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdDeletePartition.h"
#include "commands/KCmdHidePartition.h"
#include "commands/KCmdInitiateDisk.h"
#include "commands/KCmdResizePartition.h"
#include "engine/DiskEngine.h"
#include "engine/IDiskConversion.h"
#include "core/FileSystemTypes.h"
#include "ui_MainFrame.h"

namespace {

// Space an extended boot record needs in front of a logical partition.
constexpr int64_t kExtendedRecordGap = 63;

} // namespace

bool MainFrame::SelectedEntry(PartitionInfo* entry)
{
    *entry = PartitionInfo{};
    return m_nDiskIndex >= 0 && m_nPartitionIndex >= 0 &&
           m_virtualManager.GetPartition(m_nDiskIndex, m_nPartitionIndex, entry);
}

bool MainFrame::SelectedPartition(PartitionInfo* entry)
{
    return SelectedEntry(entry) && entry->PartitionTypeId != 0;
}

void MainFrame::ShowEntryChange(int nDiskIndex, int nPartitionIndex, const PartitionInfo& entry)
{
    m_virtualManager.UpdatePartition(nDiskIndex, nPartitionIndex, &entry);
    RefreshViews();
}

QString MainFrame::DisplayName(int nDiskIndex, int nPartitionIndex)
{
    if (nPartitionIndex < 0)
        return tr("Disk %1").arg(nDiskIndex + 1);
    PartitionInfo e{};
    m_virtualManager.GetPartition(nDiskIndex, nPartitionIndex, &e);
    if (e.DriveLetter)
        return tr("%1 ( Disk %2 Partition %3 )")
            .arg(QStringLiteral("%1:").arg(QChar::fromLatin1(e.DriveLetter)))
            .arg(nDiskIndex + 1)
            .arg(nPartitionIndex + 1);
    return tr("Disk %1 Partition %2").arg(nDiskIndex + 1).arg(nPartitionIndex + 1);
}

int MainFrame::LineIndex(int nDiskIndex, int nPartitionIndex)
{
    return m_virtualManager.ToPartitionIndex(nDiskIndex, nPartitionIndex) + 1;
}

void MainFrame::QueueLine(const char* format, const std::vector<CommandValue>& values, int directWrite)
{
    // The executive keeps lines of at most 511 characters, as its commands file does.
    std::string line = FormatCommandLine(format, values);
    if (line.size() > kMaxCommandLine)
        line.resize(kMaxCommandLine);
    m_executive.AddCommand(line.c_str(), directWrite);
}

bool MainFrame::ConfirmSystemChange(const QString& strText)
{
    return QMessageBox::warning(this, tr("Warning"), strText, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool MainFrame::diskHasSystemEntry(int nDiskIndex)
{
    for (int i = 0; i < m_virtualManager.GetPartitionCount(nDiskIndex); ++i) {
        PartitionInfo e{};
        if (m_virtualManager.GetPartition(nDiskIndex, i, &e) && (e.SystemVolume || e.BootVolume))
            return true;
    }
    return false;
}

void MainFrame::on_action_Delete_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    if ((e.SystemVolume || e.BootVolume) &&
        !ConfirmSystemChange(tr("This partition is system partition, deleting system partition may cause your "
                                "computer to be unbootable!\n\nAre you sure that you want to delete this partition?")))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    AddPendingItem(tr("Delete: (%1)").arg(DisplayName(d, p)));
    QueueLine(KCmdDeletePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p))});
    m_virtualManager.DeletePartition(d, p);
    RefreshViews();
}

void MainFrame::queueHide(bool bUnhide)
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const QString name = DisplayName(d, p);
    AddPendingItem(bUnhide ? tr("Unhide: (%1)").arg(name) : tr("Hide: (%1)").arg(name));
    QueueLine(KCmdHidePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(bUnhide ? 1 : 0)});
    e.Hidden = bUnhide ? 0 : 1;
    ShowEntryChange(d, p, e);
}

void MainFrame::on_action_Hide_Partition_triggered() { queueHide(false); }

void MainFrame::on_action_Unhide_Partition_triggered() { queueHide(true); }

void MainFrame::on_action_Set_Active_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    QTreeWidgetItem* parent = AddPendingItem(tr("Set Active: (%1)").arg(DisplayName(d, p)));
    bool others = false;
    for (int i = 0; i < m_virtualManager.GetPartitionCount(d); ++i) {
        PartitionInfo other{};
        if (i == p || !m_virtualManager.GetPartition(d, i, &other) || !other.Active || !other.IsPrimary ||
            other.PartitionTypeId == 0)
            continue;
        others = true;
        AddPendingItem(tr("Set Inactive: (%1)").arg(DisplayName(d, i)), parent);
        QueueLine(KCmdActivePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, i)), int64_t(0)});
        other.Active = 0;
        m_virtualManager.UpdatePartition(d, i, &other);
    }
    if (others)
        AddPendingItem(tr("Set Active: (%1)").arg(DisplayName(d, p)), parent);
    QueueLine(KCmdActivePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(1)});
    m_virtualManager.GetPartition(d, p, &e);
    e.Active = 1;
    ShowEntryChange(d, p, e);
}

void MainFrame::on_action_Set_Inactive_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    AddPendingItem(tr("Set Inactive: (%1)").arg(DisplayName(d, p)));
    QueueLine(KCmdActivePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(0)});
    e.Active = 0;
    ShowEntryChange(d, p, e);
}

void MainFrame::queueInitiate(int nStyle)
{
    const int d = m_nDiskIndex;
    PartitionInfo e{};
    if (d < 0 || !m_virtualManager.GetPartition(d, 0, &e))
        return;
    switch (nStyle) {
    case KCmdInitiateDisk::kStyleGpt: AddPendingItem(tr("Initiate Disk %1 to GPT").arg(d + 1)); break;
    case KCmdInitiateDisk::kStyleMbr: AddPendingItem(tr("Initiate Disk %1 to MBR").arg(d + 1)); break;
    default: AddPendingItem(tr("Rebuild MBR on Disk %1").arg(d + 1)); break;
    }
    QueueLine(KCmdInitiateDisk::kFormat, {int64_t(d), int64_t(nStyle), int64_t(0)});
    // The disk's style follows its first entry; rebuilding the MBR leaves the entry as it is.
    if (nStyle == KCmdInitiateDisk::kStyleGpt)
        e.IsGptEntry = 1;
    else if (nStyle == KCmdInitiateDisk::kStyleMbr)
        e.IsGptEntry = 0;
    m_virtualManager.UpdatePartition(d, 0, &e);
    RefreshViews();
}

void MainFrame::on_actionInitiate_to_GPT_triggered() { queueInitiate(KCmdInitiateDisk::kStyleGpt); }

void MainFrame::on_action_Initiate_to_MBR_Disk_triggered() { queueInitiate(KCmdInitiateDisk::kStyleMbr); }

void MainFrame::on_actionRebuild_MBR_triggered() { queueInitiate(KCmdInitiateDisk::kStyleRebuildMbr); }

QTreeWidgetItem* MainFrame::queueDeleteAll(int nDiskIndex, const QString& strParent)
{
    QTreeWidgetItem* parent = AddPendingItem(strParent);
    for (int i = m_virtualManager.GetPartitionCount(nDiskIndex) - 1; i >= 0; --i) {
        PartitionInfo e{};
        if (!m_virtualManager.GetPartition(nDiskIndex, i, &e) || e.PartitionTypeId == 0)
            continue;
        AddPendingItem(tr("Delete: (%1)").arg(DisplayName(nDiskIndex, i)), parent);
        QueueLine(KCmdDeletePartition::kFormat, {int64_t(nDiskIndex), int64_t(LineIndex(nDiskIndex, i))});
        m_virtualManager.DeletePartition(nDiskIndex, i);
    }
    return parent;
}

void MainFrame::on_action_Delete_All_Partitions_triggered()
{
    const int d = m_nDiskIndex;
    if (d < 0)
        return;
    if (QMessageBox::warning(this, tr("Warning"),
                             tr("Are you sure that you want to delete all partitions on disk %1 ?").arg(d + 1),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (diskHasSystemEntry(d) &&
        !ConfirmSystemChange(tr("This disk contains system partition, deleting system partition may cause your "
                                "computer to be unbootable!\n\nAre you sure that you want to delete all partitions "
                                "on the disk?")))
        return;
    QTreeWidgetItem* parent = queueDeleteAll(d, tr("Delete All Partitions on Disk %1").arg(d + 1));
    if (parent->childCount() == 0) // nothing allocated: nothing to queue
        delete m_pendingTree->takeTopLevelItem(m_pendingTree->indexOfTopLevelItem(parent));
    RefreshViews();
}

void MainFrame::on_actionMake_Partition_Primary_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    AddPendingItem(tr("Set Partition as Primary (%1)").arg(DisplayName(d, p)));
    QueueLine(KCmdChangePartitionPrimary::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(1)});
    e.IsPrimary = 1;
    ShowEntryChange(d, p, e);
}

void MainFrame::on_actionMake_Partition_Logical_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const int fs = e.FileSystemType;
    if (fs != kFsFat12 && fs != kFsFat16 && fs != kFsFat32 && fs != kFsNtfs) {
        QMessageBox::critical(this, tr("Error"), tr("Cannot convert this primary partition to logical partition."));
        return;
    }
    // The free space in front: back to the end of the previous partition, never over the MBR sector.
    int64_t freeStart = 1;
    for (int i = p - 1; i >= 0; --i) {
        PartitionInfo before{};
        if (m_virtualManager.GetPartition(d, i, &before) && before.PartitionTypeId != 0) {
            freeStart = before.EndLba() + 1;
            break;
        }
    }
    const QString name = DisplayName(d, p);
    const std::vector<CommandValue> logical = {int64_t(d), int64_t(LineIndex(d, p)), int64_t(0)};
    if (e.StartingLba - freeStart > kExtendedRecordGap - 1) {
        AddPendingItem(tr("Set Partition as Logical (%1)").arg(name));
        QueueLine(KCmdChangePartitionPrimary::kFormat, logical);
        e.IsPrimary = 0;
        m_virtualManager.UpdatePartition(d, p, &e);
        RefreshViews();
        return;
    }
    // No room for the extended boot record: the partition first gives up its first 63 sectors.
    if (e.SectorCount <= kExtendedRecordGap)
        return;
    QTreeWidgetItem* parent = AddPendingItem(tr("Set Partition as Logical (%1)").arg(name));
    AddPendingItem(tr("Move Partition: (%1)").arg(name), parent);
    const int64_t newStart = e.StartingLba + kExtendedRecordGap;
    const int64_t newLength = e.SectorCount - kExtendedRecordGap;
    QueueLine(KCmdResizePartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), newStart, newLength, int64_t(1)});
    PartitionInfo moved = e;
    moved.StartingLba = newStart;
    moved.SectorCount = newLength;
    moved.TotalSectors = std::min(moved.TotalSectors, newLength);
    moved.FreeSectors = std::max<int64_t>(0, moved.FreeSectors - kExtendedRecordGap);
    moved.EntryFlags |= kEntryPendingMoved;
    m_virtualManager.UpdatePartition(d, p, &moved);
    // The entry keeps its list position: the free area before it only grows.
    int index = -1;
    for (int i = 0; i < m_virtualManager.GetPartitionCount(d); ++i) {
        PartitionInfo x{};
        if (m_virtualManager.GetPartition(d, i, &x) && x.StartingLba == newStart && x.PartitionTypeId != 0)
            index = i;
    }
    AddPendingItem(tr("Set Partition as Logical (%1)").arg(name), parent);
    QueueLine(KCmdChangePartitionPrimary::kFormat, logical);
    if (index >= 0) {
        m_virtualManager.GetPartition(d, index, &moved);
        moved.IsPrimary = 0;
        m_virtualManager.UpdatePartition(d, index, &moved);
    }
    RefreshViews();
}

void MainFrame::on_actionConvert_Dynamic_Disk_To_Basic_Disk_triggered()
{
    const int d = m_nDiskIndex;
    if (d < 0)
        return;
    const int lines = m_executive.GetCommandCount();
    if (lines > 0 && !m_executive.GetDirectWriteFlag(lines - 1)) {
        QMessageBox::information(this, tr("Information"),
                                 tr("Please apply all the changes you have made before you use this function."));
        return;
    }
    std::unique_ptr<IConvertDynamicDiskToBasicDisk> conversion(CreateInterface_IConvertDynamicDiskToBasicDisk());
    IDisk* disk = m_virtualManager.GetDisk(d);
    if (!conversion || !disk || !conversion->SetDisk(disk)) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to convert the specified dynamic disk."));
        return;
    }
    if (!conversion->Convert()) {
        QMessageBox::critical(this, tr("Error"),
                              tr("Volmara cannot convert the specified dynamic disk to basic disk. Because Volmara "
                                 "cannot convert any dynamic volume type except the simple or mirrored volume."));
        return;
    }
    if (conversion->HasMirroredVolumes()) {
        QMessageBox::information(this, tr("Information"),
                                 tr("Volmara could convert the specified dynamic disk to basic disk. However, you "
                                    "need to break the mirrored volumes by using <B>Windows Disk Management</B> "
                                    "first."));
        return;
    }

    // The disk becomes basic with one free area, then gets one partition per volume.
    PartitionInfo whole{};
    m_virtualManager.GetPartition(d, 0, &whole);
    whole.PartitionTypeId = 0;
    whole.FileSystemType = kFsNone;
    whole.IsGptEntry = 0; // a GPT-style dynamic disk becomes an MBR disk as well
    m_virtualManager.UpdatePartition(d, 0, &whole);

    QTreeWidgetItem* parent = AddPendingItem(tr("Convert Dynamic Disk %1 to Basic Disk").arg(d + 1));
    AddPendingItem(tr("Initialize Disk %1").arg(d + 1), parent);
    QueueLine(KCmdInitiateDisk::kFormat, {int64_t(d), int64_t(KCmdInitiateDisk::kStyleDynamicToBasic), int64_t(1)}, 1);
    for (const PartitionInfo& volume : conversion->Volumes()) {
        AddPendingItem(tr("Convert Partition (Disk:%2 LBA: %1)").arg(volume.StartingLba).arg(d + 1), parent);
        m_virtualManager.InsertPartition(d, &volume);
        const uint32_t typeId = uint32_t(uint16_t(volume.PartitionTypeId)) | KCmdCreatePartition::kTableEntryOnly;
        QueueLine(KCmdCreatePartition::kFormat,
                  {int64_t(d), volume.StartingLba, volume.SectorCount, int64_t(typeId), int64_t(0), int64_t(0),
                   std::string(), int64_t(uint8_t(volume.DriveLetter)), int64_t(volume.Active ? 1 : 0),
                   int64_t(volume.IsPrimary ? 1 : 0), int64_t(volume.BootVolume ? 1 : 0),
                   int64_t(volume.SystemVolume ? 1 : 0)},
                  1);
    }
    RefreshViews();
    QMessageBox::information(this, tr("NOTE:"),
                             tr("You cannot do any operations except convert other dynamic disk to basic. All other "
                                "operations will be available after you apply the conversion."));
}
