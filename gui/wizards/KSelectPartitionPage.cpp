#include "gui/wizards/KSelectPartitionPage.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QMessageBox>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWizard>
#include <algorithm>

#include "gui/views/KDiskMapItem.h"
#include "gui/views/KDiskMapPartitionItemModel.h"
#include "gui/wizards/PartitionCopyRules.h"
#include "model/CopySizes.h"
#include "model/IVirtualVolumeManager.h"
#include "model/PartitionPlacement.h"

namespace {

const char* const kSourceDiskField = "SourceDiskIndex";
const char* const kSourcePartitionField = "SourcePartitionIndex";
const char* const kDestDiskField = "DestDiskIndex";
const char* const kDestPartitionField = "DestPartitionIndex";

} // namespace

KSelectPartitionPage::KSelectPartitionPage(bool bSource, IVirtualVolumeManager* layout, QWidget* parent,
                                           int nDiskIndex, int nPartitionIndex)
    : QWizardPage(parent), m_bSource(bSource), m_layout(layout), m_nPresetDisk(nDiskIndex),
      m_nPresetPartition(nPartitionIndex), m_nDiskField(nDiskIndex), m_nPartitionField(nPartitionIndex)
{
    setTitle(bSource ? tr("Copy Partition") : tr("Where to create a copy"));
    setSubTitle(bSource ? tr("Select a partition you would like to copy.")
                        : tr("Select a disk and mark the position where you would like to create the copy of the "
                             "selected partition."));

    auto* box = new QVBoxLayout(this);
    m_diskMapItem = new KDiskMapItem(this);
    m_diskMapItem->setObjectName(QStringLiteral("diskMapItem"));
    box->addWidget(m_diskMapItem);
    connect(m_diskMapItem, &KDiskMapItem::diskMapItemSelected, this, &KSelectPartitionPage::onDiskMapItemSelected);

    m_partitionList = new QTreeView(this);
    m_partitionList->setObjectName(QStringLiteral("partitionList"));
    m_model = new KDiskMapPartitionItemModel(this, layout);
    m_delegate = new KDiskMapPartitionItemDelegate(this, layout);
    m_partitionList->setModel(m_model);
    m_partitionList->setItemDelegate(m_delegate);
    m_partitionList->setRootIsDecorated(false);
    m_partitionList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_partitionList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_partitionList->setAllColumnsShowFocus(true);
    QHeaderView* header = m_partitionList->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    m_partitionList->resizeColumnToContents(KDiskMapPartitionItemModel::ColumnStatus);
    header->setSectionResizeMode(KDiskMapPartitionItemModel::ColumnIndent, QHeaderView::ResizeToContents);
    box->addWidget(m_partitionList);
    connect(m_partitionList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KSelectPartitionPage::onPartitionListItemChanged);

    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setWordWrap(true);
    box->addWidget(m_messageLabel);

    registerField(QString::fromLatin1(bSource ? kSourceDiskField : kDestDiskField), this, "diskField");
    registerField(QString::fromLatin1(bSource ? kSourcePartitionField : kDestPartitionField), this, "partitionField");
    m_diskMapItem->SetDisk(m_layout, std::max(nDiskIndex, 0));
}

void KSelectPartitionPage::selectRow(int nDiskIndex, int nPartitionIndex)
{
    QItemSelectionModel* selection = m_partitionList->selectionModel();
    for (int row = 0; nDiskIndex >= 0 && row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        const int entry = KDiskMapPartitionItemModel::entryIndexOf(index);
        if (KDiskMapPartitionItemModel::diskIndexOf(index) != nDiskIndex ||
            (nPartitionIndex >= 0 ? entry != nPartitionIndex : entry >= 0))
            continue;
        selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_partitionList->scrollTo(index);
        return;
    }
    selection->clearSelection();
}

void KSelectPartitionPage::onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool, QPoint)
{
    if (nSelectedItemIndex < 0) {
        selectRow(-1, -1);
        return;
    }
    const bool diskBox = !m_layout || nSelectedItemIndex >= m_layout->GetPartitionCount(nDiskIndex);
    selectRow(nDiskIndex, diskBox ? -1 : nSelectedItemIndex);
}

