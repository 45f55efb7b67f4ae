// Asks how a partition or a whole disk is to be wiped.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QPixmap;

namespace Ui {
class KWipingDiskDlg;
}

class KWipingDiskDlg : public QDialog {
    Q_OBJECT
public:
    // strName: the display name of the partition or disk to be wiped.
    explicit KWipingDiskDlg(const QString& strName, QWidget* parent = nullptr);
    ~KWipingDiskDlg() override;

    // The method number the wipe command takes (0 zeros, 1 ones, 2 zeros and ones, 3 and 4 the
    // three- and seven-pass patterns); 0 until the dialog is accepted.
    int WipingMethod() const { return m_nMethod; }

    // The picture at the top left of the window: a disk being erased.
    static QPixmap WipeIcon(int size);

private slots:
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::KWipingDiskDlg> ui;
    int m_nMethod = 0;
};
