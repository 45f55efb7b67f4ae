// The tools that act at once: they open their window on the selected disk or partition and queue
// nothing.
#include <memory>

#include "engine/IVolumeDevice.h"
#include "gui/mainframe/MainFrame.h"
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
