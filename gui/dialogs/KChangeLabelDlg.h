// Asks for a partition's new volume label.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KChangeLabelDlg;
}

class KChangeLabelDlg : public QDialog {
    Q_OBJECT
public:
    // nFileSystemType (a FileSystemCode) decides the longest label accepted.
    KChangeLabelDlg(int nFileSystemType, const QString& strLabel, QWidget* parent = nullptr);
    ~KChangeLabelDlg() override;

    // Valid after acceptance; the dialog is rejected when the label was left as it was.
    QString Label() const { return m_strLabel; }

private slots:
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::KChangeLabelDlg> ui;
    QString m_strCurrentLabel;
    QString m_strLabel;
    int m_nFileSystemType;
};
