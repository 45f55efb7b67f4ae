// The tools that act at once: they open their window on the selected disk or partition and queue
// nothing.
#include <QMessageBox>
#include <memory>

#include "engine/IVolumeDevice.h"
#include "fs/IFileSystemExplorer.h"
#include "fs/KBootConfig.h"
#include "gui/common/LabelText.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/tools/KCheckFileSystemDlg.h"
#include "gui/tools/KConvertFatToNtfsDlg.h"
#include "gui/tools/KPropertiesDlg.h"
#include "gui/tools/KBootIniEditorDlg.h"
#include "gui/tools/KBootiniRepairDlg.h"
#include "gui/tools/KDriveExplorerDlg.h"
#include "gui/tools/KSurfaceScanDlg.h"

void MainFrame::on_actionSurface_Scan_triggered()
{
    const int d = m_nDiskIndex;
    if (d < 0 || m_nPartitionIndex >= 0)
        return;
    IDisk* disk = m_virtualManager.GetDisk(d);
    if (!disk)
        return;
    KSurfaceScanDlg dialog(QStringLiteral("\"%1\"").arg(DisplayName(d, -1)), disk, this);
    dialog.exec();
}

void MainFrame::on_actionSurface_Scan_2_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    // The volume device is this handler's; it goes when the window has closed.
    std::unique_ptr<IVolumeDevice> volume(m_virtualManager.CreateVolumeDevice(d, p));
    if (!volume)
        return;
    KSurfaceScanDlg dialog(QStringLiteral("\"%1\"").arg(DisplayName(d, p)), volume.get(), this);
    dialog.exec();
}

void MainFrame::on_actionCheck_File_System_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    std::unique_ptr<IVolumeDevice> volume(m_virtualManager.CreateVolumeDevice(m_nDiskIndex, m_nPartitionIndex));
    if (!volume)
        return;
    KCheckFileSystemDlg dialog(volume.get(), this);
    dialog.exec();
}

void MainFrame::on_action_Convert_File_System_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e))
        return;
    if (m_executive.GetCommandCount() > 0) {
        QMessageBox::information(this, tr("Information"),
                                 tr("Please apply all the changes you have made before you convert file system for this partition."));
        return;
    }
    {
        std::unique_ptr<IVolumeDevice> volume(m_virtualManager.CreateVolumeDevice(m_nDiskIndex, m_nPartitionIndex));
        if (!volume)
            return;
        KConvertFatToNtfsDlg dialog(volume.get(), this);
        dialog.exec();
    }
    // The volume may be NTFS now: both layouts are read again from the disks.
    reloadAfterApply();
}

// The tool bar's Properties: the selected disk or entry.
void MainFrame::on_action_Properties_triggered()
{
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    if (d < 0 || d >= m_virtualManager.GetDiskCount())
        return;
    KPropertiesDlg dialog(&m_virtualManager, d, p < 0 ? -1 : p, this);
    dialog.exec();
}

void MainFrame::on_action_Disk_Properties_triggered()
{
    const int d = m_nDiskIndex;
    if (d < 0 || d >= m_virtualManager.GetDiskCount() || m_nPartitionIndex >= 0)
        return;
    KPropertiesDlg dialog(&m_virtualManager, d, -1, this);
    dialog.exec();
}

void MainFrame::on_action_Partition_Properties_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e))
        return;
    KPropertiesDlg dialog(&m_virtualManager, m_nDiskIndex, m_nPartitionIndex, this);
    dialog.exec();
}

namespace {

// A directory reader opened on a partition, released and freed when it goes.
struct OpenedExplorer {
    OpenedExplorer(IDisk* disk, const PartitionInfo& e) : reader(CreateFileSystemExplorerInterface(e.FileSystemType))
    {
        if (reader && (!disk || reader->Open(disk, e.StartingLba) != 1))
            reader.reset();
    }
    ~OpenedExplorer()
    {
        if (reader)
            reader->Release();
    }
    std::unique_ptr<IFileSystemExplorer> reader;
};

// Pending work (a create, format or move) means the entry's place does not hold its file system yet.
bool pendingWork(const PartitionInfo& e)
{
    return (e.EntryFlags & 0x0Bu) != 0;
}

} // namespace

