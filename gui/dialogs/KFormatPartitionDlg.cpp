#include "gui/dialogs/KFormatPartitionDlg.h"

#include "gui/dialogs/VolumeLabelRule.h"
#include "fs/fat/FatParameters.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "core/FileSystemTypes.h"
#include "fs/fat/FatLimits.h"
#include "ui_KFormatPartitionDlg.h"

KFormatPartitionDlg::KFormatPartitionDlg(const QString& strLabel, qint64 n64Size, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KFormatPartitionDlg>()), m_n64Size(n64Size)
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));

    ui->labelEdit->setText(strLabel);

    // Filled before the box is connected, so the first item does not cut the label to its rule.
    fillFileSystems();
    connect(ui->fileSystemComboBox, &QComboBox::currentIndexChanged, this, &KFormatPartitionDlg::onFileSystemChanged);
    onFileSystemChanged(ui->fileSystemComboBox->currentIndex());

    // After the file system's maximum length is set, which drops a selection.
    ui->labelEdit->selectAll();
    ui->labelEdit->setFocus();
}

KFormatPartitionDlg::~KFormatPartitionDlg() = default;

void KFormatPartitionDlg::fillFileSystems()
{
    const qint64 s = m_n64Size;
    QComboBox* box = ui->fileSystemComboBox;
    // The ranges each file system's own format accepts, in sectors.
    if (s >= FatLimits::kSmallestVolume && s < FatLimits::kFat12Largest)
        box->addItem(tr("FAT12"), int(kFsFat12));
    if (s >= FatLimits::kFat16Smallest && s < FatLimits::kFat16Largest)
        box->addItem(tr("FAT16"), int(kFsFat16));
    if (s >= FatLimits::kFat32Smallest && s < FatLimits::kFat32Largest)
        box->addItem(tr("FAT32"), int(kFsFat32));
    box->addItem(tr("NTFS"), int(kFsNtfs));
    if (s >= 14336 && s < 4294967296LL) {
        box->addItem(tr("Ext2"), int(kFsExt2));
        box->addItem(tr("Ext3"), int(kFsExt3));
    }
    if (s >= 14336 && s < 134217728)
        box->addItem(tr("Linux Swap"), int(kFsLinuxSwap));
    box->setCurrentIndex(box->findData(int(kFsNtfs)));
}

void KFormatPartitionDlg::onFileSystemChanged(int index)
{
    m_nFileSystemType = ui->fileSystemComboBox->itemData(index).toInt();
    const bool takesLabel = m_nFileSystemType != kFsNone && m_nFileSystemType != kFsLinuxSwap;
    if (!takesLabel)
        ui->labelEdit->clear();
    ui->labelEdit->setEnabled(takesLabel);
    if (m_nFileSystemType != kFsLinuxSwap)
        ui->labelEdit->setMaxLength(VolumeLabelRule::MaxLength(m_nFileSystemType));
    fillClusterSizes(m_nFileSystemType);
}

void KFormatPartitionDlg::fillClusterSizes(int nFileSystemType)
{
    QComboBox* box = ui->clusterSizeComboBox;
    box->clear();
    box->addItem(tr("Default"), 0);
    int low = 1;
    int high = 128;
    switch (nFileSystemType) {
    case kFsExt2:
    case kFsExt3:
        for (int n : {2, 4, 8})
            box->addItem(tr("%1 KB").arg(n / 2), n);
        return;
    case kFsLinuxSwap: return;
    case kFsNtfs: low = GetMinNtfsClusterSize(m_n64Size); break;
    case kFsFat12:
    case kFsFat16:
    case kFsFat32:
        // Each leaves its bound alone when no cluster size suits the size.
        GetMinFatClusterSize(m_n64Size, nFileSystemType, &low);
        GetMaxFatClusterSize(m_n64Size, nFileSystemType, &high);
        // FAT32 offers nothing below the default cluster size of the volume's size.
        if (nFileSystemType == kFsFat32)
            GetDefaultFatClusterSize(m_n64Size, nFileSystemType, &low);
        break;
    default: break;
    }
    for (qint64 n = low; n > 0 && n <= high; n *= 2)
        box->addItem(n == 1 ? tr("512 Bytes") : tr("%1 KB").arg(n / 2), int(n));
}

void KFormatPartitionDlg::on_okButton_clicked()
{
    const QString label = ui->labelEdit->text();
    if (!VolumeLabelRule::CheckLabel(label, this, m_nFileSystemType))
        return;
    m_strLabel = label;
    m_nClusterSize = ui->clusterSizeComboBox->currentData().toInt();
    accept();
}
