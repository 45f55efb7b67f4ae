#include "gui/wizards/KPartitionMergeWizard_SelectPartitionPage.h"

#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWizard>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/FileSystemTypes.h"
#include "engine/DiskEngine.h"
#include "fs/IFileSystemExplorer.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/WizardDiskList.h"
#include "model/IVirtualVolumeManager.h"

namespace {

const char* const kDiskIndexField = "DiskIndex";
const char* const kExtendingField = "ExtendingPartitionIndex";
const char* const kMergeingField = "MergeingPartitionIndex";
const char* const kFolderNameField = "NewFolderName";

// Cell flags of the merge page's bar.
constexpr int kExpandingCell = KDiskMapItem::CellUnselectable | KDiskMapItem::CellDimmed | KDiskMapItem::CellMarked;
constexpr int kOtherCell = KDiskMapItem::CellUnselectable | KDiskMapItem::CellDimmed;

bool isFat(int fs) { return fs == kFsFat12 || fs == kFsFat16 || fs == kFsFat32; }

// Characters no folder name may hold.
const QString kRefusedCharacters = QStringLiteral(":?|\\/><\"*");

} // namespace

KPartitionMergeWizard_SelectPartitionPage::KPartitionMergeWizard_SelectPartitionPage(Mode mode,
                                                                                     IVirtualVolumeManager* layout,
                                                                                     QWizard* wizard)
    : QWizardPage(wizard), m_mode(mode), m_layout(layout)
{
    const bool expand = mode == ExpandMode;
    setTitle(expand ? tr("What to expand") : tr("What to merge"));
    setSubTitle(expand ? tr("Select partition you like to expand.")
                       : tr("Select partition that will be included to the target one."));

    auto* layoutBox = new QVBoxLayout(this);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    m_description->setWordWrap(true);
    m_description->setText(
        expand ? tr("<B>On this page, you can choose a partition that will be expanded to include adjacent "
                    "partition.</B> Please note that it is possible to select only NTFS partitions. If you like to "
                    "merge a FAT12/16/32 partition, please use \"Convert FAT to NTFS\" function to convert it to "
                    "NTFS first.")
               : tr("Select an adjacent partition to merge with the target partition. <B>This partition will be "
                    "merged to the one you have selected on the previous page.</B> The content of the second "
                    "partition will be placed in a folder inside the resulting partition."));
    layoutBox->addWidget(m_description);

    m_diskMapItem = new KDiskMapItem(this);
    m_diskMapItem->setObjectName(QStringLiteral("diskMapItem"));
    m_diskMapItem->SetPartitionsOnly(true);
    layoutBox->addWidget(m_diskMapItem);
    connect(m_diskMapItem, &KDiskMapItem::diskMapItemSelected, this,
            &KPartitionMergeWizard_SelectPartitionPage::onDiskMapItemSelected);

    m_diskList = new QTreeWidget(this);
    m_diskList->setObjectName(QStringLiteral("diskList"));
    layoutBox->addWidget(m_diskList);
    connect(m_diskList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KPartitionMergeWizard_SelectPartitionPage::onDiskListSelectionChanged);
    // Making the first row current shows its disk on the bar.
    WizardDiskList::Fill(m_diskList, m_layout, m_nDiskIndex);

    if (expand) {
        m_nDiskField = m_nDiskIndex;
        registerField(QString::fromLatin1(kDiskIndexField), this, "diskField");
        registerField(QString::fromLatin1(kExtendingField), this, "extendingField");
    } else {
        m_diskList->setEnabled(false);
        m_folderLabel = new QLabel(tr("Specify a folder name to keep content of the selected partition:"), this);
        m_folderLabel->setObjectName(QStringLiteral("folderLabel"));
        layoutBox->addWidget(m_folderLabel);
        m_folderEdit = new QLineEdit(QStringLiteral("merged_partition_content"), this);
        m_folderEdit->setObjectName(QStringLiteral("folderEdit"));
        layoutBox->addWidget(m_folderEdit);
        registerField(QString::fromLatin1(kMergeingField), this, "mergeingField");
        registerField(QString::fromLatin1(kFolderNameField), this, "folderField");
    }
}

bool KPartitionMergeWizard_SelectPartitionPage::IsMergeCandidate(int nFileSystemType)
{
    return isFat(nFileSystemType) || nFileSystemType == kFsNtfs;
}

PartitionInfo KPartitionMergeWizard_SelectPartitionPage::entryAt(int nIndex) const
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    if (!m_layout || !m_layout->GetPartition(m_nDiskIndex, nIndex, &e))
        e = MakeEmptyPartitionInfo();
    return e;
}

void KPartitionMergeWizard_SelectPartitionPage::onDiskMapItemSelected(int, int nSelectedItemIndex, bool, QPoint)
{
    if (nSelectedItemIndex >= m_diskMapItem->GetPartitionCount())
        return; // the disk box
    m_nSelectedIndex = nSelectedItemIndex;
    setField(QString::fromLatin1(m_mode == ExpandMode ? kExtendingField : kMergeingField), m_nSelectedIndex);
    if (wizard())
        emit completeChanged();
}

