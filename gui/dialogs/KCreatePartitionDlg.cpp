#include "gui/dialogs/KCreatePartitionDlg.h"

#include <QSignalBlocker>
#include <algorithm>

#include "gui/common/DialogUnits.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "gui/dialogs/VolumeLabelRule.h"
#include "fs/fat/FatParameters.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "core/FileSystemTypes.h"
#include "fs/FileSystemRegistry.h"
#include "model/KDriveLetterPool.h"
#include "fs/FileSystemRegistry.h"
#include "ui_KCreatePartitionDlg.h"

using DialogUnits::BusyScope;
using DialogUnits::ToMB;
using DialogUnits::ToSectors;

namespace {

constexpr int kLargestClusterSize = 128;

// The longest label the file system keeps; -1 leaves the box as it was.
int labelLength(int fsType)
{
    const IFileSystem* family = fsType == kFsNone ? nullptr : FileSystemFor(fsType);
    return family ? family->MaxLabelLength() : -1;
}

bool takesNoLetter(int fsType)
{
    return fsType == kFsNone || fsType == kFsExt2 || fsType == kFsExt3 || fsType == kFsLinuxSwap;
}

void appendPowersOfTwo(std::vector<int>& list, int from, int to)
{
    for (int c = std::max(from, 1); c <= to; c *= 2)
        list.push_back(c);
}

} // namespace

KCreatePartitionDlg::KCreatePartitionDlg(qint64 n64AreaSectors, int nUnitSectors, bool bOnlyPrimary,
                                         bool bOnlyLogical, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KCreatePartitionDlg>()), m_n64Area(n64AreaSectors),
      m_nUnit(nUnitSectors)
{
    BusyScope busy(m_busy);
    ui->setupUi(this);

    KPartitionResizeCtrl* control = ctrl();
    connect(ui->doubleSpinBox, &QDoubleSpinBox::valueChanged, this,
            &KCreatePartitionDlg::onUnallocateSizeBeforeValueChanged);
    connect(ui->doubleSpinBox_2, &QDoubleSpinBox::valueChanged, this, &KCreatePartitionDlg::onPartitionSizeValueChanged);
    connect(ui->doubleSpinBox_3, &QDoubleSpinBox::valueChanged, this,
            &KCreatePartitionDlg::onUnallocateSizeAfterValueChanged);
    connect(control, &KPartitionResizeCtrl::partitionResized, this, &KCreatePartitionDlg::onPartitionResized);
    connect(ui->comboBox_3, &QComboBox::currentIndexChanged, this, &KCreatePartitionDlg::onFileSystemChanged);

    const qint64 area = m_n64Area;
    const qint64 unit = m_nUnit;
    control->SetAll(0, area, 0, unit, area, area, kFsNtfs);

    ui->doubleSpinBox->setRange(0, ToMB(area - unit));
    ui->doubleSpinBox_2->setRange(ToMB(unit), ToMB(area));
    ui->doubleSpinBox_3->setRange(0, ToMB(area - unit));
    for (QDoubleSpinBox* box : {ui->doubleSpinBox, ui->doubleSpinBox_2, ui->doubleSpinBox_3})
        box->setSingleStep(ToMB(unit));
    setFixedSize(geometry().size());

    ui->comboBox->addItem(tr("Primary"));
    ui->comboBox->addItem(tr("Logical"));
    if (bOnlyPrimary) {
        ui->comboBox->setCurrentIndex(0);
        ui->comboBox->setEnabled(false);
    } else if (bOnlyLogical) {
        ui->comboBox->setCurrentIndex(1);
        ui->comboBox->setEnabled(false);
    } else {
        ui->comboBox->setCurrentIndex(1);
    }

    ui->comboBox_2->addItem(tr("None"), 0);
    const int freeLetters = KDriveLetterPool::FreeCount();
    for (int i = 0; i < freeLetters; ++i) {
        const char letter = KDriveLetterPool::FreeLetter(i);
        ui->comboBox_2->addItem(QString(QLatin1Char(letter)) + QLatin1Char(':'), int(letter));
    }
    if (ui->comboBox_2->count() > 1)
        ui->comboBox_2->setCurrentIndex(1);

    {
        const QSignalBlocker quiet(ui->comboBox_3);
        if (area >= unit)
            ui->comboBox_3->addItem(tr("FAT"), int(kFsFat16));
        if (area >= FileSystemFor(kFsFat32)->MinimumSectors(kFsFat32))
            ui->comboBox_3->addItem(tr("FAT32"), int(kFsFat32));
        ui->comboBox_3->addItem(tr("NTFS"), int(kFsNtfs));
        if (area >= FileSystemFor(kFsExt2)->MinimumSectors(kFsExt2)) {
            ui->comboBox_3->addItem(QStringLiteral("Ext2"), int(kFsExt2));
            ui->comboBox_3->addItem(QStringLiteral("Ext3"), int(kFsExt3));
            ui->comboBox_3->addItem(QStringLiteral("Linux Swap"), int(kFsLinuxSwap));
        }
        ui->comboBox_3->addItem(tr("Unformatted"), int(kFsNone));
        ui->comboBox_3->setCurrentIndex(ui->comboBox_3->findData(int(kFsNtfs)));
    }
    onFileSystemChanged(ui->comboBox_3->currentIndex());

    control->SetSize(area);
    ui->doubleSpinBox_2->setValue(ToMB(area));
}

