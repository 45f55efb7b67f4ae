#include "gui/dialogs/KChangeLetterDlg.h"

#include "model/KDriveLetterPool.h"
#include "ui_KChangeLetterDlg.h"

KChangeLetterDlg::KChangeLetterDlg(const QString& strCurrentLetter, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KChangeLetterDlg>())
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));

    // "None" is offered only to a partition that has a letter to give up.
    if (strCurrentLetter.isEmpty()) {
        ui->letterLabel->setText(tr("None"));
    } else {
        ui->letterLabel->setText(strCurrentLetter);
        ui->comboBox->addItem(tr("None"), 0);
    }
    for (int n = 0; n < KDriveLetterPool::FreeCount(); ++n) {
        const char letter = KDriveLetterPool::FreeLetter(n);
        ui->comboBox->addItem(QStringLiteral("%1:").arg(QLatin1Char(letter)), int(letter));
    }
    ui->comboBox->setCurrentIndex(0);
}

KChangeLetterDlg::~KChangeLetterDlg() = default;

void KChangeLetterDlg::on_okButton_clicked()
{
    m_nDriveLetter = ui->comboBox->count() > 0 ? ui->comboBox->currentData().toInt() : 0;
    // Taken at once, so the next dialog of the same batch no longer offers it.
    if (m_nDriveLetter != 0)
        KDriveLetterPool::Take(char(m_nDriveLetter));
    accept();
}
