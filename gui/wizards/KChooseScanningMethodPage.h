// The recovery wizard's method page: quick scan (skips the inside of each find) or full scan.
#pragma once

#include <QWizardPage>
#include <memory>

namespace Ui {
class KChooseScanningMethodPage;
}

class KChooseScanningMethodPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(int method MEMBER m_nMethod)
public:
    enum Method { QuickScan = 0, FullScan = 1 };

    explicit KChooseScanningMethodPage(QWidget* parent = nullptr);
    ~KChooseScanningMethodPage() override;

    bool validatePage() override;

public slots:
    void on_radioButton_toggled(bool bChecked);
    void on_radioButton_2_toggled(bool bChecked);

private:
    std::unique_ptr<Ui::KChooseScanningMethodPage> ui;
    int m_nMethod = QuickScan;
};