KCreatePartitionDlg::~KCreatePartitionDlg() = default;

KPartitionResizeCtrl* KCreatePartitionDlg::ctrl() const
{
    return ui->partitionResizeCtrl;
}

int KCreatePartitionDlg::selectedFileSystem() const
{
    return ui->comboBox_3->currentData().toInt();
}

void KCreatePartitionDlg::SizeLimits(int nFileSystemType, qint64 n64AreaSectors, int nUnitSectors, qint64* pMinimum,
                                     qint64* pMaximum)
{
    const qint64 unit = nUnitSectors;
    qint64 minimum = unit;
    qint64 maximum = n64AreaSectors;
    // NTFS and no file system take the whole area; the others have their family's bounds.
    const IFileSystem* family = nFileSystemType == kFsNtfs ? nullptr : FileSystemFor(nFileSystemType);
    if (family && family->MaximumSectors(nFileSystemType) > 0) {
        minimum = std::max<qint64>(unit, family->MinimumSectors(nFileSystemType));
        maximum = family->MaximumSectors(nFileSystemType);
    }
    *pMinimum = minimum;
    *pMaximum = maximum;
}

std::vector<int> KCreatePartitionDlg::ClusterSizeChoices(int nFileSystemType, qint64 n64Size)
{
    std::vector<int> list{0};
    switch (nFileSystemType) {
    case kFsExt2:
    case kFsExt3:
        list.insert(list.end(), {2, 4, 8});
        break;
    case kFsNtfs:
        appendPowersOfTwo(list, GetMinNtfsClusterSize(n64Size), kLargestClusterSize);
        break;
    case kFsFat32: {
        int from = 1, to = kLargestClusterSize;
        GetDefaultFatClusterSize(n64Size, kFsFat32, &from);
        GetMaxFatClusterSize(n64Size, kFsFat32, &to);
        appendPowersOfTwo(list, from, to);
        break;
    }
    case kFsFat16: {
        // The kind the volume will really get decides what its clusters may be.
        int type = kFsFat32;
        GetDefaultFatType(n64Size, &type);
        int from = 1, to = kLargestClusterSize;
        GetMinFatClusterSize(n64Size, type, &from);
        GetMaxFatClusterSize(n64Size, type, &to);
        appendPowersOfTwo(list, from, to);
        break;
    }
    default: // no file system, Linux swap: only the one entry
        break;
    }
    return list;
}

QString KCreatePartitionDlg::ClusterSizeText(int nFileSystemType, int nSectorsPerCluster)
{
    if (nSectorsPerCluster == 0)
        return nFileSystemType == kFsNone ? tr("None") : tr("Default");
    if (nSectorsPerCluster == 1)
        return tr("512 Bytes");
    return tr("%1 KB").arg(nSectorsPerCluster / 2);
}

void KCreatePartitionDlg::fillClusterSizes(int nFileSystemType, qint64 n64Size)
{
    QComboBox* box = ui->comboBox_4;
    const QVariant chosen = box->currentData();
    box->clear();
    for (int sectors : ClusterSizeChoices(nFileSystemType, n64Size))
        box->addItem(ClusterSizeText(nFileSystemType, sectors), sectors);
    // A size the user picked stays while the partition is only being sized.
    const int keep = chosen.isValid() ? box->findData(chosen) : -1;
    box->setCurrentIndex(std::max(keep, 0));
}

