// The operations that ask through a dialog first: create, format, change letter, label, move/resize,
// wipe partition and disk, type ID, serial number and cluster size. As the others, each adds its pending
// item(s), the matching command lines and the change of the pending layout together.
#include <QMessageBox>
#include <QTreeWidgetItem>
#include <algorithm>
#include <cstring>

#include "gui/dialogs/KChangeClusterSizeDlg.h"
#include "gui/dialogs/KChangeLabelDlg.h"
#include "gui/dialogs/KChangeLetterDlg.h"
#include "gui/dialogs/KChangePartitionTypeID.h"
#include "gui/dialogs/KCreatePartitionDlg.h"
#include "gui/dialogs/KFormatPartitionDlg.h"
#include "gui/dialogs/KMoveResizeDlg.h"
#include "gui/dialogs/KWipingDiskDlg.h"
#include "gui/common/LabelText.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"
#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdChangePartitionSerialNumber.h"
#include "commands/KCmdChangePartitionTypeID.h"
#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdDeletePartition.h"
#include "commands/KCmdFormatPartition.h"
#include "commands/KCmdLabelPartition.h"
#include "commands/KCmdMountPartition.h"
#include "commands/KCmdResizePartition.h"
#include "commands/KCmdWipeDisk.h"
#include "core/ByteOrder.h"
#include "engine/DiskEngine.h"
#include "engine/Guid.h"
#include "engine/IDisk.h"
#include "core/FileSystemTypes.h"
#include "fs/ntfs/KNtfsResize.h"
#include "fs/FileSystemRegistry.h"
#include "fs/FileSystemServices.h"
#include "model/KDriveLetterPool.h"
#include "model/PartitionPlacement.h"
#include "ui_MainFrame.h"

namespace {

// The file-system family's answers, or the neutral ones where no family handles the code.
const IFileSystem* familyOf(int nFileSystemType)
{
    return FileSystemFor(nFileSystemType);
}

// The type byte a new partition gets for its file system (a Windows-readable volume is named NTFS).
int TypeIdFor(int nFileSystemType)
{
    if (nFileSystemType == kFsWindowsReadable)
        nFileSystemType = kFsNtfs;
    const IFileSystem* family = familyOf(nFileSystemType);
    return family ? family->TypeByte(nFileSystemType) : 0;
}

int DefaultClusterSize(int nFileSystemType, int64_t sectors)
{
    const IFileSystem* family = familyOf(nFileSystemType);
    return family ? family->DefaultClusterSize(nFileSystemType, sectors) : 0;
}

// Sectors an empty file system of that kind occupies; the rest of the volume is free.
int64_t SystemAreaSectors(int nFileSystemType, int64_t sectors, int nClusterSize)
{
    const IFileSystem* family = familyOf(nFileSystemType);
    return family ? family->SystemAreaSectors(nFileSystemType, sectors, nClusterSize) : sectors;
}

// A kind the size cannot carry is downgraded by its family (FAT32 to FAT16 to FAT12).
int KindForSize(int nFileSystemType, int64_t sectors)
{
    const IFileSystem* family = familyOf(nFileSystemType);
    return family ? family->KindForSize(nFileSystemType, sectors) : nFileSystemType;
}

} // namespace

bool MainFrame::diskGeometry(int nDiskIndex, DiskGeometry* geometry)
{
    *geometry = DiskGeometry{};
    IDisk* disk = m_virtualManager.GetDisk(nDiskIndex);
    if (!disk || !disk->GetGeometry(geometry) || geometry->SectorsPerTrack <= 0 || geometry->TracksPerCylinder <= 0)
        return false;
    return true;
}

PartitionList MainFrame::pendingList(int nDiskIndex)
{
    PartitionList list;
    for (int i = 0; i < m_virtualManager.GetPartitionCount(nDiskIndex); ++i) {
        PartitionInfo e{};
        if (m_virtualManager.GetPartition(nDiskIndex, i, &e))
            list.push_back(e);
    }
    return list;
}

