#include "gui/wizards/KSelectingDiskPage.h"

#include <QAbstractButton>
#include <QItemSelection>
#include <QLabel>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWizard>
#include <algorithm>

#include "engine/DiskEngine.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/WizardDiskList.h"
#include "model/CopySizes.h"
#include "model/IVirtualVolumeManager.h"

KSelectingDiskPage::KSelectingDiskPage(bool bSource, IVirtualVolumeManager* layout, QWidget* parent, bool bSkipChecks)
    : QWizardPage(parent), m_bSource(bSource), m_bSkipChecks(bSkipChecks), m_layout(layout)
{
    setTitle(bSource ? tr("Select Disk to copy") : tr("Select target Disk"));
    setSubTitle(bSource ? tr("Choose a disk you would like to copy.")
                        : tr("Choose a disk to copy the source content to."));
    auto* box = new QVBoxLayout(this);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    m_description->setWordWrap(true);
    m_description->setText(bSource ? tr("On this page, you can choose a disk you like to copy. All partitions from this "
                                        "disk will be copied to the destination you will choose on the next page.")
                                   : tr("Select a target disk. All data from the source disk will be copied there. "
                                        "During copy operation, <B>target disk content will be deleted</B>."));
    box->addWidget(m_description);
    m_diskMapItem = new KDiskMapItem(this);
    m_diskMapItem->setObjectName(QStringLiteral("diskMapItem"));
    m_diskMapItem->SetReadOnly(true);
    box->addWidget(m_diskMapItem);
    connect(m_diskMapItem, &KDiskMapItem::diskMapItemSelected, this, &KSelectingDiskPage::onDiskMapItemSelected);
    m_diskList = new QTreeWidget(this);
    m_diskList->setObjectName(QStringLiteral("diskList"));
    box->addWidget(m_diskList);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("messageLabel"));
    box->addWidget(m_message);
    connect(m_diskList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KSelectingDiskPage::onPartitionListItemChanged);
    WizardDiskList::Fill(m_diskList, m_layout, m_nDiskIndex);
    registerField(fieldName(), this, "diskIndex");
}

QString KSelectingDiskPage::fieldName() const
{
    return m_bSource ? QStringLiteral("SourceDiskIndex") : QStringLiteral("DestDiskIndex");
}

void KSelectingDiskPage::SelectDisk(int nDiskIndex)
{
    if (nDiskIndex >= 0 && nDiskIndex < m_diskList->topLevelItemCount())
        m_diskList->setCurrentItem(m_diskList->topLevelItem(nDiskIndex));
    m_nDiskIndex = nDiskIndex;
    setField(fieldName(), nDiskIndex);
}

void KSelectingDiskPage::SetDescription(const QString& strText)
{
    m_description->setText(strText);
}

void KSelectingDiskPage::onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection&)
{
    if (selected.indexes().isEmpty())
        return;
    m_nDiskIndex = selected.indexes().first().row();
    m_diskMapItem->SetDisk(m_layout, m_nDiskIndex);
    m_diskMapItem->SetSelectedIndex(-1);
    if (wizard())
        setField(fieldName(), m_nDiskIndex);
    isComplete();
    emit completeChanged();
}

void KSelectingDiskPage::onDiskMapItemSelected(int, int, bool, QPoint) {}

void KSelectingDiskPage::initializePage()
{
    setField(fieldName(), m_nDiskIndex);
}

bool KSelectingDiskPage::isEmptyDisk(int nDiskIndex) const
{
    PartitionInfo e{};
    return m_layout->GetPartitionCount(nDiskIndex) == 1 && m_layout->GetPartition(nDiskIndex, 0, &e) &&
           e.PartitionTypeId == 0;
}

bool KSelectingDiskPage::isComplete() const
{
    QAbstractButton* next = wizard() ? wizard()->button(QWizard::NextButton) : nullptr;
    const auto verdict = [&](const QString& message) {
        m_message->setText(message);
        if (next)
            next->setEnabled(message.isEmpty());
        return message.isEmpty();
    };
    const int d = m_nDiskIndex;
    if (d >= 0 && m_layout->IsDynamicDisk(d))
        return verdict(tr("This disk is Dynamic Disk."));
    if (m_bSkipChecks)
        return verdict({});
    const QString gpt = tr("This disk is GPT Disk. And your OS is not support GPT disk.");
    if (m_bSource) {
        if (d < 0)
            return verdict({});
        if (m_layout->IsGptDisk(d) && !IsGptSupported())
            return verdict(gpt);
        if (isEmptyDisk(d))
            return verdict(tr("This disk is empty."));
        return verdict({});
    }
    const int source = wizard() ? field(QStringLiteral("SourceDiskIndex")).toInt() : -1;
    if (d == source)
        return verdict(tr("This disk is source disk."));
    if (d < 0)
        return verdict({});
    if (m_layout->IsGptDisk(d) && !IsGptSupported())
        return verdict(gpt);
    // Each partition needs at least its smallest copy, never more than its own size.
    int64_t required = 0;
    IDisk* sourceDisk = m_layout->GetDisk(source);
    DiskGeometry geometry{};
    const int64_t cylinder =
        sourceDisk && sourceDisk->GetGeometry(&geometry) ? std::max<int64_t>(1, geometry.SectorsPerCylinder()) : 1;
    for (int i = 0; source >= 0 && i < m_layout->GetPartitionCount(source); ++i) {
        PartitionInfo e{};
        if (m_layout->GetPartition(source, i, &e) && e.PartitionTypeId != 0)
            required += std::min(MinimumCopySize(e, cylinder), e.SectorCount);
    }
    IDisk* target = m_layout->GetDisk(d);
    int64_t available = target ? target->GetTotalSectors() : 0;
    if (!m_layout->IsGptDisk(d))
        available = std::min(available, kMbrSectorLimit);
    return verdict(available >= required ? QString() : tr("This disk is too small."));
}

bool KSelectingDiskPage::validatePage()
{
    if (m_bSource || m_bSkipChecks || isEmptyDisk(m_nDiskIndex))
        return true;
    return QMessageBox::question(this, tr("Warning"),
                                 tr("All the data on the disk will be destroyed.\n\nAre you sure that you want to continue?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
