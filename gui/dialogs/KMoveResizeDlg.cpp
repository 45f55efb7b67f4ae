#include "gui/dialogs/KMoveResizeDlg.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

#include "gui/common/DialogUnits.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "core/FileSystemTypes.h"
#include "fs/fat/FatLimits.h"
#include "ui_KMoveResizeDlg.h"

using DialogUnits::BusyScope;
using DialogUnits::ToMB;
using DialogUnits::ToSectors;

namespace {

// The minimum is raised to whole units of a 255-head, 63-sector cylinder.
constexpr qint64 kMinimumGrain = 16065;

bool isExt(int fsType)
{
    return fsType == kFsExt2 || fsType == kFsExt3;
}

} // namespace

KMoveResizeDlg::KMoveResizeDlg(ResizeParameters& parameters, QWidget* parent) : KMoveResizeDlg(&parameters, parent)
{
}

KMoveResizeDlg::KMoveResizeDlg(ResizeParameters* pParameters, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KMoveResizeDlg>()), m_target(pParameters),
      m_params(pParameters ? *pParameters : ResizeParameters{})
{
    // Nothing the construction sets in a spin box is fed back into the control.
    BusyScope busy(m_busy);

    ui->setupUi(this);
    ui->warningIcon->setPixmap(WarningPicture(32));
    setFixedSize(geometry().size());

    KPartitionResizeCtrl* control = ctrl();
    connect(ui->doubleSpinBox, &QDoubleSpinBox::valueChanged, this, &KMoveResizeDlg::onFreeSpaceBeforeChanged);
    connect(ui->doubleSpinBox_2, &QDoubleSpinBox::valueChanged, this, &KMoveResizeDlg::onPartitionSizeValueChanged);
    connect(ui->doubleSpinBox_3, &QDoubleSpinBox::valueChanged, this, &KMoveResizeDlg::onFreeSpaceAfterChanged);
    connect(control, &KPartitionResizeCtrl::partitionResized, this, &KMoveResizeDlg::onPartitionSizeChanged);
    connect(ui->checkBox, &QCheckBox::clicked, this, &KMoveResizeDlg::onExtraSafeModeClicked);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    const qint64 stretch = m_params.StretchSectors;
    qint64 minimum = m_params.CylinderSectors;
    qint64 maximum = stretch;
    if (isExt(m_params.FsType)) {
        // An Ext volume can be moved but not resized.
        minimum = maximum = m_params.Size;
        ui->checkBox->hide();
    }
    control->SetAll(m_params.StartOffset, m_params.Size, m_params.UsedSectors, minimum, maximum, stretch,
                    m_params.FsType);
    applySizeLimits(true);

    const double step = ToMB(m_params.CylinderSectors);
    ui->doubleSpinBox->setRange(0, ToMB(stretch - control->GetMinimumSize()));
    ui->doubleSpinBox_2->setRange(ToMB(control->GetMinimumSize()), ToMB(control->GetMaximumSize()));
    ui->doubleSpinBox_3->setRange(0, ToMB(stretch - control->GetMinimumSize()));
    for (QDoubleSpinBox* box : {ui->doubleSpinBox, ui->doubleSpinBox_2, ui->doubleSpinBox_3})
        box->setSingleStep(step);

    control->SetStart(m_params.StartOffset);
    control->SetSize(m_params.Size);
    setBeforeAfterRanges(control->GetSize());
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
    ui->doubleSpinBox_3->setValue(ToMB(stretch - control->GetStart() - control->GetSize()));

    // The protecting mode needs room beyond the used space. Moving the volume the running system
    // lives on is only offered with it when there is that room.
    if (control->GetMinimumSize() >= m_params.UsedSectors + m_params.NtfsReserve) {
        if (m_params.IsSystemVolume && m_params.SafeMode) {
            ui->checkBox->setChecked(true);
            ui->checkBox->setEnabled(false);
        } else {
            ui->checkBox->setChecked(m_params.SafeMode != 0);
            ui->checkBox->setEnabled(true);
        }
    } else {
        m_params.SafeMode = 0;
        ui->checkBox->setChecked(false);
        ui->checkBox->setEnabled(false);
    }
    // The limits follow the box as the user sees it: without the protecting mode the partition is
    // placed again under the lower minimum.
    if (!ui->checkBox->isChecked()) {
        applySizeLimits(false);
        control->SetStartAndSize(m_params.StartOffset, m_params.Size);
        onPartitionSizeChanged(control->GetStart(), control->GetSize());
    }
}

KMoveResizeDlg::~KMoveResizeDlg() = default;

KPartitionResizeCtrl* KMoveResizeDlg::ctrl() const
{
    return ui->partitionResizeCtrl;
}

void KMoveResizeDlg::ComputeSizeLimits(const ResizeParameters& params, bool bSafeMode, qint64* pMinimum,
                                       qint64* pMaximum)
{
    qint64 minimum = params.CylinderSectors;
    qint64 maximum = params.StretchSectors;
    const qint64 used = params.UsedSectors;
    if (isExt(params.FsType)) {
        minimum = maximum = params.Size;
    } else if (IsFatCode(params.FsType)) {
        minimum = std::max<qint64>(minimum, FatLimits::kSmallestVolume);
        maximum = std::min<qint64>(maximum, FatLimits::kFat32Largest);
        if (minimum >= used) {
            minimum = used + 20480;
        } else {
            const qint64 proportional = qint64(double(used) * 1.2);
            const qint64 fixed = used + 614400;
            minimum = bSafeMode ? std::max(proportional, fixed) : std::min(proportional, fixed);
        }
    } else if (params.FsType == kFsNtfs) {
        const double factor = bSafeMode ? 1.2 : 1.1;
        const qint64 extra = bSafeMode ? 409600 : 20480;
        const qint64 proportional = qint64(double(used) * factor + double(params.NtfsReserve));
        const qint64 fixed = used + params.NtfsReserve + extra;
        minimum = std::min(proportional, fixed);
    }
    if (minimum > 0 && minimum % kMinimumGrain != 0)
        minimum = (minimum / kMinimumGrain + 1) * kMinimumGrain;
    if (minimum > maximum)
        minimum = maximum;
    *pMinimum = minimum;
    *pMaximum = maximum;
}

