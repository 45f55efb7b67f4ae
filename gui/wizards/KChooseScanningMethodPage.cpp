#include "gui/wizards/KChooseScanningMethodPage.h"

#include "ui_KChooseScanningMethodPage.h"

KChooseScanningMethodPage::KChooseScanningMethodPage(QWidget* parent)
    : QWizardPage(parent), ui(std::make_unique<Ui::KChooseScanningMethodPage>())
{
    ui->setupUi(this);
    setTitle(tr("Scanning Method Settings"));
    setSubTitle(tr("Set scanning method for the specified scanning range."));
    registerField(QStringLiteral("ScanningMethod"), this, "method");
}

KChooseScanningMethodPage::~KChooseScanningMethodPage() = default;

void KChooseScanningMethodPage::on_radioButton_toggled(bool bChecked)
{
    if (bChecked)
        setField(QStringLiteral("ScanningMethod"), int(QuickScan));
}

void KChooseScanningMethodPage::on_radioButton_2_toggled(bool bChecked)
{
    if (bChecked)
        setField(QStringLiteral("ScanningMethod"), int(FullScan));
}

bool KChooseScanningMethodPage::validatePage()
{
    setField(QStringLiteral("ScanningMethod"), ui->radioButton_2->isChecked() ? int(FullScan) : int(QuickScan));
    return true;
}