void KPartitionMergeWizard_SelectPartitionPage::onDiskListSelectionChanged(const QItemSelection& selected,
                                                                           const QItemSelection&)
{
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty())
        return;
    m_nDiskIndex = indexes.first().row();
    m_diskMapItem->SetDisk(m_layout, m_nDiskIndex);
    m_nSelectedIndex = -1;
    m_diskMapItem->SetSelectedIndex(-1);
    m_diskMapItem->update();
    setField(QString::fromLatin1(kDiskIndexField), m_nDiskIndex);
}

void KPartitionMergeWizard_SelectPartitionPage::initializePage()
{
    m_nDiskIndex = field(QString::fromLatin1(kDiskIndexField)).toInt();
    m_nSelectedIndex = -1;
    m_diskMapItem->SetSelectedIndex(-1);
    if (m_mode == ExpandMode)
        return;

    // The disk's row first: a change of row shows the disk afresh, which clears the cell flags.
    if (QTreeWidgetItem* row = m_diskList->topLevelItem(m_nDiskIndex)) {
        m_diskList->setCurrentItem(row);
        row->setSelected(true);
    }
    const int expanding = field(QString::fromLatin1(kExtendingField)).toInt();
    m_diskMapItem->SetDisk(m_layout, m_nDiskIndex);
    m_diskMapItem->SetSelectedIndex(-1);
    // Neighbours by list position: a free area between two partitions keeps them apart.
    const int count = m_diskMapItem->GetPartitionCount();
    for (int i = 0; i < count; ++i) {
        int flags = kOtherCell;
        if (i == expanding)
            flags = kExpandingCell;
        else if ((i == expanding - 1 || i == expanding + 1) && IsMergeCandidate(entryAt(i).FileSystemType))
            flags = 0;
        m_diskMapItem->SetCellFlags(i, flags);
    }
    m_diskMapItem->update();
}

bool KPartitionMergeWizard_SelectPartitionPage::isComplete() const
{
    // Finish stays available on the merge page; Next only leads on from a partition that may be merged.
    if (m_mode == MergeMode || m_nSelectedIndex < 0)
        return true;
    return IsMergeCandidate(entryAt(m_nSelectedIndex).FileSystemType);
}

void KPartitionMergeWizard_SelectPartitionPage::refuseFolderName(const QString& strText)
{
    QMessageBox::critical(this, tr("Error"), strText);
    m_folderEdit->setFocus();
    m_folderEdit->selectAll();
}

bool KPartitionMergeWizard_SelectPartitionPage::folderNameTaken(const QString& strName,
                                                                const PartitionInfo& expanding) const
{
    // Without a readable volume there is nothing to clash with.
    std::vector<std::string> root;
    if (!m_layout || !ReadRootNames(kFsNtfs, m_layout->GetDisk(m_nDiskIndex), expanding.StartingLba, root))
        return false;
    for (const std::string& item : root) {
        char16_t text[sizeof(ExplorerEntry::Name) + 1] = {};
        const int units = AnsiToUnicode(item.c_str(), int(item.size()), text, int(std::size(text)));
        if (QString::fromUtf16(text, std::clamp(units, 0, int(sizeof(ExplorerEntry::Name)))).compare(strName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool KPartitionMergeWizard_SelectPartitionPage::validatePage()
{
    if (m_nSelectedIndex < 0) {
        QMessageBox::critical(this, tr("Error"), tr("Please select a partition."));
        return false;
    }
    const PartitionInfo selected = entryAt(m_nSelectedIndex);
    if (isFat(selected.FileSystemType)) {
        QMessageBox::critical(this, tr("Error"),
                              tr("You select a FAT partition. To merge this partition, please use \"Convert FAT to "
                                 "NTFS\" function to convert it to NTFS first."));
        return false;
    }
    if (m_mode == ExpandMode)
        return true;

    const QString name = m_folderEdit->text().trimmed();
    if (name.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Please enter a name for the folder."));
        return false;
    }
    const PartitionInfo expanding = entryAt(field(QString::fromLatin1(kExtendingField)).toInt());
    const int64_t room = expanding.FreeSectors - selected.NtfsReserveSectors - expanding.NtfsReserveSectors;
    if (room <= 0) {
        QMessageBox::critical(this, tr("Error"), tr("The expanding partition does not have enough free space."));
        return false;
    }
    const QString invalid = tr("The folder name <B>%1</B> is not valid. Please enter another name.");
    if (folderNameTaken(name, expanding)) {
        refuseFolderName(invalid.arg(name.toHtmlEscaped()));
        return false;
    }
    for (QChar c : kRefusedCharacters) {
        if (name.contains(c)) {
            refuseFolderName(invalid.arg(name.toHtmlEscaped()));
            return false;
        }
    }
    if (name.size() > kMaxFolderName) {
        refuseFolderName(tr("The folder name <B>%1</B> is too long. Please enter another name.").arg(name.toHtmlEscaped()));
        return false;
    }
    if ((selected.SystemVolume || selected.Active) &&
        QMessageBox::warning(this, tr("Warning"),
                             tr(" Selected partition is a boot/system partition. Merge <B>this partition into another "
                                "will make your computer unable to boot.</B><BR><BR>Do you want to continue?"),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    setField(QString::fromLatin1(kFolderNameField), name);
    return true;
}
