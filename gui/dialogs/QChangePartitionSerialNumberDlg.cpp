#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"

#include <QShowEvent>

#include "ui_QChangePartitionSerialNumberDlg.h"

QChangePartitionSerialNumberDlg::QChangePartitionSerialNumberDlg(quint64 u64SerialNumber, const QString& strName,
                                                                 QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::QChangePartitionSerialNumberDlg>()),
      m_u64CurrentSerialNumber(u64SerialNumber), m_u64SerialNumber(u64SerialNumber)
{
    ui->setupUi(this);
    resize(size().expandedTo(minimumSizeHint()));

    ui->questionLabel->setText(tr("<B>Are you sure you want to change serial number of partition \"%1\"?</B>")
                                   .arg(strName.toHtmlEscaped()));
    ui->lineEdit->setText(QString::number(u64SerialNumber, 16));
    ui->lineEdit->setFocus();
    ui->lineEdit->selectAll();
}

QChangePartitionSerialNumberDlg::~QChangePartitionSerialNumberDlg() = default;

void QChangePartitionSerialNumberDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A masked field moves its cursor to the first blank when it gets the focus on showing, which
    // drops the selection; select again once that has happened, so typing replaces the number.
    QMetaObject::invokeMethod(ui->lineEdit, &QLineEdit::selectAll, Qt::QueuedConnection);
}

quint64 QChangePartitionSerialNumberDlg::ParseSerialNumber(const QString& strText)
{
    bool ok = false;
    const quint64 value = strText.trimmed().toULongLong(&ok, 16);
    return ok ? value : 0;
}

void QChangePartitionSerialNumberDlg::on_yesButton_clicked()
{
    const quint64 serial = ParseSerialNumber(ui->lineEdit->text());
    if (serial == m_u64CurrentSerialNumber) {
        reject();
        return;
    }
    m_u64SerialNumber = serial;
    accept();
}