void MainFrame::on_action_Expoler_triggered()
{
    PartitionInfo e{};
    if (!SelectedEntry(&e) || pendingWork(e))
        return;
    const int d = m_nDiskIndex, p = m_nPartitionIndex;
    OpenedExplorer explorer(m_virtualManager.GetDisk(d), e);
    if (!explorer.reader)
        return;
    const QString label = LabelText::FromEntry(e).trimmed();
    const QString name = e.DriveLetter ? QStringLiteral("%1 (%2:)").arg(label, QChar::fromLatin1(e.DriveLetter))
                                       : tr("%1 (Disk %2 Partition %3)").arg(label).arg(d + 1).arg(p + 1);
    KDriveExplorerDlg dialog(name.trimmed(), explorer.reader.get(), this);
    dialog.exec();
}

void MainFrame::on_actionBoot_ini_Editor_triggered()
{
    PartitionInfo e{};
    if (!SelectedPartition(&e) || pendingWork(e))
        return;
    OpenedExplorer explorer(m_virtualManager.GetDisk(m_nDiskIndex), e);
    if (!explorer.reader)
        return;
    KBootIniConfigFile bootIni;
    if (!bootIni.Load(*explorer.reader)) {
        QMessageBox::critical(this, tr("Error"), tr("The selected partition does not contain boot.ini file."));
        return;
    }
    // The editor works with plain line ends; the file keeps its own.
    const bool crlf = bootIni.Text().find("\r\n") != std::string::npos;
    KBootIniEditorDlg dialog(QString::fromUtf8(bootIni.Text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString text = dialog.Text();
    if (crlf)
        text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    bootIni.Edit(text.toStdString());
    if (!bootIni.Save(*explorer.reader))
        QMessageBox::critical(this, tr("Error"), tr("Failed to modify boot.ini."));
}

void MainFrame::on_actionRepair_Boot_ini_triggered()
{
    const int d = m_nDiskIndex;
    if (d < 0 || m_nPartitionIndex >= 0)
        return;
    PartitionInfo boot{};
    bool found = false;
    for (int i = 0; i < m_virtualManager.GetPartitionCount(d); ++i) {
        PartitionInfo e{};
        if (m_virtualManager.GetPartition(d, i, &e) && e.PartitionTypeId != 0 && e.Active && e.IsPrimary) {
            boot = e;
            found = true;
        }
    }
    if (!found) {
        QMessageBox::critical(this, tr("Error"), tr("The selected disk does not contain a bootable partition."));
        return;
    }
    if (pendingWork(boot))
        return;
    OpenedExplorer explorer(m_virtualManager.GetDisk(d), boot);
    if (!explorer.reader)
        return;
    KBootIniConfigFile bootIni;
    if (!bootIni.Load(*explorer.reader)) {
        QMessageBox::critical(this, tr("Error"), tr("The bootable partition does not contain boot.ini file."));
        return;
    }
    const std::vector<BootIniSystem> systems = bootIni.OperatingSystems();
    if (systems.empty()) {
        QMessageBox::critical(this, tr("Error"), tr("The content of boot.ini file is invalid."));
        return;
    }
    QStringList names;
    for (const BootIniSystem& system : systems)
        names << QString::fromUtf8(system.Name);
    KBootiniRepairDlg dialog(&m_virtualManager, d, names, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PartitionInfo target{};
    const int chosen = dialog.SystemIndex();
    if (chosen < 0 || chosen >= int(systems.size()) || !m_virtualManager.GetPartition(d, dialog.PartitionIndex(), &target))
        return;
    const BootIniSystem& system = systems[size_t(chosen)];
    if (!bootIni.Repoint(system.RDisk, system.Partition, target.PartitionNumber)) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to modify boot.ini."));
        return;
    }
    if (!bootIni.Save(*explorer.reader))
        QMessageBox::critical(this, tr("Error"), tr("Failed to modify boot.ini."));
}
