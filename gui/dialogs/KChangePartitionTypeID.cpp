#include "gui/dialogs/KChangePartitionTypeID.h"

#include "gui/dialogs/PartitionTypeIds.h"
#include "core/FileSystemTypes.h"

#include <QMessageBox>
#include "ui_KChangePartitionTypeID.h"

KChangePartitionTypeID::KChangePartitionTypeID(const QString& strName, int nTypeId, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KChangePartitionTypeID>()), m_nTypeId(nTypeId)
{
    ui->setupUi(this);
    resize(size().expandedTo(minimumSizeHint()));

    ui->questionLabel->setText(
        tr("<B>Are you sure you want to change partition ID of the partition \"%1\"?</B>").arg(strName.toHtmlEscaped()));
    ui->noteLabel->setText(tr("Current system ID is \"%1\". Changing partition ID might prevent some operating system "
                              "from working with the partition.")
                               .arg(PartitionTypeIds::Description(nTypeId)));

    ui->spinBox->setValue(nTypeId);
    ui->comboBox->addItems(PartitionTypeIds::Rows());
    ui->comboBox->setCurrentIndex(PartitionTypeIds::RowOf(nTypeId));
    connect(ui->comboBox, &QComboBox::currentTextChanged, this, &KChangePartitionTypeID::checkSelectedId);

    // The form starts on the list; the toggled handlers only run on a change, so the list's check
    // runs here once.
    ui->radioButton->setChecked(true);
    ui->radioButton_2->setChecked(false);
    ui->comboBox->setEnabled(true);
    ui->spinBox->setEnabled(false);
    checkSelectedId(ui->comboBox->currentText());
}

KChangePartitionTypeID::~KChangePartitionTypeID() = default;

void KChangePartitionTypeID::checkSelectedId(const QString& strText)
{
    // The separator row, or no row at all, names no id.
    ui->yesButton->setEnabled(strText.startsWith(QLatin1String("0x")));
}

void KChangePartitionTypeID::on_radioButton_toggled(bool bChecked)
{
    if (bChecked)
        checkSelectedId(ui->comboBox->currentText());
}

void KChangePartitionTypeID::on_radioButton_2_toggled(bool bChecked)
{
    if (bChecked)
        ui->yesButton->setEnabled(true);
}

void KChangePartitionTypeID::on_yesButton_clicked()
{
    if (ui->radioButton->isChecked()) {
        const int id = PartitionTypeIds::RowTypeId(ui->comboBox->currentText());
        if (id < 0)
            return;
        m_nTypeId = id;
    } else {
        // Text still being typed counts as it stands.
        ui->spinBox->interpretText();
        m_nTypeId = ui->spinBox->value();
    }
    // The container's types on a partition that holds data would make it an empty container.
    if (IsExtendedTypeByte(m_nTypeId)) {
        QMessageBox::critical(this, tr("Error"),
                              tr("An extended partition type can only belong to the extended partition itself."));
        return;
    }
    accept();
}