void KCreatePartitionDlg::setBeforeAfterRanges(qint64 n64Size)
{
    const double room = ToMB(m_n64Area - n64Size);
    ui->doubleSpinBox->setRange(0, room);
    ui->doubleSpinBox_3->setRange(0, room);
}

void KCreatePartitionDlg::showControlValues()
{
    BusyScope busy(m_busy);
    const qint64 start = ctrl()->GetStart();
    const qint64 size = ctrl()->GetSize();
    ui->doubleSpinBox->setValue(ToMB(start));
    ui->doubleSpinBox_2->setValue(ToMB(size));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Area - start - size));
}

void KCreatePartitionDlg::onFileSystemChanged(int index)
{
    if (index < 0)
        return;
    const int code = ui->comboBox_3->itemData(index).toInt();
    qint64 minimum = 0, maximum = 0;
    SizeLimits(code, m_n64Area, m_nUnit, &minimum, &maximum);

    ui->comboBox_4->setCurrentIndex(0);
    ui->comboBox_4->setEnabled(code != kFsNone);

    ui->labelEdit->clear();
    ui->labelEdit->setEnabled(code != kFsNone && code != kFsLinuxSwap);
    if (const int length = labelLength(code); length > 0)
        ui->labelEdit->setMaxLength(length);

    if (takesNoLetter(code)) {
        ui->comboBox_2->setCurrentIndex(0);
        ui->comboBox_2->setEnabled(false);
    } else {
        ui->comboBox_2->setCurrentIndex(ui->comboBox_2->count() > 1 ? 1 : 0);
        ui->comboBox_2->setEnabled(true);
    }

    KPartitionResizeCtrl* control = ctrl();
    control->SetFileSystemType(code);
    control->SetSizeLimits(minimum, maximum); // a correction comes back through onPartitionResized

    {
        BusyScope busy(m_busy);
        const qint64 controlMinimum = control->GetMinimumSize();
        ui->doubleSpinBox->setRange(0, ToMB(m_n64Area - controlMinimum));
        ui->doubleSpinBox_2->setRange(ToMB(controlMinimum), ToMB(m_n64Area));
        ui->doubleSpinBox_3->setRange(0, ToMB(m_n64Area - controlMinimum));
    }
    // New ranges may have cut a box; the control holds the truth.
    showControlValues();
    fillClusterSizes(code, control->GetSize());
}

void KCreatePartitionDlg::onUnallocateSizeBeforeValueChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetStart(ToSectors(value));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Area - control->GetStart() - control->GetSize()));
}

void KCreatePartitionDlg::onPartitionSizeValueChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetSize(ToSectors(value));
    setBeforeAfterRanges(control->GetSize());
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Area - control->GetStart() - control->GetSize()));
    fillClusterSizes(selectedFileSystem(), control->GetSize());
}

void KCreatePartitionDlg::onUnallocateSizeAfterValueChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetStart(m_n64Area - control->GetSize() - ToSectors(value));
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
}

void KCreatePartitionDlg::onPartitionResized(qint64 n64StartingOffset, qint64 n64Size)
{
    BusyScope busy(m_busy);
    setBeforeAfterRanges(n64Size);
    ui->doubleSpinBox->setValue(ToMB(n64StartingOffset));
    ui->doubleSpinBox_2->setValue(ToMB(n64Size));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Area - n64StartingOffset - n64Size));
    fillClusterSizes(ctrl()->GetFileSystemType(), n64Size);
}

void KCreatePartitionDlg::on_okButton_clicked()
{
    const QString label = ui->labelEdit->text();
    if (!VolumeLabelRule::CheckLabel(label, this, selectedFileSystem()))
        return;

    m_bPrimary = ui->comboBox->currentIndex() == 0;
    m_strLabel = label;
    m_n64Size = ctrl()->GetSize();
    m_n64Start = std::max<qint64>(ctrl()->GetStart(), 0);
    m_nFileSystemType = selectedFileSystem();
    if (m_nFileSystemType == kFsFat16) {
        int type = 0;
        if (GetDefaultFatType(m_n64Size, &type) && type == kFsFat12)
            m_nFileSystemType = kFsFat12;
    }
    m_driveLetter = char(ui->comboBox_2->currentData().toInt());
    m_nClusterSize = ui->comboBox_4->currentData().toInt();
    accept();
}

void KCreatePartitionDlg::on_cancelButton_clicked()
{
    reject();
}
