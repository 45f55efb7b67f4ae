// Asks for a volume's new cluster size among the powers of two the file system allows.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KChangeClusterSizeDlg;
}

class KChangeClusterSizeDlg : public QDialog {
    Q_OBJECT
public:
    // Sizes in sectors per cluster: the offered range and the volume's current size.
    KChangeClusterSizeDlg(int nMinClusterSize, int nMaxClusterSize, int nClusterSize, const QString& strName,
                          QWidget* parent = nullptr);
    ~KChangeClusterSizeDlg() override;

    // Valid after acceptance, in sectors per cluster.
    int ClusterSize() const { return m_nClusterSize; }

public slots:
    void onClusterSizeChanged(int index);

private slots:
    void on_yesButton_clicked();

private:
    std::unique_ptr<Ui::KChangeClusterSizeDlg> ui;
    int m_nCurrentClusterSize;
    int m_nClusterSize;
};
