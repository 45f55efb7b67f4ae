#include "gui/wizards/KDestPartitionEditorPage.h"

#include <algorithm>

#include "core/FileSystemTypes.h"
#include "gui/common/DialogUnits.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "gui/wizards/PartitionCopyRules.h"
#include "model/CopySizes.h"
#include "model/IVirtualVolumeManager.h"
#include "model/PartitionPlacement.h"
#include "ui_KDestPartitionEditorPage.h"

using DialogUnits::BusyScope;
using DialogUnits::ToMB;
using DialogUnits::ToSectors;

KDestPartitionEditorPage::KDestPartitionEditorPage(IVirtualVolumeManager* layout, QWidget* parent)
    : QWizardPage(parent), ui(std::make_unique<Ui::KDestPartitionEditorPage>()), m_layout(layout)
{
    ui->setupUi(this);
    setTitle(tr("Edit Partition"));
    setSubTitle(tr("Please enter the new partition size and specify the location of the selected partition:"));
    for (KDiskMapItem* bar : {ui->srcDiskMapItem, ui->destDiskMapItem})
        bar->SetReadOnly(true);

    connect(ui->doubleSpinBox, &QDoubleSpinBox::valueChanged, this, &KDestPartitionEditorPage::onFreeSpaceBeforeChanged);
    connect(ui->doubleSpinBox_2, &QDoubleSpinBox::valueChanged, this,
            &KDestPartitionEditorPage::onPartitionSizeValueChanged);
    connect(ui->doubleSpinBox_3, &QDoubleSpinBox::valueChanged, this, &KDestPartitionEditorPage::onFreeSpaceAfterChanged);
    connect(ctrl(), &KPartitionResizeCtrl::partitionResized, this, &KDestPartitionEditorPage::onPartitionSizeChanged);
    connect(ui->comboBox, &QComboBox::currentIndexChanged, this, &KDestPartitionEditorPage::onComboboxCurrentIndexChanged);
    connect(ui->resizePartition_checkBox, &QCheckBox::clicked, this, &KDestPartitionEditorPage::onResizePartitionClicked);

    registerField(QStringLiteral("DestStartingOffset"), this, "startField");
    registerField(QStringLiteral("DestPartitionSize"), this, "sizeField");
    registerField(QStringLiteral("PrimaryPartition"), this, "primaryField");
}

KDestPartitionEditorPage::~KDestPartitionEditorPage() = default;

KPartitionResizeCtrl* KDestPartitionEditorPage::ctrl() const
{
    return ui->partitionResizeCtrl;
}

void KDestPartitionEditorPage::initializePage()
{
    m_busy = false;
    const int sourceDisk = field(QStringLiteral("SourceDiskIndex")).toInt();
    const int sourceIndex = field(QStringLiteral("SourcePartitionIndex")).toInt();
    m_nDestDisk = field(QStringLiteral("DestDiskIndex")).toInt();
    const int destIndex = field(QStringLiteral("DestPartitionIndex")).toInt();
    m_source = MakeEmptyPartitionInfo();
    m_area = MakeEmptyPartitionInfo();
    if (m_layout) {
        m_layout->GetPartition(sourceDisk, sourceIndex, &m_source);
        m_layout->GetPartition(m_nDestDisk, destIndex, &m_area);
    }
    const bool gpt = PartitionCopyRules::IsGpt(m_layout, m_nDestDisk);
    m_n64Room = PartitionCopyRules::Room(m_area, gpt);

    // A copy that cannot keep its own size in the area is always resized; fixed-size kinds never are.
    QCheckBox* resize = ui->resizePartition_checkBox;
    const bool forced = m_area.SectorCount <= m_source.TotalSectors || m_n64Room < PartitionCopyRules::InitialSize(m_source);
    if (forced)
        resize->setChecked(true);
    resize->setEnabled(!forced && !PartitionCopyRules::IsFixedSize(m_source.FileSystemType));
    configureControl(resize->isChecked());

    {
        BusyScope busy(m_busy);
        ui->comboBox->clear();
        PartitionPlacement::Kinds kinds{true, false};
        if (!gpt) {
            PartitionList list;
            for (int i = 0; m_layout && i < m_layout->GetPartitionCount(m_nDestDisk); ++i) {
                PartitionInfo e{};
                if (m_layout->GetPartition(m_nDestDisk, i, &e))
                    list.push_back(e);
            }
            kinds = PartitionPlacement::KindsForArea(list, destIndex, PartitionCopyRules::GeometryOf(m_layout, m_nDestDisk));
        }
        if (kinds.Primary)
            ui->comboBox->addItem(tr("Primary"), 1);
        if (kinds.Logical)
            ui->comboBox->addItem(tr("Logical"), 0);
        ui->comboBox->setCurrentIndex(ui->comboBox->count() - 1);
    }
    onComboboxCurrentIndexChanged(ui->comboBox->currentIndex());

    ui->srcDiskMapItem->SetDisk(m_layout, sourceDisk);
    ui->srcDiskMapItem->SetSelectedIndex(sourceIndex);
    ui->destDiskMapItem->SetDisk(m_layout, m_nDestDisk);
    ui->destDiskMapItem->SetSelectedIndex(destIndex);
}

