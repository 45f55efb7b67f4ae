#include "gui/wizards/KCopyDiskWizard.h"

#include <QLabel>
#include <QVBoxLayout>
#include <cstring>

#include "gui/wizards/KSelectingDiskPage.h"
#include "gui/wizards/KTargetDiskEditorPage.h"
#include "gui/wizards/WizardDiskList.h"

namespace {

QWizardPage* textPage(const QString& title, const QString& subTitle, const QString& text, QWidget* parent)
{
    auto* page = new QWizardPage(parent);
    page->setTitle(title);
    page->setSubTitle(subTitle);
    auto* label = new QLabel(text, page);
    label->setWordWrap(true);
    (new QVBoxLayout(page))->addWidget(label);
    return page;
}

// Bytes of a record cleared in what the wizard returns: the system and boot marks, the partition number
// and the drive letter.
constexpr size_t kClearedFirst = 184, kClearedEnd = 472;

} // namespace

KCopyDiskWizard::KCopyDiskWizard(int nSourceDiskIndex, IVirtualVolumeManager* layout, QWidget* parent) : QWizard(parent)
{
    setPage(WelcomePage, textPage(tr("Welcome to Copy Disk Wizard"), tr("This wizard helps you to create a copy of hard disk."),
                                  tr("\n\n\n\nTo continue, click Next."), this));
    auto* source = new KSelectingDiskPage(true, layout, this);
    setPage(SourcePage, source);
    setPage(TargetPage, new KSelectingDiskPage(false, layout, this));
    setPage(ReviewPage, new KTargetDiskEditorPage(layout, this));
    setPage(BootNotePage,
            textPage(tr("Boot from the Destination disk"), tr("How to boot from the Destination disk?"),
                     tr("<BR><BR><B>Please NOTE:</B><BR><BR>In order to make Windows Operating System bootable on the "
                        "destination disk, please shut down the computer after disk copy is finished and unload the "
                        "source disk. <B>Please do not start the computer directly from the destination disk once disk "
                        "copy is finished.</B>"),
                     this));
    setWindowTitle(tr("Copy Disk Wizard"));
    setSizeGripEnabled(true);
    resize(700, 560);
    if (nSourceDiskIndex >= 0) {
        source->SelectDisk(nSourceDiskIndex);
        setStartId(TargetPage);
    }
}

void KCopyDiskWizard::accept()
{
    m_nSourceDisk = field(QStringLiteral("SourceDiskIndex")).toInt();
    m_nTargetDisk = field(QStringLiteral("DestDiskIndex")).toInt();
    m_partitions = WizardDiskList::AllocatedRecords(field(QStringLiteral("PartitionInfoArray")).toByteArray(),
                                                    field(QStringLiteral("PartitionArrayCount")).toInt());
    for (PartitionInfo& e : m_partitions)
        std::memset(reinterpret_cast<char*>(&e) + kClearedFirst, 0, kClearedEnd - kClearedFirst);
    QWizard::accept();
}
