// The recovery wizard's last page: scans the chosen range once when it is first shown, lists the finds
// with check boxes, keeps overlapping finds from being ticked together, and previews the disk as it
// will be with the ticked finds (existing partitions they overlap leave the preview).
#pragma once

#include <QByteArray>
#include <QWizardPage>
#include <memory>
#include <vector>

#include "core/PartitionInfo.h"

namespace Ui {
class KChooseSearchedLostPartitionPage;
}
class IVirtualVolumeManager;
class KPartitionScanningThread;
class KVirtualVolumeManagerPreview;
class QTreeWidgetItem;

class KChooseSearchedLostPartitionPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(QByteArray partitionArray MEMBER m_partitionArray)
    Q_PROPERTY(int partitionCount MEMBER m_nPartitionCount)
public:
    enum Column { ColFileSystem, ColLabel, ColStart, ColEnd, ColUsed, ColSize, ColStatus };

    explicit KChooseSearchedLostPartitionPage(IVirtualVolumeManager* layout, QWidget* parent = nullptr);
    ~KChooseSearchedLostPartitionPage() override;

    void initializePage() override;
    void cleanupPage() override;
    bool validatePage() override;
    bool isComplete() const override;

    bool IsScanning() const { return m_bScanning; }
    // Sectors the scan has looked at, and all it was to look at.
    int64_t ScannedSectors() const { return m_n64Done; }
    int64_t SectorsToScan() const { return m_n64Total; }
    // The finds in disk order, as the list shows them.
    const std::vector<PartitionInfo>& Found() const { return m_found; }
    KVirtualVolumeManagerPreview* Preview() const { return m_preview.get(); }

public slots:
    void onPageInitialized();
    void on_pushButton_clicked();
    void onItemChanged(QTreeWidgetItem* item, int column);
    void onItemDoubleClicked(QTreeWidgetItem* item, int nIndex);

private slots:
    void onPartitionFound(const QByteArray& record);
    void onProgressed(qint64 n64Done, qint64 n64Position);
    void onScanFinished(bool bStopped);

private:
    void setNavigationEnabled(bool bEnabled);
    // Re-derives every row's state and the preview from the ticks.
    void applyTicks();
    void rebuildPreview();
    QString statusText(const PartitionInfo& e) const;

    std::unique_ptr<Ui::KChooseSearchedLostPartitionPage> ui;
    IVirtualVolumeManager* m_layout;
    int m_nDiskIndex = 0;
    std::vector<PartitionInfo> m_found;
    std::unique_ptr<KVirtualVolumeManagerPreview> m_preview;
    std::unique_ptr<KPartitionScanningThread> m_thread;
    bool m_bScanned = false;
    bool m_bScanning = false;
    bool m_bCancel = false;
    bool m_bUpdating = false;
    int64_t m_n64Total = 0;
    int64_t m_n64Done = 0;
    int m_nProgressDivisor = 20;
    QByteArray m_partitionArray;
    int m_nPartitionCount = 0;
};