int KMoveResizeDlg::FatTypeAfterResize(int nFsType, qint64 n64Size)
{
    if (!IsFatCode(nFsType))
        return nFsType;
    // At or below FAT32's smallest size the volume is reported as FAT16; above FAT16's largest, FAT32.
    if (n64Size <= FatLimits::kFat32Smallest)
        return kFsFat16;
    if (n64Size > FatLimits::kFat16Largest || nFsType == kFsFat32)
        return kFsFat32;
    return kFsFat16;
}

void KMoveResizeDlg::applySizeLimits(bool bSafeMode)
{
    qint64 minimum = 0, maximum = 0;
    ComputeSizeLimits(m_params, bSafeMode, &minimum, &maximum);
    BusyScope busy(m_busy);
    // A size outside the new limits comes back corrected through onPartitionSizeChanged.
    ctrl()->SetSizeLimits(minimum, maximum);
    ui->doubleSpinBox_2->setRange(ToMB(ctrl()->GetMinimumSize()), ToMB(ctrl()->GetMaximumSize()));
}

void KMoveResizeDlg::setBeforeAfterRanges(qint64 n64Size)
{
    const double room = ToMB(m_params.StretchSectors - n64Size);
    ui->doubleSpinBox->setRange(0, room);
    ui->doubleSpinBox_3->setRange(0, room);
}

void KMoveResizeDlg::onFreeSpaceBeforeChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetStart(ToSectors(value));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
    ui->doubleSpinBox_3->setValue(ToMB(m_params.StretchSectors - control->GetSize() - control->GetStart()));
}

void KMoveResizeDlg::onPartitionSizeValueChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetSize(ToSectors(value));
    // Ranges first: a value beyond the old range would be cut to it.
    setBeforeAfterRanges(control->GetSize());
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_3->setValue(ToMB(m_params.StretchSectors - control->GetStart() - control->GetSize()));
}

void KMoveResizeDlg::onFreeSpaceAfterChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    const qint64 start = std::max<qint64>(m_params.StretchSectors - control->GetSize() - ToSectors(value), 0);
    control->SetStart(start);
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
}

void KMoveResizeDlg::onPartitionSizeChanged(qint64 n64StartingOffset, qint64 n64Size)
{
    // Reached from inside the other handlers too: the control's word is final, so no test here.
    BusyScope busy(m_busy);
    setBeforeAfterRanges(n64Size);
    ui->doubleSpinBox->setValue(ToMB(n64StartingOffset));
    ui->doubleSpinBox_2->setValue(ToMB(n64Size));
    ui->doubleSpinBox_3->setValue(ToMB(m_params.StretchSectors - n64StartingOffset - n64Size));
}

void KMoveResizeDlg::onExtraSafeModeClicked(bool bChecked)
{
    applySizeLimits(bChecked);
}

void KMoveResizeDlg::on_okButton_clicked()
{
    const qint64 size = ctrl()->GetSize();
    const qint64 start = ctrl()->GetStart();
    // Nothing to do is not an operation.
    if (size == m_params.Size && start == m_params.StartOffset) {
        reject();
        return;
    }
    if (m_params.FsType == kFsNtfs && start == m_params.StartOffset && m_params.SectorsPerCluster > 0 &&
        size / m_params.SectorsPerCluster == m_params.Size / m_params.SectorsPerCluster) {
        reject(); // NTFS keeps whole clusters: the same count is the same volume
        return;
    }
    m_params.FsType = FatTypeAfterResize(m_params.FsType, size);
    m_params.Size = size;
    m_params.StartOffset = std::max<qint64>(start, 0);
    m_params.SafeMode = ui->checkBox->isChecked() ? 1 : 0;
    if (m_target)
        *m_target = m_params;
    accept();
}

QPixmap KMoveResizeDlg::WarningPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size;

    // A rounded amber triangle with a dark rim.
    QPainterPath triangle;
    triangle.moveTo(s * 0.5, s * 0.06);
    triangle.lineTo(s * 0.96, s * 0.90);
    triangle.lineTo(s * 0.04, s * 0.90);
    triangle.closeSubpath();
    QLinearGradient amber(0, 0, 0, s);
    amber.setColorAt(0.0, QColor(255, 222, 90));
    amber.setColorAt(1.0, QColor(236, 170, 20));
    p.setPen(QPen(QColor(120, 80, 0), std::max(1.0, s / 24), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(amber);
    p.drawPath(triangle);

    // The exclamation mark.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 10));
    p.drawRoundedRect(QRectF(s * 0.445, s * 0.30, s * 0.11, s * 0.36), s * 0.05, s * 0.05);
    p.drawEllipse(QRectF(s * 0.44, s * 0.71, s * 0.12, s * 0.12));
    return pixmap;
}
