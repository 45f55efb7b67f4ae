// Asks for a partition's new drive letter among the letters still free in the pending layout.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KChangeLetterDlg;
}

class KChangeLetterDlg : public QDialog {
    Q_OBJECT
public:
    // strCurrentLetter: the current letter and a colon ("E:"), empty when the partition has none.
    explicit KChangeLetterDlg(const QString& strCurrentLetter, QWidget* parent = nullptr);
    ~KChangeLetterDlg() override;

    // Valid after acceptance: the chosen letter as a character code, 0 to remove the letter. The
    // letter is already taken from the free drive-letter pool; the old one is not given back here.
    int DriveLetter() const { return m_nDriveLetter; }

private slots:
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::KChangeLetterDlg> ui;
    int m_nDriveLetter = 0;
};
