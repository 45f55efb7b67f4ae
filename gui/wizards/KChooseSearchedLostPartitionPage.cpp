#include "gui/wizards/KChooseSearchedLostPartitionPage.h"

#include "gui/common/SizeText.h"

#include "gui/wizards/WizardDiskList.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QWizard>
#include <algorithm>
#include <cstring>

#include "core/FileSystemTypes.h"
#include "engine/IDisk.h"
#include "fs/IFileSystemExplorer.h"
#include "gui/common/LabelText.h"
#include "gui/tools/KDriveExplorerDlg.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/KChooseScanningMethodPage.h"
#include "gui/wizards/KChooseScanningRangePage.h"
#include "gui/wizards/KPartitionScanningThread.h"
#include "model/IVirtualVolumeManager.h"
#include "model/KVirtualVolumeManagerPreview.h"
#include "ui_KChooseSearchedLostPartitionPage.h"

namespace {

bool overlaps(const PartitionInfo& a, const PartitionInfo& b)
{
    return a.StartingLba < b.StartingLba + b.SectorCount && b.StartingLba < a.StartingLba + a.SectorCount;
}

bool sameArea(const PartitionInfo& a, const PartitionInfo& b)
{
    return a.StartingLba == b.StartingLba && a.SectorCount == b.SectorCount;
}

QString fileSystemName(int nCode)
{
    switch (nCode) {
    case kFsFat12: return QStringLiteral("FAT12");
    case kFsFat16: return QStringLiteral("FAT16");
    case kFsFat32: return QStringLiteral("FAT32");
    case kFsNtfs: return QStringLiteral("NTFS");
    case kFsExt2: return QStringLiteral("Ext2");
    case kFsExt3: return QStringLiteral("Ext3");
    default: return QStringLiteral("?");
    }
}

// Unit texts are not translated.
QString sizeText(int64_t n64Sectors)
{
    const double bytes = double(std::max<int64_t>(0, n64Sectors)) * 512.0;
    if (bytes >= 1024.0 * 1024 * 1024)
        return QStringLiteral("%1 GB").arg(SizeText::Decimal(bytes / (1024.0 * 1024 * 1024), 2));
    if (bytes >= 1024.0 * 1024)
        return QStringLiteral("%1 MB").arg(SizeText::Decimal(bytes / (1024.0 * 1024), 2));
    if (bytes >= 1024.0)
        return QStringLiteral("%1 KB").arg(SizeText::Decimal(bytes / 1024.0, 2));
    return QStringLiteral("%1 Bytes").arg(int64_t(bytes));
}

} // namespace

KChooseSearchedLostPartitionPage::KChooseSearchedLostPartitionPage(IVirtualVolumeManager* layout, QWidget* parent)
    : QWizardPage(parent), ui(std::make_unique<Ui::KChooseSearchedLostPartitionPage>()), m_layout(layout)
{
    ui->setupUi(this);
    setTitle(tr("Choose Searched Partitions"));
    setSubTitle(tr("Choose the searched deleted/lost partitions."));
    ui->diskMapPreviewer->SetReadOnly(true);
    ui->progressArea->hide();
    connect(ui->treeWidget, &QTreeWidget::itemChanged, this, &KChooseSearchedLostPartitionPage::onItemChanged);
    connect(ui->treeWidget, &QTreeWidget::itemDoubleClicked, this, &KChooseSearchedLostPartitionPage::onItemDoubleClicked);
    registerField(QStringLiteral("PartitionInfoArray"), this, "partitionArray");
    registerField(QStringLiteral("PartitionArrayCount"), this, "partitionCount");
}

KChooseSearchedLostPartitionPage::~KChooseSearchedLostPartitionPage() = default;

void KChooseSearchedLostPartitionPage::initializePage()
{
    m_nDiskIndex = field(QStringLiteral("SourceDiskIndex")).toInt();
    if (!m_bScanned) {
        m_found.clear();
        ui->treeWidget->clear();
        m_preview = std::make_unique<KVirtualVolumeManagerPreview>(m_layout, m_nDiskIndex, m_nDiskIndex);
        rebuildPreview();
    }
}

