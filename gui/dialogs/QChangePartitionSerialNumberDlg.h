// Asks for a volume's new serial number, typed in hexadecimal.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class QChangePartitionSerialNumberDlg;
}

class QChangePartitionSerialNumberDlg : public QDialog {
    Q_OBJECT
public:
    QChangePartitionSerialNumberDlg(quint64 u64SerialNumber, const QString& strName, QWidget* parent = nullptr);
    ~QChangePartitionSerialNumberDlg() override;

    // Valid after acceptance; the dialog is rejected when the number was left as it was.
    quint64 SerialNumber() const { return m_u64SerialNumber; }

    // The field's text read in base 16; 0 when it holds no number.
    static quint64 ParseSerialNumber(const QString& strText);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void on_yesButton_clicked();

private:
    std::unique_ptr<Ui::QChangePartitionSerialNumberDlg> ui;
    quint64 m_u64CurrentSerialNumber;
    quint64 m_u64SerialNumber;
};
