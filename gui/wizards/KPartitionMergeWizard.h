// Picks two neighbouring partitions of one disk and the folder that will keep the second one's content:
// the first page chooses the partition to expand, the second its neighbour to fold in. The wizard only
// chooses and checks; the main window queues the merge from its results.
#pragma once

#include <QWizard>

class IVirtualVolumeManager;

class KPartitionMergeWizard : public QWizard {
    Q_OBJECT
public:
    static constexpr int kFolderNameBytes = 512;
    // Code units of the folder name converted at most.
    static constexpr int kFolderNameUnits = 4095;

    KPartitionMergeWizard(IVirtualVolumeManager* layout, QWidget* parent = nullptr);

    // Valid after acceptance. First and second are the smaller and the larger list index of the two.
    int DiskIndex() const { return m_nDiskIndex; }
    int FirstIndex() const { return m_nFirstIndex; }
    int SecondIndex() const { return m_nSecondIndex; }
    // True when the first (left) partition is the one chosen to expand.
    bool FirstIsExpanded() const { return m_bFirstIsExpanded; }
    // The folder name in the engine's 8-bit text, zero-terminated.
    const char* FolderName() const { return m_folderName; }

public slots:
    void accept() override;

private:
    int m_nDiskIndex = -1;
    int m_nFirstIndex = -1;
    int m_nSecondIndex = -1;
    bool m_bFirstIsExpanded = false;
    char m_folderName[kFolderNameBytes] = {};
};
