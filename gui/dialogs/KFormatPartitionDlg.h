// Asks for the file system, label and cluster size a partition is formatted with. Only the file
// systems that suit the partition's size are offered; NTFS always is.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KFormatPartitionDlg;
}

class KFormatPartitionDlg : public QDialog {
    Q_OBJECT
public:
    // n64Size: the partition's size in sectors.
    KFormatPartitionDlg(const QString& strLabel, qint64 n64Size, QWidget* parent = nullptr);
    ~KFormatPartitionDlg() override;

    // Valid after acceptance. The file-system code (FileSystemCode) of the chosen item.
    int FileSystemType() const { return m_nFileSystemType; }
    QString Label() const { return m_strLabel; }
    // Sectors per cluster; 0 leaves the choice to the file system's default.
    int ClusterSize() const { return m_nClusterSize; }

public slots:
    void onFileSystemChanged(int index);

private slots:
    void on_okButton_clicked();

private:
    void fillFileSystems();
    void fillClusterSizes(int nFileSystemType);

    std::unique_ptr<Ui::KFormatPartitionDlg> ui;
    qint64 m_n64Size;
    int m_nFileSystemType = 0;
    QString m_strLabel;
    int m_nClusterSize = 0;
};