void KChooseSearchedLostPartitionPage::cleanupPage()
{
    // Going back ends the scan; what it found so far stays listed.
    m_bCancel = true;
    if (m_thread)
        m_thread->Stop();
}

void KChooseSearchedLostPartitionPage::setNavigationEnabled(bool bEnabled)
{
    emit completeChanged();
    if (QWizard* w = wizard())
        for (QWizard::WizardButton b : {QWizard::BackButton, QWizard::CancelButton})
            if (QAbstractButton* button = w->button(b))
                button->setEnabled(bEnabled);
}

bool KChooseSearchedLostPartitionPage::isComplete() const
{
    return !m_bScanning;
}

void KChooseSearchedLostPartitionPage::onPageInitialized()
{
    if (m_bScanned || !isVisible())
        return;
    m_bScanned = true;
    IDisk* disk = m_layout->GetDisk(m_nDiskIndex);
    if (!disk)
        return;
    const int64_t total = disk->GetTotalSectors();
    std::vector<KPartitionScanningThread::Range> ranges;
    switch (field(QStringLiteral("ScanningRangeType")).toInt()) {
    case KChooseScanningRangePage::UnallocatedSpace:
        for (int i = 0; i < m_layout->GetPartitionCount(m_nDiskIndex); ++i) {
            PartitionInfo e{};
            if (m_layout->GetPartition(m_nDiskIndex, i, &e) && e.PartitionTypeId == 0 && e.SectorCount > 0)
                ranges.push_back({e.StartingLba, e.StartingLba + e.SectorCount - 1});
        }
        break;
    case KChooseScanningRangePage::SpecifiedRange:
        ranges.push_back({field(QStringLiteral("ScanningStartingLBA")).toLongLong(),
                          field(QStringLiteral("ScanningEndingLBA")).toLongLong()});
        break;
    default:
        ranges.push_back({0, total - 1});
        break;
    }
    const bool quick = field(QStringLiteral("ScanningMethod")).toInt() == KChooseScanningMethodPage::QuickScan;

    // The recognisers ask the disk for its table from the worker; reading it here first means the worker
    // only ever finds it cached.
    disk->IsDynamic();
    m_thread = std::make_unique<KPartitionScanningThread>(disk, std::move(ranges), quick);
    m_n64Total = m_thread->TotalSectors();
    m_nProgressDivisor = int(std::max<int64_t>(20, m_n64Total / 0x7FFFFFFF + 1));
    ui->progressBar->setRange(0, int(m_n64Total / m_nProgressDivisor));
    ui->progressBar->setValue(0);
    ui->progressArea->show();
    ui->pushButton->setEnabled(true);
    m_bCancel = false;
    m_bScanning = true;
    setNavigationEnabled(false);
    connect(m_thread.get(), &KPartitionScanningThread::partitionFound, this, &KChooseSearchedLostPartitionPage::onPartitionFound);
    connect(m_thread.get(), &KPartitionScanningThread::progressed, this, &KChooseSearchedLostPartitionPage::onProgressed);
    connect(m_thread.get(), &KPartitionScanningThread::scanFinished, this, &KChooseSearchedLostPartitionPage::onScanFinished);
    m_thread->start();
}

void KChooseSearchedLostPartitionPage::on_pushButton_clicked()
{
    m_bCancel = true;
    ui->pushButton->setEnabled(false);
    if (m_thread)
        m_thread->Stop();
}

void KChooseSearchedLostPartitionPage::onProgressed(qint64 n64Done, qint64 n64Position)
{
    m_n64Done = n64Done;
    ui->label_sectors->setText(tr("(%1 of %2 sectors. Scanning LBA:%3)").arg(n64Done).arg(m_n64Total).arg(n64Position));
    ui->progressBar->setValue(int(n64Done / m_nProgressDivisor));
}

void KChooseSearchedLostPartitionPage::onScanFinished(bool)
{
    m_bScanning = false;
    ui->pushButton->setEnabled(false);
    setNavigationEnabled(true);
}

QString KChooseSearchedLostPartitionPage::statusText(const PartitionInfo& e) const
{
    return e.VolumePresent ? tr("Existing") : tr("Lost/Deleted");
}

