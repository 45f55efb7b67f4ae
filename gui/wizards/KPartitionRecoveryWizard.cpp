#include "gui/wizards/KPartitionRecoveryWizard.h"

#include "gui/wizards/WizardDiskList.h"

#include <QLabel>
#include <QVBoxLayout>
#include <cstring>

#include "gui/wizards/KChooseScanningMethodPage.h"
#include "gui/wizards/KChooseScanningRangePage.h"
#include "gui/wizards/KChooseSearchedLostPartitionPage.h"
#include "gui/wizards/KSelectingDiskPage.h"

KPartitionRecoveryWizard::KPartitionRecoveryWizard(IVirtualVolumeManager* layout, int nDiskIndex, QWidget* parent)
    : QWizard(parent)
{
    auto* welcome = new QWizardPage(this);
    welcome->setTitle(tr("Welcome to Partition Recovery Wizard"));
    welcome->setSubTitle(tr("This wizard helps you to recover lost or deleted partitions."));
    (new QVBoxLayout(welcome))->addWidget(new QLabel(tr("\n\n\n\nTo continue, click Next."), welcome));
    setPage(WelcomePage, welcome);

    // Any disk may be scanned, an empty one above all: only a dynamic disk is refused.
    auto* disk = new KSelectingDiskPage(true, layout, this, true);
    disk->setTitle(tr("Select Disk for recovery"));
    disk->setSubTitle(tr("Choose a disk you like to recover."));
    disk->SetDescription(tr("On this page, you can choose a disk you like to recover."));
    setPage(DiskPage, disk);
    setPage(RangePage, new KChooseScanningRangePage(layout, this));
    setPage(MethodPage, new KChooseScanningMethodPage(this));
    auto* found = new KChooseSearchedLostPartitionPage(layout, this);
    setPage(FoundPage, found);
    connect(this, &KPartitionRecoveryWizard::pageInitialized, found, &KChooseSearchedLostPartitionPage::onPageInitialized,
            Qt::QueuedConnection);
    connect(this, &QWizard::currentIdChanged, this, [this](int nId) {
        if (nId == FoundPage)
            emit pageInitialized();
    });

    setWindowTitle(tr("Partition Recovery Wizard"));
    setSizeGripEnabled(true);
    resize(700, 560);
    setMinimumHeight(480);
    if (nDiskIndex >= 0)
        disk->SelectDisk(nDiskIndex);
}

void KPartitionRecoveryWizard::done(int nResult)
{
    if (nResult != Accepted) {
        QWizard::done(nResult);
        return;
    }
    // The last page's check (with its deletion warning) fills the fields read here; it runs once.
    if (!validateCurrentPage())
        return;
    m_nDiskIndex = field(QStringLiteral("SourceDiskIndex")).toInt();
    m_partitions = WizardDiskList::AllocatedRecords(field(QStringLiteral("PartitionInfoArray")).toByteArray(),
                                                    field(QStringLiteral("PartitionArrayCount")).toInt());
    QDialog::done(nResult);
}