void MainFrame::on_action_Create_triggered()
{
    PartitionInfo area{};
    if (!SelectedEntry(&area) || area.PartitionTypeId != 0)
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    DiskGeometry geometry{};
    if (!diskGeometry(d, &geometry))
        return;
    const bool gpt = m_virtualManager.IsGptDisk(d) != 0;
    const int64_t s = geometry.SectorsPerTrack;

    PartitionPlacement::Kinds kinds{true, false};
    if (!gpt) {
        kinds = PartitionPlacement::KindsForArea(pendingList(d), p, geometry);
        if (!kinds.Primary && !kinds.Logical) {
            QMessageBox::critical(this, tr("Error"),
                                  tr("Volmara cannot create a partition at here. There are no free MBR slots on the "
                                     "disk."));
            return;
        }
    }
    int64_t areaStart = area.StartingLba, areaLength = area.SectorCount;
    const auto clip = PartitionPlacement::ClipFreeArea(&areaStart, &areaLength, geometry, gpt);
    if (clip == PartitionPlacement::ClipResult::BeyondMbrLimit) {
        QMessageBox::critical(this, tr("Error"),
                              tr("This disk uses MBR format, the disk space beyond 2 TB will be unusable."));
        return;
    }
    if (clip == PartitionPlacement::ClipResult::NothingLeft) {
        QMessageBox::critical(this, tr("Error"), tr("Not enough free space!"));
        return;
    }

    KCreatePartitionDlg dialog(areaLength, int(geometry.SectorsPerCylinder()), kinds.Primary && !kinds.Logical,
                               kinds.Logical && !kinds.Primary, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool primary = gpt || dialog.IsPrimary();
    int64_t start = 0, length = 0;
    if (!PartitionPlacement::PlaceNewPartition(areaStart, areaLength, dialog.GetStart(), dialog.GetSize(), primary,
                                               geometry, &start, &length)) {
        QMessageBox::critical(this, tr("Error"), tr("Not enough free space!"));
        return;
    }

    const int fs = KindForSize(dialog.GetFileSystemType(), length);
    int cluster = dialog.GetClusterSize();
    if (fs == kFsLinuxSwap) {
        // A swap area is used in whole pages.
        cluster = DefaultClusterSize(fs, length);
        length = length / cluster * cluster;
    } else if (cluster == 0) {
        cluster = DefaultClusterSize(fs, length);
    }
    const std::string label = LabelText::ToEngine(dialog.GetLabel());
    const char letter = dialog.GetDriveLetter();
    const int typeId = TypeIdFor(fs);

    PartitionInfo created = MakeEmptyPartitionInfo();
    created.EntryFlags = kEntryPendingCreated | (letter ? kEntryPendingLetter : 0);
    created.IsGptEntry = gpt ? 1 : 0;
    created.StartingLba = start;
    created.SectorCount = length;
    // No file system still makes a partition: the command writes it with the NTFS type byte.
    created.PartitionTypeId = int16_t(typeId ? typeId : 0x07);
    created.HiddenSectors = primary ? start : s;
    created.IsPrimary = primary ? 1 : 0;
    if (gpt)
        std::memcpy(created.GptTypeGuid, GptType::BasicData.data(), 16);
    created.DriveLetter = letter;
    created.FileSystemType = int16_t(fs);
    created.ClusterSize = cluster;
    LabelText::Store(created, label);
    created.TotalSectors = length;
    created.FreeSectors = std::max<int64_t>(0, length - SystemAreaSectors(fs, length, cluster));

    AddPendingItem(tr("Create (%1:) on Disk %2 ").arg(letter ? QChar::fromLatin1(letter) : QChar('*')).arg(d + 1));
    QueueLine(KCmdCreatePartition::kFormat,
              {int64_t(d), start, length, int64_t(typeId), int64_t(fs), int64_t(cluster), label,
               int64_t(uint8_t(letter)), int64_t(0), int64_t(primary ? 1 : 0), int64_t(0), int64_t(0)});
    m_virtualManager.InsertPartition(d, &created);
    KDriveLetterPool::Take(letter);
    RefreshViews();
}

void MainFrame::on_action_Format_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    KFormatPartitionDlg dialog(LabelText::FromEntry(e), e.SectorCount, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int fs = dialog.FileSystemType();
    const int cluster = dialog.ClusterSize() ? dialog.ClusterSize() : DefaultClusterSize(fs, e.SectorCount);
    const std::string label = LabelText::ToEngine(dialog.Label());

    AddPendingItem(tr("Format: (%1)").arg(DisplayName(d, p)));
    QueueLine(KCmdFormatPartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(fs), int64_t(cluster), label});
    e.FileSystemType = int16_t(fs);
    e.ClusterSize = cluster;
    LabelText::Store(e, label);
    e.TotalSectors = e.SectorCount;
    e.FreeSectors = std::max<int64_t>(0, e.SectorCount - SystemAreaSectors(fs, e.SectorCount, cluster));
    e.EntryFlags |= kEntryPendingFormatted;
    ShowEntryChange(d, p, e);
}

void MainFrame::on_action_Change_Drive_Letter_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const QString current = e.DriveLetter ? QStringLiteral("%1:").arg(QChar::fromLatin1(e.DriveLetter)) : QString();
    KChangeLetterDlg dialog(current, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int letter = dialog.DriveLetter();
    if (letter == uint8_t(e.DriveLetter))
        return;
    const QString target = letter ? QStringLiteral("%1:").arg(QChar(letter)) : tr("None");
    AddPendingItem(tr("Change Letter: (%1) to (%2)").arg(DisplayName(d, p), target));
    QueueLine(KCmdMountPartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(letter)});
    e.DriveLetter = char(letter);
    ShowEntryChange(d, p, e);
}