void KDestPartitionEditorPage::configureControl(bool bResize)
{
    const qint64 room = m_n64Room;
    const qint64 cylinder = PartitionCopyRules::GeometryOf(m_layout, m_nDestDisk).SectorsPerCylinder();
    const qint64 used = std::max<qint64>(0, m_source.TotalSectors - m_source.FreeSectors);
    qint64 size = PartitionCopyRules::InitialSize(m_source);
    qint64 minimum = std::min<qint64>(MinimumCopySize(m_source, cylinder), room);
    qint64 maximum = std::min<qint64>(MaximumCopySize(m_source), room);
    if (bResize) {
        size = std::min(size, room);
        if (size < minimum) {
            if (minimum <= room)
                size = minimum;
            else
                minimum = maximum = size;
        }
    } else {
        minimum = maximum = size;
    }

    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetAll(0, size, used, minimum, maximum, room, m_source.FileSystemType);
    const double free = ToMB(room - control->GetMinimumSize());
    ui->doubleSpinBox->setRange(0, free);
    ui->doubleSpinBox_3->setRange(0, free);
    ui->doubleSpinBox_2->setRange(ToMB(control->GetMinimumSize()), ToMB(control->GetMaximumSize()));
    for (QDoubleSpinBox* box : {ui->doubleSpinBox, ui->doubleSpinBox_2, ui->doubleSpinBox_3})
        box->setSingleStep(ToMB(cylinder));
    control->SetStart(0);
    control->SetSize(size);
    onPartitionSizeChanged(control->GetStart(), control->GetSize());
}

void KDestPartitionEditorPage::setBeforeAfterRanges(qint64 n64Size)
{
    const double free = ToMB(m_n64Room - n64Size);
    ui->doubleSpinBox->setRange(0, free);
    ui->doubleSpinBox_3->setRange(0, free);
}

void KDestPartitionEditorPage::storeFields()
{
    setField(QStringLiteral("DestStartingOffset"), ctrl()->GetStart());
    setField(QStringLiteral("DestPartitionSize"), ctrl()->GetSize());
}

void KDestPartitionEditorPage::onFreeSpaceBeforeChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetStart(ToSectors(value));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Room - control->GetSize() - control->GetStart()));
    storeFields();
}

void KDestPartitionEditorPage::onPartitionSizeValueChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetSize(ToSectors(value));
    setBeforeAfterRanges(control->GetSize());
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Room - control->GetStart() - control->GetSize()));
    storeFields();
}

void KDestPartitionEditorPage::onFreeSpaceAfterChanged(double value)
{
    if (m_busy)
        return;
    BusyScope busy(m_busy);
    KPartitionResizeCtrl* control = ctrl();
    control->SetStart(m_n64Room - control->GetSize() - ToSectors(value));
    ui->doubleSpinBox->setValue(ToMB(control->GetStart()));
    ui->doubleSpinBox_2->setValue(ToMB(control->GetSize()));
    storeFields();
}

void KDestPartitionEditorPage::onPartitionSizeChanged(qint64 n64StartingOffset, qint64 n64Size)
{
    // The control's word is final, whoever caused the change.
    BusyScope busy(m_busy);
    setBeforeAfterRanges(n64Size);
    ui->doubleSpinBox->setValue(ToMB(n64StartingOffset));
    ui->doubleSpinBox_2->setValue(ToMB(n64Size));
    ui->doubleSpinBox_3->setValue(ToMB(m_n64Room - n64StartingOffset - n64Size));
    setField(QStringLiteral("DestStartingOffset"), n64StartingOffset);
    setField(QStringLiteral("DestPartitionSize"), n64Size);
}

void KDestPartitionEditorPage::onComboboxCurrentIndexChanged(int nIndex)
{
    if (nIndex >= 0)
        setField(QStringLiteral("PrimaryPartition"), ui->comboBox->itemData(nIndex).toInt());
}

void KDestPartitionEditorPage::onResizePartitionClicked(bool bChecked)
{
    configureControl(bChecked);
}
