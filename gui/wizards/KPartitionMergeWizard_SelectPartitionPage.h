// One page of the partition merge wizard. In expand mode the user picks the partition that will cover
// both areas; in merge mode a neighbour of it whose content moves into a folder, and names that folder.
#pragma once

#include <QPoint>
#include <QString>
#include <QWizardPage>

#include "core/PartitionInfo.h"

class IVirtualVolumeManager;
class KDiskMapItem;
class QItemSelection;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QWizard;

class KPartitionMergeWizard_SelectPartitionPage : public QWizardPage {
    Q_OBJECT
    // Where the wizard's fields live: the expand page holds "DiskIndex" and "ExtendingPartitionIndex",
    // the merge page "MergeingPartitionIndex" and "NewFolderName".
    Q_PROPERTY(int diskField MEMBER m_nDiskField)
    Q_PROPERTY(int extendingField MEMBER m_nExtendingField)
    Q_PROPERTY(int mergeingField MEMBER m_nMergeingField)
    Q_PROPERTY(QString folderField MEMBER m_strFolderField)
public:
    enum Mode { ExpandMode, MergeMode };

    // Longest folder name the merge takes, in characters.
    static constexpr int kMaxFolderName = 128;

    KPartitionMergeWizard_SelectPartitionPage(Mode mode, IVirtualVolumeManager* layout, QWizard* wizard);

    Mode PageMode() const { return m_mode; }
    int DiskIndex() const { return m_nDiskIndex; }
    // The chosen list index, -1 when none.
    int SelectedIndex() const { return m_nSelectedIndex; }

    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;

    // FAT12, FAT16, FAT32 or NTFS: the kinds a neighbour may have and the expand page lets through.
    static bool IsMergeCandidate(int nFileSystemType);

public slots:
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);
    void onDiskListSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

private:
    // The entry at a list index; an index the layout does not hold reads as an all-zero entry.
    PartitionInfo entryAt(int nIndex) const;
    // Shows a folder-name refusal and hands the line edit back to the user.
    void refuseFolderName(const QString& strText);
    // True when the expanding volume's root already holds an item of that name (any letter case).
    bool folderNameTaken(const QString& strName, const PartitionInfo& expanding) const;

    Mode m_mode;
    IVirtualVolumeManager* m_layout;
    int m_nDiskIndex = -1;
    int m_nSelectedIndex = -1;
    KDiskMapItem* m_diskMapItem = nullptr;
    QTreeWidget* m_diskList = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_folderLabel = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    int m_nDiskField = -1;
    int m_nExtendingField = -1;
    int m_nMergeingField = -1;
    QString m_strFolderField;
};
