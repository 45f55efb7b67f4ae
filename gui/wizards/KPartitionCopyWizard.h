// Copies one partition into an unallocated area of the same or another disk: the source partition,
// the destination area, then the copy's place, size and kind. The wizard only chooses and checks; the
// main window queues the copy from its results.
#pragma once

#include <QWizard>
#include <cstdint>

class IVirtualVolumeManager;

class KPartitionCopyWizard : public QWizard {
    Q_OBJECT
public:
    // With a preselected source (both indices >= 0) the wizard opens at the destination page.
    KPartitionCopyWizard(int nSourceDiskIndex, int nSourcePartitionIndex, IVirtualVolumeManager* layout,
                         QWidget* parent = nullptr);

    // Valid after acceptance. List indices are positions in the pending layout.
    bool IsPrimary() const { return m_bPrimary; }
    int SourceDiskIndex() const { return m_nSourceDisk; }
    int SourcePartitionIndex() const { return m_nSourcePartition; }
    int DestDiskIndex() const { return m_nDestDisk; }
    int DestPartitionIndex() const { return m_nDestPartition; }
    // Absolute sectors on the destination disk.
    int64_t DestStartingLba() const { return m_n64Start; }
    int64_t DestPartitionSize() const { return m_n64Size; }

public slots:
    void accept() override;

private:
    IVirtualVolumeManager* m_layout;
    bool m_bPrimary = false;
    int m_nSourceDisk = -1;
    int m_nSourcePartition = -1;
    int m_nDestDisk = -1;
    int m_nDestPartition = -1;
    int64_t m_n64Start = 0;
    int64_t m_n64Size = 0;
};
