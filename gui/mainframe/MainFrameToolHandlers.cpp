// The tools that act at once: they open their window on the selected disk or partition and queue
// nothing.
#include <QMessageBox>
#include <memory>

#include "engine/IVolumeDevice.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/tools/KCheckFileSystemDlg.h"
#include "gui/tools/KConvertFatToNtfsDlg.h"
#include "gui/tools/KPropertiesDlg.h"
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
