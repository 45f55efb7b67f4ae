#include "gui/wizards/KChooseScanningRangePage.h"

#include <QMessageBox>
#include <QRegularExpressionValidator>

#include "core/PartitionInfo.h"
#include "engine/IDisk.h"
#include "gui/views/KDiskMapItem.h"
#include "model/IVirtualVolumeManager.h"
#include "ui_KChooseScanningRangePage.h"

KChooseScanningRangePage::KChooseScanningRangePage(IVirtualVolumeManager* layout, QWidget* parent)
    : QWizardPage(parent), ui(std::make_unique<Ui::KChooseScanningRangePage>()), m_layout(layout)
{
    ui->setupUi(this);
    setTitle(tr("Scanning Range Settings"));
    setSubTitle(tr("Set scanning range for the specified disk."));
    // Sector numbers only: up to 16 decimal digits.
    const QRegularExpression digits(QStringLiteral("\\d{0,16}"));
    ui->lineEdit->setValidator(new QRegularExpressionValidator(digits, ui->lineEdit));
    ui->lineEdit_2->setValidator(new QRegularExpressionValidator(digits, ui->lineEdit_2));
    ui->widget->SetPartitionsOnly(true);
    connect(ui->widget, &KDiskMapItem::diskMapItemSelected, this, &KChooseScanningRangePage::onDiskMapItemSelected);
    registerField(QStringLiteral("ScanningRangeType"), this, "rangeType");
    registerField(QStringLiteral("ScanningStartingLBA"), this, "startingLba");
    registerField(QStringLiteral("ScanningEndingLBA"), this, "endingLba");
}

KChooseScanningRangePage::~KChooseScanningRangePage() = default;

void KChooseScanningRangePage::initializePage()
{
    m_nDiskIndex = field(QStringLiteral("SourceDiskIndex")).toInt();
    ui->widget->SetDisk(m_layout, m_nDiskIndex);
    IDisk* disk = m_layout->GetDisk(m_nDiskIndex);
    const int64_t total = disk ? disk->GetTotalSectors() : 0;
    ui->lineEdit_3->setText(QStringLiteral("0 => %1").arg(total - 1));
    bool unallocated = false;
    for (int i = 0; i < m_layout->GetPartitionCount(m_nDiskIndex); ++i) {
        PartitionInfo e{};
        if (m_layout->GetPartition(m_nDiskIndex, i, &e) && e.PartitionTypeId == 0 && e.SectorCount > 0)
            unallocated = true;
    }
    ui->radioButton_2->setEnabled(unallocated);
    ui->radioButton_1->setChecked(true);
    setRangeType(FullDisk);
}

void KChooseScanningRangePage::setRangeType(int nType)
{
    m_nRangeType = nType;
    setField(QStringLiteral("ScanningRangeType"), nType);
    const bool specified = nType == SpecifiedRange;
    ui->groupBox_2->setEnabled(specified);
    ui->widget->SetReadOnly(!specified);
    if (!specified)
        ui->widget->SetSelectedIndex(-1);
}

void KChooseScanningRangePage::on_radioButton_1_toggled(bool bChecked)
{
    if (bChecked)
        setRangeType(FullDisk);
}

void KChooseScanningRangePage::on_radioButton_2_toggled(bool bChecked)
{
    if (bChecked)
        setRangeType(UnallocatedSpace);
}

void KChooseScanningRangePage::on_radioButton_3_toggled(bool bChecked)
{
    if (!bChecked)
        return;
    setRangeType(SpecifiedRange);
    fillFromEntry(0);
}

void KChooseScanningRangePage::fillFromEntry(int nIndex)
{
    PartitionInfo e{};
    if (!m_layout->GetPartition(m_nDiskIndex, nIndex, &e))
        return;
    ui->lineEdit->setText(QString::number(e.StartingLba));
    ui->lineEdit_2->setText(QString::number(e.StartingLba + e.SectorCount - 1));
}

void KChooseScanningRangePage::onDiskMapItemSelected(int, int nSelectedItemIndex, bool, QPoint)
{
    if (m_nRangeType != SpecifiedRange || nSelectedItemIndex < 0 || nSelectedItemIndex >= ui->widget->GetPartitionCount())
        return;
    ui->widget->SetSelectedIndex(nSelectedItemIndex);
    fillFromEntry(nSelectedItemIndex);
}

bool KChooseScanningRangePage::validatePage()
{
    if (m_nRangeType != SpecifiedRange)
        return true;
    IDisk* disk = m_layout->GetDisk(m_nDiskIndex);
    const int64_t total = disk ? disk->GetTotalSectors() : 0;
    bool startOk = false, endOk = false;
    const qint64 start = ui->lineEdit->text().toLongLong(&startOk);
    const qint64 end = ui->lineEdit_2->text().toLongLong(&endOk);
    if (!startOk || start < 0) {
        QMessageBox::critical(this, tr("Error"), tr("Starting LBA value is invalid."));
        return false;
    }
    if (!endOk || end >= total) {
        QMessageBox::critical(this, tr("Error"), tr("Ending LBA value is invalid."));
        return false;
    }
    // A range that ends before it starts would scan nothing.
    if (start > end) {
        QMessageBox::critical(this, tr("Error"), tr("Starting LBA value is invalid."));
        return false;
    }
    setField(QStringLiteral("ScanningStartingLBA"), start);
    setField(QStringLiteral("ScanningEndingLBA"), end);
    return true;
}