void KSelectPartitionPage::onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection&)
{
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty()) {
        m_nDiskField = m_nPartitionField = -1;
    } else {
        m_nDiskField = KDiskMapPartitionItemModel::diskIndexOf(indexes.first());
        m_nPartitionField = std::max(KDiskMapPartitionItemModel::entryIndexOf(indexes.first()), -1);
    }
    if (m_nDiskField >= 0) {
        m_diskMapItem->SetDisk(m_layout, m_nDiskField);
        m_diskMapItem->SetSelectedIndex(m_nPartitionField >= 0 ? m_nPartitionField
                                                               : m_diskMapItem->GetPartitionCount());
    } else {
        m_diskMapItem->SetSelectedIndex(-1);
    }
    m_diskMapItem->update();
    emit completeChanged();
}

void KSelectPartitionPage::initializePage()
{
    m_nDiskField = m_nPresetDisk;
    m_nPartitionField = m_nPresetPartition;
    selectRow(m_nPresetDisk, m_nPresetPartition);
    emit completeChanged();
}

QString KSelectPartitionPage::CheckSelection() const
{
    const QString notPartition = tr("Source device must be a partition.");
    const QString notFree = tr("Destination device must be an unallocated space.");
    PartitionInfo chosen{};
    if (m_nDiskField < 0 || m_nPartitionField < 0 || !m_layout ||
        !m_layout->GetPartition(m_nDiskField, m_nPartitionField, &chosen))
        return m_bSource ? notPartition : notFree;
    if (m_bSource)
        return chosen.PartitionTypeId == 0 || chosen.FileSystemType == 0 ? notPartition : QString();
    if (chosen.PartitionTypeId != 0)
        return notFree;
    return checkDestination(chosen);
}

QString KSelectPartitionPage::checkDestination(const PartitionInfo& area) const
{
    PartitionInfo source{};
    const int sourceDisk = field(QString::fromLatin1(kSourceDiskField)).toInt();
    const int sourceIndex = field(QString::fromLatin1(kSourcePartitionField)).toInt();
    if (!m_layout->GetPartition(sourceDisk, sourceIndex, &source) || source.PartitionTypeId == 0)
        return tr("Source device must be a partition.");
    const DiskGeometry geometry = PartitionCopyRules::GeometryOf(m_layout, m_nDiskField);
    const bool gpt = PartitionCopyRules::IsGpt(m_layout, m_nDiskField);
    const int64_t track = geometry.SectorsPerTrack;
    const int64_t minimum = std::min(MinimumCopySize(source, geometry.SectorsPerCylinder()), area.SectorCount);

    QString message;
    if (!gpt && area.StartingLba + minimum > PartitionPlacement::kMbrLimit)
        message = tr("This disk uses MBR format, the disk space beyond 2 TB will be unusable.");
    else if (area.SectorCount < track + source.SectorCount && area.SectorCount < track + minimum)
        message = tr("The destination unallocated space is too small.");
    if (!gpt) {
        PartitionList list;
        for (int i = 0; i < m_layout->GetPartitionCount(m_nDiskField); ++i) {
            PartitionInfo e{};
            if (m_layout->GetPartition(m_nDiskField, i, &e))
                list.push_back(e);
        }
        const PartitionPlacement::Kinds kinds = PartitionPlacement::KindsForArea(list, m_nPartitionField, geometry);
        if (!kinds.Primary && !kinds.Logical)
            message = tr("Volmara cannot create a partition at the specified location.");
    }
    return message;
}

bool KSelectPartitionPage::isComplete() const
{
    const QString message = CheckSelection();
    m_messageLabel->setText(message);
    return message.isEmpty();
}

bool KSelectPartitionPage::validatePage()
{
    const QString message = CheckSelection();
    if (message.isEmpty())
        return true;
    QMessageBox::critical(this, tr("Error"), message);
    return false;
}
