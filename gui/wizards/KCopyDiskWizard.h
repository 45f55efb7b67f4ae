// Copies every partition of one disk to another: the source disk, the target disk, one of three
// layouts for the target, and a note on booting from the copy. The wizard only chooses and checks;
// the main window queues the copy from its results.
#pragma once

#include <QWizard>
#include <vector>

#include "core/PartitionInfo.h"

class IVirtualVolumeManager;
class KSelectingDiskPage;

class KCopyDiskWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { WelcomePage, SourcePage, TargetPage, ReviewPage, BootNotePage };

    // With a preselected source disk (>= 0) the wizard opens on the target page.
    KCopyDiskWizard(int nSourceDiskIndex, IVirtualVolumeManager* layout, QWidget* parent = nullptr);

    // Valid after acceptance.
    int SourceDiskIndex() const { return m_nSourceDisk; }
    int TargetDiskIndex() const { return m_nTargetDisk; }
    // The target's partitions in order, without unallocated entries, letters or system and boot marks.
    const std::vector<PartitionInfo>& Partitions() const { return m_partitions; }

public slots:
    void accept() override;

private:
    int m_nSourceDisk = -1;
    int m_nTargetDisk = -1;
    std::vector<PartitionInfo> m_partitions;
};
