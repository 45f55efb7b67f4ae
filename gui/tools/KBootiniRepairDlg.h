// Asks which operating system of boot.ini to point at which partition of the disk: a list of the
// systems found and the disk as a bar, where only FAT and NTFS partitions can be taken.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QStringList>
#include <memory>

namespace Ui {
class KBootiniRepairDlg;
}
class IVirtualVolumeManager;

class KBootiniRepairDlg : public QDialog {
    Q_OBJECT

public:
    KBootiniRepairDlg(IVirtualVolumeManager* layout, int nDiskIndex, const QStringList& systems,
                      QWidget* parent = nullptr);
    ~KBootiniRepairDlg() override;

    // After acceptance: the chosen system (its place in the list) and the chosen entry of the disk.
    int SystemIndex() const { return m_nSystemIndex; }
    int PartitionIndex() const { return m_nPartitionIndex; }

public slots:
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);
    void onOperatingSystemChanged(int nIndex);
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::KBootiniRepairDlg> ui;
    IVirtualVolumeManager* m_layout;
    int m_nDiskIndex;
    int m_nSystemIndex = -1;
    int m_nPartitionIndex = -1;
};