void MainFrame::on_action_Label_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    KChangeLabelDlg dialog(e.FileSystemType, LabelText::FromEntry(e), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string label = LabelText::ToEngine(dialog.Label());
    AddPendingItem(tr("Set Label (%1) to \"%2\"").arg(DisplayName(d, p), dialog.Label()));
    QueueLine(KCmdLabelPartition::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), label});
    LabelText::Store(e, label);
    ShowEntryChange(d, p, e);
}

void MainFrame::on_action_Move_Resize_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    DiskGeometry geometry{};
    if (!diskGeometry(d, &geometry))
        return;
    const bool gpt = m_virtualManager.IsGptDisk(d) != 0;
    const PartitionPlacement::Stretch stretch = PartitionPlacement::ResizeStretch(pendingList(d), p, geometry, gpt);
    const int64_t used = std::max<int64_t>(0, e.TotalSectors - e.FreeSectors);

    ResizeParameters block;
    block.StartOffset = e.StartingLba - stretch.First;
    block.StretchSectors = stretch.Length();
    block.Size = e.SectorCount;
    block.CylinderSectors = geometry.SectorsPerCylinder();
    block.UsedSectors = used;
    block.NtfsReserve = e.FileSystemType == kFsNtfs ? e.NtfsReserveSectors : 0;
    block.SectorsPerCluster = e.ClusterSize;
    block.FsType = e.FileSystemType;
    block.SafeMode = 1;
    block.IsSystemVolume = e.SystemVolume ? 1 : 0;
    KMoveResizeDlg dialog(&block, this);
    if (dialog.exec() != QDialog::Accepted)
        return;

    int64_t start = stretch.First + block.StartOffset;
    int64_t size = block.Size;
    if (start == e.StartingLba && size == e.SectorCount)
        return; // nothing moved: nothing to queue
    const int64_t totalSectors = m_virtualManager.GetDisk(d)->GetTotalSectors();
    int64_t last = start + size - 1;
    if (gpt) {
        if (e.FileSystemType == kFsNtfs)
            last = std::min(last, totalSectors - geometry.SectorsPerTrack - 1);
    } else {
        if (start != e.StartingLba)
            start = PartitionPlacement::AlignStart(start, e.IsPrimary != 0, geometry);
        if (e.FileSystemType != kFsExt2 && e.FileSystemType != kFsExt3) {
            last = PartitionPlacement::AlignEndDown(last, geometry);
            last = std::min(last, PartitionPlacement::AlignEndDown(totalSectors - 1, geometry));
        }
    }
    // A move of NTFS over its own sectors goes by whole clusters, so that clusters can stay where
    // they lie and only the ones outside the new extent move.
    if (e.FileSystemType == kFsNtfs && start != e.StartingLba && e.ClusterSize > 0)
        start = AlignNtfsMoveStart(e.StartingLba, e.ClusterSize, e.SectorCount, start, last - start + 1);
    const bool ext = e.FileSystemType == kFsExt2 || e.FileSystemType == kFsExt3;
    if (ext) {
        // An Ext volume only moves: its end follows the aligned start, one cylinder lower when the
        // rounded-up start would leave no room for it.
        last = start + e.SectorCount - 1;
        if (last > stretch.Last && !gpt && start - geometry.SectorsPerCylinder() >= stretch.First) {
            start -= geometry.SectorsPerCylinder();
            last -= geometry.SectorsPerCylinder();
        }
    }
    last = std::min(last, stretch.Last);
    if (last < start || (ext && last - start + 1 != e.SectorCount)) {
        QMessageBox::critical(this, tr("Error"), tr("Not enough free space!"));
        return;
    }
    size = last - start + 1;
    if (start == e.StartingLba && size == e.SectorCount)
        return; // aligned back onto where it is

    const int line = LineIndex(d, p);
    PartitionInfo moved = e;
    moved.StartingLba = start;
    moved.SectorCount = size;
    moved.EntryFlags |= kEntryPendingMoved;
    if (moved.IsPrimary)
        moved.HiddenSectors = start;
    moved.FileSystemType = int16_t(block.FsType);
    moved.TotalSectors = size;
    if (e.FileSystemType == kFsNtfs && e.ClusterSize > 0)
        moved.TotalSectors = size / e.ClusterSize * e.ClusterSize;
    moved.FreeSectors = std::max<int64_t>(0, moved.TotalSectors - used);

    AddPendingItem(tr("Move/Resize: (%1)").arg(DisplayName(d, p)));
    QueueLine(KCmdResizePartition::kFormat, {int64_t(d), int64_t(line), start, size, int64_t(block.SafeMode ? 1 : 0)});
    m_virtualManager.UpdatePartition(d, p, &moved);
    RefreshViews();
    GuardOverlap(d);
}