void KChooseSearchedLostPartitionPage::onPartitionFound(const QByteArray& record)
{
    if (record.size() != qsizetype(sizeof(PartitionInfo)))
        return;
    PartitionInfo found{};
    std::memcpy(&found, record.constData(), sizeof found);
    for (const PartitionInfo& e : m_found)
        if (sameArea(e, found))
            return;
    const auto at = std::upper_bound(m_found.begin(), m_found.end(), found, [](const PartitionInfo& a, const PartitionInfo& b) {
        return a.StartingLba < b.StartingLba;
    });
    const int row = int(at - m_found.begin());
    m_found.insert(at, found);

    m_bUpdating = true;
    auto* item = new QTreeWidgetItem;
    item->setText(ColFileSystem, fileSystemName(found.FileSystemType));
    item->setText(ColLabel, LabelText::FromEntry(found));
    item->setText(ColStart, QString::number(found.StartingLba));
    item->setText(ColEnd, QString::number(found.StartingLba + found.SectorCount - 1));
    item->setText(ColUsed, sizeText(found.TotalSectors - found.FreeSectors));
    item->setText(ColSize, sizeText(found.SectorCount));
    item->setText(ColStatus, statusText(found));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ColFileSystem, Qt::Unchecked);
    ui->treeWidget->insertTopLevelItem(row, item);
    m_bUpdating = false;
    // A find that arrives beside a ticked one may have to be held back at once.
    applyTicks();
}

void KChooseSearchedLostPartitionPage::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (m_bUpdating || column != ColFileSystem || !item)
        return;
    const int row = ui->treeWidget->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(m_found.size()))
        return;
    m_bUpdating = true;
    if (item->checkState(ColFileSystem) == Qt::Checked)
        for (int i = 0; i < int(m_found.size()); ++i)
            if (i != row && overlaps(m_found[size_t(i)], m_found[size_t(row)]))
                ui->treeWidget->topLevelItem(i)->setCheckState(ColFileSystem, Qt::Unchecked);
    m_bUpdating = false;
    applyTicks();
}

void KChooseSearchedLostPartitionPage::applyTicks()
{
    m_bUpdating = true;
    const int rows = std::min(int(m_found.size()), ui->treeWidget->topLevelItemCount());
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* item = ui->treeWidget->topLevelItem(i);
        item->setFlags(item->flags() | Qt::ItemIsEnabled);
        item->setText(ColStatus, statusText(m_found[size_t(i)]));
    }
    for (int i = 0; i < rows; ++i) {
        if (ui->treeWidget->topLevelItem(i)->checkState(ColFileSystem) != Qt::Checked)
            continue;
        for (int j = 0; j < rows; ++j) {
            if (j == i || !overlaps(m_found[size_t(i)], m_found[size_t(j)]))
                continue;
            QTreeWidgetItem* other = ui->treeWidget->topLevelItem(j);
            other->setCheckState(ColFileSystem, Qt::Unchecked);
            other->setFlags(other->flags() & ~Qt::ItemIsEnabled);
            other->setText(ColStatus, tr("overlapped"));
        }
    }
    m_bUpdating = false;
    rebuildPreview();
}

