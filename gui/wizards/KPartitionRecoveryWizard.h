// Finds lost or deleted partitions on one disk: the disk, the range and the method of the scan, then
// the finds to keep with a preview of the disk. The wizard only reads the disk; the main window queues
// the new table from its results.
#pragma once

#include <QWizard>
#include <vector>

#include "core/PartitionInfo.h"

class IVirtualVolumeManager;

class KPartitionRecoveryWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { WelcomePage, DiskPage, RangePage, MethodPage, FoundPage };

    // With a preselected disk (>= 0) the disk page starts on it.
    KPartitionRecoveryWizard(IVirtualVolumeManager* layout, int nDiskIndex, QWidget* parent = nullptr);

    // Valid after acceptance: the disk and its partitions as chosen, in disk order.
    int DiskIndex() const { return m_nDiskIndex; }
    const std::vector<PartitionInfo>& Partitions() const { return m_partitions; }

signals:
    void pageInitialized();

public slots:
    // Accepting checks the last page and then collects its results.
    void done(int nResult) override;

private:
    int m_nDiskIndex = -1;
    std::vector<PartitionInfo> m_partitions;
};
