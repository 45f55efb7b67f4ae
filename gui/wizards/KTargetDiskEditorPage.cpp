#include "gui/wizards/KTargetDiskEditorPage.h"

#include <QRadioButton>
#include <algorithm>

#include "core/FileSystemTypes.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/KSelectingDiskPage.h"
#include "gui/wizards/WizardDiskList.h"
#include "model/IVirtualVolumeManager.h"
#include "model/KVirtualVolumeManagerPreview.h"
#include "ui_KTargetDiskEditorPage.h"

KTargetDiskEditorPage::KTargetDiskEditorPage(IVirtualVolumeManager* layout, QWidget* parent)
    : QWizardPage(parent), ui(std::make_unique<Ui::KTargetDiskEditorPage>()), m_layout(layout)
{
    ui->setupUi(this);
    ui->destDiskMapItem->SetReadOnly(true);
    connect(ui->radioButton, &QRadioButton::toggled, this, &KTargetDiskEditorPage::onRadioButton1Clicked);
    connect(ui->radioButton_2, &QRadioButton::toggled, this, &KTargetDiskEditorPage::onRadioButton2Clicked);
    connect(ui->radioButton_3, &QRadioButton::toggled, this, &KTargetDiskEditorPage::onRadioButton3Clicked);
    registerField(QStringLiteral("PartitionInfoArray"), this, "partitionArray");
    registerField(QStringLiteral("PartitionArrayCount"), this, "partitionCount");
}

KTargetDiskEditorPage::~KTargetDiskEditorPage() = default;

void KTargetDiskEditorPage::initializePage()
{
    m_nSourceDisk = field(QStringLiteral("SourceDiskIndex")).toInt();
    m_nTargetDisk = field(QStringLiteral("DestDiskIndex")).toInt();
    IDisk* source = m_layout->GetDisk(m_nSourceDisk);
    IDisk* target = m_layout->GetDisk(m_nTargetDisk);
    const int64_t sourceTotal = source ? source->GetTotalSectors() : 0;
    const int64_t targetRaw = target ? target->GetTotalSectors() : 0;
    int64_t targetSize = targetRaw;
    if (!m_layout->IsGptDisk(m_nTargetDisk))
        targetSize = std::min(targetSize, KSelectingDiskPage::kMbrSectorLimit);

    // Space the source's volumes take, and whether they fit unchanged with a track before each entry.
    int64_t used = sourceTotal;
    const int entries = m_layout->GetPartitionCount(m_nSourceDisk);
    for (int i = 0; i < entries; ++i) {
        PartitionInfo e{};
        if (m_layout->GetPartition(m_nSourceDisk, i, &e) &&
            (e.PartitionTypeId == 0 || e.FileSystemType == kFsNone || e.FileSystemType == kFsPlaceholder))
            used -= e.TotalSectors;
    }
    ui->radioButton_2->setEnabled(sourceTotal == targetRaw || int64_t(entries + 1) * 63 + used <= targetSize);

    m_preview = std::make_unique<KVirtualVolumeManagerPreview>(m_layout, m_nTargetDisk, m_nSourceDisk);
    const QSignalBlocker block1(ui->radioButton), block2(ui->radioButton_2), block3(ui->radioButton_3);
    ui->radioButton->setChecked(true);
    ui->destDiskMapItem->SetDisk(m_preview.get(), m_nTargetDisk);
    ui->destDiskMapItem->SetSelectedIndex(-1);
    updateFields();
    update();
}

void KTargetDiskEditorPage::chooseMethod(int method)
{
    if (!m_preview)
        return;
    m_preview->ComputeCopyLayout(method);
    ui->destDiskMapItem->SetDisk(m_preview.get(), m_nTargetDisk);
    ui->destDiskMapItem->SetSelectedIndex(-1);
    update();
    updateFields();
}

void KTargetDiskEditorPage::onRadioButton1Clicked(bool checked)
{
    if (checked)
        chooseMethod(0);
}

void KTargetDiskEditorPage::onRadioButton2Clicked(bool checked)
{
    if (checked)
        chooseMethod(1);
}

void KTargetDiskEditorPage::onRadioButton3Clicked(bool checked)
{
    if (checked)
        chooseMethod(2);
}

void KTargetDiskEditorPage::updateFields()
{
    int count = 0;
    const QByteArray records = WizardDiskList::DiskRecords(m_preview.get(), m_nTargetDisk, &count);
    setField(QStringLiteral("PartitionInfoArray"), records);
    setField(QStringLiteral("PartitionArrayCount"), count);
}
