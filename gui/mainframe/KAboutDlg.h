// The about box: the product's name, the version of this build and the day it was built.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class KAboutDlg;
}

class KAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit KAboutDlg(QWidget* parent = nullptr);
    ~KAboutDlg() override;

    static QString VersionText();
    // The build day as YYYY-MM-DD.
    static QString BuildDateText();

private:
    std::unique_ptr<Ui::KAboutDlg> ui;
};