void KChooseSearchedLostPartitionPage::rebuildPreview()
{
    if (!m_preview)
        return;
    std::vector<PartitionInfo> ticked;
    for (int i = 0; i < int(m_found.size()) && i < ui->treeWidget->topLevelItemCount(); ++i)
        if (ui->treeWidget->topLevelItem(i)->checkState(ColFileSystem) == Qt::Checked)
            ticked.push_back(m_found[size_t(i)]);

    // The disk's partitions stay unless a ticked find lies over them; one at the very same place stays
    // as it is and the find adds nothing.
    PartitionList result;
    bool existingLogical = false;
    for (int i = 0; i < m_layout->GetPartitionCount(m_nDiskIndex); ++i) {
        PartitionInfo e{};
        if (!m_layout->GetPartition(m_nDiskIndex, i, &e) || e.PartitionTypeId == 0)
            continue;
        const bool covered = std::any_of(ticked.begin(), ticked.end(), [&](const PartitionInfo& t) {
            return overlaps(t, e) && !sameArea(t, e);
        });
        if (covered)
            continue;
        existingLogical = existingLogical || !e.IsPrimary;
        result.push_back(e);
    }
    const size_t kept = result.size();
    for (const PartitionInfo& t : ticked) {
        if (std::any_of(result.begin(), result.begin() + long(kept), [&](const PartitionInfo& e) { return sameArea(e, t); }))
            continue;
        PartitionInfo p = t;
        p.EntryFlags = kEntryPendingCreated;
        p.VolumePresent = 0;
        p.DriveLetter = 0;
        result.push_back(p);
    }
    SortByStartingLba(result);

    // Table roles of the recovered entries: a GPT holds them all alike; an MBR takes them as primaries
    // while four slots hold everything, otherwise the first three partitions are primary and the rest
    // logical, each with its extended boot record a track before it.
    const bool gpt = m_layout->IsGptDisk(m_nDiskIndex) != 0;
    IDisk* disk = m_layout->GetDisk(m_nDiskIndex);
    DiskGeometry geometry{};
    const int64_t track = disk && disk->GetGeometry(&geometry) && geometry.SectorsPerTrack > 0 ? geometry.SectorsPerTrack : 63;
    const bool allPrimary = gpt || (result.size() <= 4 && !existingLogical);
    for (size_t i = 0; i < result.size(); ++i) {
        PartitionInfo& p = result[i];
        if (!(p.EntryFlags & kEntryPendingCreated))
            continue;
        p.IsGptEntry = gpt ? 1 : 0;
        p.IsPrimary = allPrimary || i < 3 ? 1 : 0;
        p.HiddenSectors = p.IsPrimary ? p.StartingLba : track;
    }

    m_preview->SetPartitions(result);
    ui->diskMapPreviewer->SetDisk(m_preview.get(), m_nDiskIndex);
    ui->diskMapPreviewer->update();
}

void KChooseSearchedLostPartitionPage::onItemDoubleClicked(QTreeWidgetItem* item, int)
{
    const int row = item ? ui->treeWidget->indexOfTopLevelItem(item) : -1;
    if (row < 0 || row >= int(m_found.size()))
        return;
    const PartitionInfo find = m_found[size_t(row)];
    // The reader opens a disk descriptor of its own, so the scan may go on meanwhile.
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(find.FileSystemType));
    IDisk* disk = m_layout->GetDisk(m_nDiskIndex);
    if (!explorer || !disk || explorer->Open(disk, find.StartingLba) != 1)
        return;
    KDriveExplorerDlg dialog(tr("%1 (Disk:%2 LBA:%3)").arg(LabelText::FromEntry(find).trimmed()).arg(m_nDiskIndex + 1).arg(find.StartingLba).trimmed(),
                             explorer.get(), this);
    dialog.exec();
    explorer->Release();
}

bool KChooseSearchedLostPartitionPage::validatePage()
{
    if (m_bScanning || !m_preview)
        return false;
    bool deletes = false;
    for (int i = 0; i < m_layout->GetPartitionCount(m_nDiskIndex); ++i) {
        PartitionInfo e{};
        if (!m_layout->GetPartition(m_nDiskIndex, i, &e) || e.PartitionTypeId == 0)
            continue;
        bool kept = false;
        for (int j = 0; j < m_preview->GetPartitionCount(m_nDiskIndex) && !kept; ++j) {
            PartitionInfo p{};
            kept = m_preview->GetPartition(m_nDiskIndex, j, &p) && p.PartitionTypeId != 0 && sameArea(p, e);
        }
        deletes = deletes || !kept;
    }
    if (deletes && QMessageBox::warning(this, tr("Warning"),
                                        tr("At least one of the existing partition will be deleted. Are you sure that "
                                           "you want to continue?"),
                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    int count = 0;
    const QByteArray records = WizardDiskList::DiskRecords(m_preview.get(), m_nDiskIndex, &count);
    setField(QStringLiteral("PartitionInfoArray"), records);
    setField(QStringLiteral("PartitionArrayCount"), count);
    return true;
}
