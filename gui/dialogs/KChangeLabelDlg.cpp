#include "gui/dialogs/KChangeLabelDlg.h"

#include "gui/dialogs/VolumeLabelRule.h"
#include "ui_KChangeLabelDlg.h"

KChangeLabelDlg::KChangeLabelDlg(int nFileSystemType, const QString& strLabel, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KChangeLabelDlg>()), m_strCurrentLabel(strLabel), m_nFileSystemType(nFileSystemType)
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));

    // The maximum first: setting it drops a selection.
    ui->lineEdit->setMaxLength(VolumeLabelRule::MaxLength(nFileSystemType));
    ui->lineEdit->setText(strLabel);
    ui->lineEdit->setFocus();
    ui->lineEdit->selectAll();
}

KChangeLabelDlg::~KChangeLabelDlg() = default;

void KChangeLabelDlg::on_okButton_clicked()
{
    const QString label = ui->lineEdit->text();
    if (!VolumeLabelRule::CheckLabel(label, this, m_nFileSystemType))
        return;
    m_strLabel = label;
    // An unchanged label queues nothing.
    if (label == m_strCurrentLabel)
        reject();
    else
        accept();
}
