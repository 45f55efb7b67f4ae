// Collects what a new partition in one unallocated area needs: primary or logical, drive letter,
// file system, cluster size, label, and its place and size inside the area (the resize control and
// three MB spin boxes). The caller runs it modally and reads the results after acceptance.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

namespace Ui {
class KCreatePartitionDlg;
}

class KPartitionResizeCtrl;

class KCreatePartitionDlg : public QDialog {
    Q_OBJECT
public:
    // n64AreaSectors: length of the unallocated area; nUnitSectors: the disk's sectors per cylinder,
    // the spin step and the smallest partition. With bOnlyPrimary or bOnlyLogical the kind is fixed.
    KCreatePartitionDlg(qint64 n64AreaSectors, int nUnitSectors, bool bOnlyPrimary, bool bOnlyLogical,
                        QWidget* parent = nullptr);
    ~KCreatePartitionDlg() override;

    // Results, valid after acceptance.
    bool IsPrimary() const { return m_bPrimary; }
    QString GetLabel() const { return m_strLabel; }
    // 1 (FAT12), 6 (FAT16), 11 (FAT32), 7, 49, 50, 51, or 0 for no file system.
    int GetFileSystemType() const { return m_nFileSystemType; }
    // 'C'..'Z', or 0 for none.
    char GetDriveLetter() const { return m_driveLetter; }
    // Sectors per cluster; 0 for the file system's default.
    int GetClusterSize() const { return m_nClusterSize; }
    // Offset from the area's first sector, at least 0.
    qint64 GetStart() const { return m_n64Start; }
    qint64 GetSize() const { return m_n64Size; }

    // Smallest and largest partition the file system allows in an area of n64AreaSectors.
    static void SizeLimits(int nFileSystemType, qint64 n64AreaSectors, int nUnitSectors, qint64* pMinimum,
                           qint64* pMaximum);
    // The cluster sizes offered (sectors per cluster, 0 = default or none) for a volume of n64Size.
    static std::vector<int> ClusterSizeChoices(int nFileSystemType, qint64 n64Size);
    static QString ClusterSizeText(int nFileSystemType, int nSectorsPerCluster);

public slots:
    void on_okButton_clicked();
    void on_cancelButton_clicked();
    void onPartitionResized(qint64 n64StartingOffset, qint64 n64Size);
    void onFileSystemChanged(int index);
    void onUnallocateSizeBeforeValueChanged(double value);
    void onPartitionSizeValueChanged(double value);
    void onUnallocateSizeAfterValueChanged(double value);

private:
    int selectedFileSystem() const;
    // Refills the cluster box, keeping the chosen size when it is still offered.
    void fillClusterSizes(int nFileSystemType, qint64 n64Size);
    void setBeforeAfterRanges(qint64 n64Size);
    void showControlValues();
    KPartitionResizeCtrl* ctrl() const;

    std::unique_ptr<Ui::KCreatePartitionDlg> ui;
    qint64 m_n64Area;
    int m_nUnit;
    bool m_busy = false;

    bool m_bPrimary = false;
    QString m_strLabel;
    int m_nFileSystemType = 0;
    char m_driveLetter = 0;
    int m_nClusterSize = 0;
    qint64 m_n64Start = 0;
    qint64 m_n64Size = 0;
};
