#include "gui/tools/KBootIniEditorDlg.h"

#include "ui_KBootIniEditorDlg.h"

KBootIniEditorDlg::KBootIniEditorDlg(const QString& strText, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KBootIniEditorDlg>())
{
    ui->setupUi(this);
    ui->textEdit->setPlainText(strText);
    connect(ui->checkBox, &QCheckBox::toggled, this, &KBootIniEditorDlg::onDisableModifyBootini);
    connect(ui->textEdit, &QTextEdit::textChanged, this, &KBootIniEditorDlg::onTextChanged);
    connect(ui->pushButton_2, &QPushButton::clicked, this, &QDialog::reject);
    onDisableModifyBootini(ui->checkBox->isChecked());
    setFixedSize(size());
}

KBootIniEditorDlg::~KBootIniEditorDlg() = default;

void KBootIniEditorDlg::onDisableModifyBootini(bool bDisable)
{
    ui->pushButton->setEnabled(!bDisable);
    ui->textEdit->setReadOnly(bDisable);
}

void KBootIniEditorDlg::on_pushButton_clicked()
{
    m_strText = ui->textEdit->toPlainText();
    accept();
}

void KBootIniEditorDlg::onTextChanged()
{
}
