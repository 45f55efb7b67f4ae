// A disk page of the copy disk wizard: the source page picks the disk to copy, the target page the disk
// that receives it. The bar shows the chosen disk; the message under the list says why it cannot be
// taken, and the wizard's Next button follows it.
#pragma once

#include <QWizardPage>

class IVirtualVolumeManager;
class KDiskMapItem;
class QItemSelection;
class QLabel;
class QTreeWidget;

class KSelectingDiskPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(int diskIndex MEMBER m_nDiskIndex)
public:
    // An MBR disk holds no partition past this many sectors.
    static constexpr int64_t kMbrSectorLimit = 4294967040;

    // `bSkipChecks`: only a dynamic disk is refused (a disk to scan may be empty, or a GPT disk).
    KSelectingDiskPage(bool bSource, IVirtualVolumeManager* layout, QWidget* parent = nullptr, bool bSkipChecks = false);

    int DiskIndex() const { return m_nDiskIndex; }
    // Makes `nDiskIndex` the page's disk, as a click on its row does.
    void SelectDisk(int nDiskIndex);
    void SetDescription(const QString& strText);

    void initializePage() override;
    bool validatePage() override;
    bool isComplete() const override;

public slots:
    void onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);

private:
    // The disk's list is one unallocated entry.
    bool isEmptyDisk(int nDiskIndex) const;
    QString fieldName() const;

    bool m_bSource;
    bool m_bSkipChecks;
    IVirtualVolumeManager* m_layout;
    int m_nDiskIndex = 0;
    KDiskMapItem* m_diskMapItem = nullptr;
    QTreeWidget* m_diskList = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_description = nullptr;
};
