// A page of the partition copy wizard that picks one entry of the pending layout in a bar and in the
// partition list: on the source side a formatted partition, on the destination side an unallocated
// area the source's copy fits into. The page keeps its choice in two wizard fields.
#pragma once

#include <QPoint>
#include <QString>
#include <QWizardPage>

#include "core/PartitionInfo.h"

class IVirtualVolumeManager;
class KDiskMapItem;
class KDiskMapPartitionItemDelegate;
class KDiskMapPartitionItemModel;
class QItemSelection;
class QLabel;
class QTreeView;

class KSelectPartitionPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(int diskField MEMBER m_nDiskField)
    Q_PROPERTY(int partitionField MEMBER m_nPartitionField)
public:
    // The source page owns "SourceDiskIndex"/"SourcePartitionIndex", the destination page
    // "DestDiskIndex"/"DestPartitionIndex"; -1 for nothing chosen.
    KSelectPartitionPage(bool bSource, IVirtualVolumeManager* layout, QWidget* parent = nullptr,
                         int nDiskIndex = -1, int nPartitionIndex = -1);

    bool IsSource() const { return m_bSource; }

    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;

    // Why the current choice cannot be taken; empty when it can.
    QString CheckSelection() const;

public slots:
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);
    void onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection& deselected);

private:
    // Selects the list row of (disk, entry), the disk row for entry -1, nothing for disk -1.
    void selectRow(int nDiskIndex, int nPartitionIndex);
    QString checkDestination(const PartitionInfo& area) const;

    bool m_bSource;
    IVirtualVolumeManager* m_layout;
    int m_nPresetDisk;
    int m_nPresetPartition;
    int m_nDiskField = -1;
    int m_nPartitionField = -1;
    KDiskMapItem* m_diskMapItem = nullptr;
    QTreeView* m_partitionList = nullptr;
    KDiskMapPartitionItemModel* m_model = nullptr;
    KDiskMapPartitionItemDelegate* m_delegate = nullptr;
    QLabel* m_messageLabel = nullptr;
};
