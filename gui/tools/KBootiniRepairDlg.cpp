#include "gui/tools/KBootiniRepairDlg.h"

#include "core/FileSystemTypes.h"
#include "model/IVirtualVolumeManager.h"
#include "ui_KBootiniRepairDlg.h"

KBootiniRepairDlg::KBootiniRepairDlg(IVirtualVolumeManager* layout, int nDiskIndex, const QStringList& systems,
                                     QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KBootiniRepairDlg>()), m_layout(layout), m_nDiskIndex(nDiskIndex)
{
    ui->setupUi(this);
    ui->comboBox->addItems(systems);
    ui->diskmapItem->SetDisk(layout, nDiskIndex);
    ui->diskmapItem->SetPartitionsOnly(true);
    ui->okButton->setEnabled(false);
    connect(ui->diskmapItem, &KDiskMapItem::diskMapItemSelected, this, &KBootiniRepairDlg::onDiskMapItemSelected);
    connect(ui->comboBox, &QComboBox::currentIndexChanged, this, &KBootiniRepairDlg::onOperatingSystemChanged);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

KBootiniRepairDlg::~KBootiniRepairDlg() = default;

void KBootiniRepairDlg::onDiskMapItemSelected(int, int nSelectedItemIndex, bool, QPoint)
{
    PartitionInfo e{};
    const bool entry = m_layout && nSelectedItemIndex >= 0 && m_layout->GetPartition(m_nDiskIndex, nSelectedItemIndex, &e);
    const int fs = e.FileSystemType;
    ui->okButton->setEnabled(entry && (fs == kFsFat12 || fs == kFsFat16 || fs == kFsFat32 || fs == kFsNtfs));
}

void KBootiniRepairDlg::onOperatingSystemChanged(int)
{
    ui->diskmapItem->update();
}

void KBootiniRepairDlg::on_okButton_clicked()
{
    m_nSystemIndex = ui->comboBox->currentIndex();
    m_nPartitionIndex = ui->diskmapItem->SelectedIndex();
    accept();
}