void MainFrame::on_action_Wipe_Partition_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    if ((e.SystemVolume || e.BootVolume) &&
        !ConfirmSystemChange(tr("This partition is system partition, wiping system partition may cause your "
                                "computer to be unbootable!\n\nAre you sure that you want to wipe this partition?")))
        return;
    const QString name = DisplayName(d, p);
    KWipingDiskDlg dialog(name, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddPendingItem(tr("Wipe Partition: (%1)").arg(name));
    QueueLine(KCmdWipeDisk::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), e.StartingLba, e.SectorCount,
                                      int64_t(dialog.WipingMethod())});
    // The layout stays as it is; the record keeps undo in step with the lines.
    m_virtualManager.PushUndo(d, p, kUndoChanged);
    RefreshViews();
}

void MainFrame::on_action_Wipe_Disk_triggered()
{
    const int d = m_nDiskIndex;
    IDisk* disk = m_virtualManager.GetDisk(d);
    if (d < 0 || !disk)
        return;
    if (diskHasSystemEntry(d) &&
        !ConfirmSystemChange(tr("This disk contains system partition, wiping system partition may cause your "
                                "computer to be unbootable!\n\nAre you sure that you want to wipe this disk?")))
        return;
    KWipingDiskDlg dialog(DisplayName(d, -1), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QTreeWidgetItem* parent = queueDeleteAll(d, tr("Wipe Disk %1").arg(d + 1));
    AddPendingItem(tr("Wipe Disk %1").arg(d + 1), parent);
    QueueLine(KCmdWipeDisk::kFormat,
              {int64_t(d), int64_t(0), int64_t(0), disk->GetTotalSectors(), int64_t(dialog.WipingMethod())});
    m_virtualManager.PushUndo(d, 0, kUndoChanged);
    RefreshViews();
}

void MainFrame::on_actionChanage_Partition_Type_ID_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const QString name = DisplayName(d, p);
    const int current = uint8_t(e.PartitionTypeId);
    KChangePartitionTypeID dialog(name, current, this);
    if (dialog.exec() != QDialog::Accepted || dialog.PartitionTypeId() == current)
        return;
    const int typeId = dialog.PartitionTypeId();
    AddPendingItem(tr("Change Partition Type ID: (%1)").arg(name));
    QueueLine(KCmdChangePartitionTypeID::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(typeId)});
    e.PartitionTypeId = int16_t(typeId);
    e.Hidden = HiddenStateForType(typeId, e.FileSystemType);
    ShowEntryChange(d, p, e);
}

uint64_t MainFrame::volumeSerialNumber(int nDiskIndex, const PartitionInfo& e)
{
    return ReadEntrySerialNumber(m_virtualManager.GetDisk(nDiskIndex), e);
}

void MainFrame::on_actionChange_Serial_Number_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const QString name = DisplayName(d, p);
    QChangePartitionSerialNumberDlg dialog(volumeSerialNumber(d, e), name, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddPendingItem(tr("Change Partition Serial Number: (%1)").arg(name));
    QueueLine(KCmdChangePartitionSerialNumber::kFormat,
              {int64_t(d), int64_t(LineIndex(d, p)), int64_t(dialog.SerialNumber())});
    m_virtualManager.PushUndo(d, p, kUndoChanged);
    RefreshViews();
}

void MainFrame::on_actionChange_Cluster_Size_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    const int64_t sectors = e.TotalSectors > 0 ? e.TotalSectors : e.SectorCount;
    int smallest = 1, largest = 128;
    const IFileSystem* family = FileSystemFor(e.FileSystemType);
    if (!family || !family->ClusterSizeRange(e.FileSystemType, sectors, &smallest, &largest))
        return;
    const QString name = DisplayName(d, p);
    KChangeClusterSizeDlg dialog(smallest, largest, e.ClusterSize, name, this);
    if (dialog.exec() != QDialog::Accepted || dialog.ClusterSize() == e.ClusterSize)
        return;
    const int cluster = dialog.ClusterSize();
    AddPendingItem(tr("Change Cluster Size: %1").arg(name));
    QueueLine(KCmdChangeClusterSize::kFormat, {int64_t(d), int64_t(LineIndex(d, p)), int64_t(cluster)});
    e.ClusterSize = cluster;
    ShowEntryChange(d, p, e);
}
